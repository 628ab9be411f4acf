#include "platform/foundation/JSON.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace platform::foundation;
using Kind = DecodingError::Kind;

namespace {

JSONDocument parsed(std::string_view json) {
    auto document = JSONDocument::parse(json);
    EXPECT_TRUE(document) << json << ": " << (document ? "" : document.error().description());
    return std::move(document.value());
}

JSONObject rootObject(const JSONDocument& document) { return document.root().object().value(); }

} // namespace

TEST(JSONDocument, refusesMalformedTextAnywhereIncludingValuesNobodyReads) {
    for (const char* json : {"",
                             " ",
                             "{",
                             "{\"a\":1,}",
                             "{\"a\" 1}",
                             "[1,]",
                             "[1 2]",
                             "{\"a\":1} x",
                             "{\"ignored\":[1,2,}",
                             "{\"ignored\":tru}",
                             "{\"ignored\":nul}",
                             "{\"ignored\":01}",
                             "{\"ignored\":1.}",
                             "{\"ignored\":-}",
                             "{\"ignored\":\"\\x\"}",
                             "{\"ignored\":\"\xff\"}",
                             "{\"ignored\":NaN}",
                             "{\"a\":1}{\"b\":2}",
                             "{'a':1}",
                             "[[[[[)]",
                             "[[[[[[[[",
                             "{\"a\":[[[[[["}) {
        auto document = JSONDocument::parse(json);
        EXPECT_FALSE(document) << json;
        if (!document) {
            EXPECT_EQ(document.error().kind, Kind::dataCorrupted) << json;
        }
    }
}

TEST(JSONDocument, locatesASyntaxErrorByItsCodingPath) {
    auto document = JSONDocument::parse(R"({"state":{"providers":{"_0":[{"provider":"codex"},{"windows":[tru]}]}}})");
    ASSERT_FALSE(document);
    EXPECT_EQ(document.error().pathString(), "state.providers._0[1].windows[0]");
}

TEST(JSONValue, keepsEachNumbersSourceTextAndTellsIntegersFromFractions) {
    const auto document = parsed(R"({"a":2.23,"b":300,"c":300.0,"d":3e2,"e":-0,"f":9223372036854775807,
        "g":9223372036854775808,"h":123456789012345678901234567890,"i":1e400,"j":1e-400,"k":1E+2})");
    const auto object = rootObject(document);
    EXPECT_EQ(object["a"]->numberText().value(), "2.23");
    EXPECT_EQ(object["k"]->numberText().value(), "1E+2");
    EXPECT_EQ(object["h"]->numberText().value(), "123456789012345678901234567890");
    EXPECT_EQ(object["b"]->int64().value(), 300);
    EXPECT_EQ(object["e"]->int64().value(), 0);
    EXPECT_EQ(object["f"]->int64().value(), INT64_MAX);
    for (const char* key : {"a", "c", "d", "g", "h"}) {
        const auto integer = object[key]->int64();
        ASSERT_FALSE(integer) << key;
        EXPECT_EQ(integer.error().kind, Kind::dataCorrupted);
        EXPECT_EQ(integer.error().pathString(), key);
    }
    EXPECT_DOUBLE_EQ(object["a"]->number().value(), 2.23);
    EXPECT_DOUBLE_EQ(object["c"]->number().value(), 300);
    EXPECT_FALSE(object["i"]->number()) << "too large for a double";
    EXPECT_EQ(object["j"]->number().value(), 0.0);
}

TEST(JSONObject, requiredAndOptionalFieldsReportTheRightErrorAtTheRightPlace) {
    const auto document = parsed(R"({"outer":{"s":"text","n":null,"i":1,"list":[{"x":1},{"x":"two"}]}})");
    const auto outer = rootObject(document).requiredObject("outer").value();

    EXPECT_EQ(outer.requiredString("s").value(), "text");
    EXPECT_EQ(outer.optionalString("s").value(), "text");
    EXPECT_EQ(outer.optionalString("n").value(), std::nullopt);
    EXPECT_EQ(outer.optionalString("absent").value(), std::nullopt);
    EXPECT_TRUE(outer.contains("n"));
    EXPECT_FALSE(outer.optional("n").has_value());

    const auto missing = outer.requiredString("absent");
    EXPECT_EQ(missing.error().kind, Kind::keyNotFound);
    EXPECT_EQ(missing.error().pathString(), "outer.absent");
    EXPECT_EQ(outer.requiredString("n").error().kind, Kind::valueNotFound);
    const auto wrongType = outer.optionalString("i");
    EXPECT_EQ(wrongType.error().kind, Kind::typeMismatch);
    EXPECT_EQ(wrongType.error().description(), "outer.i: Expected to decode a string but found a number instead.");

    const auto list = outer.requiredArray("list").value();
    auto x = [](JSONValue element) -> Decoded<std::int64_t> {
        auto object = element.object();
        if (!object) return Failure{object.error()};
        return object->requiredInt64("x");
    };
    const auto strict = list.decodeEach<std::int64_t>(x);
    ASSERT_FALSE(strict);
    EXPECT_EQ(strict.error().pathString(), "outer.list[1].x");
    EXPECT_EQ(list.decodeSkippingFailures<std::int64_t>(x), std::vector<std::int64_t>{1});
    EXPECT_EQ(tolerant(outer.optionalString("i")), std::nullopt);
    EXPECT_EQ(tolerant(outer.optionalString("s")), "text");
}

TEST(JSONObject, datesDuplicatesAndMemberOrder) {
    const auto document = parsed(R"({"d":"2026-03-02T10:00:00Z","bad":"2026-03-02","num":5,"k":1,"k":2})");
    const auto object = rootObject(document);
    EXPECT_EQ(object.requiredDate("d").value(), Date{1'772'445'600});
    EXPECT_EQ(object.requiredDate("bad").error().kind, Kind::dataCorrupted);
    EXPECT_EQ(object.requiredDate("num").error().kind, Kind::typeMismatch);
    EXPECT_EQ(object["k"]->int64().value(), 1) << "the first of duplicate keys wins";
    std::string keys;
    for (const auto& member : object) keys += std::string(member.key) + ",";
    EXPECT_EQ(keys, "d,bad,num,k,k,");
    EXPECT_EQ(object.size(), 5u);
}

TEST(JSONDocument, unescapesStringsAndKeysAndAcceptsAnyTopLevelValue) {
    const auto document = parsed(R"({"a\u00b7b":"line\nfeed \"q\" \ud83d\ude00 \/"})");
    EXPECT_EQ(rootObject(document)["a\xc2\xb7" "b"]->string().value(), "line\nfeed \"q\" \xf0\x9f\x98\x80 /");
    EXPECT_EQ(parsed("  42 ").root().int64().value(), 42);
    EXPECT_EQ(parsed("\"x\"").root().string().value(), "x");
    EXPECT_TRUE(parsed("null").root().isNull());
    EXPECT_EQ(parsed("[]").root().array()->size(), 0u);
}

TEST(JSONDocument, refusesNestingDeeperThanItsLimit) {
    EXPECT_TRUE(JSONDocument::parse(std::string(500, '[') + std::string(500, ']')));
    EXPECT_FALSE(JSONDocument::parse(std::string(5000, '[') + std::string(5000, ']')));
}

TEST(JSONDocument, followsTheConformanceSuite) {
    const char* source = std::getenv("TALLYFOX_JSON_TEST_SUITE");
    const std::filesystem::path dir = source ? source : TALLYFOX_JSON_TEST_SUITE_DIR;
    if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no conformance suite at " << dir;
    int cases = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        const auto document = JSONDocument::parse(bytes.str());
        if (name.starts_with("y_")) {
            EXPECT_TRUE(document) << name << ": " << (document ? "" : document.error().description());
        } else if (name.starts_with("n_")) {
            EXPECT_FALSE(document) << name;
        }
        ++cases;
    }
    EXPECT_GT(cases, 300);
}

TEST(JSONDocument, unreadKeysAreValidatedButNotKept) {
    const JSONParseOptions options{{"skip"}, false};
    auto document =
        JSONDocument::parse(R"({"keep":1,"skip":{"deep":[1,"x",{"skip":2}]},"inner":{"skip":3,"k":4}})", 0, options);
    ASSERT_TRUE(document);
    const auto object = rootObject(*document);
    EXPECT_FALSE(object.contains("skip"));
    EXPECT_EQ(object.size(), 2u);
    EXPECT_EQ(object.requiredObject("inner")->requiredInt64("k").value(), 4);
    EXPECT_FALSE(object.requiredObject("inner")->contains("skip"));

    const auto broken = JSONDocument::parse(R"({"keep":1,"inner":{"skip":[1,tru]}})", 0, options);
    ASSERT_FALSE(broken);
    EXPECT_EQ(broken.error().pathString(), "inner") << "reported at the object that holds the unread key";
}

TEST(JSONDocument, referencesTheInputOnlyWhereNoUnescapingIsNeeded) {
    std::string json = R"({"plain":"text","escaped":"a\"b\u00e9","n":-1.5e3,"k\u0065y":true})";
    json.append(JSONDocument::padding, ' ');
    const std::string_view input(json.data(), json.size() - JSONDocument::padding);
    auto document = JSONDocument::parse(input, json.size(), JSONParseOptions{{}, true});
    ASSERT_TRUE(document);
    const auto object = rootObject(*document);
    const std::string_view plain = object.requiredString("plain").value();
    EXPECT_EQ(plain, "text");
    EXPECT_TRUE(plain.data() >= json.data() && plain.data() < json.data() + json.size()) << "points into the input";
    EXPECT_EQ(object.requiredString("escaped").value(), "a\"b\u00e9");
    EXPECT_EQ(object["n"]->numberText().value(), "-1.5e3");
    EXPECT_TRUE(object.requiredBool("key").value());
}

TEST(JSONDocument, readsLargeDocumentsWholeAndRefusesTruncatedOnes) {
    std::string json = "[";
    for (int i = 0; i < 200'000; ++i) json += "{\"a\":" + std::to_string(i) + ",\"b\":\"s\"},";
    json += "null]";
    ASSERT_GT(json.size(), 2u << 20);
    const auto document = JSONDocument::parse(json);
    ASSERT_TRUE(document);
    EXPECT_EQ(document->root().array()->size(), 200'001u);
    EXPECT_FALSE(JSONDocument::parse(std::string_view(json).substr(0, json.size() - 1)));
    EXPECT_FALSE(JSONDocument::parse(std::string(json.size() / 2, '[')));
}
