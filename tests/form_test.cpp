#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "dialog_driver.h"
#include "file_fixtures.h"
#include "pieces/file_ops.h"
#include "window/file_dialog.h"
#include "window/form1.h"
#include "window/layout.h"

namespace {

using Shown = std::vector<std::wstring>;

// What came up over the window, oldest first: the texts of message boxes and the titles of other dialogs.
Shown shown;
std::atomic<bool> dialogUp = false;

// Answers every dialog on the test's thread so that no test can hang on one: a message box with OK, anything else
// (a file dialog no test expects) with Cancel.
LRESULT CALLBACK AnswerDialogs(int code, WPARAM wParam, LPARAM lParam) {
    const auto window = reinterpret_cast<HWND>(wParam);
    wchar_t className[16] = {};
    if (code == HCBT_ACTIVATE && ::GetClassNameW(window, className, 16) && std::wstring(className) == L"#32770") {
        const std::wstring title = ControlText(window);
        const bool messageBox = title == Form1::kCaption;
        shown.push_back(messageBox ? MessageBoxText(window) : L"Dialog " + title);
        dialogUp = true;
        Click(window, messageBox ? IDOK : IDCANCEL);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// For each piece's path the label showed: whether the hourglass was up.
std::vector<bool> busyWhileCopying;

LRESULT CALLBACK WatchProgress(int code, WPARAM wParam, LPARAM lParam) {
    const auto& call = *reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call.message == WM_SETTEXT && call.lParam &&
        ::GetDlgCtrlID(call.hwnd) == static_cast<int>(ControlId::lblInfo1) &&
        std::wstring(reinterpret_cast<const wchar_t*>(call.lParam)).starts_with(kProgressPrefix)) {
        busyWhileCopying.push_back(::GetCursor() == ::LoadCursorW(nullptr, IDC_WAIT));
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// One main window for all the tests of the suite, run on the test's thread: each window closed costs Wine seconds.
class Form : public testing::Test {
protected:
    static void SetUpTestSuite() {
        hook_ = ::SetWindowsHookExW(WH_CBT, AnswerDialogs, nullptr, ::GetCurrentThreadId());
        progressHook_ = ::SetWindowsHookExW(WH_CALLWNDPROC, WatchProgress, nullptr, ::GetCurrentThreadId());
        form_ = std::make_unique<Form1>();
        form_->Create(::GetModuleHandleW(nullptr), SW_SHOWNORMAL);
        ::SetForegroundWindow(form_->Handle());
        Pump();
    }
    static void TearDownTestSuite() {
        form_.reset();
        ::UnhookWindowsHookEx(hook_);
        ::UnhookWindowsHookEx(progressHook_);
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    void SetUp() override {
        ASSERT_TRUE(::IsWindow(Window()));
        shown.clear();
    }

    static HWND Window() { return form_->Handle(); }
    static HWND Control(ControlId id) { return ::GetDlgItem(Window(), static_cast<int>(id)); }
    static std::wstring Text(ControlId id) { return ControlText(Control(id)); }
    static void TypeSize(const wchar_t* text) { ::SetWindowTextW(Control(ControlId::txtGröße), text); }
    // Clicks a button as the user would; returns when its handler has returned.
    static void ClickButton(ControlId id) {
        ::SendMessageW(Control(id), BM_CLICK, 0, 0);
        Pump();
    }
    // Handles what waits in the queue, as the message loop would; a WM_QUIT is left for the test to see.
    static void Pump() {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE) && message.message != WM_QUIT &&
               ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (!::IsWindow(Window()) || !::IsDialogMessageW(Window(), &message)) {
                ::TranslateMessage(&message);
                ::DispatchMessageW(&message);
            }
        }
    }

    static inline std::unique_ptr<Form1> form_;
    static inline HHOOK hook_ = nullptr;
    static inline HHOOK progressHook_ = nullptr;
};

// Every control's kind, text and place as designed (in twips), checked against the real window at dpi.
void ExpectLayoutAt(HWND window, UINT dpi) {
    const auto px = [dpi](int twips) { return (twips * static_cast<int>(dpi) + 720) / 1440; };
    RECT box{};
    ::GetClientRect(window, &box);
    EXPECT_EQ(box.right, px(6465));
    EXPECT_EQ(box.bottom, px(4800));
    const struct {
        ControlId id;
        const wchar_t* text;
        int left, top, width, height, centipoints;
    } controls[] = {
        {ControlId::lblInfo, nullptr, 960, 120, 4095, 1215, 825},
        {ControlId::lblDatgr, L"Dateigröße in kB:", 315, 1920, 1815, 255, 975},
        {ControlId::txtGröße, L"", 2520, 1800, 1695, 375, 825},
        {ControlId::lblInfo1, L"", 480, 2520, 5175, 975, 825},
        {ControlId::cmdOK, L"Datei auswählen und kopieren", 360, 3840, 3015, 495, 825},
        {ControlId::cmdEnd, L"Ende", 4560, 3840, 1215, 495, 825},
        {ControlId::Image1, L"", 360, 480, 240, 240, 0},
    };
    for (const auto& c : controls) {
        const HWND control = ::GetDlgItem(window, static_cast<int>(c.id));
        EXPECT_EQ(ControlText(control), c.text ? c.text : kDescription);
        ::GetWindowRect(control, &box);
        ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&box), 2);
        LOGFONTW font{};
        ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
        const auto points = [dpi](int centipoints) { return (centipoints * static_cast<int>(dpi) + 3600) / 7200; };
        EXPECT_EQ((std::array<LONG, 5>{box.left, box.top, box.right - box.left, box.bottom - box.top, -font.lfHeight}),
                  (std::array<LONG, 5>{px(c.left), px(c.top), px(c.width), px(c.height), points(c.centipoints)}))
            << static_cast<int>(c.id) << " at " << dpi << " dpi";
    }
}

TEST_F(Form, LayoutTextsAndKeyboard) {
    EXPECT_EQ(ControlText(Window()), L"Kavro");
    EXPECT_EQ(::GetMenu(Window()), nullptr);
    EXPECT_EQ(::GetWindowLongPtrW(Window(), GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
    EXPECT_EQ(Text(ControlId::lblInfo).size(), 242u);
    ExpectLayoutAt(Window(), ::GetDpiForWindow(Window()));

    // The focus starts in the size field; Tab goes size field, OK, Ende, size field.
    EXPECT_EQ(::GetFocus(), Control(ControlId::txtGröße));
    for (const ControlId next : {ControlId::cmdOK, ControlId::cmdEnd, ControlId::txtGröße}) {
        ::PostMessageW(::GetFocus(), WM_KEYDOWN, VK_TAB, 0);
        Pump();
        EXPECT_EQ(::GetFocus(), Control(next));
    }

    // Moved to a screen of another DPI, the window takes Windows' suggested frame and lays out anew.
    RECT frame{100, 100, 100 + 647, 100 + 480};
    ::AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(::GetWindowLongPtrW(Window(), GWL_STYLE)), FALSE, 0, 144);
    ::SendMessageW(Window(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&frame));
    ExpectLayoutAt(Window(), 144);
}

TEST_F(Form, RefusedSizesAskAgainWithoutADialog) {
    const std::pair<const wchar_t*, Shown> cases[] = {
        {L"", {L"Geben Sie bitte eine gültige Dateigröße an!"}},
        {L"kB", {L"Geben Sie bitte eine gültige Dateigröße an!"}},
        {L"2097152", {L"Fehler 534: Die angegebene Dateigröße ist zu groß. Erlaubt sind höchstens 2097151 kB."}},
        {L"0.0001", {}}, // rounds to 0 bytes: nothing at all
    };
    for (const auto& [text, messages] : cases) {
        SCOPED_TRACE(text);
        shown.clear();
        ::SetFocus(Control(ControlId::cmdOK));
        TypeSize(text);
        ClickButton(ControlId::cmdOK);
        EXPECT_EQ(shown, messages);
        EXPECT_EQ(::GetFocus(), Control(messages.empty() ? ControlId::cmdOK : ControlId::txtGröße));
    }
}

// A click queued while the action is open (here reaching the button from the message box's own loop) must not
// start a second action inside the first.
TEST_F(Form, AClickWhileTheActionIsOpenIsDropped) {
    TypeSize(L"");
    ::PostMessageW(Control(ControlId::cmdOK), BM_CLICK, 0, 0);
    ClickButton(ControlId::cmdOK);
    EXPECT_EQ(shown, Shown{L"Geben Sie bitte eine gültige Dateigröße an!"});
    // Once the action has ended, the next click works again.
    ClickButton(ControlId::cmdOK);
    EXPECT_EQ(shown.size(), 2u);
}

// A run of seconds: a sparse source past 2 GiB, whose offsets must not wrap at 32 bits either. Meanwhile another
// thread checks that the window answers, and clicks, closes and types as an impatient user would.
TEST_F(Form, ALongRunAnswersAndLetsNothingInterruptIt) {
    constexpr std::int64_t kGiB = std::int64_t{1} << 30;
    constexpr std::int64_t kLength = 2 * kGiB + 3 * 1024 * 1024;
    TempFolder folder;
    ULARGE_INTEGER free{};
    ::GetDiskFreeSpaceExW(folder.Path().c_str(), &free, nullptr, nullptr);
    if (free.QuadPart < static_cast<std::uint64_t>(3 * kGiB)) {
        GTEST_SKIP() << "needs 3 GiB free for the pieces";
    }
    const std::wstring source = folder / L"gross.img";
    const std::string marks = PatternBytes(128, 9);
    // Marks at the start and at 2 GiB, where a 32-bit offset would wrap.
    const auto bytesAt = [](const std::wstring& path, std::int64_t offset, std::string bytes, bool write) {
        UniqueFile file(::CreateFileW(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      write ? OPEN_ALWAYS : OPEN_EXISTING, 0, nullptr));
        DWORD done = 0;
        ::SetFilePointerEx(file.Get(), LARGE_INTEGER{.QuadPart = offset}, nullptr, FILE_BEGIN);
        const auto size = static_cast<DWORD>(bytes.size());
        write ? ::WriteFile(file.Get(), bytes.data(), size, &done, nullptr)
              : ::ReadFile(file.Get(), bytes.data(), size, &done, nullptr);
        return bytes.substr(0, done);
    };
    bytesAt(source, 0, marks.substr(0, 64), true);
    bytesAt(source, 2 * kGiB, marks.substr(64), true);
    bytesAt(source, kLength - 1, "x", true);
    TypeSize(L"");
    busyWhileCopying.clear();

    std::atomic<bool> running = true;
    dialogUp = false;
    ULONGLONG slowest = 0;
    int answers = 0;
    const DWORD testThread = ::GetCurrentThreadId();
    std::thread user([&] {
        // Until the run ends with its message (Wine then takes a second to close the box).
        for (; running && !dialogUp; ::Sleep(20), ++answers) {
            const ULONGLONG sent = ::GetTickCount64();
            DWORD_PTR result = 0;
            if (!::SendMessageTimeoutW(Window(), WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result)) {
                slowest = std::max<ULONGLONG>(slowest, 1000);
            }
            slowest = std::max(slowest, ::GetTickCount64() - sent);
            if (answers == 5) {
                ::PostMessageW(Control(ControlId::cmdEnd), BM_CLICK, 0, 0);
                ::PostMessageW(Window(), WM_CLOSE, 0, 0);
                ::PostMessageW(Control(ControlId::cmdOK), BM_CLICK, 0, 0);
                ::PostMessageW(Control(ControlId::txtGröße), WM_CHAR, L'7', 0);
                ::PostThreadMessageW(testThread, WM_QUIT, 3, 0);
            }
        }
    });
    form_->SplitFile(source, static_cast<std::int32_t>(kGiB));
    running = false;
    user.join();

    std::cout << "slowest answer during the run: " << slowest << " ms of " << answers << "\n";
    EXPECT_LT(slowest, 250u);
    EXPECT_GT(answers, 10);
    EXPECT_EQ(shown, Shown{L"Datei erfolgreich gesplittet"}) << "no second action, nothing cut short";
    EXPECT_TRUE(::IsWindow(Window()));
    EXPECT_EQ(Text(ControlId::txtGröße), L"") << "typing during the run is dropped";
    MSG quit{};
    EXPECT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && quit.wParam == 3) << "kept for later";
    EXPECT_FALSE(busyWhileCopying.empty());
    EXPECT_EQ(std::count(busyWhileCopying.begin(), busyWhileCopying.end(), false), 0) << "hourglass while copying";
    ::SendMessageW(Window(), WM_SETCURSOR, reinterpret_cast<WPARAM>(Window()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_NE(::GetCursor(), ::LoadCursorW(nullptr, IDC_WAIT));

    EXPECT_EQ(FileLengthByPath(folder / L"gross.002"), kGiB);
    EXPECT_EQ(FileLengthByPath(folder / L"gross.003"), kLength - 2 * kGiB);
    EXPECT_EQ(bytesAt(folder / L"gross.001", 0, std::string(64, '\0'), false) +
                  bytesAt(folder / L"gross.003", 0, std::string(64, '\0'), false),
              marks);
    EXPECT_EQ(ReadBytes(folder / L"gross.bat"), "copy /b gross.001 + gross.002 + gross.003 gross.img\r\n");
}

TEST(SourceDialog, OffersTheLastFileAndTakesOnlyExistingFiles) {
    const HWND owner = ::GetDesktopWindow();
    const std::pair<std::wstring, std::wstring> remembered[] = {
        {L"", L""},
        {L"C:\\Daten\\Mein Film.avi", L"C:\\Daten\\Mein Film.avi"},
        // Too long to offer whole: offered not at all rather than cut into another file's name.
        {std::wstring(40000, L'x'), L""},
    };
    for (const auto& [name, offered] : remembered) {
        std::vector<wchar_t> buffer;
        const OPENFILENAMEW settings = SourceDialogSettings(owner, SourceFileDialog{name}, buffer);
        EXPECT_EQ(settings.hwndOwner, owner);
        EXPECT_STREQ(settings.lpstrTitle, L"Datei auswählen");
        EXPECT_EQ(settings.Flags & (OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT), static_cast<DWORD>(OFN_FILEMUSTEXIST));
        EXPECT_EQ(settings.lpstrFilter, nullptr);
        EXPECT_EQ(settings.lpstrInitialDir, nullptr);
        EXPECT_EQ(settings.lpstrFile, buffer.data());
        EXPECT_EQ(settings.nMaxFile, buffer.size());
        EXPECT_GE(buffer.size(), 32768u) << "room for the longest path";
        EXPECT_EQ(std::wstring(buffer.data()), offered);
    }
}

// Last: the window is gone afterwards.
TEST_F(Form, EndEndsTheProgram) {
    const HWND window = Window();
    ClickButton(ControlId::cmdEnd);
    EXPECT_FALSE(::IsWindow(window));
    MSG quit{};
    EXPECT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(shown, Shown{});
}

} // namespace
