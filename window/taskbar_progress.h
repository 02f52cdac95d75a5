#pragma once
// The run's progress on the program's taskbar button (Windows 7 and later). Where the taskbar object is missing or
// refuses, nothing shows and nothing else changes.

#include <windows.h>

#include <shobjidl.h>

#include <cstdint>

#include "pieces/unique_handle.h"

struct TaskbarListTraits {
    using Handle = ITaskbarList3*;
    static Handle Empty() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static bool Close(Handle h) {
        h->Release();
        return true;
    }
};

class TaskbarProgress {
public:
    // Called once Windows has made the button (the "TaskbarButtonCreated" message): not before, as Windows requires.
    void Attach(HWND window);
    // done of total bytes, at most every 200 ms and only when what shows would move.
    void Show(std::int64_t done, std::int64_t total);
    // A red bar while an error message is up.
    void ShowError();
    void Clear();

private:
    UniqueHandle<TaskbarListTraits> list_;
    HWND window_ = nullptr;
    ULONGLONG nextShow_ = 0;
    ULONGLONG shownSteps_ = ~ULONGLONG{0};
};
