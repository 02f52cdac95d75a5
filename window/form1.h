#pragma once
// The program's only window: the description, the size field, the progress label and the two
// buttons. It carries out the window operations for the size field and the piece writer.

#include <windows.h>

#include <array>
#include <string>

#include "pieces/pieces.h"
#include "window/file_dialog.h"
#include "window/gdi_handles.h"

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

    void ShowMessage(const std::wstring& text) override;
    void SetBusy(bool busy) override;
    void SetProgressText(const std::wstring& text) override;
    void RepaintNow() override;
    void FocusSizeField() override;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool OnCreate();
    void OnCommand(int id, int code);
    void OnDpiChanged(UINT dpi, const RECT& suggested);
    void OnDrawItem(const DRAWITEMSTRUCT& item);
    void ApplyLayout(UINT dpi);
    void ResizeClient(int width, int height, UINT dpi);
    // Runs a button's action; its errors are reported here and go no further.
    void RunAction(void (Form1::*action)());
    void ReportError(const std::wstring& text);

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
    HWND focusBeforeDeactivation_ = nullptr;
    bool busy_ = false;
    bool actionOpen_ = false; // cmdOK_Click has begun and not yet returned
};
