#include "platform/foundation/Locale.hpp"

#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <unicode/uloc.h>

#include <cstdlib>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>

namespace platform::foundation {
namespace {

std::string canonicalName(const std::string& identifier) {
    std::string name = identifier;
    for (char& c : name)
        if (c == '-') c = '_';
    const icu::Locale locale = icu::Locale::createCanonical(name.c_str());
    return locale.isBogus() ? std::string() : std::string(locale.getName());
}

// "de_DE.UTF-8@euro" → "de_DE"; "C" and "POSIX" → nothing.
std::optional<std::string> languageOfSetting(std::string value) {
    value = value.substr(0, value.find_first_of(".@"));
    if (value.empty() || value == "C" || value == "POSIX") return std::nullopt;
    return value;
}

} // namespace

Locale::Locale() : Locale(std::string()) {}

namespace {

struct LocaleFacts {
    std::string canonical;
    std::optional<std::string> languageCode;
    LanguageDirection direction = LanguageDirection::leftToRight;
};

// Canonicalising through ICU costs microseconds, and views make locales on every render; the
// handful of identifiers a process sees are remembered.
const LocaleFacts& factsFor(const std::string& identifier) {
    static std::shared_mutex mutex;
    static std::unordered_map<std::string, std::unique_ptr<const LocaleFacts>> known;
    {
        std::shared_lock lock(mutex);
        if (const auto it = known.find(identifier); it != known.end()) return *it->second;
    }
    auto facts = std::make_unique<LocaleFacts>();
    facts->canonical = canonicalName(identifier);
    const icu::Locale locale(facts->canonical.c_str());
    if (const char* language = locale.getLanguage(); language && *language) facts->languageCode = language;
    if (!facts->canonical.empty() && locale.isRightToLeft()) facts->direction = LanguageDirection::rightToLeft;
    std::unique_lock lock(mutex);
    return *known.try_emplace(identifier, std::move(facts)).first->second;
}

} // namespace

Locale::Locale(std::string identifier) : identifier_(std::move(identifier)) {
    const LocaleFacts& facts = factsFor(identifier_);
    canonical_ = facts.canonical;
    languageCode_ = facts.languageCode;
    direction_ = facts.direction;
}

Locale Locale::current() {
    const auto languages = systemLanguages();
    return Locale(languages.empty() ? "en_US_POSIX" : languages.front());
}

TimeZone TimeZone::autoupdatingCurrent() {
    const std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::detectHostTimeZone());
    icu::UnicodeString id;
    zone->getID(id);
    std::string name;
    id.toUTF8String(name);
    if (name.empty() || name == "Etc/Unknown") name = "UTC";
    return TimeZone{name};
}

Calendar Calendar::autoupdatingCurrent() { return Calendar{"gregorian", Locale::current()}; }

std::vector<std::string> systemLanguages() {
    std::vector<std::string> languages;
    auto add = [&](std::optional<std::string> language) {
        if (!language) return;
        for (const auto& known : languages)
            if (known == *language) return;
        languages.push_back(std::move(*language));
    };
    if (const char* list = std::getenv("LANGUAGE"); list && *list) {
        std::string rest = list;
        for (std::size_t start = 0; start <= rest.size();) {
            const std::size_t end = std::min(rest.find(':', start), rest.size());
            add(languageOfSetting(rest.substr(start, end - start)));
            start = end + 1;
        }
    }
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (const char* value = std::getenv(name); value && *value) {
            add(languageOfSetting(value));
            break;
        }
    }
    return languages;
}

} // namespace platform::foundation
