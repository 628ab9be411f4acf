#include "platform/foundation/FormatPlaceholders.hpp"
#include "platform/foundation/Localization.hpp"
#include "platform/foundation/LocalizedString.hpp"
#include "platform/foundation/Locale.hpp"
#include "platform/foundation/UserDefaults.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace platform::foundation;

namespace {
const std::vector<std::string> shipped = {"de", "en", "fr", "pt_BR", "uz", "zh-Hans"};

std::string chosen(std::vector<std::string> preferences) {
    return preferredLocalizations(shipped, preferences).front();
}

// The test catalogs laid out by the build: de and fr for the table "Greetings".
void useTestBundle() { setMainBundleInfo({"", TALLYFOX_FOUNDATION_TEST_RESOURCES, "en", "Greetings"}); }
} // namespace

TEST(PreferredLocalizations, matchExactlyThenByShorterIdentifierThenByLanguage) {
    EXPECT_EQ(chosen({"fr"}), "fr");
    EXPECT_EQ(chosen({"FR-ca"}), "fr");
    EXPECT_EQ(chosen({"de_CH"}), "de");
    EXPECT_EQ(chosen({"pt-BR"}), "pt_BR");
    EXPECT_EQ(chosen({"pt"}), "pt_BR");
    EXPECT_EQ(chosen({"zh_Hans_CN"}), "zh-Hans");
    EXPECT_EQ(chosen({"uz-Latn-UZ"}), "uz");
}

TEST(PreferredLocalizations, fallThroughUnknownCodesToTheDevelopmentLanguage) {
    EXPECT_EQ(chosen({"system", "xx", "fr"}), "fr");
    EXPECT_EQ(chosen({"system"}), "en");
    EXPECT_EQ(chosen({}), "en");
    EXPECT_EQ(preferredLocalizations({}, {"de"}), std::vector<std::string>{"en"});
    EXPECT_EQ(preferredLocalizations({"ja"}, {"ko"}, "ja"), std::vector<std::string>{"ja"});
}

TEST(PreferredLanguages, putAppleLanguagesBeforeTheSystemsSettings) {
    setenv("LANGUAGE", "nl:fr_FR", 1);
    setenv("LC_ALL", "", 1);
    setenv("LC_MESSAGES", "", 1);
    setenv("LANG", "ru_RU.UTF-8", 1);
    EXPECT_EQ(systemLanguages(), (std::vector<std::string>{"nl", "fr_FR", "ru_RU"}));
    setenv("LANGUAGE", "", 1);
    setenv("LC_ALL", "C.UTF-8", 1);
    EXPECT_EQ(systemLanguages(), std::vector<std::string>{});
    setenv("LC_ALL", "de_AT.UTF-8@euro", 1);
    EXPECT_EQ(systemLanguages(), std::vector<std::string>{"de_AT"});

    useTestBundle();
    UserDefaults::standard().set("AppleLanguages", PropertyListValue::strings({"system", "fr"}));
    EXPECT_EQ(preferredLanguages(), (std::vector<std::string>{"system", "fr", "de_AT"}));
    EXPECT_EQ(mainBundlePreferredLocalizations(), std::vector<std::string>{"fr"});
    UserDefaults::standard().set("AppleLanguages", PropertyListValue::strings({"system"}));
    EXPECT_EQ(mainBundlePreferredLocalizations(), std::vector<std::string>{"de"}); // from the system's setting
    UserDefaults::standard().removeObject("AppleLanguages");
}

TEST(LocalizedStrings, lookUpTheLanguageOfTheLocaleOrTheDefault) {
    useTestBundle();
    EXPECT_EQ(mainBundleLocalizations(), (std::vector<std::string>{"de", "fr"}));
    EXPECT_EQ(localized("Hello", "Hello", "A greeting", Locale("de")), "Hallo");
    EXPECT_EQ(localized("Hello", "Hello", "A greeting", Locale("fr_CA")), "Bonjour");
    EXPECT_EQ(localized("Hello", "Hello", "A greeting", Locale("ja")), "Hello");
    EXPECT_EQ(localized("greeting.short", "Hi", "", Locale("ja")), "Hi"); // the default, not the key
    EXPECT_EQ(localized("Untranslated", "Untranslated", "", Locale("de")), "Untranslated");
    EXPECT_EQ(localizedFormat("%lld of %@", "%lld of %@", "", {3, std::string("five")}, Locale("de")), "3 von five");
    EXPECT_EQ(localizedFormat("%lld of %@", "%lld of %@", "", {3, std::string("fünf")}, Locale("fr")), "fünf : 3");
    UserDefaults::standard().set("AppleLanguages", PropertyListValue::strings({"fr"}));
    EXPECT_EQ(LocalizedStringResource({"Hello", "Hello", "", {}}).resolved(), "Bonjour");
    EXPECT_EQ(LocalizedStringResource({"Hello", "Hello", "", {}}).resolved(Locale("de")), "Hallo");
    UserDefaults::standard().removeObject("AppleLanguages");
}

TEST(LocalizedStrings, pickThePluralFormOfTheirLanguageByTheFirstInteger) {
    useTestBundle();
    const auto files = [](std::int64_t count, const char* language) {
        return localizedFormat("%lld file", "%lld file(s)", "", {count}, Locale(language));
    };
    EXPECT_EQ(files(1, "de"), "1 Datei");
    EXPECT_EQ(files(0, "de"), "0 Dateien");
    EXPECT_EQ(files(21, "de"), "21 Dateien");
    EXPECT_EQ(files(0, "fr"), "0 fichier"); // French counts 0 and 1 alike
    EXPECT_EQ(files(2, "fr"), "2 fichiers");
    EXPECT_EQ(files(1, "ja"), "1 file(s)"); // no table: the default serves every count
    // Counts beyond what a plural rule reads keep their form; negative counts take their magnitude's.
    EXPECT_EQ(files(4'000'000'001, "fr"), "4000000001 fichiers");
    EXPECT_EQ(files(-1, "de"), "-1 Datei");
    EXPECT_EQ(files(INT64_MIN, "de"), "-9223372036854775808 Dateien");
    // The count is the first integer, wherever the texts stand.
    EXPECT_EQ(localizedPlural("%lld file", "", "", 1, Locale("de")), "%lld Datei");
    EXPECT_EQ(pluralCount({std::string("x"), std::int64_t{5}, std::int64_t{1}}), 5);
    EXPECT_EQ(pluralCount({std::string("x")}), std::nullopt);
    // An entry without plural forms gives its one text for any count.
    EXPECT_EQ(localizedFormat("%lld of %@", "", "", {1, std::string("eins")}, Locale("de")), "1 von eins");
    EXPECT_EQ(localizedFormat("%lld of %@", "", "", {7, std::string("sept")}, Locale("fr")), "sept : 7");
    EXPECT_EQ(localizedPlural("Hello", "Hello", "", 2, Locale("fr")), "Bonjour");
    UserDefaults::standard().set("AppleLanguages", PropertyListValue::strings({"fr"}));
    EXPECT_EQ(LocalizedStringResource({"%lld file", "%lld file", "", {std::int64_t{3}}}).resolved(), "3 fichiers");
    EXPECT_EQ(localizedPlural("%lld file", "%lld file", "", 1), "%lld fichier");
    UserDefaults::standard().removeObject("AppleLanguages");
}

TEST(LocalizedStrings, takeTheirTableFromABundlesInformation) {
    char pattern[] = "/tmp/tallyfox-bundle-XXXXXX";
    const std::filesystem::path root = mkdtemp(pattern);
    std::filesystem::create_directories(root / "Contents");
    std::ofstream(root / "Contents" / "Info.plist")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
           "<key>CFBundleIdentifier</key><string>com.example.Widget</string>"
           "<key>CFBundleExecutable</key><string>Greetings</string></dict></plist>\n";
    const auto info = localizationInfo(*Bundle::open(root));
    EXPECT_EQ(info.identifier, "com.example.Widget");
    EXPECT_EQ(info.stringTable, "Greetings");
    EXPECT_EQ(info.developmentLanguage, "en");
    EXPECT_EQ(info.resourcesDirectory, root / "Contents" / "Resources");
    std::filesystem::remove_all(root);
}

TEST(FillFormat, substitutesSequentialAndPositionalPlaceholders) {
    EXPECT_EQ(fillFormat("%lldd %lldh", {2, 4}), "2d 4h");
    EXPECT_EQ(fillFormat("%lldh %@m", {3, std::string("08")}), "3h 08m");
    EXPECT_EQ(fillFormat("%2$@ · %1$@", {std::string("a"), std::string("b")}), "b · a");
    EXPECT_EQ(fillFormat("100%% of %@", {std::string("x")}), "100% of x");
    EXPECT_EQ(fillFormat("%@ and %@", {std::string("one")}), "one and "); // a missing argument leaves nothing
    EXPECT_EQ(fillFormat("%d", {-7}), "-7");
    EXPECT_EQ(fillFormat("50% off", {}), "50% off"); // not a placeholder: kept
    const Locale arabic("ar_EG"), english("en");
    EXPECT_EQ(fillFormat("%lldm", {1234}, &arabic), "\u0661\u0662\u0663\u0664m"); // the locale's digits, no grouping
    EXPECT_EQ(fillFormat("%lldm", {1234}, &english), "1234m");
}

TEST(FormatSignature, tellsWhetherTwoFormatsTakeTheSameArguments) {
    using Kind = FormatPlaceholder::Kind;
    EXPECT_EQ(formatSignature("%lldh %@m"), (std::vector<Kind>{Kind::integer, Kind::text}));
    EXPECT_EQ(formatSignature("%2$@ %1$lld h"), formatSignature("%lldh %@m"));
    EXPECT_NE(formatSignature("%@ %lld"), formatSignature("%lldh %@m"));
    EXPECT_EQ(formatSignature("plain"), std::vector<Kind>{});
    EXPECT_EQ(formatSignature("%2$@"), std::nullopt);       // the first argument is never taken
    EXPECT_EQ(formatSignature("%1$@ %1$lld"), std::nullopt); // one argument, two kinds
    EXPECT_EQ(formatSignature("%s"), std::nullopt);
}

TEST(LocalizedStrings, comeFromATableNamedByItsBundleWhicheverBundleIsTheMainOne) {
    // A host that loaded an extension: the extension is the main bundle, the host names its own table.
    setMainBundleInfo({"com.example.Extension", "/nonexistent", "en", "Other"});
    const MainBundleInfo host{"com.example.Host", TALLYFOX_FOUNDATION_TEST_RESOURCES, "en", "Greetings"};
    EXPECT_EQ(localizedString(host, "de", "Hello", "Hello"), "Hallo");
    EXPECT_EQ(localizedString(host, "de", "%lld file", "%lld file", 2), "%lld Dateien");
    EXPECT_EQ(localizedString(host, "de", "Untranslated", "the default"), "the default");
    EXPECT_EQ(localizedString(host, "ja", "Hello", "Hello"), "Hello");
    EXPECT_EQ(localized("Hello", "Hello"), "Hello"); // the main bundle has no such table

    // Each program's own "AppleLanguages" come before the system's settings.
    char pattern[] = "/tmp/tallyfox-home-XXXXXX";
    const std::filesystem::path home = mkdtemp(pattern);
    setenv("HOME", home.c_str(), 1);
    setenv("LANGUAGE", "nl", 1);
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) setenv(name, "", 1);
    UserDefaults("com.example.Host").set("AppleLanguages", PropertyListValue::strings({"fr"}));
    EXPECT_EQ(preferredLanguages("com.example.Host"), (std::vector<std::string>{"fr", "nl"}));
    EXPECT_EQ(preferredLanguages("com.example.Extension"), std::vector<std::string>{"nl"});
    UserDefaults("com.example.Host").removeObject("AppleLanguages");
    setenv("LANGUAGE", "", 1);
    setMainBundleInfo({});
    std::filesystem::remove_all(home);
}
