#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "fixtures.h"
#include "window/file_dialog.h"
#include "window/form1.h"
#include "window/layout.h"

namespace {

using Shown = std::vector<std::wstring>;

// What came up over the window: the texts of message boxes and the titles of other dialogs.
Shown shown;
// The file a file dialog is answered with; empty: it is cancelled.
std::wstring dialogChooses;

// Answers every dialog so that no test can hang on one: a message box with OK, a file dialog with dialogChooses.
LRESULT CALLBACK AnswerDialogs(int code, WPARAM wParam, LPARAM lParam) {
    const auto window = reinterpret_cast<HWND>(wParam);
    wchar_t className[16] = {};
    if (code == HCBT_ACTIVATE && ::GetClassNameW(window, className, 16) && std::wstring(className) == L"#32770") {
        const bool messageBox = ControlText(window) == Form1::kCaption;
        shown.push_back(messageBox ? MessageBoxText(window) : L"Dialog " + ControlText(window));
        if (!messageBox && !dialogChooses.empty()) {
            ::SetWindowTextW(FileNameField(window), dialogChooses.c_str());
        }
        Click(window, messageBox || !dialogChooses.empty() ? IDOK : IDCANCEL);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

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
    // Clicks a button as the user would; returns when its handler has returned.
    static void ClickButton(ControlId id) {
        ::SendMessageW(Control(id), BM_CLICK, 0, 0);
        Pump();
    }
    // Handles what waits in the queue, as the message loop would; a WM_QUIT is left for the test to see.
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

// Every control's text, place (designed in twips) and font size, checked against the real window at dpi.
void ExpectLayoutAt(HWND window, int dpi) {
    const auto px = [dpi](int twips) { return (twips * dpi + 720) / 1440; };
    RECT box{};
    ::GetClientRect(window, &box);
    EXPECT_EQ((std::array<LONG, 2>{box.right, box.bottom}), (std::array<LONG, 2>{px(6465), px(4800)}));
    const struct {
        ControlId id;
        const wchar_t* text;
        int left, top, width, height, centipoints;
    } controls[] = {
        {ControlId::lblInfo, kDescription, 960, 120, 4095, 1215, 825},
        {ControlId::lblDatgr, L"Dateigröße in kB:", 315, 1920, 1815, 255, 975},
        {ControlId::txtGröße, L"", 2520, 1800, 1695, 375, 825},
        {ControlId::lblInfo1, L"", 480, 2520, 5175, 975, 825},
        {ControlId::cmdOK, L"Datei auswählen und kopieren", 360, 3840, 3015, 495, 825},
        {ControlId::cmdEnd, L"Ende", 4560, 3840, 1215, 495, 825},
        {ControlId::Image1, L"", 360, 480, 240, 240, 0},
    };
    for (const auto& c : controls) {
        const HWND control = ::GetDlgItem(window, static_cast<int>(c.id));
        ::GetWindowRect(control, &box);
        ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&box), 2);
        LOGFONTW font{};
        ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
        EXPECT_EQ(ControlText(control), c.text);
        EXPECT_EQ((std::array<LONG, 5>{box.left, box.top, box.right - box.left, box.bottom - box.top, -font.lfHeight}),
                  (std::array<LONG, 5>{px(c.left), px(c.top), px(c.width), px(c.height),
                                       (c.centipoints * dpi + 3600) / 7200}))
            << static_cast<int>(c.id) << " at " << dpi << " dpi";
    }
}

TEST_F(Form, LayoutTextsAndKeyboard) {
    EXPECT_EQ(ControlText(Window()), L"Kavro");
    EXPECT_TRUE(!::GetMenu(Window()) && !(::GetWindowLongPtrW(Window(), GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX)));
    // At the screen's DPI, which is 144 in the tests' Wine prefix, since at 96 a window that ignores it looks right.
    const UINT dpi = ::GetDpiForWindow(Window());
    if (const char* expected = std::getenv("KAVRO_TEST_DPI")) {
        EXPECT_EQ(dpi, std::stoul(expected)) << "the tests' screen";
    }
    ExpectLayoutAt(Window(), static_cast<int>(dpi));
    EXPECT_EQ(::GetFocus(), Control(ControlId::txtGröße)) << "the focus starts in the size field";
    // Moved to a screen of another DPI, the window takes Windows' suggested frame and lays out anew.
    const UINT other = dpi == 96 ? 120 : 96;
    RECT frame{100, 100, 100 + 431, 100 + 320};
    ::AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(::GetWindowLongPtrW(Window(), GWL_STYLE)), FALSE, 0, other);
    ::SendMessageW(Window(), WM_DPICHANGED, MAKEWPARAM(other, other), reinterpret_cast<LPARAM>(&frame));
    ExpectLayoutAt(Window(), static_cast<int>(other));
}

TEST_F(Form, RefusedSizesAskAgainWithoutADialog) {
    const std::pair<const wchar_t*, Shown> cases[] = {
        {L"", {L"Geben Sie bitte eine gültige Dateigröße an!"}},
        {L"2097152", {L"Fehler 534: Die angegebene Dateigröße ist zu groß. Erlaubt sind höchstens 2097151 kB."}},
        {L"0.0001", {}}, // rounds to 0 bytes: nothing at all
    };
    for (const auto& [text, messages] : cases) {
        shown.clear();
        ::SetFocus(Control(ControlId::cmdOK));
        ::SetWindowTextW(Control(ControlId::txtGröße), text);
        ClickButton(ControlId::cmdOK);
        EXPECT_EQ(shown, messages) << text;
        EXPECT_EQ(::GetFocus(), Control(messages.empty() ? ControlId::cmdOK : ControlId::txtGröße)) << text;
    }
    // A click that comes while the action is open (here through its message box's loop) starts no second action.
    shown.clear();
    ::SetWindowTextW(Control(ControlId::txtGröße), L"");
    ::PostMessageW(Control(ControlId::cmdOK), BM_CLICK, 0, 0);
    ClickButton(ControlId::cmdOK);
    EXPECT_EQ(shown, Shown{L"Geben Sie bitte eine gültige Dateigröße an!"});
}

// Windows' open dialog moves the process's current folder to the chosen file's, whatever it is told.
TEST_F(Form, TheDialogLeavesTheCurrentFolderAsItWas) {
    wchar_t before[MAX_PATH] = {}, after[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, before);
    TempFolder elsewhere;
    WriteBytes(elsewhere / L"f.bin", PatternBytes(3000));
    dialogChooses = elsewhere / L"f.bin";
    ::SetWindowTextW(Control(ControlId::txtGröße), L"1");
    ClickButton(ControlId::cmdOK);
    dialogChooses.clear();
    ::GetCurrentDirectoryW(MAX_PATH, after);
    EXPECT_EQ(shown, (Shown{L"Dialog Datei auswählen", L"Datei erfolgreich gesplittet"}));
    EXPECT_STREQ(after, before) << "a folder held as the current one could not be ejected, renamed or deleted";
}

// Last, since the window is gone afterwards. A WM_QUIT that comes during a run is kept for after it (the long run,
// with clicks and closing, is end-to-end); the close box ends the program.
TEST_F(Form, ARunKeepsAQuitForLaterAndTheCloseBoxEndsTheProgram) {
    TempFolder folder;
    WriteBytes(folder / L"f.bin", PatternBytes(5000));
    ::PostQuitMessage(3);
    form_.SplitFile(folder / L"f.bin", 1024);
    EXPECT_EQ(shown, Shown{L"Datei erfolgreich gesplittet"});
    MSG quit{};
    EXPECT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && quit.wParam == 3);
    const HWND window = Window();
    ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    Pump();
    EXPECT_TRUE(!::IsWindow(window) && ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST(SourceDialog, OffersTheLastFileAndTakesOnlyExistingFiles) {
    // A name too long to offer whole is not offered at all, rather than cut into another file's name.
    for (const std::wstring& name : {std::wstring(), std::wstring(L"C:\\Daten\\Film.avi"), std::wstring(40000, L'x')}) {
        std::vector<wchar_t> buffer;
        const OPENFILENAMEW settings = SourceDialogSettings(::GetDesktopWindow(), SourceFileDialog{name}, buffer);
        EXPECT_STREQ(settings.lpstrTitle, L"Datei auswählen");
        EXPECT_TRUE(settings.hwndOwner == ::GetDesktopWindow() && !settings.lpstrFilter && !settings.lpstrInitialDir &&
                    (settings.Flags & (OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT)) == OFN_FILEMUSTEXIST);
        EXPECT_TRUE(settings.lpstrFile == buffer.data() && settings.nMaxFile == buffer.size() &&
                    buffer.size() >= 32768);
        EXPECT_EQ(std::wstring(buffer.data()), name.size() < 32768 ? name : L"");
    }
}

} // namespace
