#pragma once
// Exact decimal numbers: credits and totals are read and shown without binary floating point, so
// that 2.23 stays 2.23.

#include "platform/foundation/Result.hpp"

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform::foundation {

/// A decimal value: up to 38 significant digits and a base-10 exponent from -128 to 127.
class Decimal {
public:
    static constexpr int maximumDigits = 38;
    static constexpr int minimumExponent = -128;
    static constexpr int maximumExponent = 127;

    /// Zero.
    Decimal() = default;
    /// The integer `value`, exactly.
    static Decimal fromInteger(std::int64_t value);
    /// Reads the source text of a JSON number ("-12.5e3"). More than 38 significant digits are
    /// rounded half away from zero; values too small for the exponent range become 0, values too
    /// large are an error, as is anything that is not a JSON number.
    static Result<Decimal, std::string> fromJSONNumber(std::string_view text);

    bool isZero() const { return digits_.empty(); }
    bool isNegative() const { return negative_; }

    /// Plain decimal notation without exponent: "2.23", "-0.005", "1200", "0".
    std::string description() const;
    /// Scientific notation that decimal-number libraries read exactly: "223E-2", "0".
    std::string scientificText() const;

    bool operator==(const Decimal&) const = default;
    std::strong_ordering operator<=>(const Decimal& other) const;

private:
    bool negative_ = false;
    std::string digits_;
    int exponent_ = 0;
};

} // namespace platform::foundation
