#include "window/size_field.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recording_window.h"

namespace {

const std::vector<std::wstring> kRefused = {std::wstring(L"ShowMessage ") + kInvalidSizeMessage, L"FocusSizeField"};

TEST(SizeField, TextsGiveBytesOrAreRefusedWithMessageAndFocus) {
    const struct {
        const wchar_t* text;
        std::int32_t bytes;
        std::vector<std::wstring> calls;
    } cases[] = {
        {L"", 0, kRefused},        {L"kB", 0, kRefused},         {L"0", 0, kRefused},
        {L"-5", 0, kRefused},      {L"&HFFFFFFFF", 0, kRefused}, {L"100", 102400, {}},
        {L"1.5", 1536, {}},        {L"1,5", 1024, {}},           {L" 2 0 ", 20480, {}},
        {L"64kB", 65536, {}},      {L"1e3", 1024000, {}},        {L"0.0001", 0, {}},
        {L"0.00048828125", 0, {}}, {L"0.0009765625", 1, {}},     {L"2097151.9995117", 2147483647, {}},
    };
    for (const auto& c : cases) {
        RecordingWindow window;
        EXPECT_EQ(PartSizeInBytes(c.text, window), c.bytes) << c.text;
        EXPECT_EQ(window.calls, c.calls) << c.text;
    }
}

TEST(SizeField, SizeTooLargeIsReportedAndTheFocusMoves) {
    for (const wchar_t* text : {L"2097152", L"2097151.99951171875", L"1e400", L"&H7FFFFFFF"}) {
        RecordingWindow window;
        EXPECT_EQ(PartSizeInBytes(text, window), 0) << text;
        ASSERT_EQ(window.calls.size(), 2u) << text;
        EXPECT_NE(window.calls[0].find(L"ShowMessage Fehler 534: "), std::wstring::npos) << window.calls[0];
        EXPECT_NE(window.calls[0].find(L" 2097151 kB"), std::wstring::npos) << window.calls[0];
        EXPECT_EQ(window.calls[1], L"FocusSizeField");
    }
}

} // namespace
