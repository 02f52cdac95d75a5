#include "window/size_field.h"

#include <limits>
#include <optional>
#include <string>

#include "window/size_text.h"

namespace {

// ERROR_ARITHMETIC_OVERFLOW; spelled out so that this file needs no windows.h.
constexpr std::uint32_t kArithmeticOverflow = 534;

// The largest whole number of kB whose bytes still fit a signed 32-bit byte count.
constexpr std::int32_t kLargestKilobytes = std::numeric_limits<std::int32_t>::max() / 1024;

void Refuse(const std::wstring& message, WindowOperations& window) {
    window.ShowMessage(message);
    window.FocusSizeField();
}

} // namespace

std::int32_t PartSizeInBytes(std::wstring_view fieldText, WindowOperations& window) {
    const std::optional<double> kilobytes = LeadingNumber(fieldText);
    if (kilobytes && *kilobytes <= 0) {
        Refuse(kInvalidSizeMessage, window);
        return 0;
    }
    // A size too large is reported like any other error but leaves the program running, so the
    // user can simply type a smaller one.
    const std::optional<std::int32_t> bytes = kilobytes ? KilobytesToBytes(*kilobytes) : std::nullopt;
    if (!bytes) {
        const RunError tooLarge(kArithmeticOverflow, L"Die angegebene Dateigröße ist zu groß. Erlaubt sind höchstens " +
                                                         std::to_wstring(kLargestKilobytes) + L" kB.");
        Refuse(ErrorMessageText(tooLarge), window);
        return 0;
    }
    return *bytes;
}
