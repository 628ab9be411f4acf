#pragma once
// Locales, calendars and time zones: the values every formatter is configured with. The ICU objects
// behind them stay in the .cpp files, so this header is cheap to include.

#include <optional>
#include <string>
#include <vector>

namespace platform::foundation {

/// The direction in which a language's characters run.
enum class LanguageDirection { leftToRight, rightToLeft };

/// A language and region, named by an identifier such as "de", "pt_BR" or "zh-Hans".
class Locale {
public:
    /// The root locale (identifier "").
    Locale();
    /// A locale for `identifier`; "-" and "_" are accepted as separators alike.
    explicit Locale(std::string identifier);

    /// The system's locale: the first of the system's language settings, else "en_US_POSIX".
    static Locale current();

    /// The identifier as given.
    const std::string& identifier() const { return identifier_; }
    /// The canonical ICU name ("pt_BR", "zh_Hans"); the key under which formatters are cached.
    const std::string& canonicalIdentifier() const { return canonical_; }
    /// The ISO language code ("de" for "de_CH"), absent for the root locale.
    const std::optional<std::string>& languageCode() const { return languageCode_; }
    bool isRightToLeft() const { return direction_ == LanguageDirection::rightToLeft; }

    bool operator==(const Locale& other) const { return identifier_ == other.identifier_; }

private:
    std::string identifier_;
    std::string canonical_;
    std::optional<std::string> languageCode_;
    LanguageDirection direction_ = LanguageDirection::leftToRight;
};

/// A time zone by its IANA identifier ("Europe/Berlin", "UTC").
struct TimeZone {
    std::string identifier = "UTC";

    /// The system's time zone (TZ, then /etc/localtime), read anew on every call so that a change
    /// of zone shows in the next text made.
    static TimeZone autoupdatingCurrent();

    bool operator==(const TimeZone&) const = default;
};

/// A calendar system with an optional locale of its own (which decides the first weekday and the
/// language of duration texts made with it).
struct Calendar {
    std::string identifier = "gregorian";
    std::optional<Locale> locale;

    /// The user's current calendar: the Gregorian calendar in the current locale.
    static Calendar autoupdatingCurrent();

    bool operator==(const Calendar&) const = default;
};

/// The language codes of the system's language settings, in order of preference: LANGUAGE (a
/// colon-separated list), then the first of LC_ALL, LC_MESSAGES and LANG that is set. Encodings and
/// modifiers are dropped ("de_DE.UTF-8" gives "de_DE"); "C" and "POSIX" name no language.
std::vector<std::string> systemLanguages();

} // namespace platform::foundation
