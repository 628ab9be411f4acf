#include "host/command/Output.hpp"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace widgethost {

namespace {

constexpr std::string_view replacement = "\xEF\xBF\xBD"; // U+FFFD

} // namespace

std::string printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    for (int32_t i = 0; i < length;) {
        const int32_t start = i;
        UChar32 c;
        U8_NEXT(bytes, i, length, c); // a malformed sequence gives a negative c
        if (c < 0 || (c != '\n' && c != '\t' && u_charType(c) == U_CONTROL_CHAR))
            out += replacement;
        else
            out.append(text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(i - start)));
    }
    return out;
}

} // namespace widgethost
