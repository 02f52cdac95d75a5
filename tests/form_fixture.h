#pragma once
// Runs the real main window on the test's thread. Message boxes titled "Kavro" are recorded
// and answered with OK by a hook, so no test can hang on one.

#include <windows.h>

#include <string>
#include <vector>

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
    // Titles of the dialogs (message boxes and file dialogs) that came up, oldest first.
    static std::vector<std::wstring>& Dialogs();

private:
    Form1 form_;
    HHOOK hook_ = nullptr;
};

// Works the file dialog from another thread while the test's thread is inside a click:
// types path and confirms it, or cancels when path is empty. Records the name the dialog
// offered first.
class DialogAnswer {
public:
    explicit DialogAnswer(std::wstring path);
    ~DialogAnswer();
    // Whether a dialog came up, and the file name it offered.
    bool Shown() const { return shown_; }
    const std::wstring& Offered() const { return offered_; }

private:
    std::wstring path_;
    std::wstring offered_;
    bool shown_ = false;
    HANDLE thread_ = nullptr;
};
