// kavro-bench [--window] SOURCE PIECE_BYTES: splits SOURCE as the program does, with silent window operations or,
// with --window, through the real main window (created and shown as the program shows it, without the file dialog),
// and prints the time taken.

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <optional>
#include <string>

#include "pieces/pieces.h"
#include "window/form1.h"

namespace {

class SilentWindow : public WindowOperations {
public:
    std::wstring lastMessage;
    void ShowMessage(const std::wstring& text) override { lastMessage = text; }
    void SetBusy(bool) override {}
    void SetProgressText(const std::wstring&) override {}
    void RepaintNow() override {}
    void FocusSizeField() override {}
    void ReportProgress(std::int64_t, std::int64_t) override {}
};

// The text of the last message box the main window showed and when it came up; each is answered with OK at once,
// and the time Wine takes to close it is not the split's.
std::wstring windowMessage;
std::chrono::steady_clock::time_point windowMessageShown;

LRESULT CALLBACK AnswerMessageBoxes(int code, WPARAM wParam, LPARAM lParam) {
    const auto box = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && ::GetDlgItem(box, 0xFFFF)) {
        wchar_t text[512] = {};
        ::GetDlgItemTextW(box, 0xFFFF, text, 512);
        windowMessage = text;
        windowMessageShown = std::chrono::steady_clock::now();
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

void PrintError(const std::wstring& text) {
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), bytes, nullptr, nullptr);
    std::fprintf(stderr, "kavro-bench: %s\n", utf8.c_str());
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const bool throughWindow = argc == 4 && std::wstring(argv[1]) == L"--window";
    if (argc != 3 && !throughWindow) {
        std::fprintf(stderr, "usage: kavro-bench [--window] SOURCE PIECE_BYTES\n");
        return 2;
    }
    argv += throughWindow ? 1 : 0;
    wchar_t* end = nullptr;
    const long long pieceBytes = std::wcstoll(argv[2], &end, 10);
    if (*end != L'\0' || pieceBytes <= 0 || pieceBytes > 2147483647) {
        std::fprintf(stderr, "kavro-bench: PIECE_BYTES must be 1 to 2147483647\n");
        return 2;
    }
    wchar_t full[32768];
    const DWORD length = ::GetFullPathNameW(argv[1], static_cast<DWORD>(std::size(full)), full, nullptr);
    if (length == 0 || length >= std::size(full)) {
        std::fprintf(stderr, "kavro-bench: cannot resolve SOURCE\n");
        return 2;
    }
    SilentWindow window;
    std::optional<Form1> form;
    if (throughWindow) {
        form.emplace();
        if (!form->Create(::GetModuleHandleW(nullptr), SW_SHOWNORMAL)) {
            std::fprintf(stderr, "kavro-bench: the main window could not be created\n");
            return 1;
        }
        ::SetWindowsHookExW(WH_CBT, AnswerMessageBoxes, nullptr, ::GetCurrentThreadId());
    }
    const auto start = std::chrono::steady_clock::now();
    try {
        if (form) {
            form->SplitFile(full, static_cast<std::int32_t>(pieceBytes));
            window.lastMessage = windowMessage;
        } else {
            WritePieceSet(full, static_cast<std::int32_t>(pieceBytes), window);
        }
    } catch (const RunError& error) {
        PrintError(ErrorMessageText(error));
        return 1;
    }
    const auto stop = form ? windowMessageShown : std::chrono::steady_clock::now();
    const double seconds = std::chrono::duration<double>(stop - start).count();
    if (window.lastMessage != kSuccessMessage) {
        PrintError(window.lastMessage);
        return 1;
    }
    const double mib = static_cast<double>(std::filesystem::file_size(full)) / (1024.0 * 1024.0);
    std::printf("seconds %.3f\nMiB/s %.1f\n", seconds, seconds > 0 ? mib / seconds : 0.0);
    return 0;
}
