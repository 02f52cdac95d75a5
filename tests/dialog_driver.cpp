#include "dialog_driver.h"

#include <dlgs.h>

#include <cstdio>
#include <vector>

namespace {

// A sent message may wait on a busy dialog, but never forever.
constexpr UINT kSendTimeoutMs = 5000;

// The explorer-style dialog nests the name field in the combo box cmb13 (ComboBoxEx32, ComboBox, Edit).
HWND FileNameEdit(HWND dialog) {
    for (HWND window = ::GetDlgItem(dialog, cmb13); window; window = ::GetWindow(window, GW_CHILD)) {
        wchar_t className[16] = {};
        ::GetClassNameW(window, className, 16);
        if (_wcsicmp(className, L"Edit") == 0) {
            return window;
        }
    }
    return ::GetDlgItem(dialog, edt1);
}

} // namespace

HWND WaitForOwnedWindow(HWND owner, DWORD timeoutMs) {
    return PollFor(timeoutMs, [owner](HWND window) { return ::GetWindow(window, GW_OWNER) == owner; });
}

bool WaitUntilClosed(HWND window, DWORD timeoutMs) {
    for (const ULONGLONG deadline = ::GetTickCount64() + timeoutMs; ::IsWindow(window); ::Sleep(50)) {
        if (::GetTickCount64() >= deadline) {
            return false;
        }
    }
    return true;
}

std::wstring ControlText(HWND control) {
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length)) {
        return {};
    }
    std::vector<wchar_t> text(length + 1, L'\0');
    ::SendMessageTimeoutW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                          kSendTimeoutMs, &length);
    return std::wstring(text.data(), length);
}

std::wstring MessageBoxText(HWND box) { return ControlText(::GetDlgItem(box, 0xFFFF)); }

void Click(HWND dialog, int id) {
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

std::wstring OfferedFileName(HWND dialog) { return ControlText(FileNameEdit(dialog)); }

bool ChooseInFileDialog(HWND dialog, const std::wstring& name, DWORD timeoutMs) {
    // A freshly shown dialog may still be setting itself up, above all in a new Wine prefix: a name typed or a
    // button pressed then can be lost. So both are done again until the dialog closes.
    for (const ULONGLONG deadline = ::GetTickCount64() + timeoutMs; ::GetTickCount64() < deadline;) {
        if (OfferedFileName(dialog) != name) {
            DWORD_PTR done = 0;
            ::SendMessageTimeoutW(FileNameEdit(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()),
                                  SMTO_ABORTIFHUNG, kSendTimeoutMs, &done);
        }
        Click(dialog, IDOK);
        if (WaitUntilClosed(dialog, 5000)) {
            return true;
        }
    }
    // Says what the dialog held, for whoever reads the failed test's output.
    std::fwprintf(stderr, L"The file dialog did not close; its name field holds \"%ls\".\n",
                  OfferedFileName(dialog).c_str());
    return false;
}
