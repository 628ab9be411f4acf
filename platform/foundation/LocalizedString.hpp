#pragma once
// Localized texts: looked up by key in the main bundle's string tables (gettext catalogs), with an
// English default and a translator comment. The process's texts follow its preferred language;
// a view's texts follow the view's locale. A key that counts something may be a plural entry of its
// catalog (msgid_plural with one msgstr[i] per form of the language): the count picks the form, by
// the catalog's "Plural-Forms:" rule, as gettext's ngettext does.

#include "platform/foundation/Locale.hpp"
#include "platform/foundation/Localization.hpp"

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
/// translator comment and the arguments its placeholders take. The first integer argument picks the
/// form of a plural entry.
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

/// The text for `key` in the form that the language uses for `count`, when the table holds `key` as
/// a plural entry; the one text of any other entry. The default serves every count.
std::string localizedPlural(std::string_view key, std::string_view defaultValue, std::string_view comment,
                            std::int64_t count);
std::string localizedPlural(std::string_view key, std::string_view defaultValue, std::string_view comment,
                            std::int64_t count, const Locale& locale);

/// The text for `key` in `language` from the string table of `bundle`, which need not be the main
/// bundle: a program that loads an extension (which then is the main bundle) names its own table.
/// `language` is one of the bundle's localizations ("de", "pt"); `defaultValue` when the table has
/// no text for `key`. With a `count`, a plural entry gives the form the language uses for it.
std::string localizedString(const MainBundleInfo& bundle, const std::string& language, std::string_view key,
                            std::string_view defaultValue, std::optional<std::int64_t> count = std::nullopt);

/// The count that picks the plural form of a format key: its first integer argument, if any.
std::optional<std::int64_t> pluralCount(const std::vector<FormatArgument>& arguments);

/// Looks up a format key ("%@ left", "%lld-hour") and fills in its placeholders; the first integer
/// argument picks the form of a plural entry.
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
