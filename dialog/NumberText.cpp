#include "dialog/NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace velmora::dialog {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Index past leading blanks and an optional sign; sets negative.
size_t SkipBlanksAndSign(const std::string& text, bool& negative) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    return i;
}

}  // namespace

int ParseInteger(const std::string& text, int32_t& value) {
    bool negative = false;
    size_t i = SkipBlanksAndSign(text, negative);
    if (i >= text.size()) return int(i) + 1;
    const int64_t limit = negative ? -int64_t(std::numeric_limits<int32_t>::min())
                                   : int64_t(std::numeric_limits<int32_t>::max());
    int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        if (!IsDigit(text[i])) return int(i) + 1;
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > limit) return int(i) + 1;
    }
    value = int32_t(negative ? -magnitude : magnitude);
    return 0;
}

int ParseReal(const std::string& text, double& value) {
    bool negative = false;
    const size_t start = SkipBlanksAndSign(text, negative);
    size_t i = start;
    size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return int(i < text.size() ? i : text.size()) + 1;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        if (i >= text.size()) return int(i) + 1;
        while (i < text.size() && IsDigit(text[i])) ++i;
    }
    if (i < text.size()) return int(i) + 1;
    // The text is well formed. from_chars reads it independently of the
    // process locale (a host may have set one with a decimal comma).
    double v = 0;
    const char* first = text.data() + start;
    if (*first == '.') {
        // from_chars wants a digit before the point.
        std::string withZero = "0" + text.substr(start);
        auto r = std::from_chars(withZero.data(), withZero.data() + withZero.size(), v);
        if (r.ec != std::errc()) return int(text.size());
    } else {
        auto r = std::from_chars(first, text.data() + text.size(), v);
        if (r.ec != std::errc()) return int(text.size());
    }
    if (!std::isfinite(v)) return int(text.size());
    value = negative ? -v : v;
    return 0;
}

std::string IntegerText(int64_t value) {
    return std::to_string(value);
}

std::string FixedText(double value, int decimals) {
    char buffer[400];
    auto r =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (r.ec != std::errc()) return std::isnan(value) ? "0" : value < 0 ? "-inf" : "inf";
    std::string s(buffer, r.ptr);
    // No negative zero: -0.00 reads as 0.00.
    if (s.size() > 1 && s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos)
        s.erase(0, 1);
    return s;
}

std::string FactorText(double value) {
    return FixedText(value, value <= 1.98 + 1e-9 ? 2 : 1);
}

}  // namespace velmora::dialog
