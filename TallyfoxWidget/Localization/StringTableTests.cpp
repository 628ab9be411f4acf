#include "platform/foundation/Localization.hpp"
#include "platform/foundation/LocalizedString.hpp"
#include "platform/foundation/StringTables/POCatalog.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <ranges>
#include <regex>
#include <set>
#include <string_view>
#include <thread>

#include <unicode/plurrule.h>

namespace fs = std::filesystem;
namespace pf = platform::foundation;
using namespace platform::foundation::stringtables;

namespace {

// The languages the build gives string tables to (separated by commas).
const std::vector<std::string> languages = [] {
    std::vector<std::string> list;
    for (const auto part : std::views::split(std::string_view(TALLYFOX_LANGUAGES), ','))
        list.emplace_back(part.begin(), part.end());
    return list;
}();

fs::path sourceDirectory() {
    const char* source = std::getenv("TALLYFOX_SOURCE_DIR");
    return source ? fs::path(source) : fs::path(TALLYFOX_SOURCE_DIR_FALLBACK);
}

fs::path poDirectory() { return sourceDirectory() / "TallyfoxWidget" / "Resources" / "po"; }

POCatalog catalog(const std::string& name) {
    auto result = readPO((poDirectory() / name).string());
    EXPECT_EQ(result.error, "") << name;
    return result;
}

// The widget's sources (tests and their fixtures left out), each with its path from the source folder.
std::vector<std::pair<std::string, std::string>> widgetSources() {
    std::vector<std::pair<std::string, std::string>> sources;
    for (const char* folder :
         {"model", "snapshot", "TallyfoxWidget", "platform/ui", "platform/widgetkit", "platform/intents"}) {
        const fs::path root = sourceDirectory() / folder;
        if (!fs::exists(root)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            const auto extension = entry.path().extension();
            if (extension != ".cpp" && extension != ".hpp") continue;
            if (entry.path().filename().string().ends_with("Tests.cpp")) continue;
            if (entry.path().parent_path().filename() == "testdata") continue; // test fixtures speak for themselves
            std::ifstream stream(entry.path());
            sources.emplace_back(entry.path().lexically_relative(sourceDirectory()).string(),
                                 std::string{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()});
        }
    }
    return sources;
}

// Every key the widget's code looks up: the first argument of localized…(…) calls and of
// LocalizedStringResource{…} when it is a string literal.
std::map<std::string, std::string> keysUsedInCode() {
    const std::regex call(R"re([Ll]ocalized\w*\s*[({]\s*"((?:[^"\\]|\\.)*)")re");
    std::map<std::string, std::string> keys; // key → file
    for (const auto& [path, text] : widgetSources())
        for (std::sregex_iterator it(text.begin(), text.end(), call), end; it != end; ++it)
            keys.emplace((*it)[1].str(), path);
    return keys;
}

// Lookups whose key, default and translator's note are all string literals: the platform's
// localized…(key, default, note, …) and LocalizedStringResource{key, default, comment(note), …}.
struct LiteralLookup {
    std::string key, defaultValue, comment, file;
};
std::vector<LiteralLookup> literalLookupsInCode() {
    const std::string literal = R"re("((?:[^"\\]|\\.)*)")re";
    const std::regex call("[Ll]ocalized\\w*\\s*[({]\\s*" + literal + "\\s*,\\s*" + literal +
                          "\\s*,\\s*(?:comment\\()?" + literal);
    std::vector<LiteralLookup> lookups;
    for (const auto& [path, text] : widgetSources())
        for (std::sregex_iterator it(text.begin(), text.end(), call), end; it != end; ++it)
            lookups.push_back({(*it)[1].str(), (*it)[2].str(), (*it)[3].str(), path});
    return lookups;
}

fs::path temporaryDirectory() {
    char pattern[] = "/tmp/tallyfox-po-XXXXXX";
    return mkdtemp(pattern);
}

std::vector<std::string> catalogProblems(const fs::path& directory) {
    return stringTableProblems(directory, "TallyfoxWidget.pot", languages);
}

} // namespace

TEST(StringTables, holdEveryKeyTheCodeLooksUp) {
    const auto templateCatalog = catalog("TallyfoxWidget.pot");
    const auto used = keysUsedInCode();
    EXPECT_GT(used.size(), 40u); // the scan finds the model's and the widget's keys
    for (const auto& [key, file] : used)
        EXPECT_NE(templateCatalog.find(key), nullptr) << "“" << key << "” (" << file << ") is not in the template";
}

TEST(StringTables, giveTranslatorsTheDefaultAndTheNoteTheCodeGives) {
    const auto templateCatalog = catalog("TallyfoxWidget.pot");
    const auto lookups = literalLookupsInCode();
    EXPECT_GT(lookups.size(), 15u);
    for (const auto& lookup : lookups) {
        const auto* entry = templateCatalog.find(lookup.key);
        if (!entry) continue; // reported by holdEveryKeyTheCodeLooksUp
        std::string defaultValue = entry->key;
        for (const auto& comment : entry->extractedComments)
            if (comment.starts_with("Default: ")) defaultValue = comment.substr(9);
        EXPECT_EQ(defaultValue, lookup.defaultValue) << "“" << lookup.key << "” in " << lookup.file;
        if (lookup.comment.empty()) continue;
        const auto& notes = entry->extractedComments;
        EXPECT_TRUE(std::find(notes.begin(), notes.end(), lookup.comment) != notes.end())
            << "the template does not give “" << lookup.key << "” the note “" << lookup.comment << "” of "
            << lookup.file;
    }
    // Every key carries a note for its translators.
    for (const auto& entry : templateCatalog.entries) {
        const bool hasNote = std::any_of(entry.extractedComments.begin(), entry.extractedComments.end(),
                                         [](const std::string& comment) { return !comment.starts_with("Default: "); });
        EXPECT_TRUE(hasNote) << "“" << entry.key << "” has no note for translators";
    }
}

TEST(StringTables, everyCatalogTranslatesEveryKeyWithItsPlaceholdersAndPluralForms) {
    const auto templateCatalog = catalog("TallyfoxWidget.pot");
    ASSERT_GT(templateCatalog.entries.size(), 70u);
    EXPECT_EQ(catalogProblems(poDirectory()), std::vector<std::string>{});
}

TEST(StringTables, refuseACatalogThatLacksAPluralForm) {
    const fs::path broken = temporaryDirectory();
    for (const auto& file : fs::directory_iterator(poDirectory()))
        fs::copy(file.path(), broken / file.path().filename());
    const auto rewrite = [&](const char* name, const std::string& from, const std::string& to) {
        std::ifstream in(broken / name);
        std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        const auto at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
        std::ofstream(broken / name, std::ios::trunc) << text;
    };
    // Russian loses the form of "5 часов"; Hebrew leaves the form for two days empty.
    rewrite("ru.po", "msgstr[2] \"%lld часов\"\n", "");
    rewrite("he.po", "msgstr[1] \"יומיים\"", "msgstr[1] \"\"");
    EXPECT_EQ(catalogProblems(broken),
              (std::vector<std::string>{
                  "ru.po lacks msgstr[2] of “%lld-hour”",
                  "ru.po line " + std::to_string(catalog("ru.po").find("%lld-hour")->line) +
                      ": “%lld-hour” gives 2 plural forms where its language has 3",
                  "he.po leaves msgstr[1] of “%lld-day” untranslated",
              }));
    // The build refuses the Russian catalog as well.
    const fs::path check = TALLYFOX_STRINGTABLE_CHECK;
    const std::string command =
        check.string() + " " + (broken / "ru.po").string() + " 2>" + (broken / "errors").string();
    EXPECT_NE(std::system(command.c_str()), 0);
    std::ifstream errors(broken / "errors");
    const std::string reported{std::istreambuf_iterator<char>(errors), std::istreambuf_iterator<char>()};
    EXPECT_NE(reported.find("“%lld-hour” gives 2 plural forms where its language has 3"), std::string::npos)
        << reported;
    fs::remove_all(broken);
}

TEST(StringTables, pluralRulesAgreeWithTheLanguagesOwnCategories) {
    // Each catalog's forms must split the counts as the language's plural categories do. Counts in
    // the millions, for which a few languages have a form of their own ("un million de"), are left
    // to the "other" form: no window or countdown counts that far.
    for (const std::string& language : languages) {
        const auto reading = readPluralForms(catalog(language + ".po"));
        ASSERT_TRUE(reading.forms) << language << ".po " << reading.error;
        UErrorCode status = U_ZERO_ERROR;
        const std::unique_ptr<icu::PluralRules> rules(
            icu::PluralRules::forLocale(icu::Locale(language.c_str()), status));
        ASSERT_TRUE(U_SUCCESS(status)) << language;
        std::map<int, std::string> categoryOfForm;
        std::map<std::string, int> formOfCategory;
        for (int n = 0; n <= 1000; ++n) {
            std::string category;
            rules->select(n).toUTF8String(category);
            const int form = *reading.forms->form(static_cast<unsigned long>(n));
            const auto [byForm, newForm] = categoryOfForm.emplace(form, category);
            const auto [byCategory, newCategory] = formOfCategory.emplace(category, form);
            EXPECT_TRUE(byForm->second == category && byCategory->second == form)
                << language << ": " << n << " is “" << category << "” and takes msgstr[" << form << "]";
            if (byForm->second != category || byCategory->second != form) break;
        }
        EXPECT_EQ(static_cast<int>(categoryOfForm.size()), reading.forms->count) << language;
    }
}

TEST(StringTables, englishCatalogHoldsTheDefaultTexts) {
    const auto templateCatalog = catalog("TallyfoxWidget.pot");
    const auto english = catalog("en.po");
    for (const auto& entry : templateCatalog.entries) {
        std::string expected = entry.key;
        for (const auto& comment : entry.extractedComments)
            if (comment.starts_with("Default: ")) expected = comment.substr(9);
        const auto* translated = english.find(entry.key);
        ASSERT_NE(translated, nullptr) << entry.key;
        // The default serves every count, so each English form is the default.
        for (const auto& form : translated->translations) EXPECT_EQ(form, expected);
    }
}

TEST(StringTables, lookUpEachThreadsOwnLanguageAtOnce) {
    pf::setMainBundleInfo({"", TALLYFOX_APPEX_RESOURCES_DIR, "en", "TallyfoxWidget"});
    const std::map<std::string, std::string> expected = {
        {"de", "Warte auf Aktualisierung"}, {"en", "Waiting for update"},    {"fr", "En attente de mise à jour"},
        {"ru", "Ожидание обновления"},      {"he", "ממתין לעדכון"},          {"ja", "更新待ち"},
        {"ko", "업데이트 대기 중"},          {"kk", "Жаңа деректер күтілуде"},      {"pt_BR", "Aguardando atualização"},
        {"uz_Latn", "Yangi maʼlumot kutilmoqda"}, {"xx", "Waiting for update"}, {"de-CH", "Warte auf Aktualisierung"},
    };
    std::vector<std::thread> threads;
    std::vector<std::string> failures(expected.size());
    std::size_t index = 0;
    for (const auto& [identifier, text] : expected) {
        threads.emplace_back([&, index, identifier = identifier, text = text] {
            const pf::Locale locale(identifier);
            for (int round = 0; round < 200; ++round) {
                const auto found =
                    pf::localized("Waiting for update", "Waiting for update",
                                  "Widget: a limit reset, but its new usage has not been read yet", locale);
                if (found != text) {
                    failures[index] = identifier + " gave " + found;
                    return;
                }
            }
        });
        ++index;
    }
    for (auto& thread : threads) thread.join();
    for (const auto& failure : failures) EXPECT_EQ(failure, "");
}
