#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "recording_window.h"
#include "window/size_field.h"
#include "window/size_text.h"

using namespace std::literals;

namespace {

using Calls = std::vector<std::wstring>;

TEST(SizeField, TextsGiveBytesOrAreRefusedWithMessageAndFocus) {
    const Calls invalid = {L"ShowMessage Geben Sie bitte eine gültige Dateigröße an!", L"FocusSizeField"};
    const Calls tooLarge = {L"ShowMessage Fehler 534: Die angegebene Dateigröße ist zu groß. "
                            L"Erlaubt sind höchstens 2097151 kB.",
                            L"FocusSizeField"};
    const std::pair<std::wstring_view, std::int32_t> accepted[] = {
        {L"100", 102400},
        {L"1.5", 1536},
        {L"1,5", 1024},
        {L" 2 0 ", 20480},
        {L"\t1\n0 2 4x", 1048576},
        {L"64kB", 65536},
        {L"1e3", 1024000},
        {L"&H10", 16384},
        {L"&o17", 15360},
        // Rounded to the nearest byte, halves to the even one; 0 bytes asks for nothing, silently.
        {L"0.0001", 0},
        {L"0.00048828125", 0},
        {L"0.0009765625", 1},
        {L"0.00146484375", 2},
        {L"0.00244140625", 2},
        {L"0.000488281251", 1},
        {L"2097151", 2147482624},
        {L"2097151.9995117", 2147483647}};
    for (const auto& [text, bytes] : accepted) {
        RecordingWindow window;
        EXPECT_EQ(PartSizeInBytes(text, window), bytes) << std::wstring(text);
        EXPECT_EQ(window.calls, Calls{}) << std::wstring(text);
    }
    const std::pair<std::wstring_view, const Calls&> refused[] = {{L"", invalid},
                                                                  {L"kB", invalid},
                                                                  {L"0", invalid},
                                                                  {L"-5", invalid},
                                                                  {L"&HFFFFFFFF", invalid},
                                                                  {L"2097152", tooLarge},
                                                                  {L"2097151.99951171875", tooLarge},
                                                                  {L"1e400", tooLarge},
                                                                  {L"-1e400", tooLarge},
                                                                  {L"&H200000", tooLarge},
                                                                  {L"&H100000000", tooLarge}};
    for (const auto& [text, calls] : refused) {
        RecordingWindow window;
        EXPECT_EQ(PartSizeInBytes(text, window), 0) << std::wstring(text);
        EXPECT_EQ(window.calls, calls) << std::wstring(text);
    }
}

TEST(SizeText, LeadingNumberReadsAndStopsAsTheClassicRuleDoes) {
    const std::wstring longFraction = L"9007199254740993." + std::wstring(10000, L'0');
    const std::pair<std::wstring, std::optional<double>> cases[] = {
        {L"- 5", -5},
        {L"+7", 7},
        {L"+-7", 0},
        {L".5", 0.5},
        {L"1.2.3", 1.2},
        {L"1e", 1},
        {L"1E-2", 0.01},
        {L"2e 1", 20},
        {L"e5", 0},
        {L"12\r3", 12},
        {L"12\u00A03", 12},
        {L"12\0 34"s, 12},
        {L"& H 1 F", 31},
        {L"-&H10", 0},
        {L"&O8", 0},
        {L"1e-400", 0},
        {L"1.8e308", std::nullopt},
        {L"1e99999999999999999999999", std::nullopt},
        // Long digit runs are rounded correctly, not cut after some digits.
        {longFraction, 9007199254740992.0},
        {longFraction + L"1", 9007199254740994.0},
        {std::wstring(10000, L'9'), std::nullopt},
        {std::wstring(10000, L'0') + L"5", 5},
        {L"5" + std::wstring(400, L'0') + L"e-400", 5}};
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(LeadingNumber(text), value) << text.substr(0, 40);
    }
}

} // namespace
