#pragma once
// The program's only window: the description, the size field, the progress label and the two
// buttons. It carries out the window operations for the size field and the piece writer.

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "pieces/pieces.h"
#include "window/file_dialog.h"
#include "window/gdi_handles.h"
#include "window/taskbar_progress.h"

class Form1 final : public WindowOperations {
public:
    static constexpr wchar_t kClassName[] = L"KavroForm1";
    static constexpr wchar_t kCaption[] = L"Kavro";

    Form1() = default;
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;
    ~Form1();

    // Creates the window where Windows places new windows and shows it; false on failure.
    bool Create(HINSTANCE instance, int show);
    HWND Handle() const { return hwnd_; }
    // Splits source through this window as the OK action does once its dialog has given the file.
    void SplitFile(const std::wstring& source, std::int32_t pieceSize);
    // Shows the runs' progress on the taskbar button, once Windows has made it.
    void AttachTaskbar(std::unique_ptr<TaskbarButton> button);

    void ShowMessage(const std::wstring& text) override;
    void SetBusy(bool busy) override;
    void SetProgressText(const std::wstring& text) override;
    void RepaintNow() override;
    void FocusSizeField() override;
    void ReportProgress(std::int64_t done, std::int64_t total) override;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool OnCreate();
    void OnCommand(int id, int code);
    void OnDpiChanged(UINT dpi, const RECT& suggested);
    void OnDrawItem(const DRAWITEMSTRUCT& item);
    void ApplyLayout(UINT dpi);
    void ResizeClient(int width, int height, UINT dpi);
    // Runs the OK button's action, one at a time; its errors are reported here and go no further.
    void RunOKAction(const std::function<void()>& action);
    void ReportError(const std::wstring& text);
    void ShowProgressText();
    void PumpDuringRun();
    void RememberFocus();
    void RestoreFocus();

    void cmdOK_Click();
    void cmdEnd_Click();

    HWND hwnd_ = nullptr;
    HWND lblInfo = nullptr;
    HWND lblDatgr = nullptr;
    HWND txtGröße = nullptr;
    HWND lblInfo1 = nullptr;
    HWND cmdOK = nullptr;
    HWND cmdEnd = nullptr;
    HWND Image1 = nullptr;
    SourceFileDialog cmdStandarddialog;

    std::array<UniqueFont, 3> fonts_; // by FontRole
    UniqueIcon bigIcon_;
    UniqueIcon smallIcon_;
    UniqueIcon imageIcon_;
    HWND focusToRestore_ = nullptr;  // the control that had the focus before the window was left or a run began
    bool busy_ = false;              // a run is open: hourglass, and nothing may start or end
    bool actionOpen_ = false;        // cmdOK_Click has begun and not yet returned
    std::wstring progressText_;      // the newest progress text
    std::wstring shownProgressText_; // what the label shows
    ULONGLONG nextLabel_ = 0;        // when the label may change again
    ULONGLONG nextPump_ = 0;
    std::optional<int> pendingQuit_; // the code of a WM_QUIT that came during the run, handed on after it
    UINT taskbarButtonCreated_ = 0;
    TaskbarProgress taskbar_;
};
