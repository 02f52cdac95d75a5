#include "form_fixture.h"

#include <stdexcept>

namespace {

// Whether a DialogAnswer is waiting for the file dialog.
bool answerExpected = false;

LRESULT CALLBACK AnswerMessageBoxes(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        const auto window = reinterpret_cast<HWND>(wParam);
        wchar_t className[16] = {};
        wchar_t title[64] = {};
        ::GetClassNameW(window, className, 16);
        ::GetWindowTextW(window, title, 64);
        if (std::wstring(className) == L"#32770") {
            FormFixture::Dialogs().push_back(title);
            if (std::wstring(title) == L"Datei auswählen" && !answerExpected) {
                ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
            }
        }
        if (std::wstring(className) == L"#32770" && std::wstring(title) == Form1::kCaption) {
            FormFixture::Messages().push_back(MessageBoxText(window));
            ::PostMessageW(window, WM_COMMAND, IDOK, 0);
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK WatchProgress(int code, WPARAM wParam, LPARAM lParam) {
    const auto& call = *reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call.message == WM_SETTEXT && call.lParam &&
        ::GetDlgCtrlID(call.hwnd) == static_cast<int>(ControlId::lblInfo1) &&
        std::wstring(reinterpret_cast<const wchar_t*>(call.lParam)).rfind(kProgressPrefix, 0) == 0) {
        FormFixture::BusyWhileCopying().push_back(::GetCursor() == ::LoadCursorW(nullptr, IDC_WAIT));
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

FormFixture::FormFixture() {
    Messages().clear();
    Dialogs().clear();
    BusyWhileCopying().clear();
    dialogHook_ = ::SetWindowsHookExW(WH_CBT, AnswerMessageBoxes, nullptr, ::GetCurrentThreadId());
    progressHook_ = ::SetWindowsHookExW(WH_CALLWNDPROC, WatchProgress, nullptr, ::GetCurrentThreadId());
    if (!form_.Create(::GetModuleHandleW(nullptr), SW_SHOWNORMAL)) {
        throw std::runtime_error("the main window could not be created");
    }
    ::SetForegroundWindow(form_.Handle());
    Pump();
}

FormFixture::~FormFixture() {
    ::UnhookWindowsHookEx(dialogHook_);
    ::UnhookWindowsHookEx(progressHook_);
    if (::IsWindow(form_.Handle())) {
        ::DestroyWindow(form_.Handle());
    }
    // Eat the WM_QUIT that closing the window leaves behind.
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
}

std::wstring FormFixture::Text(ControlId id) const {
    wchar_t text[512] = {};
    ::GetWindowTextW(Control(id), text, 512);
    return text;
}

void FormFixture::Click(ControlId id) {
    ::SendMessageW(Control(id), BM_CLICK, 0, 0);
    Pump();
}

void FormFixture::Pump() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(message.wParam)); // leave it for the test to see
            return;
        }
        if (!::IsWindow(form_.Handle()) || !::IsDialogMessageW(form_.Handle(), &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
}

std::vector<std::wstring>& FormFixture::Messages() {
    static std::vector<std::wstring> messages;
    return messages;
}

std::vector<std::wstring>& FormFixture::Dialogs() {
    static std::vector<std::wstring> dialogs;
    return dialogs;
}

std::vector<bool>& FormFixture::BusyWhileCopying() {
    static std::vector<bool> busy;
    return busy;
}

DialogAnswer::DialogAnswer(std::wstring path) {
    answerExpected = true;
    visit_.confirm = !path.empty();
    if (visit_.confirm) {
        visit_.typed = std::move(path);
    }
    user_ = std::thread([this] { VisitFileDialog(visit_); });
}

const FileDialogVisit& DialogAnswer::Finish() {
    if (user_.joinable()) {
        user_.join();
    }
    answerExpected = false;
    return visit_;
}

DialogAnswer::~DialogAnswer() { Finish(); }
