#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <thread>

#include "fixtures.h"
#include "pieces/file_ops.h"
#include "window/form1.h"
#include "window/layout.h"

namespace {

// The first visible top-level window that find accepts, looked for every 50 ms; nullptr after timeoutMs.
template <typename Find> HWND WaitForWindow(DWORD timeoutMs, Find find) {
    for (const ULONGLONG deadline = ::GetTickCount64() + timeoutMs; ::GetTickCount64() < deadline; ::Sleep(50)) {
        for (HWND window = ::FindWindowExW(nullptr, nullptr, nullptr, nullptr); window;
             window = ::FindWindowExW(nullptr, window, nullptr, nullptr)) {
            if (::IsWindowVisible(window) && find(window)) {
                return window;
            }
        }
    }
    return nullptr;
}

// A dialog or message box that comes up over window.
HWND WaitForOwned(HWND window, DWORD timeoutMs = 60000) {
    return WaitForWindow(timeoutMs, [window](HWND candidate) { return ::GetWindow(candidate, GW_OWNER) == window; });
}

bool WaitUntilClosed(HWND window) {
    for (int tries = 0; tries < 100 && ::IsWindow(window); ++tries) {
        ::Sleep(50);
    }
    return !::IsWindow(window);
}

// Clicks OK in Kavro's window and answers the file dialog with path; gives the name the dialog offered.
std::wstring ChooseAfterOK(HWND window, const std::wstring& path) {
    ::PostMessageW(::GetDlgItem(window, static_cast<int>(ControlId::cmdOK)), BM_CLICK, 0, 0);
    const HWND dialog = WaitForOwned(window);
    const HWND name = FileNameField(dialog);
    const std::wstring offered = ControlText(name);
    // A dialog still setting itself up (in a new Wine prefix above all) may lose a name or a click: again until it
    // closes.
    for (int tries = 0; dialog && ::IsWindow(dialog) && tries < 6; ++tries) {
        DWORD_PTR done = 0;
        ::SendMessageTimeoutW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()), SMTO_ABORTIFHUNG, 5000,
                              &done);
        Click(dialog, IDOK);
        WaitUntilClosed(dialog);
    }
    EXPECT_TRUE(dialog && !::IsWindow(dialog)) << "the file dialog did not take " << path << ", offered: " << offered;
    return offered;
}

// Drives the real Kavro.exe from outside as a user would: a run that fails, a long one (past 2 GiB: no offset may wrap
// at 32 bits) during which the window must answer and nothing may interrupt it, Ende; then cmd joins the pieces.
TEST(EndToEnd, KavroSplitsAndTheBatchFileJoins) {
    constexpr std::int64_t kGiB = std::int64_t{1} << 30;
    constexpr std::int64_t kLength = 3 * kGiB + 3 * 1024 * 1024;
    const char* exe = std::getenv("KAVRO_EXE");
    if (!exe) {
        GTEST_SKIP() << "KAVRO_EXE names no program";
    }
    TempFolder folder;
    ULARGE_INTEGER free{};
    if (::GetDiskFreeSpaceExW(folder.Path().c_str(), &free, nullptr, nullptr) && free.QuadPart < 7 * kGiB) {
        GTEST_SKIP() << "needs 7 GiB free for the pieces and the joined file";
    }
    // Beyond ASCII where this machine's code page holds it, as the batch file must.
    const std::wstring name = OemCodePageHolds(L"Grüße") ? L"Mein Urlaub & Grüße" : L"Mein Urlaub & Gruesse";
    const std::wstring source = folder / (name + L".avi");
    const std::wstring blocked = folder / (name + L".001");
    { // sparse: a length and no data
        const UniqueFile file(::CreateFileW(source.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        ::SetFilePointerEx(file.Get(), LARGE_INTEGER{.QuadPart = kLength}, nullptr, FILE_BEGIN);
        ::SetEndOfFile(file.Get());
    }
    WriteBytes(blocked, "old");
    ::SetFileAttributesW(blocked.c_str(), FILE_ATTRIBUTE_READONLY);

    DWORD processId = 0;
    const UniqueFile kavro =
        StartProcess(L"\"" + std::wstring(exe, exe + std::strlen(exe)) + L"\"", nullptr, &processId);
    struct EndKavro { // however the test ends, no Kavro is left behind
        const UniqueFile& process;
        ~EndKavro() { WaitForExit(process, 0); }
    } endKavro{kavro};
    const HWND window = WaitForWindow(30000, [processId](HWND candidate) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(candidate, &owner);
        return owner == processId;
    });
    ASSERT_NE(window, nullptr);

    // An error ends the action with a message that names the file, not the program.
    const HWND size = ::GetDlgItem(window, static_cast<int>(ControlId::txtGröße));
    ::SendMessageW(size, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"1048576"));
    ChooseAfterOK(window, source);
    const HWND errorBox = WaitForOwned(window);
    const std::wstring error = MessageBoxText(errorBox);
    EXPECT_TRUE(error.starts_with(L"Fehler 5: ") && error.find(L"\u201E" + blocked + L"\u201C") != error.npos) << error;
    Click(errorBox, IDOK);
    ASSERT_TRUE(WaitUntilClosed(errorBox) && ::IsWindow(window)) << "an error ends the action, not the program";

    // The next run offers the file chosen last.
    ::SetFileAttributesW(blocked.c_str(), FILE_ATTRIBUTE_NORMAL);
    const std::wstring offered = ChooseAfterOK(window, source);
    EXPECT_TRUE(!offered.empty() && source.ends_with(offered)) << offered;
    std::atomic<bool> running = true;
    ULONGLONG slowest = 0;
    int answers = 0, late = 0; // while the hourglass shows: the window sets it whenever the pointer moves over it
    std::thread user([&] {
        for (DWORD_PTR result = 0; running; ::Sleep(20)) {
            const ULONGLONG sent = ::GetTickCount64();
            const bool answered = ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 250, &result) != 0;
            const ULONGLONG took = ::GetTickCount64() - sent;
            ::SendMessageTimeoutW(window, WM_SETCURSOR, WPARAM(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE), 0, 250,
                                  &result);
            // What counts is the run, whose hourglass shows: Wine may take its time over the dialogs around it.
            if (answered && result != TRUE) {
                continue;
            }
            slowest = std::max(slowest, took);
            late += took >= 250;
            if (++answers == 5) {
                ::PostMessageW(::GetDlgItem(window, static_cast<int>(ControlId::cmdEnd)), BM_CLICK, 0, 0);
                ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
                ::PostMessageW(window, WM_CLOSE, 0, 0);
                ::PostMessageW(::GetDlgItem(window, static_cast<int>(ControlId::cmdOK)), BM_CLICK, 0, 0);
                ::PostMessageW(size, WM_CHAR, L'7', 0);
            }
        }
    });
    // Until the run ends with its message (Wine then takes a second to close the box).
    const HWND success = WaitForOwned(window);
    running = false;
    user.join();
    std::cout << "slowest answer during the run: " << slowest << " ms of " << answers << ", late: " << late << "\n";
    // One hiccup of this virtual machine's disk may pass; a window that stops answering is late again and again.
    EXPECT_TRUE(late <= 1 && answers >= 5);
    EXPECT_EQ(MessageBoxText(success), L"Datei erfolgreich gesplittet");
    Click(success, IDOK);
    EXPECT_TRUE(WaitUntilClosed(success) && ::IsWindow(window)) << "nothing cut the run short";
    EXPECT_EQ(ControlText(size), L"1048576") << "typing during the run is dropped";
    EXPECT_EQ(WaitForOwned(window, 1000), nullptr) << "the click on OK started no second action";

    ::PostMessageW(::GetDlgItem(window, static_cast<int>(ControlId::cmdEnd)), BM_CLICK, 0, 0);
    EXPECT_EQ(WaitForExit(kavro, 20000), 0u);
    ASSERT_TRUE(::MoveFileW(source.c_str(), (folder / L"original").c_str()));
    TempFolder elsewhere;
    EXPECT_EQ(RunScript(folder / (name + L".bat"), elsewhere.Path()), 0u);
    EXPECT_EQ(FileLengthByPath(source), kLength); // the order of the pieces is the rejoin runs' of the pieces suite
}

} // namespace
