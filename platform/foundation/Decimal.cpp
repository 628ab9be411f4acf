#include "platform/foundation/Decimal.hpp"

#include <limits>

namespace platform::foundation {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Adds one unit in the last place to a string of decimal digits; "99" becomes "100".
void incrementDigits(std::string& digits) {
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    digits.insert(digits.begin(), '1');
}

} // namespace

Decimal Decimal::fromInteger(std::int64_t value) {
    // Through the JSON reader, so that normalisation has one home.
    return fromJSONNumber(std::to_string(value)).value();
}

Result<Decimal, std::string> Decimal::fromJSONNumber(std::string_view text) {
    const auto invalid = [&] { return Failure{"“" + std::string(text) + "” is not a number"}; };
    std::size_t i = 0;
    Decimal result;
    if (i < text.size() && text[i] == '-') {
        result.negative_ = true;
        ++i;
    }
    // Integer part: "0" or a non-zero digit followed by digits.
    if (i >= text.size() || !isDigit(text[i])) return invalid();
    std::string digits;
    long long exponent = 0;
    if (text[i] == '0') {
        ++i;
        if (i < text.size() && isDigit(text[i])) return invalid();
    } else {
        while (i < text.size() && isDigit(text[i])) digits.push_back(text[i++]);
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        if (i >= text.size() || !isDigit(text[i])) return invalid();
        while (i < text.size() && isDigit(text[i])) {
            digits.push_back(text[i++]);
            --exponent;
        }
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) negativeExponent = text[i++] == '-';
        if (i >= text.size() || !isDigit(text[i])) return invalid();
        long long written = 0;
        while (i < text.size() && isDigit(text[i])) {
            // Exponents this large are out of range whatever the digits; stop counting early.
            if (written < 1'000'000'000) written = written * 10 + (text[i] - '0');
            ++i;
        }
        exponent += negativeExponent ? -written : written;
    }
    if (i != text.size()) return invalid();

    // Normalise: no leading zeros, no trailing zeros, at most 38 digits.
    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) return Decimal{};
    digits.erase(0, first);
    if (digits.size() > static_cast<std::size_t>(maximumDigits)) {
        const bool roundUp = digits[maximumDigits] >= '5';
        exponent += static_cast<long long>(digits.size()) - maximumDigits;
        digits.resize(maximumDigits);
        if (roundUp) incrementDigits(digits);
    }
    const std::size_t last = digits.find_last_not_of('0');
    exponent += static_cast<long long>(digits.size() - last - 1);
    digits.resize(last + 1);
    if (digits.size() > static_cast<std::size_t>(maximumDigits)) { // rounding made "100…0"
        digits.resize(maximumDigits);
        ++exponent;
    }

    if (exponent > maximumExponent) return Failure{"“" + std::string(text) + "” is too large for a decimal"};
    if (exponent < minimumExponent) {
        // Shift digits off the right end until the exponent fits; what remains may be nothing.
        const long long shift = minimumExponent - exponent;
        if (shift > static_cast<long long>(digits.size())) return Decimal{};
        const bool roundUp = digits[digits.size() - static_cast<std::size_t>(shift)] >= '5';
        digits.resize(digits.size() - static_cast<std::size_t>(shift));
        exponent = minimumExponent;
        if (roundUp) incrementDigits(digits);
        if (digits.empty()) return Decimal{};
        const std::size_t end = digits.find_last_not_of('0');
        exponent += static_cast<long long>(digits.size() - end - 1);
        digits.resize(end + 1);
    }
    result.digits_ = std::move(digits);
    result.exponent_ = static_cast<int>(exponent);
    return result;
}

std::string Decimal::description() const {
    if (isZero()) return "0";
    std::string text = negative_ ? "-" : "";
    const long long pointPosition = static_cast<long long>(digits_.size()) + exponent_;
    if (exponent_ >= 0) {
        text += digits_;
        text.append(static_cast<std::size_t>(exponent_), '0');
    } else if (pointPosition > 0) {
        text += digits_.substr(0, static_cast<std::size_t>(pointPosition));
        text += '.';
        text += digits_.substr(static_cast<std::size_t>(pointPosition));
    } else {
        text += "0.";
        text.append(static_cast<std::size_t>(-pointPosition), '0');
        text += digits_;
    }
    return text;
}

std::string Decimal::scientificText() const {
    if (isZero()) return "0";
    return (negative_ ? "-" : "") + digits_ + "E" + std::to_string(exponent_);
}

std::strong_ordering Decimal::operator<=>(const Decimal& other) const {
    const auto signOf = [](const Decimal& d) { return d.isZero() ? 0 : d.negative_ ? -1 : 1; };
    if (const auto bySign = signOf(*this) <=> signOf(other); bySign != 0) return bySign;
    if (isZero()) return std::strong_ordering::equal;
    // Same sign: compare magnitudes by the position of the leading digit, then digit by digit.
    const long long leading = static_cast<long long>(digits_.size()) + exponent_;
    const long long otherLeading = static_cast<long long>(other.digits_.size()) + other.exponent_;
    std::strong_ordering magnitude = leading <=> otherLeading;
    if (magnitude == 0) {
        const int byDigits = digits_.compare(other.digits_); // no trailing zeros: shorter is smaller
        magnitude = byDigits < 0 ? std::strong_ordering::less
                    : byDigits > 0 ? std::strong_ordering::greater
                                   : std::strong_ordering::equal;
    }
    if (!negative_) return magnitude;
    return 0 <=> magnitude;
}

} // namespace platform::foundation
