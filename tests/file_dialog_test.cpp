#include "window/file_dialog.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>

#include "dialog_driver.h"
#include "file_fixtures.h"

namespace {

// Calls ChooseSourceFile, which blocks, over an owner window while a second thread plays the user.
struct Chooser {
    HWND owner =
        ::CreateWindowExW(0, L"STATIC", L"Kavro", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    SourceFileDialog dialogObject;

    ~Chooser() { ::DestroyWindow(owner); }

    std::optional<std::wstring> Choose(FileDialogVisit& visit) {
        std::thread user([&visit] { VisitFileDialog(visit); });
        auto chosen = ChooseSourceFile(owner, dialogObject);
        user.join();
        return chosen;
    }
};

TEST(ChooseSourceFile, GivesTheChosenFullPathAndOffersItNextTime) {
    TempFolder folder;
    // Paths past MAX_PATH are left out: Wine's dialog itself refuses or crashes on them.
    for (const auto& path : {folder / L"quelle.bin", folder / L"Mein Film (ä ß €).avi"}) {
        SCOPED_TRACE(path);
        WriteBytes(path, "x");
        Chooser chooser;
        FileDialogVisit first{path};
        FileDialogVisit second;

        EXPECT_EQ(chooser.Choose(first), path);
        EXPECT_EQ(first.owner, chooser.owner);
        EXPECT_EQ(first.offered, L"");
        EXPECT_EQ(chooser.dialogObject.fileName, path);

        // Confirmed as offered, the name must lead back to the same file.
        EXPECT_EQ(chooser.Choose(second), path);
        EXPECT_FALSE(second.offered.empty());
        EXPECT_TRUE(path.ends_with(second.offered)) << "offered: " << second.offered;
    }
}

TEST(ChooseSourceFile, CancelGivesNothingAndKeepsTheLastChoice) {
    TempFolder folder;
    const std::wstring earlier = folder / L"frueher.bin";
    const std::wstring other = folder / L"andere.bin";
    WriteBytes(earlier, "x");
    WriteBytes(other, "y");
    const struct {
        const char* what;
        bool choseBefore;
        std::optional<std::wstring> typedBeforeCancel;
    } cases[] = {
        {"first use", false, std::nullopt},
        {"after a choice", true, std::nullopt},
        {"after a choice, another file typed", true, other},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Chooser chooser;
        if (c.choseBefore) {
            FileDialogVisit choice{earlier};
            ASSERT_EQ(chooser.Choose(choice), earlier);
        }
        FileDialogVisit cancel{c.typedBeforeCancel, false};

        EXPECT_EQ(chooser.Choose(cancel), std::nullopt);
        EXPECT_TRUE(cancel.shown);
        EXPECT_EQ(chooser.dialogObject.fileName, c.choseBefore ? earlier : L"");
    }
}

TEST(ChooseSourceFile, TheDialogRefusesANameThatDoesNotExist) {
    TempFolder folder;
    Chooser chooser;
    FileDialogVisit visit{folder / L"fehlt.bin"};

    EXPECT_EQ(chooser.Choose(visit), std::nullopt);
    EXPECT_TRUE(visit.refused);
    EXPECT_EQ(chooser.dialogObject.fileName, L"");
}

} // namespace
