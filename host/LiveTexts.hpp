#pragma once
// The live host's own texts (menus, the editor, the lines `show` prints), looked up in the host's
// string tables in the process's preferred language.

#include "platform/foundation/Locale.hpp"

#include <string>
#include <string_view>

namespace widgethost {

/// The text for `key` in the host's language.
inline std::string liveText(std::string_view key) {
    return std::string(key);
}

/// The text for `key` with each "%@" replaced by the next argument.
inline std::string liveText(std::string_view key, std::string_view first, std::string_view second = {}) {
    std::string text = liveText(key), out;
    std::string_view arguments[] = {first, second};
    std::size_t next = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "%@") == 0 && next < 2) {
            out += arguments[next++];
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

/// Whether the host's language is written from right to left.
inline bool liveTextIsRightToLeft() {
    return platform::foundation::Locale::current().isRightToLeft();
}

} // namespace widgethost
