#pragma once

#include <cstddef>
#include <cstdint>

#include "pieces/file_ops.h"
#include "pieces/pieces.h"

// The most bytes held in memory at a time while copying.
inline constexpr std::size_t kCopyBlockSize = 32768;

// The bytes of the whole source copied so far, which the window is told after every block.
struct CopyProgress {
    WindowOperations& window;
    std::int64_t done;
    std::int64_t total;
};

// Moves byteCount bytes from from's current position to to's current position, one block at a time; both positions
// advance.
void CopyBytes(std::int64_t byteCount, const NamedFile& from, const NamedFile& to, CopyProgress& progress);
