#pragma once
// Localized texts: looked up by key in the main bundle's string tables (gettext catalogs), with an
// English default and a translator comment. The process's texts follow its preferred language;
// a view's texts follow the view's locale.

#include "platform/foundation/Locale.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace platform::foundation {

/// One argument of a format key: an integer for %lld, a text for %@.
using FormatArgument = std::variant<std::int64_t, std::string>;

/// A text to look up later (when a view is drawn, in the view's locale): key, English default,
/// translator comment and the arguments its placeholders take.
struct LocalizedStringResource {
    std::string key;
    std::string defaultValue;
    std::string comment;
    std::vector<FormatArgument> arguments;

    /// The text in the process's preferred language.
    std::string resolved() const;
    /// The text in the language of `locale`.
    std::string resolved(const Locale& locale) const;

    bool operator==(const LocalizedStringResource&) const = default;
};

/// The text for `key` in the process's preferred language; `defaultValue` when the table has none.
/// `comment` is for translators only.
std::string localized(std::string_view key, std::string_view defaultValue, std::string_view comment = {});
/// The text for `key` in the language of `locale`.
std::string localized(std::string_view key, std::string_view defaultValue, std::string_view comment,
                      const Locale& locale);

/// Looks up a format key ("%@ left", "%lldd %lldh") and fills in its placeholders.
std::string localizedFormat(std::string_view key, std::string_view defaultValue, std::string_view comment,
                            const std::vector<FormatArgument>& arguments);
std::string localizedFormat(std::string_view key, std::string_view defaultValue, std::string_view comment,
                            const std::vector<FormatArgument>& arguments, const Locale& locale);

/// Fills the placeholders of `format` with `arguments`. Integers are written in the digits of
/// `locale` without grouping (ASCII digits without a locale); an argument of the other kind is
/// converted; a missing one leaves nothing; an unknown "%" sequence is kept as written.
std::string fillFormat(std::string_view format, const std::vector<FormatArgument>& arguments,
                       const Locale* locale = nullptr);

/// The string-table language for `locale`: the shipped localization that matches it, else the
/// development language.
std::string stringTableLanguage(const Locale& locale);
/// The string-table language of the process: its first preferred localization.
std::string stringTableLanguage();

} // namespace platform::foundation
