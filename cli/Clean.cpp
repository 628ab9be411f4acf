#include "cli/Clean.hpp"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace tallyfox::cli {

std::string clean(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    int32_t i = 0;
    while (i < length) {
        const uint8_t lead = bytes[i];
        if (lead >= 0x20 && lead < 0x7F) { // printable ASCII: the common case
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        const int32_t start = i;
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        if (c < 0) {
            out += "\xEF\xBF\xBD";
            continue;
        }
        const int8_t category = u_charType(c);
        if (category == U_CONTROL_CHAR || category == U_FORMAT_CHAR) continue;
        out.append(text.data() + start, static_cast<std::size_t>(i - start));
    }
    return out;
}

} // namespace tallyfox::cli
