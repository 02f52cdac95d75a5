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

TEST(Naming, PieceNumbersAndCounts) {
    const std::pair<std::int64_t, const wchar_t*> numbers[] = {
        {1, L"001"}, {42, L"042"}, {999, L"999"}, {1000, L"1000"}, {5000000000, L"5000000000"}};
    for (const auto& [number, text] : numbers) {
        EXPECT_EQ(PieceNumberText(number), text);
        EXPECT_EQ(PieceNumberOf(text), number) << text;
    }
    for (const wchar_t* text : {L"01", L"000", L"0999", L"bat", L"12a", L"+123", L"9999999999999999999999"}) {
        EXPECT_FALSE(PieceNumberOf(text)) << text;
    }
    const std::tuple<std::int64_t, std::int32_t, std::int64_t> counts[] = {
        {0, 1024, 0}, {1024, 1024, 1}, {1025, 1024, 2}, {2048, 1024, 2}, {3LL << 31, 2147483647, 4}};
    for (const auto& [length, size, count] : counts) {
        EXPECT_EQ(PieceCount(length, size), count) << length << " / " << size;
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

TEST(ScriptText, LongListsGoOnInAppendingLinesThatFit) {
    // A non-ASCII character may take three bytes of the interpreter's line.
    for (const std::wstring source : {L"film.avi", L"Ein langer Name mit 100% Blanks.mkv", L"Größenwahn.mkv"}) {
        const std::wstring stem = StemWithDot(source);
        const std::wstring target = ScriptName(source);
        const std::wstring text = ScriptText(stem, 12000, source);
        std::int64_t next = 1;
        std::size_t lines = 0;
        for (std::size_t at = 0; at < text.size(); ++lines) {
            const auto end = text.find(L"\r\n", at);
            ASSERT_NE(end, std::wstring::npos);
            const std::wstring line = text.substr(at, end - at);
            at = end + 2;
            EXPECT_LE(ScriptWidth(line), kMaxScriptLineLength);
            const std::wstring head = lines == 0 ? L"copy /b " : L"copy /b " + target + L" + ";
            ASSERT_EQ(line.substr(0, head.size()), head);
            ASSERT_EQ(line.substr(line.size() - target.size() - 1), L" " + target);
            const std::wstring pieces = line.substr(head.size(), line.size() - head.size() - target.size() - 1);
            for (std::size_t from = 0; from <= pieces.size(); ++next) {
                const auto plus = std::min(pieces.find(L" + ", from), pieces.size());
                ASSERT_EQ(pieces.substr(from, plus - from), ScriptName(stem + PieceNumberText(next)));
                from = plus + 3;
            }
            // A line ends only where the next piece would not have fitted.
            const std::wstring nextPiece = ScriptName(stem + PieceNumberText(next));
            EXPECT_TRUE(at == text.size() || ScriptWidth(line) + 3 + ScriptWidth(nextPiece) > kMaxScriptLineLength);
        }
        EXPECT_GT(lines, 1u);
        EXPECT_EQ(next, 12001) << source;
    }
}

} // namespace
