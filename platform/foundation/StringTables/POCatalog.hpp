#pragma once
// Reading gettext PO catalogs and checking them against their string table's template: the build
// refuses a catalog whose translations take other placeholders than their keys or whose plural
// entries do not fit its plural rule, and the tests of each string table refuse a catalog that
// lacks a key or a plural form or leaves one untranslated. Header-only, so that the build-time
// check needs no library; every program with a string table of its own checks it with this.

#include "platform/foundation/FormatPlaceholders.hpp"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace platform::foundation::stringtables {

/// One message of a catalog.
struct POEntry {
    std::string key;                       // msgid
    std::optional<std::string> pluralKey;  // msgid_plural: the entry has one translation per plural form
    std::vector<std::string> translations; // msgstr, or msgstr[0], msgstr[1], … of a plural entry
    std::vector<std::string> extractedComments; // "#." lines: the translator's notes
    bool fuzzy = false;
    int line = 0;

    bool isPlural() const { return pluralKey.has_value(); }
    /// The text of a plain entry; the first form of a plural one.
    std::string translation() const { return translations.empty() ? std::string() : translations.front(); }
};

/// A catalog's messages (the header entry, with the empty key, kept apart), or why it cannot be read.
struct POCatalog {
    std::vector<POEntry> entries;
    std::string header; // the msgstr of the empty msgid: "Content-Type: …\nPlural-Forms: …\n"
    std::string error;

    const POEntry* find(std::string_view key) const {
        for (const auto& entry : entries)
            if (entry.key == key) return &entry;
        return nullptr;
    }
};

// MARK: Plural rules

namespace detail {

// The C expression of a "plural=" rule, evaluated for one n with unsigned arithmetic, as gettext
// evaluates it: n, decimal numbers, ! * / % + - < > <= >= == != && || ?: and parentheses.
class PluralExpression {
public:
    PluralExpression(std::string_view text, unsigned long n) : text_(text), n_(n) {}

    std::optional<unsigned long> evaluate() {
        const auto value = conditional();
        skipSpaces();
        if (!value || at_ != text_.size()) return std::nullopt;
        return value;
    }

private:
    using Value = std::optional<unsigned long>;

    void skipSpaces() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t')) ++at_;
    }
    bool take(std::string_view token) {
        skipSpaces();
        if (text_.substr(at_, token.size()) != token) return false;
        // "<" is not the start of "<=", "!" not of "!=".
        if (token.size() == 1 && at_ + 1 < text_.size() && text_[at_ + 1] == '=' &&
            (token == "<" || token == ">" || token == "!" || token == "="))
            return false;
        at_ += token.size();
        return true;
    }

    Value conditional() {
        const Value condition = logicalOr();
        if (!condition || !take("?")) return condition;
        const Value whenTrue = conditional();
        if (!whenTrue || !take(":")) return std::nullopt;
        const Value whenFalse = conditional();
        if (!whenFalse) return std::nullopt;
        return *condition ? whenTrue : whenFalse;
    }
    Value logicalOr() {
        Value left = logicalAnd();
        while (left && take("||")) {
            const Value right = logicalAnd();
            left = right ? Value(*left || *right) : std::nullopt;
        }
        return left;
    }
    Value logicalAnd() {
        Value left = equality();
        while (left && take("&&")) {
            const Value right = equality();
            left = right ? Value(*left && *right) : std::nullopt;
        }
        return left;
    }
    Value equality() {
        Value left = relation();
        while (left) {
            const bool equal = take("==");
            if (!equal && !take("!=")) break;
            const Value right = relation();
            left = right ? Value((*left == *right) == equal) : std::nullopt;
        }
        return left;
    }
    Value relation() {
        Value left = additive();
        while (left) {
            std::string_view operation;
            for (const std::string_view candidate : {"<=", ">=", "<", ">"})
                if (take(candidate)) {
                    operation = candidate;
                    break;
                }
            if (operation.empty()) break;
            const Value right = additive();
            if (!right) return std::nullopt;
            left = operation == "<=" ? *left <= *right
                 : operation == ">=" ? *left >= *right
                 : operation == "<"  ? *left < *right
                                     : *left > *right;
        }
        return left;
    }
    Value additive() {
        Value left = multiplicative();
        while (left) {
            const bool plus = take("+");
            if (!plus && !take("-")) break;
            const Value right = multiplicative();
            left = right ? Value(plus ? *left + *right : *left - *right) : std::nullopt;
        }
        return left;
    }
    Value multiplicative() {
        Value left = unary();
        while (left) {
            char operation = 0;
            for (const std::string_view candidate : {"*", "/", "%"})
                if (take(candidate)) {
                    operation = candidate.front();
                    break;
                }
            if (!operation) break;
            const Value right = unary();
            if (!right || (operation != '*' && *right == 0)) return std::nullopt;
            left = operation == '*' ? *left * *right : operation == '/' ? *left / *right : *left % *right;
        }
        return left;
    }
    Value unary() {
        if (take("!")) {
            const Value operand = unary();
            return operand ? Value(!*operand) : std::nullopt;
        }
        return primary();
    }
    Value primary() {
        skipSpaces();
        if (take("(")) {
            const Value inner = conditional();
            return inner && take(")") ? inner : std::nullopt;
        }
        if (at_ < text_.size() && text_[at_] == 'n') {
            ++at_;
            return n_;
        }
        if (at_ >= text_.size() || text_[at_] < '0' || text_[at_] > '9') return std::nullopt;
        unsigned long number = 0;
        for (; at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9'; ++at_) {
            if (number > 100'000'000) return std::nullopt;
            number = number * 10 + static_cast<unsigned long>(text_[at_] - '0');
        }
        return number;
    }

    std::string_view text_;
    unsigned long n_;
    std::size_t at_ = 0;
};

/// The value of "name=" in a header field such as "nplurals=3; plural=(n != 1);", up to its ";".
inline std::optional<std::string> headerParameter(std::string_view field, std::string_view name) {
    for (std::size_t at = field.find(name); at != std::string_view::npos; at = field.find(name, at + 1)) {
        if (at > 0 && field[at - 1] != ' ' && field[at - 1] != ';' && field[at - 1] != ':') continue;
        std::size_t value = at + name.size();
        while (value < field.size() && field[value] == ' ') ++value;
        if (value >= field.size() || field[value] != '=') continue;
        const std::size_t end = field.find(';', value + 1);
        std::string_view text =
            field.substr(value + 1, end == std::string_view::npos ? std::string_view::npos : end - value - 1);
        while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
        while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
        return std::string(text);
    }
    return std::nullopt;
}

} // namespace detail

/// A catalog's plural rule ("Plural-Forms: nplurals=2; plural=(n != 1);"): how many forms its
/// language has and which form a count takes.
struct PluralForms {
    int count = 0;
    std::string expression;

    /// The form for `n`, or nothing when the expression cannot be evaluated.
    std::optional<int> form(unsigned long n) const {
        const auto value = detail::PluralExpression(expression, n).evaluate();
        if (!value || *value >= static_cast<unsigned long>(count)) return std::nullopt;
        return static_cast<int>(*value);
    }

    /// The counts a check looks at: enough to see every pattern of the last two digits and the
    /// millions, as plural rules read them.
    static std::vector<unsigned long> sampleCounts() {
        std::vector<unsigned long> counts;
        for (unsigned long n = 0; n <= 1000; ++n) counts.push_back(n);
        for (unsigned long n = 1'000'000; n <= 1'000'200; ++n) counts.push_back(n);
        return counts;
    }

    /// The one count that takes `form`, when only one of the sample counts does. A translation may
    /// leave the count out of such a form ("une heure"), as gettext allows.
    std::optional<unsigned long> onlyCountOf(int wanted) const {
        std::optional<unsigned long> only;
        for (const unsigned long n : sampleCounts()) {
            if (form(n) != wanted) continue;
            if (only) return std::nullopt;
            only = n;
        }
        return only;
    }
};

/// The plural rule of a catalog's header, or why there is none that works: no "Plural-Forms:"
/// field, a count of forms out of range, an expression that cannot be read or that names a form
/// beyond the count for some count.
struct PluralFormsReading {
    std::optional<PluralForms> forms;
    std::string error;
};

inline PluralFormsReading readPluralForms(const POCatalog& catalog) {
    PluralFormsReading reading;
    std::string_view header = catalog.header;
    std::optional<std::string_view> field;
    while (!header.empty()) {
        const std::size_t end = header.find('\n');
        const std::string_view line = header.substr(0, end);
        if (line.starts_with("Plural-Forms:")) field = line.substr(13);
        if (end == std::string_view::npos) break;
        header.remove_prefix(end + 1);
    }
    if (!field) return reading.error = "has no Plural-Forms rule in its header", reading;
    const auto count = detail::headerParameter(*field, "nplurals");
    const auto expression = detail::headerParameter(*field, "plural");
    if (!count || count->empty() || count->size() > 1 || (*count)[0] < '1' || (*count)[0] > '6')
        return reading.error = "has a Plural-Forms rule without a count of forms from 1 to 6", reading;
    if (!expression || expression->empty())
        return reading.error = "has a Plural-Forms rule without an expression", reading;
    PluralForms forms{(*count)[0] - '0', *expression};
    std::set<int> used;
    for (const unsigned long n : PluralForms::sampleCounts()) {
        const auto form = forms.form(n);
        if (!form)
            return reading.error = "has a Plural-Forms expression that gives no form of the " +
                                   std::to_string(forms.count) + " for n = " + std::to_string(n),
                   reading;
        used.insert(*form);
    }
    if (static_cast<int>(used.size()) != forms.count)
        return reading.error = "has a Plural-Forms rule whose expression never gives some of its " +
                               std::to_string(forms.count) + " forms",
               reading;
    reading.forms = std::move(forms);
    return reading;
}

// MARK: Reading

namespace detail {

inline bool readQuoted(std::string_view text, std::string& out) {
    text.remove_prefix(std::min(text.size(), text.find_first_not_of(" \t")));
    if (text.empty() || text.front() != '"') return false;
    std::size_t i = 1;
    for (; i < text.size() && text[i] != '"'; ++i) {
        char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            const char escaped = text[++i];
            c = escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped;
        }
        out.push_back(c);
    }
    if (i >= text.size()) return false;
    const auto rest = text.substr(i + 1);
    return rest.find_first_not_of(" \t\r") == std::string_view::npos;
}

} // namespace detail

/// Reads the text of a PO file. Supports what our catalogs use: comments, flags, msgctxt-free
/// msgid/msgstr pairs and plural entries (msgid_plural with msgstr[0], msgstr[1], … in order), with
/// continuation lines.
inline POCatalog parsePO(std::string_view text) {
    POCatalog catalog;
    POEntry current;
    std::string* target = nullptr;
    bool hasKey = false, hasTranslation = false;
    int lineNumber = 0;
    const auto finish = [&] {
        if (hasKey && current.key.empty()) catalog.header = current.translation();
        if (hasKey && !current.key.empty()) catalog.entries.push_back(std::move(current));
        current = POEntry{};
        target = nullptr;
        hasKey = hasTranslation = false;
    };
    std::size_t start = 0;
    while (start < text.size() && catalog.error.empty()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const auto fail = [&](const std::string& what) {
            catalog.error = "line " + std::to_string(lineNumber) + ": " + what;
        };
        if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
        if (line.starts_with("#")) {
            if (hasTranslation) finish();
            if (line.starts_with("#."))
                current.extractedComments.emplace_back(line.substr(line.size() > 2 && line[2] == ' ' ? 3 : 2));
            if (line.starts_with("#,") && line.find("fuzzy") != std::string_view::npos) current.fuzzy = true;
            continue;
        }
        if (line.starts_with("msgid ")) {
            if (hasTranslation) finish();
            if (hasKey) return fail("msgid without msgstr"), catalog;
            hasKey = true;
            current.line = lineNumber;
            target = &current.key;
            if (!detail::readQuoted(line.substr(6), *target)) fail("malformed string");
        } else if (line.starts_with("msgid_plural ")) {
            if (!hasKey || hasTranslation || current.pluralKey) return fail("msgid_plural out of place"), catalog;
            target = &current.pluralKey.emplace();
            if (!detail::readQuoted(line.substr(13), *target)) fail("malformed string");
        } else if (line.starts_with("msgstr[")) {
            const std::size_t close = line.find(']');
            const std::string index(line.substr(7, close == std::string_view::npos ? 0 : close - 7));
            if (!current.pluralKey) return fail("msgstr[" + index + "] without msgid_plural"), catalog;
            if (index != std::to_string(current.translations.size()))
                return fail("msgstr[" + index + "] where msgstr[" + std::to_string(current.translations.size()) +
                            "] belongs"),
                       catalog;
            hasTranslation = true;
            target = &current.translations.emplace_back();
            if (!detail::readQuoted(line.substr(close + 1), *target)) fail("malformed string");
        } else if (line.starts_with("msgstr ")) {
            if (!hasKey || hasTranslation) return fail("msgstr without msgid"), catalog;
            if (current.pluralKey) return fail("msgstr without an index in a plural entry"), catalog;
            hasTranslation = true;
            target = &current.translations.emplace_back();
            if (!detail::readQuoted(line.substr(7), *target)) fail("malformed string");
        } else if (line.front() == '"') {
            if (!target) return fail("string outside a message"), catalog;
            if (!detail::readQuoted(line, *target)) fail("malformed string");
        } else {
            fail("unsupported line “" + std::string(line) + "”");
        }
    }
    if (catalog.error.empty() && hasKey && !hasTranslation) catalog.error = "msgid without msgstr at the end";
    if (catalog.error.empty()) finish();
    return catalog;
}

inline POCatalog readPO(const std::string& path) {
    std::ifstream stream(path, std::ios::binary);
    if (!stream) {
        POCatalog catalog;
        catalog.error = "cannot be read";
        return catalog;
    }
    const std::string text{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
    return parsePO(text);
}

// MARK: Checks

namespace detail {

using PlaceholderKinds = std::map<int, platform::foundation::FormatPlaceholder::Kind>;

// Which argument each placeholder takes and as what; nothing for a format we cannot read or one
// that asks for an argument in two kinds.
inline std::optional<PlaceholderKinds> placeholderKinds(std::string_view format) {
    const auto placeholders = platform::foundation::parseFormatPlaceholders(format);
    if (!placeholders) return std::nullopt;
    PlaceholderKinds kinds;
    for (const auto& placeholder : *placeholders) {
        const auto [slot, inserted] = kinds.emplace(placeholder.position, placeholder.kind);
        if (!inserted && slot->second != placeholder.kind) return std::nullopt;
    }
    return kinds;
}

} // namespace detail

/// Translations whose placeholders take other arguments than their key's ("%@ left" translated
/// with "%lld"), one message each. Every form of a plural entry takes its key's arguments, except
/// that a form only one count takes may leave that count out ("une heure" for "%lld heure").
inline std::vector<std::string> placeholderMismatches(const POCatalog& catalog) {
    using platform::foundation::formatSignature;
    std::vector<std::string> problems;
    const auto forms = readPluralForms(catalog).forms;
    for (const auto& entry : catalog.entries) {
        const auto keySignature = formatSignature(entry.key);
        const std::string where = "line " + std::to_string(entry.line) + ": ";
        if (entry.pluralKey && formatSignature(*entry.pluralKey) != keySignature)
            problems.push_back(where + "the placeholders of the plural key “" + *entry.pluralKey +
                               "” do not match its key “" + entry.key + "”");
        // The count is the first integer argument.
        std::optional<int> countPosition;
        if (keySignature)
            for (std::size_t i = 0; i < keySignature->size() && !countPosition; ++i)
                if ((*keySignature)[i] == platform::foundation::FormatPlaceholder::Kind::integer)
                    countPosition = static_cast<int>(i) + 1;
        for (std::size_t form = 0; form < entry.translations.size(); ++form) {
            const std::string& translation = entry.translations[form];
            if (translation.empty()) continue;
            const auto translationSignature = formatSignature(translation);
            if (translationSignature && keySignature == translationSignature) continue;
            if (entry.isPlural() && forms && countPosition && forms->onlyCountOf(static_cast<int>(form))) {
                auto wanted = detail::placeholderKinds(entry.key);
                const auto given = detail::placeholderKinds(translation);
                if (wanted) wanted->erase(*countPosition);
                if (wanted && given && *wanted == *given) continue;
            }
            problems.push_back(where + "the placeholders of “" + translation + "”" +
                               (entry.isPlural() ? " (msgstr[" + std::to_string(form) + "])" : "") +
                               " do not match its key “" + entry.key + "”");
        }
    }
    return problems;
}

/// A catalog's plural entries against its plural rule: the rule must be readable when there are
/// plural entries, and each of them must give exactly as many forms as the rule has.
inline std::vector<std::string> pluralFormProblems(const POCatalog& catalog) {
    std::vector<std::string> problems;
    const bool hasPluralEntries = [&] {
        for (const auto& entry : catalog.entries)
            if (entry.isPlural()) return true;
        return false;
    }();
    if (!hasPluralEntries) return problems;
    const auto reading = readPluralForms(catalog);
    if (!reading.forms) return {reading.error};
    for (const auto& entry : catalog.entries) {
        if (!entry.isPlural() || static_cast<int>(entry.translations.size()) == reading.forms->count) continue;
        problems.push_back("line " + std::to_string(entry.line) + ": “" + entry.key + "” gives " +
                           std::to_string(entry.translations.size()) + " plural forms where its language has " +
                           std::to_string(reading.forms->count));
    }
    return problems;
}

/// Keys of the template that the catalog lacks, leaves empty or marks fuzzy, plural forms that it
/// lacks or leaves empty, and keys it has that the template does not.
inline std::vector<std::string> completenessProblems(const POCatalog& templateCatalog, const POCatalog& catalog) {
    std::vector<std::string> problems;
    const auto forms = readPluralForms(catalog).forms;
    bool reportedRule = false;
    for (const auto& wanted : templateCatalog.entries) {
        const POEntry* entry = catalog.find(wanted.key);
        if (!entry) {
            problems.push_back("lacks “" + wanted.key + "”");
        } else if (wanted.isPlural() != entry->isPlural()) {
            problems.push_back(wanted.isPlural()
                                   ? "gives “" + wanted.key + "” one text where the template asks for plural forms"
                                   : "gives “" + wanted.key + "” plural forms where the template asks for one text");
        } else if (entry->fuzzy) {
            problems.push_back("leaves “" + wanted.key + "” untranslated");
        } else if (!entry->isPlural()) {
            if (entry->translation().empty()) problems.push_back("leaves “" + wanted.key + "” untranslated");
        } else if (!forms) {
            if (!reportedRule) problems.push_back("has plural entries but no readable Plural-Forms rule");
            reportedRule = true;
        } else {
            for (int form = 0; form < forms->count; ++form) {
                const std::string name = "msgstr[" + std::to_string(form) + "] of “" + wanted.key + "”";
                if (form >= static_cast<int>(entry->translations.size()))
                    problems.push_back("lacks " + name);
                else if (entry->translations[static_cast<std::size_t>(form)].empty())
                    problems.push_back("leaves " + name + " untranslated");
            }
        }
    }
    std::set<std::string> seen;
    for (const auto& entry : catalog.entries) {
        if (!templateCatalog.find(entry.key)) problems.push_back("has “" + entry.key + "”, which the template lacks");
        if (!seen.insert(entry.key).second) problems.push_back("has “" + entry.key + "” twice");
    }
    return problems;
}

/// Everything the tests refuse in the string table in `directory`: a template (`templateFile`) that
/// holds translations, and for each language a `<language>.po` that cannot be read, lacks a key or
/// a plural form, leaves one untranslated, or whose placeholders or plural forms do not fit. Each
/// problem begins with the file's name.
inline std::vector<std::string> stringTableProblems(const std::filesystem::path& directory,
                                                    const std::string& templateFile,
                                                    const std::vector<std::string>& languages) {
    std::vector<std::string> problems;
    const auto templateCatalog = readPO((directory / templateFile).string());
    if (!templateCatalog.error.empty()) problems.push_back(templateFile + " " + templateCatalog.error);
    for (const auto& entry : templateCatalog.entries)
        for (const auto& translation : entry.translations)
            if (!translation.empty()) problems.push_back(templateFile + " translates “" + entry.key + "”");
    for (const auto& language : languages) {
        const std::string name = language + ".po";
        const auto translated = readPO((directory / name).string());
        if (!translated.error.empty()) problems.push_back(name + " " + translated.error);
        for (const auto& problem : completenessProblems(templateCatalog, translated))
            problems.push_back(name + " " + problem);
        for (const auto& problem : pluralFormProblems(translated)) problems.push_back(name + " " + problem);
        for (const auto& problem : placeholderMismatches(translated)) problems.push_back(name + " " + problem);
    }
    return problems;
}

} // namespace platform::foundation::stringtables
