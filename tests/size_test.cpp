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

} // namespace
