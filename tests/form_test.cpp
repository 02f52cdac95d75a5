#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "file_fixtures.h"
#include "form_fixture.h"

namespace {

using Messages = std::vector<std::wstring>;

struct Expected {
    ControlId id;
    const wchar_t* className;
    int left, top, width, height; // twips, as designed
};

// Every control's place and the fonts as designed, checked against the real window at dpi.
void ExpectLayoutAt(const FormFixture& form, UINT dpi) {
    const auto px = [dpi](int twips) { return (twips * static_cast<int>(dpi) + 720) / 1440; };
    RECT client{};
    ::GetClientRect(form.Window(), &client);
    EXPECT_EQ(client.right, px(6465));
    EXPECT_EQ(client.bottom, px(4800));
    const Expected controls[] = {
        {ControlId::lblInfo, L"Static", 960, 120, 4095, 1215}, {ControlId::lblDatgr, L"Static", 315, 1920, 1815, 255},
        {ControlId::txtGröße, L"Edit", 2520, 1800, 1695, 375}, {ControlId::lblInfo1, L"Static", 480, 2520, 5175, 975},
        {ControlId::cmdOK, L"Button", 360, 3840, 3015, 495},   {ControlId::cmdEnd, L"Button", 4560, 3840, 1215, 495},
        {ControlId::Image1, L"Static", 360, 480, 240, 240},
    };
    for (const auto& c : controls) {
        SCOPED_TRACE(static_cast<int>(c.id));
        HWND control = form.Control(c.id);
        ASSERT_NE(control, nullptr);
        RECT box{};
        ::GetWindowRect(control, &box);
        ::MapWindowPoints(nullptr, form.Window(), reinterpret_cast<POINT*>(&box), 2);
        EXPECT_EQ(box.left, px(c.left));
        EXPECT_EQ(box.top, px(c.top));
        EXPECT_EQ(box.right - box.left, px(c.width));
        EXPECT_EQ(box.bottom - box.top, px(c.height));
        wchar_t className[16] = {};
        ::GetClassNameW(control, className, 16);
        EXPECT_EQ(_wcsicmp(className, c.className), 0);
    }
    const std::pair<ControlId, int> fonts[] = {{ControlId::cmdOK, 825}, {ControlId::lblDatgr, 975}};
    for (const auto& [id, centipoints] : fonts) {
        LOGFONTW font{};
        ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(form.Control(id), WM_GETFONT, 0, 0)), sizeof font, &font);
        EXPECT_EQ(-font.lfHeight, static_cast<LONG>((centipoints * dpi + 3600) / 7200));
        EXPECT_EQ(font.lfWeight, FW_BOLD);
    }
}

// The test command runs this once more with Wine set to 144 DPI.
TEST(FormLayout, ControlsSitWhereTheDesignPutsThem) {
    FormFixture form;
    const UINT dpi = ::GetDpiForWindow(form.Window());
    if (const char* expected = std::getenv("KAVRO_EXPECT_DPI")) {
        ASSERT_EQ(dpi, static_cast<UINT>(std::atoi(expected)));
    }
    ExpectLayoutAt(form, dpi);
    if (dpi == 96) {
        RECT client{};
        ::GetClientRect(form.Window(), &client);
        EXPECT_EQ(client.right, 431);
        EXPECT_EQ(client.bottom, 320);
    }
}

// Moved to a screen of another DPI, the window takes Windows' suggested frame and lays out anew.
TEST(FormLayout, FollowsADpiChange) {
    FormFixture form;
    RECT frame{100, 100, 100, 100};
    frame.right += 6465 * 144 / 1440;
    frame.bottom += 4800 * 144 / 1440;
    ::AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(::GetWindowLongPtrW(form.Window(), GWL_STYLE)), FALSE, 0,
                               144);
    ::SendMessageW(form.Window(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&frame));
    ExpectLayoutAt(form, 144);
}

// Runs the layout test again in a child process with Wine set to 144 DPI.
TEST(FormLayout, FollowsA144DpiScreen) {
    if (std::getenv("KAVRO_EXPECT_DPI")) {
        GTEST_SKIP() << "this is the child run";
    }
    // On real Windows this would change the user's own display setting.
    if (!::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) {
        GTEST_SKIP() << "changes the DPI only in a Wine prefix";
    }
    HKEY desktop = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                &desktop, nullptr),
              ERROR_SUCCESS);
    DWORD old = 0;
    DWORD oldSize = sizeof old;
    const bool hadOld = ::RegQueryValueExW(desktop, L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&old),
                                           &oldSize) == ERROR_SUCCESS;
    const DWORD dpi = 144;
    ::RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);

    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --gtest_filter=FormLayout.ControlsSit*";
    ::SetEnvironmentVariableW(L"KAVRO_EXPECT_DPI", L"144");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    const BOOL started =
        ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child);
    ::SetEnvironmentVariableW(L"KAVRO_EXPECT_DPI", nullptr);
    DWORD exitCode = 1;
    if (started) {
        if (::WaitForSingleObject(child.hProcess, 60000) != WAIT_OBJECT_0) {
            ::TerminateProcess(child.hProcess, 1);
        }
        ::GetExitCodeProcess(child.hProcess, &exitCode);
        ::CloseHandle(child.hProcess);
        ::CloseHandle(child.hThread);
    }
    if (hadOld) {
        ::RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old), sizeof old);
    } else {
        ::RegDeleteValueW(desktop, L"LogPixels");
    }
    ::RegCloseKey(desktop);
    ASSERT_TRUE(started);
    EXPECT_EQ(exitCode, 0u);
}

TEST(FormLayout, TextsFrameAndKeyboard) {
    FormFixture form;
    const std::pair<ControlId, std::wstring> texts[] = {
        {ControlId::lblDatgr, L"Dateigröße in kB:"},         {ControlId::txtGröße, L""},   {ControlId::lblInfo1, L""},
        {ControlId::cmdOK, L"Datei auswählen und kopieren"}, {ControlId::cmdEnd, L"Ende"},
    };
    for (const auto& [id, text] : texts) {
        EXPECT_EQ(form.Text(id), text);
    }
    const std::wstring description = form.Text(ControlId::lblInfo);
    EXPECT_EQ(description.size(), 242u);
    EXPECT_EQ(description.substr(0, 50), L"Das Programm kopiert den Inhalt einer großen Datei");
    EXPECT_EQ(description.substr(description.size() - 13), L"werden kann. ");
    wchar_t caption[16] = {};
    ::GetWindowTextW(form.Window(), caption, 16);
    EXPECT_STREQ(caption, L"Kavro");
    EXPECT_EQ(::GetMenu(form.Window()), nullptr);
    const LONG_PTR style = ::GetWindowLongPtrW(form.Window(), GWL_STYLE);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    for (const ControlId button : {ControlId::cmdOK, ControlId::cmdEnd}) {
        EXPECT_EQ(::GetWindowLongPtrW(form.Control(button), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
    }

    // The focus starts in the size field; Tab goes size field, OK, Ende, size field.
    EXPECT_EQ(::GetFocus(), form.Control(ControlId::txtGröße));
    for (const ControlId next : {ControlId::cmdOK, ControlId::cmdEnd, ControlId::txtGröße}) {
        ::PostMessageW(::GetFocus(), WM_KEYDOWN, VK_TAB, 0);
        form.Pump();
        EXPECT_EQ(::GetFocus(), form.Control(next));
    }

    // Enter and Esc in the size field start nothing, even with a valid size.
    form.TypeSize(L"100");
    for (const WPARAM key : {VK_RETURN, VK_ESCAPE}) {
        ::PostMessageW(form.Control(ControlId::txtGröße), WM_KEYDOWN, key, 0);
        ::PostMessageW(form.Control(ControlId::txtGröße), WM_KEYUP, key, 0);
        form.Pump();
    }
    EXPECT_TRUE(FormFixture::Dialogs().empty());
    EXPECT_TRUE(::IsWindow(form.Window()));
}

// The hourglass was up while each piece was written, and is gone once the action has ended.
void ExpectHourglassOnlyWhileCopying(const FormFixture& form) {
    EXPECT_FALSE(FormFixture::BusyWhileCopying().empty());
    for (const bool busy : FormFixture::BusyWhileCopying()) {
        EXPECT_TRUE(busy);
    }
    ::SendMessageW(form.Window(), WM_SETCURSOR, reinterpret_cast<WPARAM>(form.Window()),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_NE(::GetCursor(), ::LoadCursorW(nullptr, IDC_WAIT));
}

TEST(FormAction, RefusedSizesAskAgainWithoutADialog) {
    FormFixture form;
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"", L"Geben Sie bitte eine gültige Dateigröße an!"},
        {L"kB", L"Geben Sie bitte eine gültige Dateigröße an!"},
        {L"2097152", L"Fehler 534"},
    };
    for (const auto& [text, message] : cases) {
        SCOPED_TRACE(text);
        FormFixture::Messages().clear();
        ::SetFocus(form.Control(ControlId::cmdOK));
        form.TypeSize(text);
        form.Click(ControlId::cmdOK);
        ASSERT_EQ(FormFixture::Messages().size(), 1u);
        EXPECT_EQ(FormFixture::Messages()[0].rfind(message, 0), 0u) << FormFixture::Messages()[0];
        EXPECT_EQ(::GetFocus(), form.Control(ControlId::txtGröße));
        EXPECT_TRUE(::IsWindow(form.Window()));
    }
    for (const auto& title : FormFixture::Dialogs()) {
        EXPECT_NE(title, L"Datei auswählen");
    }
}

// A click queued while the action is open (here reaching the button from the message box's own
// loop) must not start a second action inside the first.
TEST(FormAction, AClickWhileTheActionIsOpenIsDropped) {
    FormFixture form;
    form.TypeSize(L"");
    ::PostMessageW(form.Control(ControlId::cmdOK), BM_CLICK, 0, 0);
    form.Click(ControlId::cmdOK);
    form.Pump();
    EXPECT_EQ(FormFixture::Messages(), Messages{L"Geben Sie bitte eine gültige Dateigröße an!"});

    // Once the action has ended, the next click works again.
    form.Click(ControlId::cmdOK);
    EXPECT_EQ(FormFixture::Messages().size(), 2u);
}

TEST(FormAction, SplitsTheChosenFileAndRemembersIt) {
    FormFixture form;
    TempFolder folder;
    const std::string source = PatternBytes(2500);
    WriteBytes(folder / L"film.avi", source);
    form.TypeSize(L"1");
    {
        DialogAnswer answer(folder / L"film.avi");
        form.Click(ControlId::cmdOK);
    }
    EXPECT_EQ(FormFixture::Messages(), Messages{L"Datei erfolgreich gesplittet"});
    EXPECT_EQ(ReadBytes(folder / L"film.003"), source.substr(2048));
    EXPECT_EQ(ReadBytes(folder / L"film.bat"), "copy /b film.001 + film.002 + film.003 film.avi\r\n");
    EXPECT_EQ(form.Text(ControlId::lblInfo1), L" ");
    ExpectHourglassOnlyWhileCopying(form);

    // The second dialog offers the first file; cancelling it touches nothing.
    const auto before = FileNames(folder.Path());
    FormFixture::Messages().clear();
    {
        DialogAnswer answer(L"");
        form.Click(ControlId::cmdOK);
        const FileDialogVisit& seen = answer.Finish();
        ASSERT_TRUE(seen.shown);
        EXPECT_TRUE(seen.offered.ends_with(L"film.avi")) << seen.offered;
    }
    EXPECT_TRUE(FormFixture::Messages().empty());
    EXPECT_EQ(FileNames(folder.Path()), before);
    EXPECT_EQ(form.Text(ControlId::lblInfo1), L" ");
}

TEST(FormAction, AFileErrorEndsTheActionNotTheProgram) {
    FormFixture form;
    TempFolder folder;
    const std::string source = PatternBytes(2500);
    WriteBytes(folder / L"f.avi", source);
    WriteBytes(folder / L"f.002", "old");
    ::SetFileAttributesW((folder / L"f.002").c_str(), FILE_ATTRIBUTE_READONLY);
    form.TypeSize(L"1");
    {
        DialogAnswer answer(folder / L"f.avi");
        form.Click(ControlId::cmdOK);
    }
    ASSERT_EQ(FormFixture::Messages().size(), 1u);
    const std::wstring& message = FormFixture::Messages()[0];
    EXPECT_EQ(message.rfind(L"Fehler 5: ", 0), 0u) << message;
    EXPECT_NE(message.find(folder / L"f.002"), std::wstring::npos) << message;
    EXPECT_EQ(form.Text(ControlId::lblInfo1), L" ");
    ExpectHourglassOnlyWhileCopying(form);

    // The window goes on: once the piece is writable, the same action succeeds.
    ::SetFileAttributesW((folder / L"f.002").c_str(), FILE_ATTRIBUTE_NORMAL);
    FormFixture::Messages().clear();
    {
        DialogAnswer answer(folder / L"f.avi");
        form.Click(ControlId::cmdOK);
    }
    EXPECT_EQ(FormFixture::Messages(), Messages{L"Datei erfolgreich gesplittet"});
    EXPECT_EQ(ReadBytes(folder / L"f.002"), source.substr(1024, 1024));
}

TEST(FormAction, EndAndTheCloseBoxEndTheProgram) {
    for (const bool closeBox : {false, true}) {
        FormFixture form;
        const HWND window = form.Window();
        if (closeBox) {
            ::PostMessageW(form.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
            form.Pump();
        } else {
            form.Click(ControlId::cmdEnd);
        }
        EXPECT_FALSE(::IsWindow(window));
        MSG quit{};
        EXPECT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
        EXPECT_TRUE(FormFixture::Messages().empty());
    }
}

} // namespace
