#pragma once
// What widgethost prints: JSON documents, and text lines that are safe on a terminal.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace widgethost {

/// Writes one JSON document to a stream as it goes, indented by two spaces per level. Strings are
/// written as valid UTF-8 (a malformed sequence becomes U+FFFD), with quotes, backslashes and control
/// characters escaped.
class JSONWriter {
public:
    explicit JSONWriter(std::FILE* stream) : stream_(stream) {}
    JSONWriter(const JSONWriter&) = delete;
    JSONWriter& operator=(const JSONWriter&) = delete;
    ~JSONWriter() { flush(); }

    JSONWriter& beginObject();
    JSONWriter& endObject();
    JSONWriter& beginArray();
    JSONWriter& endArray();
    JSONWriter& key(std::string_view name);
    JSONWriter& value(std::string_view text);
    JSONWriter& value(const char* text) { return value(std::string_view(text)); }
    JSONWriter& value(std::int64_t number);
    JSONWriter& strings(const std::vector<std::string>& texts);

    /// Ends the document with a line feed and writes what is left.
    void finish();

private:
    void beforeValue();
    void flush();
    std::FILE* stream_;
    void close(char bracket);
    std::string out_;
    std::vector<bool> empty_; // per open container: nothing written in it yet
    bool afterKey_ = false;
};

/// `text` fit for a terminal: malformed UTF-8 and control characters other than line feed and tab (which
/// could move the cursor or recolour the terminal) become U+FFFD.
std::string printable(std::string_view text);

} // namespace widgethost
