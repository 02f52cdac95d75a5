#include "pieces/script_text.h"

#include <algorithm>

#include "pieces/naming.h"

namespace {

// Beyond ASCII some code pages hold blank-like characters that the command interpreter may
// take for separators (the no-break space is byte 0xFF in the OEM code pages); quotes cost
// nothing.
bool ReadsBare(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'.' || c == L'_' ||
           c == L'-';
}

bool IsAscii(std::wstring_view text) {
    return std::ranges::all_of(text, [](wchar_t c) { return c < 0x80; });
}

} // namespace

std::wstring ScriptName(std::wstring_view name) {
    bool quoted = false;
    std::wstring spelled;
    spelled.reserve(name.size() + 2);
    for (const wchar_t c : name) {
        quoted = quoted || !ReadsBare(c);
        spelled += c;
        if (c == L'%') {
            spelled += L'%'; // a batch file reads "%%" as one "%", inside quotes too
        }
    }
    return quoted ? L'"' + spelled + L'"' : spelled;
}

std::size_t ScriptWidth(std::wstring_view text) {
    std::size_t width = 0;
    for (const wchar_t c : text) {
        width += c < 0x80 ? 1 : 3;
    }
    return width;
}

std::wstring ScriptText(std::wstring_view pieceNameStem, std::int64_t pieceCount, std::wstring_view sourceName,
                        std::uint32_t codePage) {
    if (pieceCount <= 0) {
        return {};
    }
    const std::wstring target = L' ' + ScriptName(sourceName);
    const std::wstring command = L"copy /b ";
    std::wstring text;
    // The command interpreter decodes each line in the console's code page of the moment, which on another machine
    // may not be the one the names were written in; ASCII reads alike in all of them. Where chcp cannot run, the
    // line does nothing.
    if (!IsAscii(pieceNameStem) || !IsAscii(sourceName)) {
        text += L"@chcp " + std::to_wstring(codePage) + L" >nul 2>&1\r\n";
    }
    // Started from a network folder, as administrator or from another folder, the command interpreter's current
    // folder is not the pieces' one; pushd maps a network folder to a drive, popd removes it again.
    text += L"@pushd \"%~dp0\"\r\n";
    std::wstring line = command;
    std::size_t width = ScriptWidth(line);
    bool lineHasOperand = false;
    for (std::int64_t number = 1; number <= pieceCount; ++number) {
        const std::wstring piece = ScriptName(std::wstring(pieceNameStem) + PieceNumberText(number));
        const std::size_t pieceWidth = ScriptWidth(piece);
        if (lineHasOperand && width + 3 + pieceWidth + ScriptWidth(target) > kMaxScriptLineLength) {
            // "copy /b target + more target" appends to the file the earlier lines made.
            text += line + target + L"\r\n";
            line = command + target.substr(1);
            width = ScriptWidth(line);
        }
        if (lineHasOperand) {
            line += L" + ";
            width += 3;
        }
        line += piece;
        width += pieceWidth;
        lineHasOperand = true;
    }
    return text + line + target + L"\r\n@popd\r\n";
}
