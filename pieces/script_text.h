#pragma once
// The text of the batch file that checks the pieces and joins them with "copy /b". Plain text work, no Windows API;
// the caller encodes and writes it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The command interpreter cuts longer lines (line end not counted).
inline constexpr std::size_t kMaxScriptLineLength = 8191;

// Appended to the original's name for the file the batch file joins into; only a complete join gets the original's
// name.
inline constexpr wchar_t kJoinSuffix[] = L".kavro-tmp";

// The batch file's text, lines ended by CR LF, that joins the pieces of the file sourceName (sourceLength bytes in
// pieces of pieceSize) in its own folder, wherever it is started from. It checks every piece's size first, never
// replaces a file of the original's name, joins into sourceName + kJoinSuffix and renames that only when its size is
// right; it prints one line and ends with exit code 0 or 1. It finds the files by its own name, which is the pieces'
// stem; names it cannot take from there are written out, and where they go beyond ASCII the console is set to
// codePage, the one the text will be encoded in, and back to its own before the batch file ends. After a failure, and
// after a double-click, it waits for a key, having left its folder.
std::wstring ScriptText(std::wstring_view sourceName, std::int64_t sourceLength, std::int32_t pieceSize,
                        std::uint32_t codePage);
