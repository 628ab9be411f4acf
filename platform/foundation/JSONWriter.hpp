#pragma once
// JSON encoding: one writer for every document the programs print.

#include "platform/foundation/Date.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace platform::foundation {

/// Appends `text` to `out` as a JSON string literal, with the writer's escaping and repair.
void appendJSONString(std::string& out, std::string_view text);

/// Writes one JSON document as it goes, pretty-printed: each member and element on a line of its own,
/// two spaces per level, an empty container as "{}" or "[]". Strings come out as valid UTF-8 (each
/// malformed sequence becomes one U+FFFD), with quotes, backslashes and control characters escaped
/// (\b \f \n \r \t by name, the others as \u00XX); slashes are left as they are.
class JSONWriter {
public:
    /// What stands between a key and its value.
    enum class KeySeparator {
        spacedColon, ///< "key" : value
        colon,       ///< "key": value
    };

    /// Builds the document in memory (`text()`, `take()`).
    explicit JSONWriter(KeySeparator separator = KeySeparator::spacedColon) : separator_(separator) {}
    /// Writes the document to `stream` in pieces, so that a long one is never held whole.
    explicit JSONWriter(std::FILE* stream, KeySeparator separator = KeySeparator::spacedColon)
        : stream_(stream), separator_(separator) {}
    JSONWriter(const JSONWriter&) = delete;
    JSONWriter& operator=(const JSONWriter&) = delete;
    ~JSONWriter() { flush(); }

    JSONWriter& beginObject();
    JSONWriter& endObject();
    JSONWriter& beginArray();
    JSONWriter& endArray();
    JSONWriter& key(std::string_view name) {
        value(name);
        out_ += separator_ == KeySeparator::spacedColon ? " : " : ": ";
        afterKey_ = true;
        return *this;
    }
    JSONWriter& value(std::string_view text) {
        beforeValue();
        appendJSONString(out_, text);
        return *this;
    }
    JSONWriter& value(const char* text) { return value(std::string_view(text)); }
    JSONWriter& value(const std::string& text) { return value(std::string_view(text)); }
    JSONWriter& value(std::int64_t number);
    JSONWriter& value(int number) { return value(std::int64_t{number}); }
    JSONWriter& value(bool flag);
    /// A date as an RFC 3339 string in UTC.
    JSONWriter& value(Date date);
    /// The shortest text that reads back to the same double, without a trailing ".0". JSON has no
    /// infinities or NaN: those write nothing and give false.
    [[nodiscard]] bool value(double number);
    JSONWriter& strings(const std::vector<std::string>& texts);

    /// Room for `bytes` of output, so that building a large document never copies it.
    void reserve(std::size_t bytes) { out_.reserve(bytes); }
    /// The document so far (the unwritten part, when writing to a stream).
    const std::string& text() const { return out_; }
    std::string take() { return std::move(out_); }
    /// Ends the document with a line feed and writes what is left to the stream.
    void finish();

private:
    // Written to the stream in pieces of about this size.
    static constexpr std::size_t flushSize = 64 * 1024;

    // Inline, as every member and element passes here: the tool writes megabytes of them.
    void beforeValue() {
        if (stream_ && out_.size() >= flushSize) flush();
        if (afterKey_) {
            afterKey_ = false;
            return;
        }
        if (depth_ == 0) return;
        if (!empty_) out_ += ',';
        empty_ = false;
        out_ += '\n';
        out_.append(2 * depth_, ' ');
    }
    void close(char bracket);
    void flush();
    std::FILE* stream_ = nullptr;
    KeySeparator separator_;
    std::string out_;
    std::size_t depth_ = 0; // open containers
    bool empty_ = false;    // nothing written yet in the innermost open container
    bool afterKey_ = false;
};

} // namespace platform::foundation
