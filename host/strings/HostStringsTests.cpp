#include "host/strings/HostStrings.hpp"
#include "host/identity/HostIdentity.hpp"
#include "platform/foundation/Localization.hpp"
#include "platform/foundation/StringTables/POCatalog.hpp"
#include "platform/foundation/UserDefaults.hpp"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <ranges>
#include <regex>
#include <string_view>

namespace fs = std::filesystem;
namespace pf = platform::foundation;
namespace st = platform::foundation::stringtables;
using namespace widgethost;

namespace {

// The languages the build gives string tables to (separated by commas), in alphabetical order.
const std::vector<std::string> languages = [] {
    std::vector<std::string> list;
    for (const auto part : std::views::split(std::string_view(TALLYFOX_LANGUAGES), ','))
        list.emplace_back(part.begin(), part.end());
    std::ranges::sort(list);
    return list;
}();

fs::path sourceDirectory() {
    const char* source = std::getenv("TALLYFOX_SOURCE_DIR");
    return source ? fs::path(source) : fs::path(TALLYFOX_SOURCE_DIR_FALLBACK);
}

fs::path poDirectory() {
    return sourceDirectory() / "host" / "strings" / "po";
}

fs::path temporaryDirectory() {
    char pattern[] = "/tmp/widgethost-strings-XXXXXX";
    return mkdtemp(pattern);
}

std::string readFile(const fs::path& path) {
    std::ifstream stream(path);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

// A process that speaks the languages of `list` (LANGUAGE's form), in an empty HOME, with the
// host's tables of the build.
class HostLanguage : public ::testing::Test {
protected:
    void SetUp() override {
        home_ = temporaryDirectory();
        setenv("HOME", home_.c_str(), 1);
        useHostStringTables(TALLYFOX_HOST_STRING_TABLES_DIR);
        speak("");
    }
    void TearDown() override { fs::remove_all(home_); }

    static void speak(const char* list, const char* locale = "C.UTF-8") {
        setenv("LANGUAGE", list, 1);
        setenv("LC_ALL", locale, 1);
        setenv("LC_MESSAGES", "", 1);
        setenv("LANG", "", 1);
    }

    fs::path home_;
};

} // namespace

TEST(HostStringTables, everyCatalogTranslatesEveryKeyWithItsPlaceholders) {
    const auto templateCatalog = st::readPO((poDirectory() / "widgethost.pot").string());
    ASSERT_EQ(templateCatalog.error, "");
    EXPECT_GE(templateCatalog.entries.size(), 29u);
    EXPECT_EQ(st::stringTableProblems(poDirectory(), "widgethost.pot", languages),
              std::vector<std::string>{});
    // Every key tells its translators where it shows, and English keeps the key's own text.
    const auto english = st::readPO((poDirectory() / "en.po").string());
    for (const auto& entry : templateCatalog.entries) {
        EXPECT_FALSE(entry.extractedComments.empty()) << "“" << entry.key << "” has no note for translators";
        const auto* translated = english.find(entry.key);
        ASSERT_NE(translated, nullptr) << entry.key;
        EXPECT_EQ(translated->translation(), entry.key);
    }
    // Each catalog has its language's plural rule, even while no key counts.
    for (const auto& language : languages) {
        const auto reading = st::readPluralForms(st::readPO((poDirectory() / (language + ".po")).string()));
        EXPECT_TRUE(reading.forms) << language << ".po " << reading.error;
    }
}

TEST(HostStringTables, holdEveryKeyTheHostLooksUp) {
    // A key may be written as adjacent literals over several lines: they are one key.
    const std::regex call(R"re(hostText\s*\(\s*((?:"(?:[^"\\]|\\.)*"\s*)+))re");
    const std::regex piece(R"re("((?:[^"\\]|\\.)*)")re");
    const auto templateCatalog = st::readPO((poDirectory() / "widgethost.pot").string());
    for (const auto& entry : fs::recursive_directory_iterator(sourceDirectory() / "host")) {
        const auto name = entry.path().filename().string();
        if (entry.path().extension() != ".cpp" || name.ends_with("Tests.cpp")) continue;
        const std::string text = readFile(entry.path());
        for (std::sregex_iterator it(text.begin(), text.end(), call), end; it != end; ++it) {
            std::string key;
            const std::string literals = (*it)[1].str();
            for (std::sregex_iterator part(literals.begin(), literals.end(), piece); part != end; ++part)
                key += (*part)[1].str();
            EXPECT_NE(templateCatalog.find(key), nullptr)
                << "“" << key << "” (" << name << ") is not in the template";
        }
    }
}

TEST(HostStringTables, theBuildRefusesACatalogWhosePlaceholdersDifferFromTheKey) {
    const fs::path broken = temporaryDirectory();
    for (const auto& file : fs::directory_iterator(poDirectory()))
        fs::copy(file.path(), broken / file.path().filename());
    std::string hebrew = readFile(broken / "he.po");
    const std::string from = "msgstr \"הזזת %@ למעלה\"";
    const auto at = hebrew.find(from);
    ASSERT_NE(at, std::string::npos);
    hebrew.replace(at, from.size(), "msgstr \"הזזה למעלה\"");
    std::ofstream(broken / "he.po", std::ios::trunc) << hebrew;
    std::string german = readFile(broken / "de.po");
    const std::string size = "msgstr \"Größe\"";
    german.replace(german.find(size), size.size(), "msgstr \"\"");
    std::ofstream(broken / "de.po", std::ios::trunc) << german;

    const auto line = st::readPO((broken / "he.po").string()).find("Move %@ Up")->line;
    const std::string mismatch = "line " + std::to_string(line) +
                                 ": the placeholders of “הזזה למעלה” do not match its key “Move %@ Up”";
    EXPECT_EQ(st::stringTableProblems(broken, "widgethost.pot", languages),
              (std::vector<std::string>{"de.po leaves “Size” untranslated", "he.po " + mismatch}));
    const std::string command = std::string(TALLYFOX_STRINGTABLE_CHECK) + " " + (broken / "he.po").string() +
                                " " + (broken / "de.po").string() + " 2>" + (broken / "errors").string();
    EXPECT_NE(std::system(command.c_str()), 0);
    EXPECT_EQ(readFile(broken / "errors"), (broken / "he.po").string() + ": " + mismatch + "\n");
    fs::remove_all(broken);
}

TEST_F(HostLanguage, theCLocaleAndEnglishKeepTheEnglishTexts) {
    EXPECT_EQ(hostLanguage(), "en");
    EXPECT_EQ(hostText("Edit Widget…"), "Edit Widget…");
    EXPECT_EQ(hostText("%@ declares no widget", {std::string("/tmp/x.appex")}),
              "/tmp/x.appex declares no widget");
    EXPECT_FALSE(hostLanguageIsRightToLeft());
    speak("", "POSIX");
    EXPECT_EQ(hostText("Quit"), "Quit");
    speak("en_GB:de");
    EXPECT_EQ(hostText("Remove Widget"), "Remove Widget");
    // A text that no catalog has is its key.
    speak("de");
    EXPECT_EQ(hostText("no such text %@", {std::string("here")}), "no such text here");
}

TEST_F(HostLanguage, germanAndHebrewGiveTheirTranslationsAndHebrewRunsRightToLeft) {
    speak("", "de_DE.UTF-8");
    EXPECT_EQ(hostLanguage(), "de");
    EXPECT_EQ(hostText("Size"), "Größe");
    EXPECT_EQ(hostText("Move %@ Up", {std::string("Claude Code · Work")}),
              "Claude Code · Work nach oben bewegen");
    EXPECT_FALSE(hostLanguageIsRightToLeft());

    speak("he_IL");
    EXPECT_EQ(hostLanguage(), "he");
    EXPECT_EQ(hostText("Edit Widget…"), "עריכת הווידג׳ט…");
    EXPECT_EQ(hostText("the surface %@ is not available here; the widgets use %@",
                       {std::string("layer-shell"), std::string("window")}),
              "המשטח layer-shell אינו זמין כאן; הווידג׳טים משתמשים ב־window");
    EXPECT_TRUE(hostLanguageIsRightToLeft());
}

TEST_F(HostLanguage, aLanguageWithoutACatalogFallsThroughToTheNextAndThenToEnglish) {
    speak("xx:ru");
    EXPECT_EQ(hostText("Quit"), "Завершить");
    speak("sv_SE");
    EXPECT_EQ(hostLanguage(), "en");
    EXPECT_EQ(hostText("Quit"), "Quit");
    EXPECT_FALSE(hostLanguageIsRightToLeft());
    // A region finds its language's catalog.
    speak("pt_BR");
    EXPECT_EQ(hostText("Save"), "Salvar");
    EXPECT_EQ(hostLocalizations(), languages);
}

TEST_F(HostLanguage, theHostsAppleLanguagesComeFirstAndAnotherMainBundleChangesNothing) {
    speak("de");
    pf::UserDefaults(std::string(hostDefaultsDomain))
        .set("AppleLanguages", pf::PropertyListValue::strings({"ja"}));
    EXPECT_EQ(hostText("Quit"), "終了");
    // Once the extension is loaded, its bundle is the main one, with a table and defaults of its own.
    const fs::path other = temporaryDirectory();
    fs::create_directories(other / "fr" / "LC_MESSAGES");
    std::ofstream(other / "fr" / "LC_MESSAGES" / "widgethost.mo") << "not a catalog";
    pf::setMainBundleInfo({"com.example.extension", other, "en", "widgethost"});
    pf::UserDefaults("com.example.extension").set("AppleLanguages", pf::PropertyListValue::strings({"fr"}));
    EXPECT_EQ(hostText("Quit"), "終了");
    pf::UserDefaults(std::string(hostDefaultsDomain)).removeObject("AppleLanguages");
    EXPECT_EQ(hostText("Quit"), "Beenden");
    pf::setMainBundleInfo({});
    fs::remove_all(other);
}
