#pragma once
// The text of the batch file that joins the pieces with "copy /b". Plain text work, no
// Windows API; the caller encodes and writes it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The command interpreter cuts longer lines (line end not counted).
inline constexpr std::size_t kMaxScriptLineLength = 8191;

// A file name as the batch file must spell it so that the command interpreter reads it back
// unchanged: bare when it holds only ASCII letters, digits, ".", "_" and "-", else in double
// quotes; "%" is always doubled.
std::wstring ScriptName(std::wstring_view name);

// How many characters text may take in a batch line: a non-ASCII character counts three,
// since the command interpreter may measure the line in encoded bytes (up to three each).
std::size_t ScriptWidth(std::wstring_view text);

// The batch file's text, lines ended by CR LF, that joins pieces pieceNameStem + 001 ...
// + PieceNumberText(pieceCount) into sourceName, in the batch file's own folder wherever it
// is started from. One copy line while it fits; a longer list goes on in lines that append
// to the file the first one made. Names beyond ASCII first switch the console to codePage,
// the one the text will be encoded in.
std::wstring ScriptText(std::wstring_view pieceNameStem, std::int64_t pieceCount, std::wstring_view sourceName,
                        std::uint32_t codePage);
