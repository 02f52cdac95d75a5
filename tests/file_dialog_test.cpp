#include <gtest/gtest.h>

#include "window/file_dialog.h"

namespace {

TEST(SourceDialog, OffersTheLastFileAndTakesOnlyExistingFiles) {
    const HWND owner = ::GetDesktopWindow();
    const std::pair<std::wstring, std::wstring> remembered[] = {
        {L"", L""},
        {L"C:\\Daten\\Mein Film.avi", L"C:\\Daten\\Mein Film.avi"},
        // Too long to offer whole: offered not at all rather than cut into another file's name.
        {std::wstring(40000, L'x'), L""},
    };
    for (const auto& [name, offered] : remembered) {
        std::vector<wchar_t> buffer;
        const OPENFILENAMEW settings = SourceDialogSettings(owner, SourceFileDialog{name}, buffer);
        EXPECT_EQ(settings.hwndOwner, owner);
        EXPECT_STREQ(settings.lpstrTitle, L"Datei auswählen");
        EXPECT_EQ(settings.Flags & (OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT), static_cast<DWORD>(OFN_FILEMUSTEXIST));
        EXPECT_EQ(settings.lpstrFilter, nullptr);
        EXPECT_EQ(settings.lpstrInitialDir, nullptr);
        EXPECT_EQ(settings.lpstrFile, buffer.data());
        EXPECT_EQ(settings.nMaxFile, buffer.size());
        EXPECT_GE(buffer.size(), 32768u) << "room for the longest path";
        EXPECT_EQ(std::wstring(buffer.data()), offered);
    }
}

} // namespace
