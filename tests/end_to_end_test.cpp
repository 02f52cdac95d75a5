#include <gtest/gtest.h>

#include <cstdlib>

#include "dialog_driver.h"
#include "file_fixtures.h"
#include "window/form1.h"
#include "window/layout.h"

namespace {

// The real Kavro.exe, named by the test command in KAVRO_EXE (a Unix path under Wine).
std::wstring KavroExe() {
    const char* path = std::getenv("KAVRO_EXE");
    std::wstring windowsPath = path && path[0] == '/' ? L"Z:" : L"";
    for (const char* c = path ? path : ""; *c; ++c) {
        windowsPath += *c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*c));
    }
    return windowsPath;
}

// Wine's screen DPI for the programs started from now on; 0: its default again.
void SetWineScreenDpi(DWORD dpi) {
    const wchar_t* const key = L"Control Panel\\Desktop";
    dpi ? ::RegSetKeyValueW(HKEY_CURRENT_USER, key, L"LogPixels", REG_DWORD, &dpi, sizeof dpi)
        : ::RegDeleteKeyValueW(HKEY_CURRENT_USER, key, L"LogPixels");
}

// Presses OK in the file dialog that the click on cmdOK brings up, after choosing path; gives what it offered.
std::wstring ChooseAfterOK(HWND window, const std::wstring& path) {
    ::PostMessageW(::GetDlgItem(window, static_cast<int>(ControlId::cmdOK)), BM_CLICK, 0, 0);
    const HWND dialog = WaitForOwnedWindow(window, 20000);
    const std::wstring offered = dialog ? OfferedFileName(dialog) : L"(no dialog)";
    EXPECT_TRUE(dialog && ChooseInFileDialog(dialog, path, 20000));
    return offered;
}

// The text of the message box that comes up over window, which is then closed with OK.
std::wstring AnswerMessageBox(HWND window) {
    const HWND box = WaitForOwnedWindow(window, 60000);
    const std::wstring text = box ? MessageBoxText(box) : L"(no message box)";
    Click(box, IDOK);
    EXPECT_TRUE(WaitUntilClosed(box, 20000));
    return text;
}

// Starts Kavro.exe on a screen of 144 DPI, drives it from outside with window messages only through a failed and a
// good run, closes it with the close box, and joins its output with the real command interpreter.
TEST(EndToEnd, KavroSplitsAndTheBatchFileJoins) {
    const std::wstring exe = KavroExe();
    const bool wine = ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    if (exe.empty() || !wine) {
        GTEST_SKIP() << "needs KAVRO_EXE, and Wine, whose screen DPI it sets";
    }
    TempFolder folder;
    const std::wstring source = folder / L"Mein Urlaub & Grüße.avi";
    const std::wstring blocked = folder / L"Mein Urlaub & Grüße.002";
    const std::string bytes = PatternBytes(300 * 1024 + 17, 5);
    WriteBytes(source, bytes);
    WriteBytes(blocked, "old");
    ::SetFileAttributesW(blocked.c_str(), FILE_ATTRIBUTE_READONLY);

    SetWineScreenDpi(144);
    DWORD processId = 0;
    const UniqueFile kavro = StartProcess(L"\"" + exe + L"\"", nullptr, &processId);
    struct EndKavro { // however the test ends, no Kavro is left behind
        const UniqueFile& process;
        ~EndKavro() {
            WaitForExit(process, 0);
            SetWineScreenDpi(0);
        }
    } endKavro{kavro};
    const HWND window = PollFor(30000, [processId](HWND candidate) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(candidate, &owner);
        wchar_t className[32] = {};
        ::GetClassNameW(candidate, className, 32);
        return owner == processId && std::wstring(className) == Form1::kClassName;
    });
    ASSERT_NE(window, nullptr);
    SetWineScreenDpi(0);
    RECT box{};
    ::GetClientRect(window, &box);
    EXPECT_EQ(box.right, 647); // 6465 x 4800 twips at 144 DPI
    EXPECT_EQ(box.bottom, 480);
    ::GetWindowRect(::GetDlgItem(window, static_cast<int>(ControlId::cmdEnd)), &box);
    ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&box), 2);
    EXPECT_EQ(box.left, 456);
    EXPECT_EQ(box.top, 384);

    // An error ends the action with a message that names the file, not the program.
    const HWND size = ::GetDlgItem(window, static_cast<int>(ControlId::txtGröße));
    ::SendMessageW(size, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"1"));
    ChooseAfterOK(window, source);
    const std::wstring error = AnswerMessageBox(window);
    EXPECT_EQ(error.rfind(L"Fehler 5: ", 0), 0u) << error;
    EXPECT_NE(error.find(blocked), std::wstring::npos) << error;
    EXPECT_EQ(ControlText(::GetDlgItem(window, static_cast<int>(ControlId::lblInfo1))), L" ");

    // The next run offers the file chosen last.
    ::SetFileAttributesW(blocked.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::SendMessageW(size, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"100"));
    const std::wstring offered = ChooseAfterOK(window, source);
    EXPECT_TRUE(!offered.empty() && source.ends_with(offered)) << offered;
    EXPECT_EQ(AnswerMessageBox(window), L"Datei erfolgreich gesplittet");

    ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(WaitForExit(kavro, 20000), 0u);
    ASSERT_TRUE(::MoveFileW(source.c_str(), (folder / L"original").c_str()));
    EXPECT_EQ(RunScript(folder.Path(), folder / L"Mein Urlaub & Grüße.bat"), 0u);
    EXPECT_TRUE(ReadBytes(source) == bytes);
}

} // namespace
