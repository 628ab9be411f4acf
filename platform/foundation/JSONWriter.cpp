#include "platform/foundation/JSONWriter.hpp"

#include "platform/foundation/ISO8601.hpp"

#include <charconv>
#include <cmath>

namespace platform::foundation {

namespace {

constexpr std::string_view replacement = "\xEF\xBF\xBD"; // U+FFFD

// The length of the well-formed UTF-8 sequence that starts at `i` (a byte of 0x80 or more), or the
// negated length of its longest well-formed prefix (at least one byte): each such maximal prefix is
// replaced by one U+FFFD, as ICU and the web's decoders do.
int sequenceLength(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(i);
    int length = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F; // nothing above U+10FFFF
    } else {
        return -1;
    }
    for (int k = 1; k < length; ++k) {
        const std::size_t at = i + static_cast<std::size_t>(k);
        if (at >= text.size()) return -k;
        const unsigned char c = byte(at);
        const bool fits = k == 1 ? (c >= low && c <= high) : (c >= 0x80 && c <= 0xBF);
        if (!fits) return -k;
    }
    return length;
}

} // namespace

void appendJSONString(std::string& out, std::string_view text) {
    static constexpr char hex[] = "0123456789abcdef";
    out += '"';
    std::size_t run = 0; // start of the pending run of bytes that are written as they are
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x80 && c != '"' && c != '\\') {
            ++i;
            continue;
        }
        if (c >= 0x80) {
            const int length = sequenceLength(text, i);
            if (length > 0) {
                i += static_cast<std::size_t>(length);
                continue;
            }
            out.append(text.data() + run, i - run);
            out += replacement;
            i += static_cast<std::size_t>(-length);
            run = i;
            continue;
        }
        out.append(text.data() + run, i - run);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        default:
            out += "\\u00";
            out += hex[c >> 4];
            out += hex[c & 0xF];
        }
        run = ++i;
    }
    out.append(text.data() + run, text.size() - run);
    out += '"';
}

void JSONWriter::flush() {
    if (!stream_) return;
    if (!out_.empty()) std::fwrite(out_.data(), 1, out_.size(), stream_);
    out_.clear();
}

void JSONWriter::finish() {
    out_ += '\n';
    flush();
}

JSONWriter& JSONWriter::beginObject() {
    beforeValue();
    out_ += '{';
    ++depth_;
    empty_ = true;
    return *this;
}

JSONWriter& JSONWriter::beginArray() {
    beforeValue();
    out_ += '[';
    ++depth_;
    empty_ = true;
    return *this;
}

// The container that closes is a value of the one around it, which is therefore not empty.
void JSONWriter::close(char bracket) {
    --depth_;
    if (!empty_) {
        out_ += '\n';
        out_.append(2 * depth_, ' ');
    }
    empty_ = false;
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

JSONWriter& JSONWriter::value(std::int64_t number) {
    beforeValue();
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, number).ptr;
    out_.append(buffer, end);
    return *this;
}

JSONWriter& JSONWriter::value(bool flag) {
    beforeValue();
    out_ += flag ? "true" : "false";
    return *this;
}

JSONWriter& JSONWriter::value(Date date) {
    beforeValue();
    out_ += '"';
    ISO8601::append(out_, date);
    out_ += '"';
    return *this;
}

bool JSONWriter::value(double number) {
    if (!std::isfinite(number)) return false;
    beforeValue();
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, number).ptr;
    out_.append(buffer, end);
    return true;
}

JSONWriter& JSONWriter::strings(const std::vector<std::string>& texts) {
    beginArray();
    for (const auto& text : texts)
        value(text);
    return endArray();
}

} // namespace platform::foundation
