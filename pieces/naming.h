#pragma once
// How the output files are named: the stem taken from the source path, the numbered pieces
// and the batch file. Plain text work, no Windows API.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The path up to and including the last "." of its file name, or the path followed by "."
// when the file name holds none.
std::wstring StemWithDot(std::wstring_view path);

// The text after the last "\" of the path, or the whole path when it holds none.
std::wstring NameOnly(std::wstring_view path);

// The piece number in decimal with at least three digits: 001, 042, 999, 1000.
std::wstring PieceNumberText(std::int64_t number);

// The piece number whose PieceNumberText is exactly text, if there is one.
std::optional<std::int64_t> PieceNumberOf(std::wstring_view text);

// The batch file that belongs to a stem.
std::wstring ScriptPath(std::wstring_view stem);

// How many pieces of pieceSize (> 0) bytes a source of sourceLength bytes gives.
std::int64_t PieceCount(std::int64_t sourceLength, std::int32_t pieceSize);
