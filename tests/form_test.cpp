#include <windows.h>

#include <dlgs.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <utility>

#include "fixtures.h"
#include "window/form1.h"
#include "window/layout.h"

namespace {

using Shown = std::vector<std::wstring>;

std::wstring ControlText(HWND control) {
    wchar_t text[512] = {};
    return {text, static_cast<std::size_t>(::GetWindowTextW(control, text, 512))};
}

// The file name field of an open dialog, which the explorer-style one nests in cmb13 (ComboBoxEx32, ComboBox, Edit).
HWND FileNameField(HWND dialog) {
    HWND field = ::GetDlgItem(dialog, cmb13);
    while (field && ::GetWindow(field, GW_CHILD)) {
        field = ::GetWindow(field, GW_CHILD);
    }
    return field;
}

// What came up, in order: message texts, file dialogs with the name they offered, what the taskbar button was told.
Shown shown;
std::wstring dialogChooses; // the file a file dialog is answered with; empty: it is cancelled

// Answers every dialog so that no test can hang on one: a message box with OK, a file dialog with dialogChooses.
LRESULT CALLBACK AnswerDialogs(int code, WPARAM wParam, LPARAM lParam) {
    const auto window = reinterpret_cast<HWND>(wParam);
    wchar_t className[16] = {};
    if (code == HCBT_ACTIVATE && ::GetClassNameW(window, className, 16) && std::wstring(className) == L"#32770") {
        const bool messageBox = ControlText(window) == L"Kavro";
        shown.push_back(messageBox ? ControlText(::GetDlgItem(window, 0xFFFF))
                                   : ControlText(window) + L" offering " + ControlText(FileNameField(window)));
        ::SetWindowTextW(FileNameField(window), dialogChooses.c_str());            // a message box has none
        const int button = messageBox || !dialogChooses.empty() ? IDOK : IDCANCEL; // posted: cannot block the hook
        ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), LPARAM(::GetDlgItem(window, button)));
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// Writes what the button is told into shown, with what the window shows that a run would not (no hourglass, controls
// that take input, a shutdown let through); does first once, when it is first told.
struct RecordingButton final : TaskbarButton {
    RecordingButton(HWND window, std::function<void()> first = {}) : window(window), first(std::move(first)) {}
    HRESULT SetProgressValue(ULONGLONG done, ULONGLONG total) override {
        if (first) {
            std::exchange(first, nullptr)();
        }
        const bool hourglass = ::SendMessageW(window, WM_SETCURSOR, WPARAM(window), MAKELPARAM(HTCLIENT, 0)) &&
                               ::GetCursor() == ::LoadCursorW(nullptr, IDC_WAIT);
        const bool resting = !::IsWindowEnabled(::GetDlgItem(window, int(ControlId::txtGröße))) &&
                             !::IsWindowEnabled(::GetDlgItem(window, int(ControlId::cmdOK))) &&
                             !::IsWindowEnabled(::GetDlgItem(window, int(ControlId::cmdEnd)));
        shown.push_back(L"progress " + std::to_wstring(done) + L" of " + std::to_wstring(total) +
                        (hourglass ? L"" : L" without the hourglass") + (resting ? L"" : L", controls ready") +
                        (::SendMessageW(window, WM_QUERYENDSESSION, 0, 0) ? L", shutdown let through" : L""));
        return S_OK;
    }
    HRESULT SetProgressState(TBPFLAG state) override {
        shown.push_back(state == TBPF_NOPROGRESS ? L"no progress" : state == TBPF_ERROR ? L"error" : L"other state");
        return S_OK;
    }
    HWND window;
    std::function<void()> first;
};

// One main window for the suite, since each window closed costs Wine seconds; the last test closes it.
class Form : public testing::Test {
protected:
    static void SetUpTestSuite() {
        ::SetWindowsHookExW(WH_CBT, AnswerDialogs, nullptr, ::GetCurrentThreadId());
        form_.Create(::GetModuleHandleW(nullptr), SW_SHOWNORMAL);
        ::SetForegroundWindow(Window());
        Pump();
    }
    void SetUp() override { shown.clear(); }

    static HWND Window() { return form_.Handle(); }
    static HWND Control(ControlId id) { return ::GetDlgItem(Window(), static_cast<int>(id)); }
    // As the message loop would, but a WM_QUIT is left for the test to see.
    static void Pump() {
        for (MSG message; ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE) && message.message != WM_QUIT;) {
            ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);
            if (!::IsWindow(Window()) || !::IsDialogMessageW(Window(), &message)) {
                ::DispatchMessageW(&message);
            }
        }
    }

    static inline Form1 form_;
};

// The focus starts in the size field; every control's font is a TrueType face, which shows names in every script
// (Wine puts one in for any face).
TEST_F(Form, TheFocusStartsInTheSizeFieldAndEveryTextIsInATrueTypeFace) {
    EXPECT_EQ(::GetFocus(), Control(ControlId::txtGröße));
    for (const ControlId id : {ControlId::lblInfo, ControlId::lblDatgr, ControlId::txtGröße, ControlId::lblInfo1,
                               ControlId::cmdOK, ControlId::cmdEnd}) {
        LOGFONTW font{};
        TEXTMETRICW metrics{};
        const HDC dc = ::GetDC(Control(id));
        const auto handle = reinterpret_cast<HFONT>(::SendMessageW(Control(id), WM_GETFONT, 0, 0));
        ::GetObjectW(handle, sizeof font, &font);
        ::ReleaseDC(Control(id), (::SelectObject(dc, handle), ::GetTextMetricsW(dc, &metrics), dc));
        EXPECT_TRUE(font.lfFaceName == std::wstring(L"Microsoft Sans Serif") &&
                    (metrics.tmPitchAndFamily & TMPF_TRUETYPE))
            << static_cast<int>(id) << font.lfFaceName;
    }
}

// A run past 2 GiB (no offset may wrap) lets no click, close, keystroke or quit interrupt it, and shows on the
// taskbar's button as a run; its batch file, whose sizes are past what the interpreter's numbers hold, joins the
// pieces.
TEST_F(Form, ALongRunGoesOnWhateverComesAndItsBatchFileJoinsThePieces) {
    TempFolder folder;
    if (std::filesystem::space(folder.path).available < 5 * (std::uintmax_t{1} << 30)) {
        GTEST_SKIP() << "needs 5 GiB free for the pieces and the joined file";
    }
    MakeSparse(folder / L"lang.avi", (std::int64_t{2} << 30) + 3 * 1024 * 1024);
    ::SetWindowTextW(Control(ControlId::txtGröße), L"");
    ::PostQuitMessage(3);
    form_.AttachTaskbar(std::make_unique<RecordingButton>(Window(), [] {
        ::PostMessageW(Control(ControlId::cmdEnd), BM_CLICK, 0, 0);
        ::PostMessageW(Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
        ::PostMessageW(Control(ControlId::cmdOK), BM_CLICK, 0, 0);
        ::PostMessageW(Control(ControlId::txtGröße), WM_CHAR, L'7', 0);
    }));
    form_.SplitFile(folder / L"lang.avi", 1 << 30);
    Pump();
    // Progress with the window as a run shows it (hourglass, controls resting, shutdown held up), then cleared before
    // the one message.
    ASSERT_GE(shown.size(), 3u);
    EXPECT_TRUE(
        std::all_of(shown.begin(), shown.end() - 2, [](const auto& e) { return e.ends_with(L" of 2150629376"); }));
    EXPECT_EQ(Shown(shown.end() - 2, shown.end()), (Shown{L"no progress", L"Datei erfolgreich gesplittet"}));
    EXPECT_EQ(ControlText(Control(ControlId::txtGröße)), L"") << "typing during the run is dropped";
    MSG quit{};
    EXPECT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && quit.wParam == 3) << "it waited";
    std::filesystem::remove(folder / L"lang.avi");
    const ScriptRun join = RunScript(folder / L"lang.bat", folder.path);
    EXPECT_EQ(join.output, L"Fertig: \"lang.avi\" ist wieder zusammengesetzt (2150629376 Byte).\r\n");
}

// Last, since the window goes. No dialog for a size of 0 bytes, a source too small, a dialog cancelled: nothing but
// the message; the dialog offers the last file and leaves the process's current folder as it was (Windows' open dialog
// moves it to the chosen file's, whatever it is told). The button is red during an error's message, and the window
// outlives an error, ready for the next action and for a shutdown; Ende ends the program.
TEST_F(Form, TheOKActionEndsWithItsMessageAndEndeEndsTheProgram) {
    const std::filesystem::path before = std::filesystem::current_path();
    TempFolder folder;
    WriteBytes(folder / L"f.bin", PatternBytes(3000));
    for (const auto& [size, choice] :
         {std::pair{L"0.0001", folder / L"f.bin"}, {L"4", folder / L"f.bin"}, {L"1", L""}}) {
        ::SetWindowTextW(Control(ControlId::txtGröße), size);
        dialogChooses = choice;
        ::SendMessageW(Control(ControlId::cmdOK), BM_CLICK, 0, 0);
        Pump();
    }
    EXPECT_EQ(std::filesystem::current_path(), before) << "a folder held as the current one cannot be ejected";
    form_.AttachTaskbar(std::make_unique<RecordingButton>(Window()));
    form_.SplitFile(folder / L"weg.bin", 32768);
    EXPECT_EQ(shown,
              (Shown{L"Datei auswählen offering ",
                     L"Die ausgewählte Datei ist kleiner als dieangegebene Dateigröße. Keine Zerlegung erforderlich.",
                     L"Datei auswählen offering f.bin", L"no progress",
                     L"progress 1 of 1 without the hourglass, controls ready, shutdown let through", L"error",
                     L"Fehler 2: Die Datei \u201E" + (folder / L"weg.bin") +
                         L"\u201C kann nicht geöffnet werden. Die Datei wurde nicht gefunden.",
                     L"no progress"}));
    const HWND window = Window();
    ::SendMessageW(Control(ControlId::cmdEnd), BM_CLICK, 0, 0);
    MSG quit{};
    EXPECT_TRUE(!::IsWindow(window) && ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

} // namespace
