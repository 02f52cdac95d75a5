#include <gtest/gtest.h>

#include "pieces/naming.h"
#include "pieces/script_text.h"

namespace {

TEST(Naming, StemAndNameOfPaths) {
    const struct {
        const wchar_t *path, *stem, *name;
    } cases[] = {
        {L"C:\\Daten\\film.avi", L"C:\\Daten\\film.", L"film.avi"},
        {L"C:\\a\\b.tar.gz", L"C:\\a\\b.tar.", L"b.tar.gz"},
        {L"C:\\a\\b.", L"C:\\a\\b.", L"b."},
        // A dot in a folder name must not put the pieces into the parent folder.
        {L"C:\\Daten.alt\\liesmich", L"C:\\Daten.alt\\liesmich.", L"liesmich"},
        {L"C:\\a/b.c\\d", L"C:\\a/b.c\\d.", L"d"},
        {L"film.001", L"film.", L"film.001"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StemWithDot(c.path), c.stem) << c.path;
        EXPECT_EQ(NameOnly(c.path), c.name) << c.path;
    }
}

TEST(ScriptText, NamesAreQuotedOnlyWhereTheInterpreterWouldMisreadThem) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"Ab_c-9.TXT", L"Ab_c-9.TXT"},
        {L"Müßiggang.avi", L"Müßiggang.avi"},
        {L"Mein Film.avi", L"\"Mein Film.avi\""},
        {L"100%.avi", L"\"100%%.avi\""},
        {L"a+b.001", L"\"a+b.001\""},
        {L"x(1)^2;=,!'~[]{}|<>&.bin", L"\"x(1)^2;=,!'~[]{}|<>&.bin\""},
        {L"no\u00A0break.avi", L"\"no\u00A0break.avi\""},
    };
    for (const auto& [name, spelled] : cases) {
        EXPECT_EQ(ScriptName(name), spelled) << name;
    }
    EXPECT_EQ(ScriptText(L"film.", 3, L"film.avi"), L"copy /b film.001 + film.002 + film.003 film.avi\r\n");
    EXPECT_EQ(ScriptText(L"a b%.", 1, L"a b%"), L"copy /b \"a b%%.001\" \"a b%%\"\r\n");
}

} // namespace
