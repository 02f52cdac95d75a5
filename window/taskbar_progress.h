#pragma once
// The run's progress on the program's taskbar button (Windows 7 and later). Where the taskbar object is missing or
// refuses, nothing shows and nothing else changes.

#include <windows.h>

#include <shobjidl.h>

#include <cstdint>
#include <memory>

// What the progress tells the button, as ITaskbarList3 has it: the shell's taskbar list in the program, a recorder in
// the tests.
class TaskbarButton {
public:
    virtual ~TaskbarButton() = default;
    virtual HRESULT SetProgressValue(ULONGLONG done, ULONGLONG total) = 0;
    virtual HRESULT SetProgressState(TBPFLAG state) = 0;
};

// The window's button through the shell's taskbar list; nullptr where Windows has none or it refuses.
std::unique_ptr<TaskbarButton> ShellTaskbarButton(HWND window);

class TaskbarProgress {
public:
    // Called once Windows has made the button (the "TaskbarButtonCreated" message): not before, as Windows requires.
    void Attach(std::unique_ptr<TaskbarButton> button);
    // done of total bytes at now (GetTickCount64's clock): at most every 200 ms, and only when it has moved.
    void Show(std::int64_t done, std::int64_t total, ULONGLONG now);
    // A red bar while an error message is up.
    void ShowError();
    void Clear();

private:
    std::unique_ptr<TaskbarButton> button_;
    ULONGLONG nextShow_ = 0;
    std::int64_t shownDone_ = -1;
};
