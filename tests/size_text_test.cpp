#include "window/size_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

using namespace std::literals;

namespace {

constexpr std::int64_t kNotPositive = -1;
constexpr std::int64_t kTooLarge = -2;

// What a size field text comes to: bytes, or why it is refused.
std::int64_t Outcome(std::wstring_view text) {
    const auto kilobytes = LeadingNumber(text);
    if (kilobytes && *kilobytes <= 0) {
        return kNotPositive;
    }
    const auto bytes = kilobytes ? KilobytesToBytes(*kilobytes) : std::nullopt;
    return bytes ? *bytes : kTooLarge;
}

TEST(SizeText, FieldTextsGiveBytesOrAreRefused) {
    const std::pair<std::wstring_view, std::int64_t> cases[] = {
        {L""sv, kNotPositive},
        {L"kB"sv, kNotPositive},
        {L"0"sv, kNotPositive},
        {L"-5"sv, kNotPositive},
        {L"100"sv, 102400},
        {L"1.5"sv, 1536},
        {L"1,5"sv, 1024},
        {L" 2 0 "sv, 20480},
        {L"64kB"sv, 65536},
        {L"1e3"sv, 1024000},
        {L"0.0001"sv, 0},
        {L"0.00048828125"sv, 0},
        {L"0.0009765625"sv, 1},
        {L"2097152"sv, kTooLarge},
        // Halves go to the even neighbour, both ways; just off a half goes to the nearer one.
        {L"0.00146484375"sv, 2},
        {L"0.00244140625"sv, 2},
        {L"0.000488281251"sv, 1},
        // The largest sizes accepted and the smallest refused.
        {L"2097151"sv, 2147482624},
        {L"2097151.9995117"sv, 2147483647},
        {L"2097151.99951171875"sv, kTooLarge},
        {L"1e400"sv, kTooLarge},
        {L"-1e400"sv, kTooLarge},
        // &H and &O are 32-bit: the top bit set makes them negative.
        {L"&H10"sv, 16384},
        {L"&h1f"sv, 31744},
        {L"&O17"sv, 15360},
        {L"&H1FFFFF"sv, 2147482624},
        {L"&H200000"sv, kTooLarge},
        {L"&HFFFFFFFF"sv, kNotPositive},
        {L"&H100000000"sv, kTooLarge},
        {L"&O37777777777"sv, kNotPositive},
        {L"&O40000000000"sv, kTooLarge},
        {L"&H"sv, kNotPositive},
        {L"&X10"sv, kNotPositive},
        {L"&O8"sv, kNotPositive},
    };
    for (const auto& [text, outcome] : cases) {
        EXPECT_EQ(Outcome(text), outcome) << std::wstring(text);
    }
}

TEST(SizeText, LeadingNumberReadsAndStopsAsTheClassicRuleDoes) {
    const std::wstring longFraction = L"9007199254740993." + std::wstring(10000, L'0');
    const std::pair<std::wstring, std::optional<double>> cases[] = {
        {L"\t1\n0 2 4x", 1024},
        {L"- 5", -5},
        {L"+7", 7},
        {L"+-7", 0},
        {L"-", 0},
        {L"+", 0},
        {L".", 0},
        {L".5", 0.5},
        {L"5.", 5},
        {L"1.2.3", 1.2},
        {L"1e", 1},
        {L"1e+", 1},
        {L"1E-2", 0.01},
        {L"2e 1", 20},
        {L"e5", 0},
        {L"1e2.5", 100},
        {L"12\r3", 12},
        {L"12\u00A03", 12},
        {L"\uFF11", 0},
        {L"12\0 34"s, 12},
        {L"\0 12"s, 0},
        {L"& H 1 F", 31},
        {L"-&H10", 0},
        {L"&H1F.5", 31},
        {L"1e-400", 0},
        {L"0e99999", 0},
        {L"1e99999999999999999999999", std::nullopt},
        {L"1.7976931348623157e308", std::numeric_limits<double>::max()},
        {L"1.8e308", std::nullopt},
        {L"4.9406564584124654e-324", std::numeric_limits<double>::denorm_min()},
        // Long digit runs are rounded correctly, not cut after some digits.
        {longFraction, 9007199254740992.0},
        {longFraction + L"1", 9007199254740994.0},
        {std::wstring(10000, L'9'), std::nullopt},
        {L"0." + std::wstring(10000, L'0') + L"1", 0},
        {std::wstring(10000, L'0') + L"5", 5},
        {L"5" + std::wstring(400, L'0') + L"e-400", 5},
        {std::wstring(10000, L' ') + L"3" + std::wstring(10000, L' ') + L"4", 34},
        {L"1e" + std::wstring(10000, L'9'), std::nullopt},
        {L"1e-" + std::wstring(10000, L'9'), 0},
        {L"&H" + std::wstring(10000, L'0') + L"1", 1},
    };
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(LeadingNumber(text), value) << text.substr(0, 40);
    }
    EXPECT_TRUE(std::signbit(*LeadingNumber(L"-0")));
}

TEST(SizeText, KilobytesToBytesRefusesWhatLeavesTheRange) {
    const double infinity = std::numeric_limits<double>::infinity();
    const std::pair<double, std::optional<std::int32_t>> cases[] = {
        {-2097152, std::numeric_limits<std::int32_t>::min()},
        {-2097152.0005, std::nullopt},
        {-0.00146484375, -2},
        {1e300, std::nullopt},
        {infinity, std::nullopt},
        {-infinity, std::nullopt},
        {std::numeric_limits<double>::quiet_NaN(), std::nullopt},
        {std::numeric_limits<double>::max(), std::nullopt},
    };
    for (const auto& [kilobytes, bytes] : cases) {
        EXPECT_EQ(KilobytesToBytes(kilobytes), bytes) << kilobytes;
    }
}

} // namespace
