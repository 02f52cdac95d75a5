#include "window/form1.h"

#include <array>
#include <iterator>
#include <new>
#include <utility>

#include "pieces/system_function.h"
#include "window/dpi.h"
#include "window/layout.h"
#include "window/resource_ids.h"
#include "window/size_field.h"

namespace {

// How often a run shows its newest progress text and handles the window's messages: often enough for the eye and
// for Windows, which deems a window that takes no messages for 5 s hung.
constexpr ULONGLONG kRunTickMs = 50;

constexpr wchar_t kShutdownReason[] = L"Kavro zerlegt gerade eine Datei in Teile.";

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = 0;

std::wstring TextOf(HWND control) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

HICON LoadProgramIcon(int size) {
    return static_cast<HICON>(
        ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_KAVRO), IMAGE_ICON, size, size, 0));
}

} // namespace

Form1::~Form1() {
    if (hwnd_) {
        ::DestroyWindow(hwnd_);
    }
}

bool Form1::Create(HINSTANCE instance, int show) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDI_KAVRO));
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    if (!::RegisterClassExW(&windowClass) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        return false;
    }
    taskbarButtonCreated_ = ::RegisterWindowMessageW(L"TaskbarButtonCreated");
    // The size is set at the window's real DPI once it exists (OnCreate).
    if (!::CreateWindowExW(kExStyle, kClassName, kCaption, kStyle, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr, nullptr,
                           instance, this)) {
        return false;
    }
    // Run as administrator, the window would never hear from the shell, whose messages Windows filters out as coming
    // from a process of lower integrity (Windows 7 and later; elsewhere nothing changes).
    static const auto allowMessage = SystemFunction<BOOL(WINAPI*)(HWND, UINT, DWORD, PCHANGEFILTERSTRUCT)>(
        L"user32.dll", "ChangeWindowMessageFilterEx");
    if (allowMessage && taskbarButtonCreated_) {
        allowMessage(hwnd_, taskbarButtonCreated_, MSGFLT_ALLOW, nullptr);
    }
    ::ShowWindow(hwnd_, show);
    ::UpdateWindow(hwnd_);
    FocusSizeField();
    return true;
}

LRESULT CALLBACK Form1::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        auto* form = static_cast<Form1*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        form->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<Form1*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!form) {
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
    // The window manager's frames are not ours to unwind: nothing may escape from here.
    try {
        return form->HandleMessage(message, wParam, lParam);
    } catch (...) {
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

LRESULT Form1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == taskbarButtonCreated_ && message != 0) {
        AttachTaskbar(ShellTaskbarButton(hwnd_));
        return 0;
    }
    switch (message) {
    case WM_CREATE:
        return OnCreate() ? 0 : -1;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_DPICHANGED:
        OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_DRAWITEM:
        OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_ACTIVATE:
        // Give the focus back to the control that had it, as dialogs do; during a run the controls rest, and its end
        // gives the focus back.
        if (LOWORD(wParam) == WA_INACTIVE) {
            RememberFocus();
        } else if (!busy_) {
            RestoreFocus();
        }
        return 0;
    case WM_SETCURSOR:
        if (busy_) {
            ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
            return TRUE;
        }
        break;
    case WM_CLOSE:
        if (!busy_) {
            cmdEnd_Click();
        }
        return 0;
    case WM_QUERYENDSESSION:
        return busy_ ? FALSE : TRUE; // a run is never cut off by a shutdown that waits for an answer either
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY: {
        const HWND window = std::exchange(hwnd_, nullptr);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    }
    return ::DefWindowProcW(hwnd_, message, wParam, lParam);
}

bool Form1::OnCreate() {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    // In the order of kControls.
    HWND* const members[] = {&lblInfo, &lblDatgr, &txtGröße, &lblInfo1, &cmdOK, &cmdEnd, &Image1};
    static_assert(std::size(members) == kControls.size());
    for (std::size_t i = 0; i < kControls.size(); ++i) {
        const ControlDesign& control = kControls[i];
        *members[i] = ::CreateWindowExW(control.exStyle, control.className, control.text,
                                        WS_CHILD | WS_VISIBLE | control.style, 0, 0, 0, 0, hwnd_,
                                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance, nullptr);
        if (!*members[i]) {
            return false;
        }
    }
    imageIcon_.Reset(LoadProgramIcon(16));
    ApplyLayout(WindowDpi(hwnd_));
    return true;
}

void Form1::ApplyLayout(UINT dpi) {
    ResizeClient(TwipsToPixels(kClientWidthTwips, dpi), TwipsToPixels(kClientHeightTwips, dpi), dpi);

    // The new fonts and icons are handed out before the old ones are freed: a control must
    // never be left holding a deleted font.
    std::array<UniqueFont, kFonts.size()> fonts;
    for (std::size_t i = 0; i < kFonts.size(); ++i) {
        fonts[i].Reset(CreateFontFor(kFonts[i], dpi));
    }
    for (const ControlDesign& control : kControls) {
        HWND child = ::GetDlgItem(hwnd_, static_cast<int>(control.id));
        ::SetWindowPos(child, nullptr, TwipsToPixels(control.left, dpi), TwipsToPixels(control.top, dpi),
                       TwipsToPixels(control.width, dpi), TwipsToPixels(control.height, dpi),
                       SWP_NOZORDER | SWP_NOACTIVATE);
        if (control.font != FontRole::None) {
            const HFONT font = fonts[static_cast<std::size_t>(control.font)].Get();
            ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        }
    }
    fonts_ = std::move(fonts);

    UniqueIcon bigIcon(LoadProgramIcon(SystemMetricForDpi(SM_CXICON, dpi)));
    UniqueIcon smallIcon(LoadProgramIcon(SystemMetricForDpi(SM_CXSMICON, dpi)));
    ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon.Get()));
    ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.Get()));
    bigIcon_ = std::move(bigIcon);
    smallIcon_ = std::move(smallIcon);
}

void Form1::ResizeClient(int width, int height, UINT dpi) {
    RECT frame{0, 0, width, height};
    AdjustFrameForDpi(frame, kStyle, kExStyle, dpi);
    const auto resize = [this](int frameWidth, int frameHeight) {
        ::SetWindowPos(hwnd_, nullptr, 0, 0, frameWidth, frameHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    };
    resize(frame.right - frame.left, frame.bottom - frame.top);
    // Where the frame is not drawn at the window's DPI (older systems, Wine), correct by what
    // the client area really came out as.
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    if (client.right != width || client.bottom != height) {
        resize(frame.right - frame.left + width - client.right, frame.bottom - frame.top + height - client.bottom);
    }
}

void Form1::OnDpiChanged(UINT dpi, const RECT& suggested) {
    ::SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyLayout(dpi);
}

void Form1::OnDrawItem(const DRAWITEMSTRUCT& item) {
    if (item.hwndItem != Image1) {
        return;
    }
    // The program icon's 16 x 16 image, stretched to the control at higher DPI.
    const RECT& box = item.rcItem;
    ::FillRect(item.hDC, &box, ::GetSysColorBrush(COLOR_BTNFACE));
    ::DrawIconEx(item.hDC, box.left, box.top, imageIcon_.Get(), box.right - box.left, box.bottom - box.top, 0, nullptr,
                 DI_NORMAL);
}

void Form1::OnCommand(int id, int code) {
    if (code != BN_CLICKED) {
        return;
    }
    switch (static_cast<ControlId>(id)) {
    case ControlId::cmdOK:
        RunOKAction([this] { cmdOK_Click(); });
        break;
    case ControlId::cmdEnd:
        if (!busy_) { // a run is never cut off: it ends with its message
            cmdEnd_Click();
        }
        break;
    default:
        break; // IDOK and IDCANCEL from Enter and Esc do nothing
    }
}

void Form1::SplitFile(const std::wstring& source, std::int32_t pieceSize) {
    RunOKAction([&] { WritePieceSet(source, pieceSize, *this); });
}

void Form1::AttachTaskbar(std::unique_ptr<TaskbarButton> button) { taskbar_.Attach(std::move(button)); }

void Form1::RunOKAction(const std::function<void()>& action) {
    // A click that arrives while the action is still open (dispatched by its own dialog or message box, or by the
    // run's message pump) is dropped: one action at a time.
    if (actionOpen_) {
        return;
    }
    actionOpen_ = true;
    // The one place where an action's errors end: reported, and the window goes on.
    try {
        action();
    } catch (const RunError& error) {
        ReportError(ErrorMessageText(error));
    } catch (const std::bad_alloc&) {
        ReportError(ErrorMessageText(RunError(ERROR_NOT_ENOUGH_MEMORY, L"Nicht genügend Arbeitsspeicher.")));
    } catch (const std::exception&) {
        ReportError(ErrorMessageText(RunError(ERROR_INTERNAL_ERROR, L"Ein unerwarteter Fehler ist aufgetreten.")));
    }
    actionOpen_ = false;
    if (pendingQuit_) {
        ::PostQuitMessage(*std::exchange(pendingQuit_, std::nullopt));
    }
}

void Form1::ReportError(const std::wstring& text) {
    SetProgressText(L" ");
    SetBusy(false);
    RepaintNow();
    taskbar_.ShowError();
    ShowMessage(text);
    taskbar_.Clear();
}

void Form1::cmdOK_Click() {
    const std::int32_t size = PartSizeInBytes(TextOf(txtGröße), *this);
    if (size <= 0) {
        return;
    }
    const auto source = ChooseSourceFile(hwnd_, cmdStandarddialog);
    if (!source) {
        return;
    }
    WritePieceSet(*source, size, *this);
}

void Form1::cmdEnd_Click() { ::DestroyWindow(hwnd_); }

void Form1::ShowMessage(const std::wstring& text) {
    ShowProgressText(); // the label is never behind what the message says
    ::MessageBoxW(hwnd_, text.c_str(), kCaption, MB_OK);
}

void Form1::SetBusy(bool busy) {
    if (busy != busy_) {
        // The controls show that they take nothing during a run, to the eye and to a screen reader; afterwards the
        // focus goes back where it was. Windows' shutdown screen names the program that holds it up, and why.
        if (busy) {
            RememberFocus();
            ::ShutdownBlockReasonCreate(hwnd_, kShutdownReason);
        }
        for (const HWND control : {txtGröße, cmdOK, cmdEnd}) {
            ::EnableWindow(control, !busy);
        }
        if (!busy) {
            ::ShutdownBlockReasonDestroy(hwnd_);
            if (::GetActiveWindow() == hwnd_) { // SetFocus would activate a window the user has left
                RestoreFocus();
            }
        }
    }
    busy_ = busy;
    ::SetCursor(::LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
    if (!busy) {
        taskbar_.Clear();
    }
}

void Form1::SetProgressText(const std::wstring& text) {
    progressText_ = text;
    // A label repaints itself on every change, which thousands of small pieces would pay for: within a run a new
    // piece shows at most every kRunTickMs (ReportProgress shows the newest), the first one and any other text at once.
    const bool pieceAfterPiece = text.starts_with(kProgressPrefix) && shownProgressText_.starts_with(kProgressPrefix);
    if (!busy_ || !pieceAfterPiece || ::GetTickCount64() >= nextLabel_) {
        ShowProgressText();
    }
}

void Form1::ShowProgressText() {
    if (progressText_ != shownProgressText_) {
        ::SetWindowTextW(lblInfo1, progressText_.c_str());
        shownProgressText_ = progressText_;
        nextLabel_ = ::GetTickCount64() + kRunTickMs;
    }
}

void Form1::RepaintNow() { ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); }

void Form1::ReportProgress(std::int64_t done, std::int64_t total) {
    // Called for every block: a look at the clock costs nothing, a message pump per block would.
    const ULONGLONG now = ::GetTickCount64();
    if (now < nextPump_) {
        return;
    }
    nextPump_ = now + kRunTickMs;
    if (now >= nextLabel_) {
        ShowProgressText();
    }
    taskbar_.Show(done, total, now);
    PumpDuringRun();
}

void Form1::PumpDuringRun() {
    // The run's message pump, so that the window keeps answering: paint, sent messages and the system's own are
    // handled, and so is the mouse on the title bar, so that the window can be moved aside or minimized (the copy
    // waits while Windows moves it). Keyboard input and the mouse in the window are dropped, and busy_ keeps the
    // buttons, the close box and the system menu's "Schließen" from acting, so nothing starts or ends under the run.
    // A shutdown is asked to wait; where Windows ends the program anyway, the batch file is still empty.
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        const UINT m = message.message;
        if (m == WM_QUIT) {
            pendingQuit_ = static_cast<int>(message.wParam);
        } else if (!(m >= WM_KEYFIRST && m <= WM_KEYLAST) && !(m >= WM_MOUSEFIRST && m <= WM_MOUSELAST)) {
            ::DispatchMessageW(&message);
        }
    }
}

void Form1::FocusSizeField() { ::SetFocus(txtGröße); }

void Form1::RememberFocus() {
    // Not the window itself (minimized) nor nothing (the controls rest during a run): the control to come back to.
    if (const HWND focus = ::GetFocus(); ::IsChild(hwnd_, focus)) {
        focusToRestore_ = focus;
    }
}

void Form1::RestoreFocus() { ::SetFocus(::IsChild(hwnd_, focusToRestore_) ? focusToRestore_ : txtGröße); }
