#pragma once
// Reading gettext PO catalogs and checking them against the string table's template: the build
// refuses a translation whose placeholders differ from its key, and the tests refuse a catalog that
// lacks a key or leaves one untranslated. Header-only, so that the build-time check needs no library.

#include "platform/foundation/FormatPlaceholders.hpp"

#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tallyfox::localization {

/// One message of a catalog.
struct POEntry {
    std::string key;         // msgid
    std::string translation; // msgstr
    std::vector<std::string> extractedComments; // "#." lines: the translator's notes
    bool fuzzy = false;
    int line = 0;
};

/// A catalog's messages (the header entry, with the empty key, left out), or why it cannot be read.
struct POCatalog {
    std::vector<POEntry> entries;
    std::string error;

    const POEntry* find(std::string_view key) const {
        for (const auto& entry : entries)
            if (entry.key == key) return &entry;
        return nullptr;
    }
};

namespace detail {

inline bool readQuoted(std::string_view text, std::string& out) {
    text.remove_prefix(text.find_first_not_of(" \t"));
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
/// msgid/msgstr pairs with continuation lines.
inline POCatalog parsePO(std::string_view text) {
    POCatalog catalog;
    POEntry current;
    std::string* target = nullptr;
    bool hasKey = false, hasTranslation = false;
    int lineNumber = 0;
    const auto finish = [&] {
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
        const auto fail = [&](const std::string& what) { catalog.error = "line " + std::to_string(lineNumber) + ": " + what; };
        if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
        if (line.starts_with("#")) {
            if (hasTranslation) finish();
            if (line.starts_with("#.")) current.extractedComments.emplace_back(line.substr(line.size() > 2 && line[2] == ' ' ? 3 : 2));
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
        } else if (line.starts_with("msgstr ")) {
            if (!hasKey || hasTranslation) return fail("msgstr without msgid"), catalog;
            hasTranslation = true;
            target = &current.translation;
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

/// Translations whose placeholders take other arguments than their key's ("%@ left" translated
/// with "%lld"), one message each.
inline std::vector<std::string> placeholderMismatches(const POCatalog& catalog) {
    std::vector<std::string> problems;
    for (const auto& entry : catalog.entries) {
        if (entry.translation.empty()) continue;
        const auto keySignature = platform::foundation::formatSignature(entry.key);
        const auto translationSignature = platform::foundation::formatSignature(entry.translation);
        if (!translationSignature || keySignature != translationSignature)
            problems.push_back("line " + std::to_string(entry.line) + ": the placeholders of “" + entry.translation +
                               "” do not match its key “" + entry.key + "”");
    }
    return problems;
}

/// Keys of the template that the catalog lacks, leaves empty or marks fuzzy, and keys it has that
/// the template does not.
inline std::vector<std::string> completenessProblems(const POCatalog& templateCatalog, const POCatalog& catalog) {
    std::vector<std::string> problems;
    for (const auto& wanted : templateCatalog.entries) {
        const POEntry* entry = catalog.find(wanted.key);
        if (!entry)
            problems.push_back("lacks “" + wanted.key + "”");
        else if (entry->translation.empty() || entry->fuzzy)
            problems.push_back("leaves “" + wanted.key + "” untranslated");
    }
    std::set<std::string> seen;
    for (const auto& entry : catalog.entries) {
        if (!templateCatalog.find(entry.key)) problems.push_back("has “" + entry.key + "”, which the template lacks");
        if (!seen.insert(entry.key).second) problems.push_back("has “" + entry.key + "” twice");
    }
    return problems;
}

} // namespace tallyfox::localization
