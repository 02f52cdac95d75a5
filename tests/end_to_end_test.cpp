#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "dialog_driver.h"
#include "file_fixtures.h"
#include "pieces/unique_handle.h"
#include "window/form1.h"
#include "window/layout.h"

namespace {

// The real Kavro.exe, named by the test command in KAVRO_EXE (a Unix path under Wine).
std::wstring KavroExe() {
    const char* path = std::getenv("KAVRO_EXE");
    if (!path) {
        return {};
    }
    std::wstring windowsPath = path[0] == '/' ? L"Z:" : L"";
    for (const char* c = path; *c; ++c) {
        windowsPath += *c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*c));
    }
    return windowsPath;
}

HWND WaitForMainWindow(DWORD processId) {
    for (int tries = 0; tries < 300; ++tries) {
        for (HWND window = ::FindWindowW(Form1::kClassName, nullptr); window;
             window = ::FindWindowExW(nullptr, window, Form1::kClassName, nullptr)) {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            if (owner == processId && ::IsWindowVisible(window)) {
                return window;
            }
        }
        ::Sleep(100);
    }
    return nullptr;
}

// Starts Kavro.exe, drives it from outside with window messages only, and joins its output
// with the real command interpreter.
TEST(EndToEnd, KavroSplitsAndTheBatchFileJoins) {
    const std::wstring exe = KavroExe();
    if (exe.empty()) {
        GTEST_SKIP() << "KAVRO_EXE names no program";
    }
    TempFolder folder;
    const std::wstring name = L"Mein Urlaub & Grüße.avi";
    const std::string source = PatternBytes(300 * 1024 + 17, 5);
    WriteBytes(folder / name, source);

    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    ASSERT_TRUE(::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                 &started));
    UniqueFile process(started.hProcess);
    UniqueFile thread(started.hThread);
    // However the test ends, no Kavro is left behind holding a window or the test's output.
    struct EndKavro {
        HANDLE process;
        ~EndKavro() {
            if (::WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
                ::TerminateProcess(process, 1);
            }
        }
    } endKavro{process.Get()};
    const HWND window = WaitForMainWindow(started.dwProcessId);
    ASSERT_NE(window, nullptr);

    const HWND size = ::GetDlgItem(window, static_cast<int>(ControlId::txtGröße));
    ::SendMessageW(size, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"100"));
    const int ok = static_cast<int>(ControlId::cmdOK);
    ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(ok, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(window, ok)));

    const HWND dialog = WaitForWindow(L"Datei auswählen", 20000);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(AnswerFileDialog(dialog, folder / name, true, 20000), nullptr);
    ASSERT_TRUE(WaitUntilClosed(dialog, 20000));

    const HWND box = WaitForOwnedWindow(window, 60000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), L"Datei erfolgreich gesplittet");
    ConfirmDialog(box);
    ASSERT_TRUE(WaitUntilClosed(box, 20000));

    ::PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_EQ(::WaitForSingleObject(process.Get(), 20000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    ::GetExitCodeProcess(process.Get(), &exitCode);
    EXPECT_EQ(exitCode, 0u);

    EXPECT_EQ(ReadBytes(folder / L"Mein Urlaub & Grüße.004"), source.substr(3 * 102400));
    ASSERT_TRUE(::MoveFileW((folder / name).c_str(), (folder / L"original").c_str()));
    EXPECT_EQ(RunScript(folder.Path(), folder / L"Mein Urlaub & Grüße.bat"), 0u);
    EXPECT_TRUE(ReadBytes(folder / name) == source);
}

} // namespace
