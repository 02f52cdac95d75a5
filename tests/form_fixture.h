#pragma once
// Runs the real main window on the test's thread. Message boxes titled "Kavro" are recorded
// and answered with OK by a hook, so no test can hang on one.

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "dialog_driver.h"
#include "window/form1.h"
#include "window/layout.h"

class FormFixture {
public:
    FormFixture();
    ~FormFixture();

    HWND Window() const { return form_.Handle(); }
    HWND Control(ControlId id) const { return ::GetDlgItem(form_.Handle(), static_cast<int>(id)); }
    std::wstring Text(ControlId id) const;
    void TypeSize(const std::wstring& text) { ::SetWindowTextW(Control(ControlId::txtGröße), text.c_str()); }
    // Clicks a button as the user would; returns when its handler has returned.
    void Click(ControlId id);
    // Handles what is waiting in the queue, as the message loop would.
    void Pump();

    // Texts of the message boxes shown so far, oldest first.
    static std::vector<std::wstring>& Messages();
    // Titles of the dialogs (message boxes and file dialogs) that came up, oldest first. A file
    // dialog that no DialogAnswer expects is cancelled, so a test fails instead of hanging.
    static std::vector<std::wstring>& Dialogs();
    // For each progress text "Kopiere Daten nach ..." shown: whether the hourglass was up.
    static std::vector<bool>& BusyWhileCopying();

private:
    Form1 form_;
    HHOOK dialogHook_ = nullptr;
    HHOOK progressHook_ = nullptr;
};

// Plays the user at the file dialog from another thread while the test's thread is inside a
// click: types path and confirms it, or cancels when path is empty.
class DialogAnswer {
public:
    explicit DialogAnswer(std::wstring path);
    ~DialogAnswer();
    // Waits for the user's thread; gives what the user saw.
    const FileDialogVisit& Finish();

private:
    FileDialogVisit visit_;
    std::thread user_;
};
