#include "TallyfoxWidget/Localization/POCatalog.hpp"

#include "platform/foundation/Localization.hpp"
#include "platform/foundation/LocalizedString.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <thread>

namespace fs = std::filesystem;
namespace pf = platform::foundation;
using namespace tallyfox::localization;

namespace {

const char* const languages[] = {"de", "en", "es", "fr", "nl", "uz", "pt", "tr", "kk", "ru", "he", "ja", "ko"};

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

// Every key the widget's code looks up: the first argument of localized…(…) calls and of
// LocalizedStringResource{…} when it is a string literal.
std::map<std::string, std::string> keysUsedInCode() {
    const std::regex call(R"re([Ll]ocalized\w*\s*[({]\s*"((?:[^"\\]|\\.)*)")re");
    std::map<std::string, std::string> keys; // key → file
    for (const char* folder : {"model", "snapshot", "TallyfoxWidget", "platform/ui", "platform/widgetkit", "platform/intents"}) {
        const fs::path root = sourceDirectory() / folder;
        if (!fs::exists(root)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            const auto extension = entry.path().extension();
            if (extension != ".cpp" && extension != ".hpp") continue;
            if (entry.path().filename().string().ends_with("Tests.cpp")) continue;
            std::ifstream stream(entry.path());
            const std::string text{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
            for (std::sregex_iterator it(text.begin(), text.end(), call), end; it != end; ++it)
                keys.emplace((*it)[1].str(), entry.path().lexically_relative(sourceDirectory()).string());
        }
    }
    return keys;
}

} // namespace

TEST(StringTables, holdEveryKeyTheCodeLooksUp) {
    const auto templateCatalog = catalog("TallyfoxWidget.pot");
    const auto used = keysUsedInCode();
    EXPECT_GT(used.size(), 40u); // the scan finds the model's and the widget's keys
    for (const auto& [key, file] : used)
        EXPECT_NE(templateCatalog.find(key), nullptr) << "“" << key << "” (" << file << ") is not in the template";
}

TEST(StringTables, everyCatalogTranslatesEveryKeyWithItsPlaceholders) {
    const auto templateCatalog = catalog("TallyfoxWidget.pot");
    ASSERT_GT(templateCatalog.entries.size(), 70u);
    for (const auto& entry : templateCatalog.entries) EXPECT_TRUE(entry.translation.empty()) << entry.key;
    for (const char* language : languages) {
        const auto translated = catalog(std::string(language) + ".po");
        for (const auto& problem : completenessProblems(templateCatalog, translated))
            ADD_FAILURE() << language << ".po " << problem;
        for (const auto& problem : placeholderMismatches(translated)) ADD_FAILURE() << language << ".po " << problem;
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
        EXPECT_EQ(translated->translation, expected);
    }
}

TEST(POCatalog, findsWhatTheBuildAndTheTestsRefuse) {
    const auto parsed = parsePO("# a\nmsgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n"
                                "#. note\nmsgid \"%@ left\"\nmsgstr \"%lld \"\n\"übrig\"\n\n"
                                "#, fuzzy\nmsgid \"%lldh %@m\"\nmsgstr \"%2$@ min %1$lld h\"\n\nmsgid \"extra\"\nmsgstr \"\"\n");
    ASSERT_EQ(parsed.error, "");
    ASSERT_EQ(parsed.entries.size(), 3u);
    EXPECT_EQ(parsed.entries[0].translation, "%lld übrig");
    EXPECT_EQ(parsed.entries[0].extractedComments, std::vector<std::string>{"note"});
    EXPECT_TRUE(parsed.entries[1].fuzzy);
    // Positional placeholders may reorder; another kind may not.
    const auto mismatches = placeholderMismatches(parsed);
    ASSERT_EQ(mismatches.size(), 1u);
    EXPECT_EQ(mismatches[0], "line 6: the placeholders of “%lld übrig” do not match its key “%@ left”");

    POCatalog wanted;
    wanted.entries = {POEntry{"%@ left", "", {}, false, 1}, POEntry{"%lldh %@m", "", {}, false, 2},
                      POEntry{"Daily", "", {}, false, 3}};
    EXPECT_EQ(completenessProblems(wanted, parsed),
              (std::vector<std::string>{"leaves “%lldh %@m” untranslated", "lacks “Daily”",
                                        "has “extra”, which the template lacks"}));
    EXPECT_NE(parsePO("msgid \"a\"\nmsgid \"b\"\n").error, "");
    EXPECT_NE(parsePO("msgid \"a\nmsgstr \"\"\n").error, "");
}

TEST(StringTables, lookUpEachThreadsOwnLanguageAtOnce) {
    pf::setMainBundleInfo({"", TALLYFOX_APPEX_RESOURCES_DIR, "en", "TallyfoxWidget"});
    const std::map<std::string, std::string> expected = {
        {"de", "Warte auf Aktualisierung"}, {"en", "Waiting for update"},    {"fr", "En attente de mise à jour"},
        {"ru", "Ожидание обновления"},      {"he", "ממתין לעדכון"},          {"ja", "更新待ち"},
        {"ko", "업데이트 대기 중"},          {"kk", "Жаңарту күтілуде"},      {"pt_BR", "Aguardando atualização"},
        {"uz_Latn", "Yangilanish kutilmoqda"}, {"xx", "Waiting for update"}, {"de-CH", "Warte auf Aktualisierung"},
    };
    std::vector<std::thread> threads;
    std::vector<std::string> failures(expected.size());
    std::size_t index = 0;
    for (const auto& [identifier, text] : expected) {
        threads.emplace_back([&, index, identifier = identifier, text = text] {
            const pf::Locale locale(identifier);
            for (int round = 0; round < 200; ++round) {
                const auto found = pf::localized("Waiting for update", "Waiting for update",
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
