#pragma once
// Works a file dialog or a message box from outside its thread, even from another process, as a
// user would: window messages only (WM_GETTEXT, WM_SETTEXT, WM_COMMAND), which Windows carries
// across processes for these controls.

#include <windows.h>

#include <string>

// The visible top-level window of any process titled exactly title; nullptr after timeoutMs.
HWND WaitForWindow(const wchar_t* title, DWORD timeoutMs);

// A visible window owned by owner, such as a message box over a dialog; nullptr once owner has
// closed or after timeoutMs.
HWND WaitForOwnedWindow(HWND owner, DWORD timeoutMs);

// Whether window has closed within timeoutMs.
bool WaitUntilClosed(HWND window, DWORD timeoutMs);

// The text of the file dialog's file name field; empty if the dialog has none.
std::wstring DialogFileName(HWND dialog);

// Types name into the file dialog's file name field; false if the dialog has none.
bool SetDialogFileName(HWND dialog, const std::wstring& name);

// The text a message box shows.
std::wstring MessageBoxText(HWND box);

// Presses OK (also closes a message box with an OK button); posted, so a message box that the
// dialog raises in answer cannot block the caller.
void ConfirmDialog(HWND dialog);

// Presses Cancel; posted like ConfirmDialog.
void CancelDialog(HWND dialog);
