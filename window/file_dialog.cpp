#include "window/file_dialog.h"

#include <algorithm>
#include <iterator>

namespace {

// Room for the longest path Windows accepts, so a long-path source is never cut short.
constexpr std::size_t kFileNameChars = 32768;

constexpr wchar_t kDialogTitle[] = L"Datei auswählen";

// Gives the process's current folder back as it was, however the dialog ends. On Windows the open dialog moves it to
// the chosen file's folder whatever OFN_NOCHANGEDIR says, and a program whose current folder is on a USB stick keeps
// Windows from ejecting it, or anyone from renaming or deleting that folder.
class CurrentFolderKept {
public:
    CurrentFolderKept() {
        folder_.resize(::GetCurrentDirectoryW(0, nullptr));
        folder_.resize(::GetCurrentDirectoryW(static_cast<DWORD>(folder_.size()), folder_.data()));
    }
    CurrentFolderKept(const CurrentFolderKept&) = delete;
    CurrentFolderKept& operator=(const CurrentFolderKept&) = delete;
    ~CurrentFolderKept() {
        if (!folder_.empty()) {
            ::SetCurrentDirectoryW(folder_.c_str());
        }
    }

private:
    std::wstring folder_;
};

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
    // No OFN_NOCHANGEDIR: Windows ignores it for the open dialog, and CurrentFolderKept does its work everywhere.
    settings.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    return settings;
}

std::optional<std::wstring> ChooseSourceFile(HWND owner, SourceFileDialog& cmdStandarddialog) {
    // The OK action asks once and takes any failure of the dialog as "no file": nothing may leave here but a path or
    // nothing.
    try {
        std::vector<wchar_t> fileName;
        OPENFILENAMEW settings = SourceDialogSettings(owner, cmdStandarddialog, fileName);
        // Cancel and a dialog that could not be shown end alike: the user gets no message.
        const CurrentFolderKept folder;
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
