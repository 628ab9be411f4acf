#include "platform/foundation/JSON.hpp"
#include "platform/foundation/JSONWriter.hpp"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>

using namespace platform::foundation;

namespace {

std::string quoted(std::string_view text) {
    std::string out;
    appendJSONString(out, text);
    return out;
}

} // namespace

TEST(JSONWriter, escapesQuotesBackslashesAndEveryControlCharacterButLeavesSlashes) {
    EXPECT_EQ(quoted("plain"), "\"plain\"");
    EXPECT_EQ(quoted(""), "\"\"");
    EXPECT_EQ(quoted("a\"b\\c/d"), R"("a\"b\\c/d")");
    EXPECT_EQ(quoted("\b\f\n\r\t"), R"("\b\f\n\r\t")");
    EXPECT_EQ(quoted(std::string_view("\0\x01\x1f", 3)), R"("\u0000\u0001\u001f")");
    EXPECT_EQ(quoted("\x7f"), "\"\x7f\""); // DEL is no control character to JSON
    EXPECT_EQ(quoted("caf\u00E9 \u05D0 \U0001F600"), "\"caf\u00E9 \u05D0 \U0001F600\"");
}

TEST(JSONWriter, replacesEachMalformedUTF8SequenceWithOneReplacementCharacter) {
    const std::string fffd = "\xEF\xBF\xBD";
    EXPECT_EQ(quoted("a\xff"
                     "b"),
              "\"a" + fffd + "b\"");
    EXPECT_EQ(quoted("\x80\x80"), "\"" + fffd + fffd + "\"");                       // lone continuation bytes
    EXPECT_EQ(quoted("\xC0\xAF"), "\"" + fffd + fffd + "\"");                       // an overlong form
    EXPECT_EQ(quoted("\xE2\x82"), "\"" + fffd + "\"");                              // cut short at the end
    EXPECT_EQ(quoted("\xE2\x82x"), "\"" + fffd + "x\"");                            // cut short before ASCII
    EXPECT_EQ(quoted("\xED\xA0\x80"), "\"" + fffd + fffd + fffd + "\"");            // a surrogate
    EXPECT_EQ(quoted("\xF4\x90\x80\x80"), "\"" + fffd + fffd + fffd + fffd + "\""); // above U+10FFFF
    EXPECT_EQ(quoted("\xF0\x9F\x98\""), "\"" + fffd + "\\\"\"");
}

TEST(JSONWriter, printsEachMemberOnItsOwnLineWithTheChosenSeparator) {
    JSONWriter json;
    json.beginObject();
    json.key("a").value("x");
    json.key("empty").beginArray().endArray();
    json.key("none").beginObject().endObject();
    json.key("list").beginArray().value(1).value(std::int64_t{-2}).value(true);
    json.beginObject().key("b").value(false).endObject();
    json.endArray();
    json.key("at").value(Date{0});
    EXPECT_TRUE(json.key("n").value(0.1));
    json.endObject();
    EXPECT_EQ(json.text(), R"({
  "a" : "x",
  "empty" : [],
  "none" : {},
  "list" : [
    1,
    -2,
    true,
    {
      "b" : false
    }
  ],
  "at" : "1970-01-01T00:00:00Z",
  "n" : 0.1
})");

    JSONWriter compact(JSONWriter::KeySeparator::colon);
    compact.beginObject().key("k").strings({"1", "2"}).endObject();
    EXPECT_EQ(compact.take(), "{\n  \"k\": [\n    \"1\",\n    \"2\"\n  ]\n}");
}

TEST(JSONWriter, writesTheShortestNumberThatReadsBackAndRefusesInfinities) {
    JSONWriter json;
    json.beginArray();
    for (const double number : {82.0, 57.5, 87.655, 1e300, -0.0, 5e-324})
        EXPECT_TRUE(json.value(number));
    EXPECT_FALSE(json.value(INFINITY));
    EXPECT_FALSE(json.value(NAN));
    json.endArray();
    EXPECT_EQ(json.text(), "[\n  82,\n  57.5,\n  87.655,\n  1e+300,\n  -0,\n  5e-324\n]");
}

TEST(JSONWriter, aDocumentWrittenToAStreamReadsBackWhole) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    std::string expected;
    {
        JSONWriter json(file, JSONWriter::KeySeparator::colon);
        json.beginArray();
        // Long enough to be written in several pieces.
        for (int i = 0; i < 20000; ++i)
            json.value("text " + std::to_string(i) + " \xff");
        json.endArray();
        json.finish();
    }
    std::rewind(file);
    std::string written;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        written.append(buffer, n);
    std::fclose(file);
    ASSERT_EQ(written.back(), '\n');
    auto document = JSONDocument::parse(written);
    ASSERT_TRUE(document);
    auto array = document->root().array();
    ASSERT_TRUE(array);
    EXPECT_EQ(array->size(), 20000u);
    std::size_t index = 0;
    for (const JSONValue element : *array) {
        ASSERT_EQ(element.string().value(), "text " + std::to_string(index) + " \xEF\xBF\xBD");
        ++index;
    }
}
