#include <gtest/gtest.h>

#include "pieces/naming.h"
#include "pieces/script_text.h"
#include "recording_window.h"
#include "window/size_field.h"

namespace {

TEST(Naming, StemAndNameOfPaths) {
    const struct {
        const wchar_t *path, *stem, *name;
    } cases[] = {
        {L"C:\\a\\b.tar.gz", L"C:\\a\\b.tar.", L"b.tar.gz"},
        {L"C:\\a\\b.", L"C:\\a\\b.", L"b."},
        // A dot in a folder name must not put the pieces into the parent folder.
        {L"C:\\Daten.alt\\liesmich", L"C:\\Daten.alt\\liesmich.", L"liesmich"},
        {L"C:\\a/b.c\\d", L"C:\\a/b.c\\d.", L"d"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StemWithDot(c.path), c.stem) << c.path;
        EXPECT_EQ(NameOnly(c.path), c.name) << c.path;
    }
}

TEST(ScriptText, NamesAreQuotedOnlyWhereTheInterpreterWouldMisreadThem) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"Ab_c-9.TXT", L"Ab_c-9.TXT"},
        {L"Müßiggang.avi", L"\"Müßiggang.avi\""},
        {L"Mein Film.avi", L"\"Mein Film.avi\""},
        {L"100%.avi", L"\"100%%.avi\""},
        {L"a+b.001", L"\"a+b.001\""},
        {L"x(1)^2;=,!'~[]{}|<>&.bin", L"\"x(1)^2;=,!'~[]{}|<>&.bin\""},
        {L"no\u00A0break.avi", L"\"no\u00A0break.avi\""},
    };
    for (const auto& [name, spelled] : cases) {
        EXPECT_EQ(ScriptName(name), spelled) << name;
    }
}

using Calls = std::vector<std::wstring>;

TEST(SizeField, TextsGiveBytesOrAreRefusedWithMessageAndFocus) {
    const Calls invalid = {L"ShowMessage Geben Sie bitte eine gültige Dateigröße an!", L"FocusSizeField"};
    const Calls tooLarge = {L"ShowMessage Fehler 534: Die angegebene Dateigröße ist zu groß. "
                            L"Erlaubt sind höchstens 2097151 kB.",
                            L"FocusSizeField"};
    const Calls none;
    // Rounded to the nearest byte, halves to the even one; 0 bytes asks for nothing, silently.
    const struct {
        std::wstring_view text;
        std::int32_t bytes;
        const Calls& calls;
    } cases[] = {
        {L"100", 102400, none},
        {L"1.5", 1536, none},
        {L"1,5", 1024, none},
        {L" 2 0 ", 20480, none},
        {L"64kB", 65536, none},
        {L"&H10", 16384, none},
        {L"0.0001", 0, none},
        {L"0.00048828125", 0, none},
        {L"0.0009765625", 1, none},
        {L"0.00146484375", 2, none},
        {L"0.00244140625", 2, none},
        {L"2097151.9995117", 2147483647, none},
        {L"", 0, invalid},
        {L"0", 0, invalid},
        {L"&HFFFFFFFF", 0, invalid},
        {L"2097152", 0, tooLarge},
        {L"2097151.99951171875", 0, tooLarge},
        {L"1e400", 0, tooLarge},
        {L"-1e400", 0, tooLarge},
        {L"&H200000", 0, tooLarge},
    };
    for (const auto& c : cases) {
        RecordingWindow window;
        EXPECT_EQ(PartSizeInBytes(c.text, window), c.bytes) << std::wstring(c.text);
        EXPECT_EQ(window.calls, c.calls) << std::wstring(c.text);
    }
}

} // namespace
