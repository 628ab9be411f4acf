#include "host/Output.hpp"

#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

namespace widgethost {

namespace {

constexpr std::string_view replacement = "\xEF\xBF\xBD"; // U+FFFD

// Valid UTF-8, with malformed sequences replaced by U+FFFD.
std::string wellFormed(std::string_view text) {
    std::string out;
    icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size()))).toUTF8String(out);
    return out;
}

// Written to the stream in pieces of about this size, so a long document is never held whole.
constexpr std::size_t flushSize = 64 * 1024;

} // namespace

void JSONWriter::flush() {
    if (!out_.empty()) std::fwrite(out_.data(), 1, out_.size(), stream_);
    out_.clear();
}

void JSONWriter::finish() {
    out_ += '\n';
    flush();
}

void JSONWriter::beforeValue() {
    if (out_.size() >= flushSize) flush();
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!empty_.empty()) {
        if (!empty_.back()) out_ += ',';
        empty_.back() = false;
        out_ += '\n';
        out_.append(2 * empty_.size(), ' ');
    }
}

JSONWriter& JSONWriter::beginObject() {
    beforeValue();
    out_ += '{';
    empty_.push_back(true);
    return *this;
}

JSONWriter& JSONWriter::beginArray() {
    beforeValue();
    out_ += '[';
    empty_.push_back(true);
    return *this;
}

void JSONWriter::close(char bracket) {
    const bool wasEmpty = empty_.back();
    empty_.pop_back();
    if (!wasEmpty) {
        out_ += '\n';
        out_.append(2 * empty_.size(), ' ');
    }
    out_ += bracket;
}

JSONWriter& JSONWriter::endObject() {
    close('}');
    return *this;
}

JSONWriter& JSONWriter::endArray() {
    close(']');
    return *this;
}

JSONWriter& JSONWriter::key(std::string_view name) {
    value(name);
    out_ += ": ";
    afterKey_ = true;
    return *this;
}

JSONWriter& JSONWriter::value(std::string_view text) {
    beforeValue();
    out_ += '"';
    for (const char c : wellFormed(text)) {
        switch (c) {
        case '"': out_ += "\\\""; break;
        case '\\': out_ += "\\\\"; break;
        case '\n': out_ += "\\n"; break;
        case '\r': out_ += "\\r"; break;
        case '\t': out_ += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                static constexpr char hex[] = "0123456789abcdef";
                out_ += "\\u00";
                out_ += hex[(c >> 4) & 0xF];
                out_ += hex[c & 0xF];
            } else {
                out_ += c;
            }
        }
    }
    out_ += '"';
    return *this;
}

JSONWriter& JSONWriter::value(std::int64_t number) {
    beforeValue();
    out_ += std::to_string(number);
    return *this;
}

JSONWriter& JSONWriter::strings(const std::vector<std::string>& texts) {
    beginArray();
    for (const auto& text : texts) value(text);
    return endArray();
}

std::string printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    for (int32_t i = 0; i < length;) {
        const int32_t start = i;
        UChar32 c;
        U8_NEXT(bytes, i, length, c); // a malformed sequence gives a negative c
        if (c < 0 || (c != '\n' && c != '\t' && u_charType(c) == U_CONTROL_CHAR))
            out += replacement;
        else
            out.append(text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(i - start)));
    }
    return out;
}

} // namespace widgethost
