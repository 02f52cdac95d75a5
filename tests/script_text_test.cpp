#include "pieces/script_text.h"

#include "pieces/naming.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The lines of the batch text, each of which must end in CR LF.
std::vector<std::wstring> Lines(std::wstring_view stem, std::int64_t count, std::wstring_view source) {
    const std::wstring text = ScriptText(stem, count, source);
    std::vector<std::wstring> lines;
    for (std::size_t at = 0; at < text.size();) {
        const auto end = text.find(L"\r\n", at);
        EXPECT_NE(end, std::wstring::npos) << "a line without its CR LF";
        if (end == std::wstring::npos) {
            break;
        }
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

TEST(ScriptText, OrdinaryNamesGiveTheOneLineUnchanged) {
    EXPECT_EQ(Lines(L"film.", 3, L"film.avi"),
              std::vector<std::wstring>{L"copy /b film.001 + film.002 + film.003 film.avi"});
    EXPECT_EQ(Lines(L"film.", 1, L"film.avi"), std::vector<std::wstring>{L"copy /b film.001 film.avi"});
    EXPECT_EQ(Lines(L"liesmich.", 2, L"liesmich"),
              std::vector<std::wstring>{L"copy /b liesmich.001 + liesmich.002 liesmich"});
    EXPECT_TRUE(Lines(L"film.", 0, L"film.avi").empty());
}

TEST(ScriptText, NamesAreQuotedOnlyWhereTheInterpreterWouldMisreadThem) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"film.avi", L"film.avi"},
        {L"Ab_c-9.TXT", L"Ab_c-9.TXT"},
        {L"Müll Größe.avi", L"\"Müll Größe.avi\""},
        {L"Müßiggang.avi", L"Müßiggang.avi"},
        {L"Mein Film.avi", L"\"Mein Film.avi\""},
        {L"a & del x.avi", L"\"a & del x.avi\""},
        {L"100%.avi", L"\"100%%.avi\""},
        {L"%PATH%", L"\"%%PATH%%\""},
        {L"a+b.001", L"\"a+b.001\""},
        {L"x(1)^2;=,!'~[]{}|<>.bin", L"\"x(1)^2;=,!'~[]{}|<>.bin\""},
        {L"no\u00A0break.avi", L"\"no\u00A0break.avi\""},
    };
    for (const auto& [name, spelled] : cases) {
        EXPECT_EQ(ScriptName(name), spelled) << name;
    }
    EXPECT_EQ(Lines(L"a & b%.", 2, L"a & b%.avi"),
              std::vector<std::wstring>{L"copy /b \"a & b%%.001\" + \"a & b%%.002\" \"a & b%%.avi\""});
}

TEST(ScriptText, LongListsGoOnInAppendingLinesThatFit) {
    // Non-ASCII characters may take up to three bytes each in the batch file.
    EXPECT_EQ(ScriptWidth(L"Größe.001"), 13u);
    for (const wchar_t* source : {L"film.avi", L"Ein sehr langer Name mit 100% Blanks.mkv", L"Größenwahn.mkv"}) {
        const std::wstring stem = std::wstring(source).substr(0, std::wstring(source).rfind(L'.') + 1);
        const std::int64_t count = 12000;
        const auto lines = Lines(stem, count, source);
        ASSERT_GT(lines.size(), 1u) << source;

        const std::wstring target = ScriptName(source);
        std::int64_t next = 1;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const std::wstring& line = lines[i];
            EXPECT_LE(ScriptWidth(line), kMaxScriptLineLength);
            std::wstring expected = L"copy /b ";
            if (i > 0) {
                expected += target + L" + ";
            }
            const std::wstring prefix = line.substr(0, expected.size());
            ASSERT_EQ(prefix, expected);
            ASSERT_EQ(line.substr(line.size() - target.size() - 1), L" " + target);
            // The pieces in between, in order, each exactly once.
            std::wstring rest = line.substr(expected.size(), line.size() - expected.size() - target.size() - 1);
            for (std::size_t at = 0; at <= rest.size();) {
                const auto plus = rest.find(L" + ", at);
                const auto end = plus == std::wstring::npos ? rest.size() : plus;
                ASSERT_EQ(rest.substr(at, end - at), ScriptName(stem + PieceNumberText(next)));
                ++next;
                at = end + 3;
            }
            // A line ends only when the next piece would not have fitted.
            if (i + 1 < lines.size()) {
                EXPECT_GT(ScriptWidth(line) + 3 + ScriptWidth(ScriptName(stem + PieceNumberText(next))),
                          kMaxScriptLineLength);
            }
        }
        EXPECT_EQ(next, count + 1) << source;
    }
}

} // namespace
