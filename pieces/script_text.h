#pragma once
// The text of the batch file that joins the pieces with "copy /b". Plain text work, no
// Windows API; the caller encodes and writes the lines.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// The command interpreter cuts longer lines (line end not counted).
inline constexpr std::size_t kMaxScriptLineLength = 8191;

// A file name as the batch file must spell it so that the command interpreter reads it back
// unchanged: bare when it holds only letters, digits, ".", "_" and "-" (and non-ASCII
// letters), else in double quotes; "%" is always doubled.
std::wstring ScriptName(std::wstring_view name);

// Calls emitLine, in order, with each line (without its line end) of the batch file that
// joins pieces pieceNameStem + 001 ... + PieceNumberText(pieceCount) into sourceName.
// One line while it fits; longer lists go on in lines that append to the file the first made.
void ComposeScriptLines(std::wstring_view pieceNameStem, std::int64_t pieceCount, std::wstring_view sourceName,
                        const std::function<void(std::wstring_view line)>& emitLine);
