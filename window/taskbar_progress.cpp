#include "window/taskbar_progress.h"

#include "pieces/unique_handle.h"

namespace {

constexpr ULONGLONG kShowIntervalMs = 200;

struct TaskbarListTraits {
    using Handle = ITaskbarList3*;
    static Handle Empty() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static bool Close(Handle h) {
        h->Release();
        return true;
    }
};

using UniqueTaskbarList = UniqueHandle<TaskbarListTraits>;

class ShellButton final : public TaskbarButton {
public:
    ShellButton(UniqueTaskbarList list, HWND window) : list_(std::move(list)), window_(window) {}
    HRESULT SetProgressValue(ULONGLONG done, ULONGLONG total) override {
        return list_.Get()->SetProgressValue(window_, done, total);
    }
    HRESULT SetProgressState(TBPFLAG state) override { return list_.Get()->SetProgressState(window_, state); }

private:
    UniqueTaskbarList list_;
    HWND window_;
};

} // namespace

std::unique_ptr<TaskbarButton> ShellTaskbarButton(HWND window) {
    ITaskbarList3* list = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                  reinterpret_cast<void**>(&list)))) {
        return nullptr;
    }
    UniqueTaskbarList owner(list);
    if (FAILED(list->HrInit())) {
        return nullptr;
    }
    return std::make_unique<ShellButton>(std::move(owner), window);
}

void TaskbarProgress::Attach(std::unique_ptr<TaskbarButton> button) { button_ = std::move(button); }

// What the button answers changes nothing: the progress is only a courtesy.
void TaskbarProgress::Show(std::int64_t done, std::int64_t total, ULONGLONG now) {
    if (!button_ || total <= 0 || now < nextShow_ || done == shownDone_) {
        return;
    }
    button_->SetProgressValue(static_cast<ULONGLONG>(done), static_cast<ULONGLONG>(total));
    shownDone_ = done;
    nextShow_ = now + kShowIntervalMs;
}

void TaskbarProgress::ShowError() {
    if (button_) {
        button_->SetProgressValue(1, 1);
        button_->SetProgressState(TBPF_ERROR);
    }
}

void TaskbarProgress::Clear() {
    if (button_) {
        button_->SetProgressState(TBPF_NOPROGRESS);
    }
    shownDone_ = -1;
    nextShow_ = 0;
}
