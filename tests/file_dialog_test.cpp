#include "window/file_dialog.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>

#include "dialog_driver.h"
#include "file_fixtures.h"
#include "pieces/unique_handle.h"

namespace {

constexpr wchar_t kTitle[] = L"Datei auswählen";
// Long enough for a slow Wine start, short enough that a lost dialog fails the test instead of hanging it.
constexpr DWORD kWaitMs = 20000;

struct WindowTraits {
    using Handle = HWND;
    static Handle Empty() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static bool Close(Handle h) { return ::DestroyWindow(h) != FALSE; }
};
using UniqueWindow = UniqueHandle<WindowTraits>;

// What the user does with one showing of the dialog.
struct UserAction {
    std::optional<std::wstring> typed; // put into the file name field first
    bool confirm = true;               // OK, else Cancel
};

// What the user saw of that showing.
struct Seen {
    bool shown = false;
    HWND owner = nullptr;
    std::wstring offered; // the file name field as the dialog came up
    bool refused = false; // after OK a message box came up and the dialog stayed open
};

// Calls ChooseSourceFile, which blocks, while a second thread plays the user. Whatever the action
// leaves open is cancelled there, so a fault fails the test instead of hanging it.
class Chooser {
public:
    Chooser() : owner_(::CreateWindowExW(0, L"STATIC", L"Kavro", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                                         nullptr, nullptr)) {}

    HWND Owner() const { return owner_.Get(); }

    std::optional<std::wstring> Choose(const UserAction& action, Seen& seen) {
        std::thread user([&action, &seen] { Act(action, seen); });
        auto chosen = ChooseSourceFile(owner_.Get(), dialogObject);
        user.join();
        return chosen;
    }

    SourceFileDialog dialogObject;

private:
    static void Act(const UserAction& action, Seen& seen) {
        const HWND dialog = WaitForWindow(kTitle, kWaitMs);
        if (!dialog) {
            return;
        }
        seen.shown = true;
        seen.owner = ::GetWindow(dialog, GW_OWNER);
        seen.offered = DialogFileName(dialog);
        if (action.typed) {
            SetDialogFileName(dialog, *action.typed);
        }
        action.confirm ? ConfirmDialog(dialog) : CancelDialog(dialog);
        // The dialog answers a name it refuses with a message box over itself.
        if (const HWND box = WaitForOwnedWindow(dialog, kWaitMs)) {
            ConfirmDialog(box);
            seen.refused = WaitUntilClosed(box, kWaitMs) && ::IsWindowVisible(dialog);
        }
        if (!WaitUntilClosed(dialog, 0)) {
            CancelDialog(dialog);
            if (!WaitUntilClosed(dialog, kWaitMs)) {
                ::PostMessageW(dialog, WM_CLOSE, 0, 0);
            }
        }
    }

    UniqueWindow owner_;
};

TEST(ChooseSourceFile, GivesTheChosenFullPathAndOffersItNextTime) {
    TempFolder folder;
    // Paths past MAX_PATH are left out: Wine's dialog itself refuses or crashes on them.
    const std::wstring paths[] = {folder / L"quelle.bin", folder / L"Mein Film (ä ß €).avi"};
    for (const auto& path : paths) {
        SCOPED_TRACE(path);
        WriteBytes(path, "x");
        Chooser chooser;
        Seen first, second;

        EXPECT_EQ(chooser.Choose({path}, first), path);
        EXPECT_TRUE(first.shown);
        EXPECT_EQ(first.owner, chooser.Owner());
        EXPECT_EQ(first.offered, L"");
        EXPECT_EQ(chooser.dialogObject.fileName, path);

        // Confirmed as offered, the name must lead back to the same file.
        EXPECT_EQ(chooser.Choose({}, second), path);
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
        Seen seen;
        if (c.choseBefore) {
            ASSERT_EQ(chooser.Choose({earlier}, seen), earlier);
        }

        EXPECT_EQ(chooser.Choose({c.typedBeforeCancel, false}, seen), std::nullopt);
        EXPECT_TRUE(seen.shown);
        EXPECT_FALSE(seen.refused);
        EXPECT_EQ(chooser.dialogObject.fileName, c.choseBefore ? earlier : L"");
    }
}

TEST(ChooseSourceFile, TheDialogRefusesANameThatDoesNotExist) {
    TempFolder folder;
    Chooser chooser;
    Seen seen;

    EXPECT_EQ(chooser.Choose({folder / L"fehlt.bin"}, seen), std::nullopt);
    EXPECT_TRUE(seen.refused);
    EXPECT_EQ(chooser.dialogObject.fileName, L"");
}

} // namespace
