#include "window/size_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace {

// The text seen through the rule's eyes: blanks, tabs and line feeds are not there at all.
class CharReader {
public:
    explicit CharReader(std::wstring_view text) : text_(text) {}

    // The next character that counts, or L'\0' at the end. A NUL inside the text fits no part
    // of a number either, so it stops the reading just as the end does.
    wchar_t Peek() {
        while (pos_ < text_.size() && (text_[pos_] == L' ' || text_[pos_] == L'\t' || text_[pos_] == L'\n')) {
            ++pos_;
        }
        return pos_ < text_.size() ? text_[pos_] : L'\0';
    }

    // Moves past the character that Peek gave.
    void Next() { ++pos_; }

    // Moves past the next character if it is one of choices.
    bool Take(std::wstring_view choices) {
        if (choices.find(Peek()) == std::wstring_view::npos) {
            return false;
        }
        Next();
        return true;
    }

private:
    std::wstring_view text_;
    std::size_t pos_ = 0;
};

// The value of c as a digit of the base (up to 16), or -1.
int DigitValue(wchar_t c, int base) {
    int value = -1;
    if (c >= L'0' && c <= L'9') {
        value = static_cast<int>(c - L'0');
    } else if (c >= L'a' && c <= L'f') {
        value = static_cast<int>(c - L'a') + 10;
    } else if (c >= L'A' && c <= L'F') {
        value = static_cast<int>(c - L'A') + 10;
    }
    return value < base ? value : -1;
}

// The digits after &H or &O as a signed 32-bit integer in two's complement: &H7FFFFFFF is the
// largest, &HFFFFFFFF is -1. One width whatever the number of digits, wide enough that &HFFFF
// still means 65535 kB. More than 32 bits are too large.
std::optional<double> RadixInteger(CharReader& reader, int base) {
    std::uint64_t value = 0;
    for (int digit; (digit = DigitValue(reader.Peek(), base)) >= 0; reader.Next()) {
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
        if (value > std::numeric_limits<std::uint32_t>::max()) {
            return std::nullopt;
        }
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

// Far beyond any exponent a double can use, and far from the int64 limits.
constexpr std::int64_t kExponentLimit = 1'000'000'000;

// A signed decimal number with an optional exponent.
std::optional<double> DecimalNumber(CharReader& reader) {
    const bool negative = reader.Take(L"-");
    if (!negative) {
        reader.Take(L"+");
    }

    // The number is 0.significant × 10^exponent: leading zeros are dropped and the point is
    // folded into the exponent, so a long run of digits only makes significant longer.
    std::string significant;
    std::int64_t exponent = 0;
    bool anyDigit = false;
    bool afterPoint = false;
    for (;; reader.Next()) {
        const wchar_t c = reader.Peek();
        if (c >= L'0' && c <= L'9') {
            anyDigit = true;
            if (!significant.empty() || c != L'0') {
                significant.push_back(static_cast<char>('0' + (c - L'0')));
                exponent += afterPoint ? 0 : 1;
            } else if (afterPoint) {
                --exponent;
            }
        } else if (c == L'.' && !afterPoint) {
            afterPoint = true;
        } else {
            break;
        }
    }
    if (anyDigit && reader.Take(L"Ee")) {
        const bool negativeExponent = reader.Take(L"-");
        if (!negativeExponent) {
            reader.Take(L"+");
        }
        std::int64_t written = 0;
        for (int digit; (digit = DigitValue(reader.Peek(), 10)) >= 0; reader.Next()) {
            written = std::min(written * 10 + digit, kExponentLimit);
        }
        exponent += negativeExponent ? -written : written;
    }

    const double zero = negative ? -0.0 : 0.0;
    if (significant.empty()) {
        return zero;
    }
    // 0.1 × 10^310 is beyond the largest double, 10^-330 below the smallest one above zero.
    if (exponent >= 310) {
        return std::nullopt;
    }
    if (exponent <= -330) {
        return zero;
    }
    // from_chars is correctly rounded and, unlike strtod, never looks at the locale's decimal
    // point.
    const std::string canonical = "0." + significant + "e" + std::to_string(exponent);
    double magnitude = 0;
    const auto read = std::from_chars(canonical.data(), canonical.data() + canonical.size(), magnitude);
    if (read.ec == std::errc::result_out_of_range) {
        if (exponent > 0) {
            return std::nullopt;
        }
        return zero;
    }
    return negative ? -magnitude : magnitude;
}

} // namespace

std::optional<double> LeadingNumber(std::wstring_view text) {
    CharReader reader(text);
    if (reader.Take(L"&")) {
        if (reader.Take(L"Hh")) {
            return RadixInteger(reader, 16);
        }
        if (reader.Take(L"Oo")) {
            return RadixInteger(reader, 8);
        }
        return 0.0;
    }
    return DecimalNumber(reader);
}

std::optional<std::int32_t> KilobytesToBytes(double kilobytes) {
    // Exact: multiplying by a power of two only moves the exponent (or overflows to infinity).
    const double bytes = kilobytes * 1024;
    // Also keeps infinity and NaN away from the rounding and the conversion below.
    if (!(std::fabs(bytes) < 4294967296.0)) {
        return std::nullopt;
    }
    // Halves to even, whatever rounding mode the floating-point unit happens to be in. Both the
    // fraction and the parity test are exact for numbers this small.
    double rounded = std::floor(bytes);
    const double fraction = bytes - rounded;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(rounded, 2.0) != 0)) {
        rounded += 1;
    }
    if (rounded > std::numeric_limits<std::int32_t>::max() || rounded < std::numeric_limits<std::int32_t>::min()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(rounded);
}
