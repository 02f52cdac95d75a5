#include "dialog_driver.h"

#include <dlgs.h>

#include <cstdio>
#include <vector>

namespace {

// A sent message may wait on a busy dialog, but never forever.
constexpr UINT kSendTimeoutMs = 5000;

// Asks find every few milliseconds until it gives a window or timeoutMs has passed.
template <typename Find> HWND PollFor(DWORD timeoutMs, Find find) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        if (const HWND found = find()) {
            return found;
        }
        if (::GetTickCount64() >= deadline) {
            return nullptr;
        }
        ::Sleep(50);
    }
}

bool IsEdit(HWND window) {
    wchar_t className[16] = {};
    ::GetClassNameW(window, className, 16);
    return _wcsicmp(className, L"Edit") == 0;
}

// The explorer-style dialog nests the edit in the combo box cmb13 (ComboBoxEx32, ComboBox,
// Edit); older templates have the edit edt1 itself.
HWND FileNameEdit(HWND dialog) {
    for (HWND window = ::GetDlgItem(dialog, cmb13); window; window = ::GetWindow(window, GW_CHILD)) {
        if (IsEdit(window)) {
            return window;
        }
    }
    return ::GetDlgItem(dialog, edt1);
}

std::wstring ControlText(HWND control) {
    DWORD_PTR length = 0;
    if (!control ||
        !::SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length)) {
        return {};
    }
    std::vector<wchar_t> text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    ::SendMessageTimeoutW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                          kSendTimeoutMs, &copied);
    return std::wstring(text.data(), copied);
}

void PressButton(HWND dialog, int id) {
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

// The file name field of the file dialog: read and typed into.
std::wstring DialogFileName(HWND dialog) { return ControlText(FileNameEdit(dialog)); }

void SetDialogFileName(HWND dialog, const std::wstring& name) {
    DWORD_PTR done = 0;
    ::SendMessageTimeoutW(FileNameEdit(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()), SMTO_ABORTIFHUNG,
                          kSendTimeoutMs, &done);
}

} // namespace

HWND WaitForWindow(const wchar_t* title, DWORD timeoutMs) {
    return PollFor(timeoutMs, [title] {
        const HWND window = ::FindWindowW(nullptr, title);
        return window && ::IsWindowVisible(window) ? window : nullptr;
    });
}

HWND WaitForOwnedWindow(HWND owner, DWORD timeoutMs) {
    const HWND found = PollFor(timeoutMs, [owner] {
        // Once the owner is gone nothing can come up over it any more.
        if (!::IsWindow(owner)) {
            return HWND_MESSAGE;
        }
        for (HWND window = ::FindWindowExW(nullptr, nullptr, nullptr, nullptr); window;
             window = ::FindWindowExW(nullptr, window, nullptr, nullptr)) {
            if (::IsWindowVisible(window) && ::GetWindow(window, GW_OWNER) == owner) {
                return window;
            }
        }
        return HWND{};
    });
    return found == HWND_MESSAGE ? nullptr : found;
}

bool WaitUntilClosed(HWND window, DWORD timeoutMs) {
    return PollFor(timeoutMs, [window] { return ::IsWindow(window) ? HWND{} : HWND_MESSAGE; }) != nullptr;
}

std::wstring MessageBoxText(HWND box) {
    // A message box shows its text in the static control 0xFFFF.
    return ControlText(::GetDlgItem(box, 0xFFFF));
}

void ConfirmDialog(HWND dialog) { PressButton(dialog, IDOK); }

void CancelDialog(HWND dialog) { PressButton(dialog, IDCANCEL); }

HWND AnswerFileDialog(HWND dialog, const std::optional<std::wstring>& typed, bool confirm, DWORD timeoutMs) {
    // A freshly shown dialog may still be setting itself up, above all in a new Wine prefix: a
    // name typed or a button pressed then can be lost. So both are done again until the dialog
    // reacts by closing or by putting up a message box.
    constexpr DWORD kReactionMs = 5000;
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        if (typed && DialogFileName(dialog) != *typed) {
            SetDialogFileName(dialog, *typed);
        }
        confirm ? ConfirmDialog(dialog) : CancelDialog(dialog);
        if (const HWND box = WaitForOwnedWindow(dialog, kReactionMs)) {
            return box;
        }
        if (!::IsWindow(dialog)) {
            return nullptr;
        }
        if (::GetTickCount64() >= deadline) {
            // Says what the dialog held, for whoever reads the failed test's output.
            std::fwprintf(stderr, L"The file dialog did not react; its name field holds \"%ls\".\n",
                          DialogFileName(dialog).c_str());
            return nullptr;
        }
    }
}

void VisitFileDialog(FileDialogVisit& visit, DWORD timeoutMs) {
    const HWND dialog = WaitForWindow(L"Datei auswählen", timeoutMs);
    if (!dialog) {
        return;
    }
    visit.shown = true;
    visit.owner = ::GetWindow(dialog, GW_OWNER);
    visit.offered = DialogFileName(dialog);
    // The dialog answers a name it refuses with a message box over itself.
    if (const HWND box = AnswerFileDialog(dialog, visit.typed, visit.confirm, timeoutMs)) {
        ConfirmDialog(box);
        visit.refused = WaitUntilClosed(box, timeoutMs) && ::IsWindowVisible(dialog);
    }
    if (!WaitUntilClosed(dialog, 0)) {
        CancelDialog(dialog);
        if (!WaitUntilClosed(dialog, timeoutMs)) {
            ::PostMessageW(dialog, WM_CLOSE, 0, 0);
        }
    }
}
