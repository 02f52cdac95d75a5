#include "window/taskbar_progress.h"

namespace {

// Finer than any taskbar button is wide.
constexpr ULONGLONG kSteps = 10000;
constexpr ULONGLONG kShowIntervalMs = 200;

} // namespace

void TaskbarProgress::Attach(HWND window) {
    ITaskbarList3* list = nullptr;
    if (SUCCEEDED(::CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                     reinterpret_cast<void**>(&list)))) {
        list_.Reset(list);
        if (FAILED(list->HrInit())) {
            list_.Reset();
        }
    }
    window_ = window;
}

void TaskbarProgress::Show(std::int64_t done, std::int64_t total) {
    const ULONGLONG now = ::GetTickCount64();
    if (!list_ || total <= 0 || now < nextShow_) {
        return;
    }
    const auto steps = static_cast<ULONGLONG>(static_cast<double>(done) / static_cast<double>(total) * kSteps);
    if (steps != shownSteps_) {
        list_.Get()->SetProgressValue(window_, steps, kSteps);
        shownSteps_ = steps;
        nextShow_ = now + kShowIntervalMs;
    }
}

void TaskbarProgress::ShowError() {
    if (list_) {
        list_.Get()->SetProgressValue(window_, kSteps, kSteps);
        list_.Get()->SetProgressState(window_, TBPF_ERROR);
    }
}

void TaskbarProgress::Clear() {
    if (list_) {
        list_.Get()->SetProgressState(window_, TBPF_NOPROGRESS);
    }
    shownSteps_ = ~ULONGLONG{0};
    nextShow_ = 0;
}
