#pragma once

#include <cstddef>
#include <cstdint>

#include "pieces/file_ops.h"

// The most bytes held in memory at a time while copying.
inline constexpr std::size_t kCopyBlockSize = 32768;

// Moves byteCount bytes from from's current position to to's current position, one block
// at a time; both positions advance.
void CopyBytes(std::int64_t byteCount, const NamedFile& from, const NamedFile& to);
