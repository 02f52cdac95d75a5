#pragma once
// The size field's text as a number, and kilobytes as bytes. Plain text work, no Windows API.

#include <cstdint>
#include <optional>
#include <string_view>

// The number the text begins with: blanks, tabs and line feeds skipped anywhere, then a signed
// decimal number with "." as its point and an optional exponent, or &H / &O followed by a
// hexadecimal / octal 32-bit integer; reading stops at the first character that fits none of
// these. 0 when the text begins with no number; nullopt when it is too large for a double.
std::optional<double> LeadingNumber(std::wstring_view text);

// kilobytes × 1024 rounded to the nearest whole byte, halves to even; nullopt when that leaves
// the signed 32-bit range.
std::optional<std::int32_t> KilobytesToBytes(double kilobytes);
