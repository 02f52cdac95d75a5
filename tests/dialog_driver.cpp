#include "dialog_driver.h"

#include <dlgs.h>

#include <iterator>
#include <vector>

namespace {

constexpr DWORD kPollMs = 50;
// A sent message may wait on a busy dialog, but never forever.
constexpr UINT kSendTimeoutMs = 5000;

// Asks done every few milliseconds until it holds or timeoutMs has passed; tells whether it held.
template <typename Done> bool PollUntil(DWORD timeoutMs, Done done) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        if (done()) {
            return true;
        }
        if (::GetTickCount64() >= deadline) {
            return false;
        }
        ::Sleep(kPollMs);
    }
}

struct TitleSearch {
    const wchar_t* title;
    HWND found = nullptr;
};

BOOL CALLBACK MatchTitle(HWND window, LPARAM param) {
    auto& search = *reinterpret_cast<TitleSearch*>(param);
    // One more than the title holds, so a longer caption does not match by its start.
    std::vector<wchar_t> caption(wcslen(search.title) + 2, L'\0');
    ::GetWindowTextW(window, caption.data(), static_cast<int>(std::size(caption)));
    if (::IsWindowVisible(window) && wcscmp(caption.data(), search.title) == 0) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

struct OwnedSearch {
    HWND owner;
    HWND found = nullptr;
};

BOOL CALLBACK MatchOwner(HWND window, LPARAM param) {
    auto& search = *reinterpret_cast<OwnedSearch*>(param);
    if (::IsWindowVisible(window) && ::GetWindow(window, GW_OWNER) == search.owner) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

bool IsEdit(HWND window) {
    wchar_t className[16] = {};
    ::GetClassNameW(window, className, static_cast<int>(std::size(className)));
    return _wcsicmp(className, L"Edit") == 0;
}

struct ControlSearch {
    int id;
    HWND found = nullptr;
};

BOOL CALLBACK MatchId(HWND window, LPARAM param) {
    auto& search = *reinterpret_cast<ControlSearch*>(param);
    if (::GetDlgCtrlID(window) == search.id) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK MatchEdit(HWND window, LPARAM param) {
    if (IsEdit(window)) {
        *reinterpret_cast<HWND*>(param) = window;
        return FALSE;
    }
    return TRUE;
}

// The edit the user types the file name into. The explorer-style dialog (Windows' and Wine's)
// nests it in the combo box cmb13; older templates have the edit edt1 itself.
HWND FileNameEdit(HWND dialog) {
    for (const int id : {cmb13, edt1}) {
        ControlSearch search{id};
        ::EnumChildWindows(dialog, MatchId, reinterpret_cast<LPARAM>(&search));
        if (!search.found) {
            continue;
        }
        if (IsEdit(search.found)) {
            return search.found;
        }
        HWND edit = nullptr;
        ::EnumChildWindows(search.found, MatchEdit, reinterpret_cast<LPARAM>(&edit));
        if (edit) {
            return edit;
        }
    }
    return nullptr;
}

std::wstring ControlText(HWND control) {
    DWORD_PTR length = 0;
    if (!control || !::SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                                           &length)) {
        return {};
    }
    std::vector<wchar_t> text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    ::SendMessageTimeoutW(control, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text.data()),
                          SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied);
    return std::wstring(text.data(), copied);
}

void PressButton(HWND dialog, int id) {
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

} // namespace

HWND WaitForWindow(const wchar_t* title, DWORD timeoutMs) {
    TitleSearch search{title};
    PollUntil(timeoutMs, [&search] {
        ::EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    });
    return search.found;
}

HWND WaitForOwnedWindow(HWND owner, DWORD timeoutMs) {
    OwnedSearch search{owner};
    PollUntil(timeoutMs, [&search] {
        ::EnumWindows(MatchOwner, reinterpret_cast<LPARAM>(&search));
        // Once the owner is gone nothing can come up over it any more.
        return search.found != nullptr || !::IsWindow(search.owner);
    });
    return search.found;
}

bool WaitUntilClosed(HWND window, DWORD timeoutMs) {
    return PollUntil(timeoutMs, [window] { return !::IsWindow(window); });
}

std::wstring DialogFileName(HWND dialog) { return ControlText(FileNameEdit(dialog)); }

bool SetDialogFileName(HWND dialog, const std::wstring& name) {
    const HWND edit = FileNameEdit(dialog);
    DWORD_PTR done = 0;
    return edit && ::SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()),
                                         SMTO_ABORTIFHUNG, kSendTimeoutMs, &done) &&
           done == TRUE;
}

std::wstring MessageBoxText(HWND box) {
    // A message box shows its text in the static control 0xFFFF.
    return ControlText(::GetDlgItem(box, 0xFFFF));
}

void ConfirmDialog(HWND dialog) { PressButton(dialog, IDOK); }

void CancelDialog(HWND dialog) { PressButton(dialog, IDCANCEL); }
