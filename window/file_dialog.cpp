#include "window/file_dialog.h"

#include <algorithm>
#include <iterator>

namespace {

// Room for the longest path Windows accepts, so a long-path source is never cut short.
constexpr std::size_t kFileNameChars = 32768;

constexpr wchar_t kDialogTitle[] = L"Datei auswählen";

} // namespace

OPENFILENAMEW SourceDialogSettings(HWND owner, const SourceFileDialog& cmdStandarddialog,
                                   std::vector<wchar_t>& fileName) {
    fileName.assign(kFileNameChars, L'\0');
    // A remembered name too long to offer is dropped rather than cut into another file's name.
    if (cmdStandarddialog.fileName.size() < fileName.size()) {
        std::copy(cmdStandarddialog.fileName.begin(), cmdStandarddialog.fileName.end(), fileName.begin());
    }
    OPENFILENAMEW settings{};
    settings.lStructSize = sizeof settings;
    settings.hwndOwner = owner;
    settings.lpstrFile = fileName.data();
    settings.nMaxFile = static_cast<DWORD>(std::size(fileName));
    settings.lpstrTitle = kDialogTitle;
    // The read-only check box would mean nothing here: the source is only ever read.
    // The dialog must not move the process's current directory either.
    settings.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    return settings;
}

std::optional<std::wstring> ChooseSourceFile(HWND owner, SourceFileDialog& cmdStandarddialog) {
    // The OK action asks once and takes any failure of the dialog as "no file": nothing may leave here but a path or
    // nothing.
    try {
        std::vector<wchar_t> fileName;
        OPENFILENAMEW settings = SourceDialogSettings(owner, cmdStandarddialog, fileName);
        // Cancel and a dialog that could not be shown end alike: the user gets no message.
        if (!::GetOpenFileNameW(&settings)) {
            return std::nullopt;
        }
        std::wstring chosen(fileName.data());
        cmdStandarddialog.fileName = chosen;
        return chosen;
    } catch (...) {
        return std::nullopt;
    }
}
