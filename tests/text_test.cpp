#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>

#include "pieces/naming.h"
#include "pieces/script_text.h"
#include "recording_window.h"
#include "window/size_field.h"

namespace {

TEST(Naming, StemNameAndPieceNumbers) {
    const std::tuple<const wchar_t*, const wchar_t*, const wchar_t*> paths[] = {
        {L"C:\\a\\b.tar.gz", L"C:\\a\\b.tar.", L"b.tar.gz"},
        {L"C:\\a\\b.", L"C:\\a\\b.", L"b."},
        {L"C:\\Daten.alt\\liesmich", L"C:\\Daten.alt\\liesmich.", L"liesmich"}, // not the folder's dot
        {L"C:\\a/b.c\\d", L"C:\\a/b.c\\d.", L"d"},
    };
    for (const auto& [path, stem, name] : paths) {
        EXPECT_EQ(StemWithDot(path), stem) << path;
        EXPECT_EQ(NameOnly(path), name) << path;
    }
    const std::pair<std::int64_t, const wchar_t*> numbers[] = {
        {1, L"001"},   {9, L"009"},     {10, L"010"},    {99, L"099"},      {100, L"100"},
        {999, L"999"}, {1000, L"1000"}, {9999, L"9999"}, {10000, L"10000"}, {2147483648, L"2147483648"},
    };
    for (const auto& [number, text] : numbers) {
        EXPECT_EQ(PieceNumberText(number), text);
        EXPECT_EQ(PieceNumberOf(text), number) << text;
    }
}

TEST(ScriptText, JoinsInItsOwnFolderWithNamesQuotedWhereTheInterpreterWouldMisreadThem) {
    const std::wstring pushd = L"@pushd \"%~dp0\"\r\n";
    std::vector<std::pair<std::wstring, std::wstring>> cases = {
        {L"film.avi", L"@pushd \"%~dp0\"\r\ncopy /b film.001 + film.002 + film.003 film.avi\r\n@popd\r\n"}};
    // Each character that forces quotes alone; "%" doubled; beyond ASCII the console is set to the names' code page.
    for (const wchar_t c : std::wstring_view(L"&^();=,+!'~[]{}% \u00A0")) {
        const std::wstring name = L"a" + std::wstring(1, c) + L"b";
        const std::wstring spelled = L"\"" + (c == L'%' ? L"a%%b" : name);
        cases.push_back({name + L".x", (c == L'\u00A0' ? L"@chcp 850 >nul 2>&1\r\n" : L"") + pushd + L"copy /b " +
                                           spelled + L".001\" + " + spelled + L".002\" + " + spelled + L".003\" " +
                                           spelled + L".x\"\r\n@popd\r\n"});
    }
    for (const auto& [source, text] : cases) {
        EXPECT_EQ(ScriptText(source.substr(0, source.find(L'.') + 1), 3, source, 850), text) << source;
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
    const std::tuple<std::wstring_view, std::int32_t, const Calls&> cases[] = {
        {L"100", 102400, none},     {L"1.5", 1536, none},        {L"1,5", 1024, none},
        {L" 2 0 ", 20480, none},    {L"64kB", 65536, none},      {L"0.0001", 0, none},
        {L"&H10", 16384, none},     {L"0.00048828125", 0, none}, {L"0.00146484375", 2, none},
        {L"0.0009765625", 1, none}, {L"0.00244140625", 2, none}, {L"2097151.9995", INT32_MAX, none},
        {L"", 0, invalid},          {L"0", 0, invalid},          {L"&HFFFFFFFF", 0, invalid},
        {L"2097152", 0, tooLarge},  {L"-1e400", 0, tooLarge},    {L"2097151.99951171875", 0, tooLarge},
        {L"1e400", 0, tooLarge},    {L"&H200000", 0, tooLarge},
    };
    for (const auto& [text, bytes, calls] : cases) {
        RecordingWindow window;
        EXPECT_EQ(PartSizeInBytes(text, window), bytes) << std::wstring(text);
        EXPECT_EQ(window.calls, calls) << std::wstring(text);
    }
}

} // namespace
