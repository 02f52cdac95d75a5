#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <tuple>

#include "pieces/free_space.h"
#include "pieces/naming.h"
#include "pieces/script_text.h"
#include "recording_window.h"
#include "window/size_field.h"

namespace {

// The worked example's batch file, byte for byte (ASCII), as a user finds it beside the pieces of film.avi; piece names
// past the runs' (d.0001 is no piece of theirs).
TEST(ScriptText, ChecksEveryPieceAndJoinsUnderATemporaryNameByItsOwnName) {
    std::ifstream file(KAVRO_TEST_DATA "/film.bat", std::ios::binary);
    EXPECT_EQ(ScriptText(L"film.avi", 2500, 1024, 850), std::wstring(std::istreambuf_iterator<char>(file), {}));
    EXPECT_TRUE(PieceNumberText(10000) == L"10000" && PieceNumberOf(L"2147483648") == 2147483648);
}

TEST(FreeSpace, ARunIsRefusedOnlyWhenItsFilesInWholeAllocationUnitsCannotFit) {
    // A source of length bytes in pieces and a batch file of script bytes take, in units of 4 KiB, 512 bytes or bytes:
    EXPECT_EQ(RunOnDisk(20480, 1024, 100, 4096), 86016u);
    EXPECT_EQ(RunOnDisk(20480, 1024, 100, 0), 20580u);
    EXPECT_EQ(RunOnDisk(2500, 1024, 0, 512), 2560u);  // the last piece 452 bytes
    EXPECT_EQ(RunOnDisk(2048, 1024, 0, 4096), 8192u); // no empty third piece
    // Replaced files are deleted first; a compressed folder may hold more; nothing where Windows could not say.
    const DriveSpace free1000{1000, 4096, false, false}, full{0, 0, false, false}, compressed{1000, 0, false, true};
    const std::tuple<std::uint64_t, std::uint64_t, std::optional<DriveSpace>, bool> cases[] = {
        {1000, 0, free1000, false}, {1001, 0, free1000, true},    {1001, 1, free1000, false},
        {1000, 2000, full, false},  {1001, 0, compressed, false}, {1001, 0, std::nullopt, false}};
    for (const auto& [needed, replaced, space, refused] : cases) {
        EXPECT_EQ(SpaceIsShort(needed, replaced, space), refused) << needed << " " << replaced;
    }
}

TEST(SizeField, TextsGiveBytesOrAreRefusedWithMessageAndFocus) {
    const Names invalid = {L"ShowMessage Geben Sie bitte eine gültige Dateigröße an!", L"FocusSizeField"};
    const Names tooLarge = {L"ShowMessage Fehler 534: Die angegebene Dateigröße ist zu groß. "
                            L"Erlaubt sind höchstens 2097151 kB.",
                            L"FocusSizeField"};
    const Names none;
    // Rounded to the nearest byte, halves to the even one; 0 bytes asks for nothing, silently.
    const std::tuple<std::wstring_view, std::int32_t, const Names&> cases[] = {
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
