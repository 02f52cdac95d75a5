#pragma once
// Works Kavro's window, its file dialog and its message boxes from outside, even from another process, as a user
// would: window messages only, which Windows carries across processes for these controls.

#include <windows.h>

#include <string>

// The first visible top-level window that find accepts, asked every 50 ms; nullptr after timeoutMs.
template <typename Find> HWND PollFor(DWORD timeoutMs, Find find) {
    for (const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;; ::Sleep(50)) {
        for (HWND window = ::FindWindowExW(nullptr, nullptr, nullptr, nullptr); window;
             window = ::FindWindowExW(nullptr, window, nullptr, nullptr)) {
            if (::IsWindowVisible(window) && find(window)) {
                return window;
            }
        }
        if (::GetTickCount64() >= deadline) {
            return nullptr;
        }
    }
}

// The visible window owned by owner, such as a message box or the file dialog; nullptr after timeoutMs.
HWND WaitForOwnedWindow(HWND owner, DWORD timeoutMs);

// Whether window has closed within timeoutMs.
bool WaitUntilClosed(HWND window, DWORD timeoutMs);

// The text of a control, or of the static control 0xFFFF in which a message box shows its text.
std::wstring ControlText(HWND control);
std::wstring MessageBoxText(HWND box);

// Clicks a button of dialog (IDOK, IDCANCEL, or a control id); posted, so that whatever comes up in answer cannot
// block the caller.
void Click(HWND dialog, int id);

// The file dialog's name field as it is; then typed over with name and confirmed, again until the dialog closes.
std::wstring OfferedFileName(HWND dialog);
bool ChooseInFileDialog(HWND dialog, const std::wstring& name, DWORD timeoutMs);
