#include <gtest/gtest.h>

#include "recording_window.h"
#include "window/size_field.h"

namespace {

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
        {L"1e3", 1024000, none},
        {L"&H10", 16384, none},
        {L"0.0001", 0, none},
        {L"0.00048828125", 0, none},
        {L"0.0009765625", 1, none},
        {L"0.00146484375", 2, none},
        {L"0.00244140625", 2, none},
        {L"2097151.9995117", 2147483647, none},
        {L"", 0, invalid},
        {L"kB", 0, invalid},
        {L"0", 0, invalid},
        {L"-5", 0, invalid},
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
