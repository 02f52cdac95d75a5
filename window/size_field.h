#pragma once

#include <cstdint>
#include <string_view>

#include "pieces/pieces.h"

inline constexpr wchar_t kInvalidSizeMessage[] = L"Geben Sie bitte eine gültige Dateigröße an!";

// The piece size in bytes that the size field's text (in kB) asks for. 0 when it asks for
// none: a text that is no positive number, or a size too large, has then been reported
// through window (message, focus to the size field); a size that rounds to 0 bytes silently.
std::int32_t PartSizeInBytes(std::wstring_view fieldText, WindowOperations& window);
