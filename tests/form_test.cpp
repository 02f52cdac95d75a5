#include <windows.h>

#include <dlgs.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <thread>

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
// that take input, a shutdown let through), and answers answer.
struct RecordingButton final : TaskbarButton {
    RecordingButton(HWND window, HRESULT answer = S_OK) : window(window), answer(answer) {}
    HRESULT SetProgressValue(ULONGLONG done, ULONGLONG total) override {
        const bool hourglass = ::SendMessageW(window, WM_SETCURSOR, WPARAM(window), MAKELPARAM(HTCLIENT, 0)) &&
                               ::GetCursor() == ::LoadCursorW(nullptr, IDC_WAIT);
        const bool resting = !::IsWindowEnabled(::GetDlgItem(window, int(ControlId::txtGröße))) &&
                             !::IsWindowEnabled(::GetDlgItem(window, int(ControlId::cmdOK))) &&
                             !::IsWindowEnabled(::GetDlgItem(window, int(ControlId::cmdEnd)));
        shown.push_back(L"progress " + std::to_wstring(done) + L" of " + std::to_wstring(total) +
                        (hourglass ? L"" : L" without the hourglass") + (resting ? L"" : L", controls ready") +
                        (::SendMessageW(window, WM_QUERYENDSESSION, 0, 0) ? L", shutdown let through" : L""));
        return answer;
    }
    HRESULT SetProgressState(TBPFLAG state) override {
        shown.push_back(state == TBPF_NOPROGRESS ? L"no progress" : state == TBPF_ERROR ? L"error" : L"other state");
        return answer;
    }
    HWND window;
    HRESULT answer;
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

// Every control's text, place (designed in twips) and font at a DPI other than 96, where a window that ignores the DPI
// would look right: the screen's where it has one (144 in the tests' Wine prefix), else one the test moves it to.
TEST_F(Form, LayoutTextsAndFontsAtTheDpiOfItsScreen) {
    EXPECT_EQ(::GetFocus(), Control(ControlId::txtGröße)) << "the focus starts in the size field";
    const int dpi = ::GetDpiForWindow(Window()) == 96 ? 144 : static_cast<int>(::GetDpiForWindow(Window()));
    RECT box{100, 100, 600, 500}; // Windows' suggested frame, which the window takes
    if (::GetDpiForWindow(Window()) == 96) {
        ::SendMessageW(Window(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&box));
    }
    const auto px = [dpi](int twips) { return (twips * dpi + 720) / 1440; };
    ::GetClientRect(Window(), &box);
    EXPECT_EQ((std::array<LONG, 2>{box.right, box.bottom}), (std::array<LONG, 2>{px(6465), px(4800)}));
    const struct {
        ControlId id;
        const wchar_t* text;
        int left, top, width, height;
    } controls[] = {
        {ControlId::lblInfo,
         L"Das Programm kopiert den Inhalt einer großen Datei, name.typ, in zahlreiche kleine Dateien, name.001, "
         L"name.002 usw. Gleichzeitig wird eine DOS-BATCH - Datei , name.bat, erstellt, mit der die Ursprungsdatei "
         L"wieder zusammengesetzt werden kann. ",
         960, 120, 4095, 1215},
        {ControlId::lblDatgr, L"Dateigröße in kB:", 315, 1920, 1815, 255},
        {ControlId::txtGröße, L"", 2520, 1800, 1695, 375},
        {ControlId::lblInfo1, L"", 480, 2520, 5175, 975},
        {ControlId::cmdOK, L"Datei auswählen und kopieren", 360, 3840, 3015, 495},
        {ControlId::cmdEnd, L"Ende", 4560, 3840, 1215, 495},
        {ControlId::Image1, L"", 360, 480, 240, 240},
    };
    for (const auto& c : controls) {
        const HWND control = Control(c.id);
        ::GetWindowRect(control, &box);
        ::MapWindowPoints(nullptr, Window(), reinterpret_cast<POINT*>(&box), 2);
        EXPECT_EQ(ControlText(control), c.text);
        EXPECT_EQ((std::array<LONG, 4>{box.left, box.top, box.right - box.left, box.bottom - box.top}),
                  (std::array<LONG, 4>{px(c.left), px(c.top), px(c.width), px(c.height)}))
            << static_cast<int>(c.id);
        // A TrueType face, which shows names in every script (Wine puts one in for any face).
        LOGFONTW font{};
        TEXTMETRICW metrics{};
        const HDC dc = ::GetDC(control);
        const auto handle = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
        ::GetObjectW(handle, sizeof font, &font);
        ::ReleaseDC(control, (::SelectObject(dc, handle), ::GetTextMetricsW(dc, &metrics), dc));
        EXPECT_TRUE(c.id == ControlId::Image1 || (font.lfFaceName == std::wstring(L"Microsoft Sans Serif") &&
                                                  (metrics.tmPitchAndFamily & TMPF_TRUETYPE)))
            << font.lfFaceName;
    }
}

// Windows' open dialog moves the process's current folder to the chosen file's, whatever it is told.
TEST_F(Form, TheDialogOffersTheLastFileAndLeavesTheCurrentFolderAsItWas) {
    const std::filesystem::path before = std::filesystem::current_path();
    TempFolder elsewhere;
    WriteBytes(elsewhere / L"f.bin", PatternBytes(3000));
    for (const auto& [size, choice] : // 0 bytes: no dialog, nothing at all; then a file too small; then cancelled
         {std::pair{L"0.0001", elsewhere / L"f.bin"}, {L"4", elsewhere / L"f.bin"}, {L"1", L""}}) {
        ::SetWindowTextW(Control(ControlId::txtGröße), size);
        dialogChooses = choice;
        ::SendMessageW(Control(ControlId::cmdOK), BM_CLICK, 0, 0);
        Pump();
    }
    EXPECT_EQ(shown, (Shown{L"Datei auswählen offering ",
                            L"Die ausgewählte Datei ist kleiner als dieangegebene "
                            L"Dateigröße. Keine Zerlegung erforderlich.",
                            L"Datei auswählen offering f.bin"}));
    EXPECT_EQ(std::filesystem::current_path(), before) << "a folder held as the current one cannot be ejected";
}

// A run past 2 GiB (no offset may wrap) answers the window's messages and lets no click, close, keystroke or quit
// interrupt it; a refusing taskbar button changes nothing; its batch file, whose sizes are past what the
// interpreter's numbers hold, joins the pieces.
TEST_F(Form, ALongRunAnswersAndNothingInterruptsIt) {
    TempFolder folder;
    if (std::filesystem::space(folder.path).available < 5 * (std::uintmax_t{1} << 30)) {
        GTEST_SKIP() << "needs 5 GiB free for the pieces and the joined file";
    }
    MakeSparse(folder / L"lang.avi", (std::int64_t{2} << 30) + 3 * 1024 * 1024);
    ::SetWindowTextW(Control(ControlId::txtGröße), L"");
    ::SetFocus(Control(ControlId::cmdEnd));
    form_.AttachTaskbar(std::make_unique<RecordingButton>(Window(), E_FAIL));
    ::PostQuitMessage(3);
    std::atomic<bool> running = true;
    int answers = 0, late = 0;
    std::thread user([&] {
        for (DWORD_PTR result = 0; running; ::Sleep(20)) {
            // Only the run counts, while its hourglass shows: Wine takes its time over the message box after it.
            const bool answered = ::SendMessageTimeoutW(Window(), WM_SETCURSOR, WPARAM(Window()),
                                                        MAKELPARAM(HTCLIENT, WM_MOUSEMOVE), SMTO_NORMAL, 250, &result);
            late += !answered;
            if ((!answered || result == TRUE) && ++answers == 5) {
                ::PostMessageW(Control(ControlId::cmdEnd), BM_CLICK, 0, 0);
                ::PostMessageW(Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
                ::PostMessageW(Control(ControlId::cmdOK), BM_CLICK, 0, 0);
                ::PostMessageW(Control(ControlId::txtGröße), WM_CHAR, L'7', 0);
                ::PostMessageW(Window(), WM_NCLBUTTONDOWN, HTMINBUTTON, 0); // the title bar's minimize button
                ::PostMessageW(Window(), WM_LBUTTONUP, 0, 0);
            }
        }
    });
    const ULONGLONG start = ::GetTickCount64();
    form_.SplitFile(folder / L"lang.avi", 1 << 30);
    const ULONGLONG elapsed = ::GetTickCount64() - start;
    running = false;
    user.join();
    Pump();
    // A disk may hold a write back a while; a window that does not answer is late at every probe.
    EXPECT_TRUE(answers >= 5 && late * 2 < answers) << late << " late of " << answers;
    // The button is told of progress made, at most every 200 ms, with the window as a run shows it (hourglass, controls
    // resting, shutdown held up); then cleared before the one message.
    ASSERT_GE(shown.size(), 4u);
    const Shown progress(shown.begin(), shown.end() - 2);
    const auto done = [](const std::wstring& entry) { return std::stoll(entry.substr(9)); };
    EXPECT_TRUE(progress.size() <= elapsed / 200 + 1 &&
                std::ranges::all_of(progress, [](const auto& entry) { return entry.ends_with(L" of 2150629376"); }) &&
                std::ranges::adjacent_find(progress, [&](auto& a, auto& b) { return done(a) >= done(b); }) ==
                    progress.end());
    EXPECT_EQ(Shown(shown.end() - 2, shown.end()), (Shown{L"no progress", L"Datei erfolgreich gesplittet"}));
    EXPECT_EQ(ControlText(Control(ControlId::txtGröße)), L"") << "typing during the run is dropped";
    MSG quit{};
    EXPECT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && quit.wParam == 3) << "it waited";
    EXPECT_TRUE(::IsIconic(Window())) << "the title bar works during the run";
    ::ShowWindow(Window(), SW_RESTORE);
    Pump();
    EXPECT_EQ(::GetFocus(), Control(ControlId::cmdEnd)) << "the focus is where it was";
    std::filesystem::remove(folder / L"lang.avi");
    const ScriptRun join = RunScript(folder / L"lang.bat", folder.path);
    EXPECT_EQ(join.output, L"Fertig: \"lang.avi\" ist wieder zusammengesetzt (2150629376 Byte).\r\n");
}

// Last, since the window goes. The button is red during an error's message, and the window outlives an error, ready
// for the next action and for a shutdown; Ende and the close box end the program.
TEST_F(Form, AnErrorShowsOnTheTaskbarAndEndeAndTheCloseBoxEndTheProgram) {
    TempFolder folder;
    form_.AttachTaskbar(std::make_unique<RecordingButton>(Window()));
    form_.SplitFile(folder / L"weg.bin", 32768);
    EXPECT_EQ(shown, (Shown{L"no progress",
                            L"progress 1 of 1 without the hourglass, controls ready, shutdown let through", L"error",
                            L"Fehler 2: Die Datei \u201E" + (folder / L"weg.bin") +
                                L"\u201C kann nicht geöffnet werden. Die Datei wurde nicht gefunden.",
                            L"no progress"}));
    HWND window = Window();
    MSG quit{};
    ::SendMessageW(Control(ControlId::cmdEnd), BM_CLICK, 0, 0);
    EXPECT_TRUE(!::IsWindow(window) && ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    form_.Create(::GetModuleHandleW(nullptr), SW_SHOWNORMAL); // a window anew, for the close box
    ::PostMessageW(window = Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    Pump();
    EXPECT_TRUE(!::IsWindow(window) && ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

} // namespace
