#pragma once
// The placeholders of a format string: %lld (and %d, %ld, %lu, %llu) take an integer, %@ a text;
// "%1$@" names its argument's position; "%%" is a percent sign. Header-only, so that the build's
// catalog check can use it without the platform library.

#include <optional>
#include <string_view>
#include <vector>

namespace platform::foundation {

/// One placeholder: which argument (1-based) it takes and whether it wants an integer or a text.
struct FormatPlaceholder {
    enum class Kind { integer, text };
    int position = 0;
    Kind kind = Kind::text;
    /// Where the placeholder starts in the format and how many characters it spans.
    std::size_t offset = 0;
    std::size_t length = 0;

    bool operator==(const FormatPlaceholder&) const = default;
};

/// The placeholders of `format` in the order written, or nothing when a "%" starts no placeholder
/// that we know.
inline std::optional<std::vector<FormatPlaceholder>> parseFormatPlaceholders(std::string_view format) {
    std::vector<FormatPlaceholder> placeholders;
    int next = 1;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') continue;
        const std::size_t start = i++;
        if (i < format.size() && format[i] == '%') continue;
        int position = 0;
        std::size_t digits = i;
        while (digits < format.size() && format[digits] >= '0' && format[digits] <= '9') {
            position = position * 10 + (format[digits] - '0');
            if (position > 99) return std::nullopt;
            ++digits;
        }
        if (digits > i && digits < format.size() && format[digits] == '$' && position > 0) {
            i = digits + 1;
        } else {
            position = 0;
        }
        FormatPlaceholder placeholder;
        placeholder.offset = start;
        const std::string_view rest = format.substr(i);
        std::size_t specifier = 0;
        if (rest.starts_with("@")) {
            placeholder.kind = FormatPlaceholder::Kind::text;
            specifier = 1;
        } else {
            for (const std::string_view integer : {"lld", "llu", "ld", "lu", "d", "u"}) {
                if (rest.starts_with(integer)) {
                    placeholder.kind = FormatPlaceholder::Kind::integer;
                    specifier = integer.size();
                    break;
                }
            }
        }
        if (specifier == 0) return std::nullopt;
        placeholder.position = position > 0 ? position : next++;
        i += specifier - 1;
        placeholder.length = i + 1 - start;
        placeholders.push_back(placeholder);
    }
    return placeholders;
}

/// What a format asks of its arguments: for each position, the kind it wants, in position order.
/// Two formats that agree here can be used with the same arguments. Nothing when the format is not
/// valid or asks for one position in two kinds.
inline std::optional<std::vector<FormatPlaceholder::Kind>> formatSignature(std::string_view format) {
    const auto placeholders = parseFormatPlaceholders(format);
    if (!placeholders) return std::nullopt;
    std::vector<std::optional<FormatPlaceholder::Kind>> byPosition;
    for (const auto& placeholder : *placeholders) {
        if (byPosition.size() < static_cast<std::size_t>(placeholder.position))
            byPosition.resize(static_cast<std::size_t>(placeholder.position));
        auto& slot = byPosition[static_cast<std::size_t>(placeholder.position - 1)];
        if (slot && *slot != placeholder.kind) return std::nullopt;
        slot = placeholder.kind;
    }
    std::vector<FormatPlaceholder::Kind> signature;
    for (const auto& slot : byPosition) {
        if (!slot) return std::nullopt; // a position that nothing takes: "%2$@" alone
        signature.push_back(*slot);
    }
    return signature;
}

} // namespace platform::foundation
