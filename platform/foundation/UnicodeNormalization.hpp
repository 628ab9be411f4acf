#pragma once
// Canonical equivalence of Unicode text: "é" typed as one code point or as "e" and a combining accent.

#include <string>
#include <string_view>

namespace platform::foundation {

/// The canonically composed form (NFC) of well-formed UTF-8 text (as JSON strings always are).
std::string precomposedStringWithCanonicalMapping(std::string_view text);

/// Whether two UTF-8 strings are equal once both are canonically composed: case-sensitive, and
/// canonically equivalent strings count as equal.
bool canonicallyEqual(std::string_view a, std::string_view b);

} // namespace platform::foundation
