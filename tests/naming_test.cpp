#include "pieces/naming.h"

#include <gtest/gtest.h>

namespace {

struct PathCase {
    const wchar_t* path;
    const wchar_t* stem;
    const wchar_t* name;
};

TEST(Naming, StemAndNameOfPaths) {
    const PathCase cases[] = {
        {L"C:\\a\\b.txt", L"C:\\a\\b.", L"b.txt"},
        {L"C:\\a\\b.tar.gz", L"C:\\a\\b.tar.", L"b.tar.gz"},
        {L"C:\\a\\b", L"C:\\a\\b.", L"b"},
        {L"C:\\a\\b.", L"C:\\a\\b.", L"b."},
        // A dot in a directory name must not move the pieces into the parent folder.
        {L"C:\\x.y\\b", L"C:\\x.y\\b.", L"b"},
        {L"C:\\Daten.alt\\liesmich", L"C:\\Daten.alt\\liesmich.", L"liesmich"},
        {L"C:\\Daten\\film.avi", L"C:\\Daten\\film.", L"film.avi"},
        {L"film.001", L"film.", L"film.001"},
        {L"C:\\a\\", L"C:\\a\\.", L""},
        {L"C:\\a/b.c\\d", L"C:\\a/b.c\\d.", L"d"},
        {L"C:\\Grüße\\Mein Film.avi", L"C:\\Grüße\\Mein Film.", L"Mein Film.avi"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StemWithDot(c.path), c.stem) << c.path;
        EXPECT_EQ(NameOnly(c.path), c.name) << c.path;
    }
}

TEST(Naming, PieceNumberTextPadsToThreeDigits) {
    const std::pair<std::int64_t, const wchar_t*> cases[] = {
        {1, L"001"},       {42, L"042"},      {999, L"999"},       {1000, L"1000"},
        {32767, L"32767"}, {32768, L"32768"}, {100000, L"100000"}, {5000000000, L"5000000000"},
    };
    for (const auto& [number, text] : cases) {
        EXPECT_EQ(PieceNumberText(number), text);
        EXPECT_EQ(PieceNumberOf(text), number) << text;
    }
}

TEST(Naming, PieceNumberOfRefusesWhatNoPieceIsCalled) {
    for (const wchar_t* text :
         {L"", L"1", L"01", L"000", L"0001", L"0999", L"bat", L"12a", L"-12", L"+123", L"9999999999999999999999"}) {
        EXPECT_FALSE(PieceNumberOf(text).has_value()) << text;
    }
}

TEST(Naming, ScriptPathAndPieceCount) {
    EXPECT_EQ(ScriptPath(L"C:\\Daten\\film."), L"C:\\Daten\\film.bat");
    const struct {
        std::int64_t length;
        std::int32_t size;
        std::int64_t count;
    } cases[] = {
        {0, 1024, 0},
        {1, 1024, 1},
        {1024, 1024, 1},
        {1025, 1024, 2},
        {2048, 1024, 2},
        {2500, 1024, 3},
        {5LL << 30, 1 << 30, 5},
        {(5LL << 30) + 1, 1 << 30, 6},
        {3LL << 31, 2147483647, 4},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PieceCount(c.length, c.size), c.count) << c.length << " / " << c.size;
    }
}

} // namespace
