#include "pieces/script_text.h"

#include <algorithm>

#include "pieces/naming.h"

namespace {

// A batch line reads "%" as the start of a variable and "%%" as one "%", inside quotes too.
std::wstring Escaped(std::wstring_view text) {
    std::wstring escaped;
    escaped.reserve(text.size());
    for (const wchar_t c : text) {
        escaped += c;
        if (c == L'%') {
            escaped += L'%';
        }
    }
    return escaped;
}

bool IsAscii(std::wstring_view text) {
    return std::ranges::all_of(text, [](wchar_t c) { return c < 0x80; });
}

// How many characters text may take in a batch line: a non-ASCII character counts three, since the command
// interpreter may measure the line in encoded bytes (up to three each).
std::size_t ScriptWidth(std::wstring_view text) {
    std::size_t width = 0;
    for (const wchar_t c : text) {
        width += c < 0x80 ? 1 : 3;
    }
    return width;
}

// A file name in the batch file, always in quotes: as written, and as the command interpreter reads it once it has
// put the batch file's own name in for "%~n0". The longer of the two counts against the line length.
struct ScriptName {
    std::wstring written;
    std::wstring read;
    std::size_t Width() const { return std::max(ScriptWidth(written), ScriptWidth(read)); }
};

// "copy /y /b" lines that join the pieces into temp: one while it fits, then lines that append to temp.
void AppendCopyLines(std::wstring& text, const auto& pieceName, std::int64_t pieceCount, const ScriptName& temp) {
    const std::wstring copy = L"copy /y /b ";
    const std::wstring end = L' ' + temp.written + L" >nul 2>&1";
    const std::size_t endWidth = ScriptWidth(end) - ScriptWidth(temp.written) + temp.Width();
    const auto finish = [&](const std::wstring& line) {
        text += line + end + L"\r\nif errorlevel 1 goto misslungen\r\n";
    };
    std::wstring line = copy;
    std::size_t width = ScriptWidth(line);
    bool lineHasOperand = false;
    for (std::int64_t number = 1; number <= pieceCount; ++number) {
        const ScriptName piece = pieceName(number);
        if (lineHasOperand && width + 3 + piece.Width() + endWidth > kMaxScriptLineLength) {
            finish(line);
            line = copy + temp.written;
            width = ScriptWidth(copy) + temp.Width();
        }
        if (lineHasOperand) {
            line += L" + ";
            width += 3;
        }
        line += piece.written;
        width += piece.Width();
        lineHasOperand = true;
    }
    finish(line);
}

// Shown only when Explorer started the batch file (cmd /c ""...\name.bat" "), so that its window stays open to be
// read; a console, a script or a test never waits. The command line is read with delayed expansion, whose results are
// not parsed again, and only after its quotes are gone.
constexpr wchar_t kWaitAfterDoubleClick[] = L"setlocal EnableDelayedExpansion\r\n"
                                            L"set \"zeile=!cmdcmdline!\"\r\n"
                                            L"if not defined zeile goto ohne_warten\r\n"
                                            L"set \"zeile=!zeile:\"=#!\"\r\n"
                                            L"if \"!zeile:/c ##=!\"==\"!zeile!\" goto ohne_warten\r\n"
                                            L"if /i not \"!zeile:~-7!\"==\".bat# #\" goto ohne_warten\r\n"
                                            L"pause\r\n"
                                            L":ohne_warten\r\n"
                                            L"endlocal\r\n";

constexpr wchar_t kNothingWritten[] = L"Es wurde nichts geschrieben.";

// chcp is a program, not a command of the interpreter, which would look for it in the current folder first (the
// pieces' one after a double-click, often Downloads) and then along PATH.
constexpr wchar_t kChcp[] = L"\"%SystemRoot%\\System32\\chcp.com\"";

} // namespace

std::wstring ScriptText(std::wstring_view sourceName, std::int64_t sourceLength, std::int32_t pieceSize,
                        std::uint32_t codePage) {
    const std::int64_t pieceCount = PieceCount(sourceLength, pieceSize);
    if (pieceCount <= 0) {
        return {};
    }
    // The batch file's own name is the pieces' stem without its dot, and "%~n0" gives it as Unicode: no code page
    // stands between these names and the interpreter. Wine's interpreter reads a "%" that "%~n0" brings into a line a
    // second time, so a stem with "%" is written out instead.
    const std::wstring stem = StemWithDot(sourceName);
    const std::wstring_view stemName = std::wstring_view(stem).substr(0, stem.size() - 1);
    const std::wstring stemWritten = stemName.find(L'%') == std::wstring_view::npos ? L"%~n0" : Escaped(stemName);
    const auto name = [&](const std::wstring& suffix) {
        return ScriptName{L'"' + stemWritten + Escaped(suffix) + L'"', L'"' + std::wstring(stemName) + suffix + L'"'};
    };
    const auto pieceName = [&](std::int64_t number) { return name(L'.' + PieceNumberText(number)); };
    const std::wstring originalSuffix(sourceName.substr(stemName.size())); // ".avi", or nothing without a dot
    const std::wstring original = name(originalSuffix).written;
    const ScriptName temp = name(originalSuffix + kJoinSuffix);
    const std::wstring tempAsFolder = name(originalSuffix + kJoinSuffix + L"\\*").written;
    const std::wstring piece = L'"' + stemWritten + L".%nummer%\""; // the piece that failed the check
    const std::wstring lengthText = std::to_wstring(sourceLength);

    std::wstring text;
    const auto add = [&text](const std::wstring& line) { text += line + L"\r\n"; };
    add(L"@rem Kavro: Diese Batch-Datei setzt die Teile wieder zur Originaldatei zusammen, ein Doppelklick genuegt. "
        L"Sie findet die Teile ueber ihren eigenen Namen: bitte nicht umbenennen.");
    add(L"@setlocal EnableExtensions DisableDelayedExpansion");
    add(L"@echo off");
    // Only names written out can go beyond ASCII. The interpreter decodes each line in the console's code page of the
    // moment, which on another machine may not be the one they were written in. The console's own is noted first
    // (the number is the second token of chcp's line, split at ":" and ".", in the languages Windows speaks) and given
    // back on every way out.
    const bool switchesCodePage = !IsAscii(stemWritten + originalSuffix);
    const std::wstring giveCodePageBack =
        switchesCodePage ? std::wstring(L"if defined codepage ") + kChcp + L" %codepage% >nul 2>&1\r\n" : L"";
    if (switchesCodePage) {
        add(L"set \"codepage=\"");
        add(std::wstring(L"for /f \"tokens=2 delims=:.\" %%c in ('") + kChcp +
            L" 2^>nul') do set /a \"codepage=%%c\" >nul 2>&1");
        add(kChcp + (L" " + std::to_wstring(codePage)) + L" >nul 2>&1");
    }
    // Started from a network folder, as administrator or from another folder, the interpreter's current folder is not
    // the pieces' one; pushd maps a network folder to a drive, and only popd removes it again. Where pushd fails (no
    // drive letter free, no right to list the folder), going on elsewhere would blame a piece.
    add(L"pushd \"%~dp0\" >nul 2>&1");
    add(L"if errorlevel 1 goto ordner_fehlt");
    // Every piece exists with its exact size before anything is written. Sizes are compared as text, since the
    // interpreter takes all numbers past 2147483647 for 2147483647.
    std::int64_t expected = -1;
    for (std::int64_t number = 1; number <= pieceCount; ++number) {
        const std::int64_t size = std::min<std::int64_t>(pieceSize, sourceLength - (number - 1) * pieceSize);
        if (size != expected) {
            expected = size;
            add(L"set \"soll=" + std::to_wstring(size) + L'"');
        }
        add(L"set \"nummer=" + PieceNumberText(number) + L'"');
        add(L"for %%F in (" + pieceName(number).written + L") do set \"ist=%%~zF\"");
        add(L"if not \"%ist%\"==\"%soll%\" goto teil_falsch");
    }
    add(L"if exist " + original + L" goto vorhanden");
    add(L"if exist " + tempAsFolder + L" goto misslungen"); // a folder of that name would take the pieces in
    AppendCopyLines(text, pieceName, pieceCount, temp);
    // Only a complete join gets the original's name, and ren never replaces a file. Wine's ren sets no error level.
    add(L"for %%F in (" + temp.written + L") do set \"ist=%%~zF\"");
    add(L"if not \"%ist%\"==\"" + lengthText + L"\" goto misslungen");
    add(L"ren " + temp.written + L' ' + original + L" >nul 2>&1");
    add(L"if exist " + temp.written + L" goto misslungen");
    add(L"echo Fertig: " + original + L" ist wieder zusammengesetzt (" + lengthText + L" Byte).");
    // The folder and the code page are given back before any wait: a window closed with its X while it waits ends
    // the batch file there, and a drive letter that pushd took for a network folder would stay taken.
    add(L"popd");
    text += giveCodePageBack + kWaitAfterDoubleClick;
    add(L"endlocal\r\nexit /b 0");
    add(L":teil_falsch");
    add(L"if not exist " + piece + L" goto teil_fehlt");
    add(L"echo Fehler: Das Teil " + piece + L" hat %ist% Byte, erwartet sind %soll% Byte. " + kNothingWritten);
    add(L"goto fehler");
    add(L":teil_fehlt");
    add(L"echo Fehler: Das Teil " + piece + L" fehlt. " + kNothingWritten);
    add(L"goto fehler");
    add(L":vorhanden");
    add(L"echo Fehler: " + original +
        L" gibt es in diesem Ordner schon und wird nicht ersetzt. Bitte verschieben oder benennen Sie diese Datei um.");
    add(L"goto fehler");
    add(L":misslungen");
    add(L"if not exist " + tempAsFolder + L" del " + temp.written + L" >nul 2>&1");
    add(L"echo Fehler: " + original +
        L" konnte nicht zusammengesetzt werden. Ist der Ordner beschreibbar und genug Platz frei? " + kNothingWritten);
    add(L":fehler");
    add(L"popd");
    add(L":ende_mit_fehler");
    // pause says that it waits; it returns at once when the input is redirected or empty.
    text += giveCodePageBack;
    add(L"pause\r\nendlocal\r\nexit /b 1");
    // Without popd: a pushd that failed put nothing on the stack, and popd would take the caller's entry.
    add(L":ordner_fehlt");
    add(L"echo Fehler: Der Ordner \"%~dp0\" ist nicht erreichbar. " + std::wstring(kNothingWritten));
    add(L"goto ende_mit_fehler");
    return text;
}
