#include "numbers.h"

namespace {
const int kMaxDigits = 15; // every such integer and its power of ten are exact in a double

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Skips an optional sign; returns whether it was a minus.
bool TakeSign(const std::string& text, size_t& i) {
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) return text[i++] == '-';
    return false;
}
} // namespace

bool ParseInteger(const std::string& text, long long min, long long max, long long& value) {
    size_t i = 0;
    bool negative = TakeSign(text, i);
    if (i == text.size() || text.size() - i > 18) return false;
    long long magnitude = 0;
    for (; i < text.size(); ++i) {
        if (!IsDigit(text[i])) return false;
        magnitude = magnitude * 10 + (text[i] - '0');
    }
    long long result = negative ? -magnitude : magnitude;
    if (result < min || result > max) return false;
    value = result;
    return true;
}

bool ParseDecimal(const std::string& text, double& value) {
    size_t i = 0;
    bool negative = TakeSign(text, i);
    long long mantissa = 0;
    int digits = 0, fraction = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (!IsDigit(c) || ++digits > kMaxDigits) return false;
        mantissa = mantissa * 10 + (c - '0');
        if (point) ++fraction;
    }
    // "5." and ".5" are refused as well: a digit must stand on each side of the point.
    if (digits == 0 || (point && (fraction == 0 || digits == fraction))) return false;
    double scale = 1.0;
    for (int k = 0; k < fraction; ++k)
        scale *= 10.0;
    double result = static_cast<double>(mantissa) / scale;
    value = negative ? -result : result;
    return true;
}

std::wstring FormatFixed(double value, int decimals) {
    if (value != value) return L"nan";
    double scale = 1.0;
    for (int k = 0; k < decimals; ++k)
        scale *= 10.0;
    double scaled = value * scale;
    if (scaled > 9e15 || scaled < -9e15) return value < 0 ? L"-inf" : L"inf";
    long long units = static_cast<long long>(scaled < 0 ? scaled - 0.5 : scaled + 0.5);
    bool negative = units < 0;
    unsigned long long magnitude = static_cast<unsigned long long>(negative ? -units : units);
    std::wstring digits = std::to_wstring(magnitude);
    if (digits.size() <= static_cast<size_t>(decimals))
        digits.insert(0, static_cast<size_t>(decimals) + 1 - digits.size(), L'0');
    std::wstring text = decimals > 0 ? digits.substr(0, digits.size() - decimals) + L"." +
                                           digits.substr(digits.size() - decimals)
                                     : digits;
    return negative ? L"-" + text : text;
}
