#pragma once
// Works a file dialog or a message box from outside its thread, even from another process, as a
// user would: window messages only, which Windows carries across processes for these controls.

#include <windows.h>

#include <optional>
#include <string>

// The visible top-level window titled exactly title; nullptr after timeoutMs.
HWND WaitForWindow(const wchar_t* title, DWORD timeoutMs);

// A visible window owned by owner, such as a message box; nullptr once owner has closed or
// after timeoutMs.
HWND WaitForOwnedWindow(HWND owner, DWORD timeoutMs);

// Whether window has closed within timeoutMs.
bool WaitUntilClosed(HWND window, DWORD timeoutMs);

// The text a message box shows.
std::wstring MessageBoxText(HWND box);

// Presses OK or Cancel; posted, so a message box raised in answer cannot block the caller.
void ConfirmDialog(HWND dialog);
void CancelDialog(HWND dialog);

// Types typed (if any) into the file dialog and presses OK (confirm) or Cancel, again until the
// dialog closes or puts up a message box; gives that box, else nullptr.
HWND AnswerFileDialog(HWND dialog, const std::optional<std::wstring>& typed, bool confirm, DWORD timeoutMs);

// One showing of the file dialog "Datei auswählen" as a user handles it.
struct FileDialogVisit {
    std::optional<std::wstring> typed{}; // typed into the file name field first
    bool confirm = true;                 // OK, else Cancel
    // What the user saw:
    bool shown = false;
    HWND owner = nullptr;
    std::wstring offered{}; // the file name field as the dialog came up
    bool refused = false;   // after OK a message box came up and the dialog stayed open
};

// Waits for the dialog and does what visit says; whatever stays open is cancelled, so a fault
// fails a test instead of hanging it.
void VisitFileDialog(FileDialogVisit& visit, DWORD timeoutMs = 20000);
