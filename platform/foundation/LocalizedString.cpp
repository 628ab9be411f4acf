#include "platform/foundation/LocalizedString.hpp"

#include "platform/foundation/FormatPlaceholders.hpp"
#include "platform/foundation/Formatters.hpp"
#include "platform/foundation/Localization.hpp"

#include <boost/locale/generator.hpp>
#include <boost/locale/message.hpp>

#include <charconv>
#include <map>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <tuple>

namespace platform::foundation {
namespace {

// The compiled catalog of one language of one string table, loaded once and kept.
struct Catalog {
    std::locale locale;
    const boost::locale::message_format<char>* messages = nullptr;
    int domain = 0;
};

class Catalogs {
public:
    static Catalogs& shared() {
        static Catalogs catalogs;
        return catalogs;
    }

    const Catalog* catalog(const MainBundleInfo& bundle, const std::string& language) {
        if (bundle.resourcesDirectory.empty() || bundle.stringTable.empty()) return nullptr;
        Key key{bundle.resourcesDirectory.string(), bundle.stringTable, language};
        {
            std::shared_lock lock(mutex_);
            if (const auto it = catalogs_.find(key); it != catalogs_.end()) return it->second.get();
        }
        std::unique_lock lock(mutex_);
        if (const auto it = catalogs_.find(key); it != catalogs_.end()) return it->second.get();
        auto loaded = load(bundle, language);
        return catalogs_.emplace(std::move(key), std::move(loaded)).first->second.get();
    }

private:
    using Key = std::tuple<std::string, std::string, std::string>;

    static std::unique_ptr<Catalog> load(const MainBundleInfo& bundle, const std::string& language) {
        try {
            boost::locale::generator generator;
            generator.categories(boost::locale::message_facet);
            generator.characters(boost::locale::char_facet);
            generator.add_messages_path(bundle.resourcesDirectory.string());
            generator.add_messages_domain(bundle.stringTable);
            auto catalog = std::make_unique<Catalog>();
            // Only the message catalog is generated; the process's global locale is never touched.
            catalog->locale = generator(language + ".UTF-8");
            if (!std::has_facet<boost::locale::message_format<char>>(catalog->locale)) return nullptr;
            catalog->messages = &std::use_facet<boost::locale::message_format<char>>(catalog->locale);
            catalog->domain = catalog->messages->domain(bundle.stringTable);
            return catalog;
        } catch (const std::exception&) {
            return nullptr; // an unreadable catalog: the English defaults are shown
        }
    }

    std::shared_mutex mutex_;
    std::map<Key, std::unique_ptr<Catalog>> catalogs_;
};

// Plural rules read n as an unsigned long and only ever look at a few of its last digits and at
// how it compares with small numbers; Boost.Locale takes an int. Larger counts are kept in range
// with their last six digits, so that the form stays the one the count has.
int pluralSelector(std::int64_t count) {
    const std::uint64_t magnitude =
        count < 0 ? std::uint64_t(0) - static_cast<std::uint64_t>(count) : static_cast<std::uint64_t>(count);
    if (magnitude <= 1'000'000) return static_cast<int>(magnitude);
    return static_cast<int>(1'000'000 + magnitude % 1'000'000);
}

std::string lookUp(const MainBundleInfo& bundle, std::string_view key, std::string_view defaultValue,
                   const std::string& language, std::optional<std::int64_t> count) {
    if (const Catalog* catalog = Catalogs::shared().catalog(bundle, language)) {
        const std::string id(key);
        // Asked for a form other than the first, an entry without plural forms gives nothing: its
        // one text serves every count.
        const char* text = nullptr;
        if (count) text = catalog->messages->get(catalog->domain, nullptr, id.c_str(), pluralSelector(*count));
        if (!text || !*text) text = catalog->messages->get(catalog->domain, nullptr, id.c_str());
        if (text && *text) return text;
    }
    return std::string(defaultValue);
}

std::string lookUp(std::string_view key, std::string_view defaultValue, const std::string& language,
                   std::optional<std::int64_t> count = std::nullopt) {
    return lookUp(mainBundleInfo(), key, defaultValue, language, count);
}

} // namespace

std::string localizedString(const MainBundleInfo& bundle, const std::string& language, std::string_view key,
                            std::string_view defaultValue, std::optional<std::int64_t> count) {
    return lookUp(bundle, key, defaultValue, language, count);
}

std::string stringTableLanguage(const Locale& locale) {
    return preferredLocalizations(mainBundleLocalizations(), {locale.identifier()},
                                  mainBundleInfo().developmentLanguage)
        .front();
}

std::string stringTableLanguage() { return mainBundlePreferredLocalizations().front(); }

std::string localized(std::string_view key, std::string_view defaultValue, std::string_view /*comment*/) {
    return lookUp(key, defaultValue, stringTableLanguage());
}

std::string localized(std::string_view key, std::string_view defaultValue, std::string_view /*comment*/,
                      const Locale& locale) {
    return lookUp(key, defaultValue, stringTableLanguage(locale));
}

std::string localizedPlural(std::string_view key, std::string_view defaultValue, std::string_view /*comment*/,
                            std::int64_t count) {
    return lookUp(key, defaultValue, stringTableLanguage(), count);
}

std::string localizedPlural(std::string_view key, std::string_view defaultValue, std::string_view /*comment*/,
                            std::int64_t count, const Locale& locale) {
    return lookUp(key, defaultValue, stringTableLanguage(locale), count);
}

std::optional<std::int64_t> pluralCount(const std::vector<FormatArgument>& arguments) {
    for (const auto& argument : arguments)
        if (const auto* integer = std::get_if<std::int64_t>(&argument)) return *integer;
    return std::nullopt;
}

std::string localizedFormat(std::string_view key, std::string_view defaultValue, std::string_view /*comment*/,
                            const std::vector<FormatArgument>& arguments) {
    // The integers are written in the digits of the language the text is in.
    const std::string language = stringTableLanguage();
    const Locale locale(language);
    return fillFormat(lookUp(key, defaultValue, language, pluralCount(arguments)), arguments, &locale);
}

std::string localizedFormat(std::string_view key, std::string_view defaultValue, std::string_view /*comment*/,
                            const std::vector<FormatArgument>& arguments, const Locale& locale) {
    return fillFormat(lookUp(key, defaultValue, stringTableLanguage(locale), pluralCount(arguments)), arguments,
                      &locale);
}

std::string LocalizedStringResource::resolved() const {
    return localizedFormat(key, defaultValue, comment, arguments);
}

std::string LocalizedStringResource::resolved(const Locale& locale) const {
    return localizedFormat(key, defaultValue, comment, arguments, locale);
}

std::string fillFormat(std::string_view format, const std::vector<FormatArgument>& arguments, const Locale* locale) {
    const auto placeholders = parseFormatPlaceholders(format);
    std::string result;
    if (!placeholders) {
        // Not a format we know: only "%%" is ours to undo.
        for (std::size_t i = 0; i < format.size(); ++i) {
            result += format[i];
            if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == '%') ++i;
        }
        return result;
    }
    std::size_t written = 0;
    const auto copyLiteral = [&](std::size_t end) {
        for (std::size_t i = written; i < end; ++i) {
            result += format[i];
            if (format[i] == '%' && i + 1 < end && format[i + 1] == '%') ++i;
        }
    };
    for (const auto& placeholder : *placeholders) {
        copyLiteral(placeholder.offset);
        written = placeholder.offset + placeholder.length;
        const auto index = static_cast<std::size_t>(placeholder.position - 1);
        if (index >= arguments.size()) continue;
        if (const auto* integer = std::get_if<std::int64_t>(&arguments[index]); integer && locale) {
            result += formatInteger(*integer, *locale);
        } else if (integer) {
            char digits[24];
            const auto end = std::to_chars(digits, digits + sizeof digits, *integer).ptr;
            result.append(digits, end);
        } else {
            result += std::get<std::string>(arguments[index]);
        }
    }
    copyLiteral(format.size());
    return result;
}

} // namespace platform::foundation
