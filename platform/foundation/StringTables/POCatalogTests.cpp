// The reading of PO catalogs and the checks that the build and the string tables' tests make.
#include "platform/foundation/StringTables/POCatalog.hpp"

#include <gtest/gtest.h>

using namespace platform::foundation::stringtables;

TEST(POCatalog, findsWhatTheBuildAndTheTestsRefuse) {
    const auto parsed =
        parsePO("# a\nmsgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n"
                "#. note\nmsgid \"%@ left\"\nmsgstr \"%lld \"\n\"übrig\"\n\n"
                "#, fuzzy\nmsgid \"%lldh %@m\"\nmsgstr \"%2$@ min %1$lld h\"\n\nmsgid \"extra\"\nmsgstr \"\"\n");
    ASSERT_EQ(parsed.error, "");
    ASSERT_EQ(parsed.entries.size(), 3u);
    EXPECT_EQ(parsed.header, "Content-Type: text/plain; charset=UTF-8\n");
    EXPECT_EQ(parsed.entries[0].translation(), "%lld übrig");
    EXPECT_EQ(parsed.entries[0].extractedComments, std::vector<std::string>{"note"});
    EXPECT_TRUE(parsed.entries[1].fuzzy);
    // Positional placeholders may reorder; another kind may not.
    const auto mismatches = placeholderMismatches(parsed);
    ASSERT_EQ(mismatches.size(), 1u);
    EXPECT_EQ(mismatches[0], "line 6: the placeholders of “%lld übrig” do not match its key “%@ left”");

    POCatalog wanted;
    wanted.entries = {POEntry{"%@ left", {}, {""}, {}, false, 1}, POEntry{"%lldh %@m", {}, {""}, {}, false, 2},
                      POEntry{"Daily", {}, {""}, {}, false, 3}};
    EXPECT_EQ(completenessProblems(wanted, parsed),
              (std::vector<std::string>{"leaves “%lldh %@m” untranslated", "lacks “Daily”",
                                        "has “extra”, which the template lacks"}));
    EXPECT_NE(parsePO("msgid \"a\"\nmsgid \"b\"\n").error, "");
    EXPECT_NE(parsePO("msgid \"a\nmsgstr \"\"\n").error, "");
}

TEST(POCatalog, readsPluralEntriesAndChecksEachForm) {
    const std::string header =
        "msgid \"\"\nmsgstr \"Plural-Forms: nplurals=3; plural=(n == 1 ? 0 : n == 2 ? 1 : 2);\\n\"\n\n";
    const auto parsed = parsePO(header +
                                "msgid \"%lld-day\"\nmsgid_plural \"%lld-day\"\n"
                                "msgstr[0] \"יום\"\nmsgstr[1] \"יומיים\"\nmsgstr[2] \"%lld ימים\"\n\n"
                                "msgid \"%lld-hour\"\nmsgid_plural \"%lld-hours\"\n"
                                "msgstr[0] \"%lld שעה\"\nmsgstr[1] \"%@ שעות\"\nmsgstr[2] \"שעות\"\n");
    ASSERT_EQ(parsed.error, "");
    ASSERT_EQ(parsed.entries.size(), 2u);
    EXPECT_EQ(parsed.entries[0].pluralKey, "%lld-day");
    EXPECT_EQ(parsed.entries[0].translations, (std::vector<std::string>{"יום", "יומיים", "%lld ימים"}));
    EXPECT_EQ(pluralFormProblems(parsed), std::vector<std::string>{});
    // Only a form that one count takes may leave the count out ("יומיים" is always two).
    EXPECT_EQ(placeholderMismatches(parsed),
              (std::vector<std::string>{
                  "line 10: the placeholders of “%@ שעות” (msgstr[1]) do not match its key “%lld-hour”",
                  "line 10: the placeholders of “שעות” (msgstr[2]) do not match its key “%lld-hour”",
              }));

    EXPECT_EQ(parsePO("msgid \"a\"\nmsgstr[0] \"x\"\n").error, "line 2: msgstr[0] without msgid_plural");
    EXPECT_EQ(parsePO("msgid \"a\"\nmsgid_plural \"b\"\nmsgstr[1] \"x\"\n").error,
              "line 3: msgstr[1] where msgstr[0] belongs");
    EXPECT_EQ(parsePO("msgid \"a\"\nmsgid_plural \"b\"\nmsgstr \"x\"\n").error,
              "line 3: msgstr without an index in a plural entry");

    // A plural entry needs a rule, and as many forms as the rule has.
    const auto withoutRule = parsePO("msgid \"%lld-day\"\nmsgid_plural \"%lld-day\"\nmsgstr[0] \"%lld d\"\n");
    EXPECT_EQ(pluralFormProblems(withoutRule), std::vector<std::string>{"has no Plural-Forms rule in its header"});
    const auto short_ = parsePO(header + "msgid \"%lld-day\"\nmsgid_plural \"%lld-day\"\nmsgstr[0] \"%lld d\"\n");
    EXPECT_EQ(pluralFormProblems(short_),
              std::vector<std::string>{"line 4: “%lld-day” gives 1 plural forms where its language has 3"});
    POCatalog wanted;
    wanted.entries = {POEntry{"%lld-day", "%lld-day", {"", ""}, {}, false, 1},
                      POEntry{"Daily", {}, {""}, {}, false, 2}};
    auto plain = parsePO(header + "msgid \"%lld-day\"\nmsgstr \"%lld d\"\n\nmsgid \"Daily\"\nmsgid_plural \"Daily\"\n"
                                  "msgstr[0] \"a\"\nmsgstr[1] \"b\"\nmsgstr[2] \"c\"\n");
    EXPECT_EQ(completenessProblems(wanted, plain),
              (std::vector<std::string>{"gives “%lld-day” one text where the template asks for plural forms",
                                        "gives “Daily” plural forms where the template asks for one text"}));
    EXPECT_EQ(
        completenessProblems(wanted, short_),
        (std::vector<std::string>{"lacks msgstr[1] of “%lld-day”", "lacks msgstr[2] of “%lld-day”", "lacks “Daily”"}));
}

TEST(PluralForms, evaluateGettextRulesAndRefuseBrokenOnes) {
    const auto rule = [](const std::string& field) {
        POCatalog catalog;
        catalog.header = "Content-Type: text/plain; charset=UTF-8\nPlural-Forms: " + field + "\n";
        return readPluralForms(catalog);
    };
    const auto russian = rule("nplurals=3; plural=(n%10==1 && n%100!=11 ? 0 : n%10>=2 && n%10<=4 && "
                              "(n%100<10 || n%100>=20) ? 1 : 2);");
    ASSERT_TRUE(russian.forms) << russian.error;
    std::vector<int> forms;
    for (const unsigned long n : {1, 2, 5, 11, 12, 21, 22, 25, 111, 1000001}) forms.push_back(*russian.forms->form(n));
    EXPECT_EQ(forms, (std::vector<int>{0, 1, 2, 2, 2, 0, 1, 2, 2, 0}));
    EXPECT_EQ(rule("nplurals=2; plural=n > 1;").forms->form(0), 0);
    EXPECT_EQ(rule("nplurals=1; plural=0;").forms->onlyCountOf(0), std::nullopt);
    EXPECT_EQ(rule("nplurals=2; plural=(n != 1);").forms->onlyCountOf(0), 1u);
    EXPECT_EQ(russian.forms->onlyCountOf(0), std::nullopt); // 1, 21, 31, …

    EXPECT_EQ(rule("nplurals=2; plural=(n != 1;").error,
              "has a Plural-Forms expression that gives no form of the 2 for n = 0");
    EXPECT_EQ(rule("nplurals=2; plural=n % 0;").error,
              "has a Plural-Forms expression that gives no form of the 2 for n = 0");
    EXPECT_EQ(rule("nplurals=2; plural=n;").error,
              "has a Plural-Forms expression that gives no form of the 2 for n = 2");
    EXPECT_EQ(rule("nplurals=3; plural=(n != 1);").error,
              "has a Plural-Forms rule whose expression never gives some of its 3 forms");
    EXPECT_EQ(rule("nplurals=INTEGER; plural=EXPRESSION;").error,
              "has a Plural-Forms rule without a count of forms from 1 to 6");
    POCatalog none;
    EXPECT_EQ(readPluralForms(none).error, "has no Plural-Forms rule in its header");
}
