// The one place that sees simdjson. Parsing walks the On-Demand API over every value (On-Demand only
// validates what is visited), copying each string, key and number text into one arena and each value
// into a flat node array linked by indexes, so a document of several megabytes costs a few compact
// allocations rather than one per value.
#include "platform/foundation/JSON.hpp"

#include "platform/foundation/ISO8601.hpp"
#include "platform/foundation/LargeBuffer.hpp"

#include <simdjson.h>

#include <charconv>
#include <cstring>
#include <limits>

namespace platform::foundation {

namespace json_detail {

struct Node {
    std::uint32_t parent = none;
    std::uint32_t next = none;      // next sibling
    std::uint32_t keyOffset = 0;    // object members: the key, in the arena; array elements: the index
    std::uint32_t keyLength = 0;
    std::uint32_t first = none;     // containers: first child; strings and numbers: text offset
    std::uint32_t count = 0;        // containers: children; strings and numbers: text length
    JSONType type = JSONType::null;
    bool boolean = false;
};

// Both buffers have a fixed capacity, known before parsing: strings, keys and number texts never take
// more room than their source; a container takes at least two bytes, a scalar one, and every value
// but the first of its container follows a comma, so a valid document of n bytes holds at most
// (n + 1) / 2 values.
struct Storage {
    LargeBuffer<Node> nodes; // nodes[0] is the root
    std::uint32_t nodeCount = 0;
    LargeBuffer<char> arena;
    std::uint32_t arenaSize = 0;
    const char* input = nullptr; // set when texts may point into the input
    std::size_t inputSize = 0;

    // Text offsets with this bit set point into the input rather than the arena.
    static constexpr std::uint32_t inInput = 0x8000'0000;

    std::string_view text(std::uint32_t offset, std::uint32_t length) const {
        if (offset & inInput) return std::string_view(input + (offset & ~inInput), length);
        return std::string_view(arena.data() + offset, length);
    }
    std::string_view key(const Node& node) const { return text(node.keyOffset, node.keyLength); }

    std::vector<CodingKey> path(std::uint32_t index) const {
        std::vector<CodingKey> reversed;
        while (index != none && nodes[index].parent != none) {
            const Node& node = nodes[index];
            const Node& parent = nodes[node.parent];
            if (parent.type == JSONType::object) {
                reversed.push_back(CodingKey::key(key(node)));
            } else {
                reversed.push_back(CodingKey::index(node.keyOffset));
            }
            index = node.parent;
        }
        return {reversed.rbegin(), reversed.rend()};
    }
};

} // namespace json_detail

using json_detail::Node;
using json_detail::none;
using json_detail::Storage;
using Kind = DecodingError::Kind;

namespace {

constexpr std::size_t maximumDepth = 1024;

std::string_view trimTrailingSpace(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// Walks one value and everything inside it into the storage, validating as it goes.
class Builder {
public:
    Builder(Storage& storage, const std::vector<std::string_view>& unreadKeys) : s_(storage), unread_(unreadKeys) {}

    std::optional<DecodingError> failure;

    std::uint32_t appendRoot() {
        new (&s_.nodes[0]) Node();
        s_.nodeCount = 1;
        return 0;
    }

    template <class V> bool walk(V& value, std::uint32_t index, std::size_t depth) {
        if (depth > maximumDepth) return fail(index, "The document is nested too deeply.");
        simdjson::ondemand::json_type type;
        if (auto error = value.type().get(type)) return fail(index, error);
        switch (type) {
        case simdjson::ondemand::json_type::object: {
            simdjson::ondemand::object object;
            if (auto error = value.get_object().get(object)) return fail(index, error);
            s_.nodes[index].type = JSONType::object;
            std::uint32_t last = none;
            for (auto member : object) {
                simdjson::ondemand::field field;
                if (auto error = std::move(member).get(field)) return fail(index, error);
                std::string_view key;
                if (auto error = readKey(field, key)) return fail(index, error);
                if (isUnread(key)) {
                    simdjson::ondemand::value unread_value = field.value();
                    if (!validate(unread_value, index, depth + 1)) return false;
                    continue;
                }
                if (full()) return fail(index, "The given data was not valid JSON.");
                const std::uint32_t child = appendChild(index, last);
                s_.nodes[child].keyOffset = keep(key);
                s_.nodes[child].keyLength = static_cast<std::uint32_t>(key.size());
                simdjson::ondemand::value member_value = field.value();
                if (!walk(member_value, child, depth + 1)) return false;
            }
            return true;
        }
        case simdjson::ondemand::json_type::array: {
            simdjson::ondemand::array array;
            if (auto error = value.get_array().get(array)) return fail(index, error);
            s_.nodes[index].type = JSONType::array;
            std::uint32_t last = none;
            for (auto element : array) {
                simdjson::ondemand::value element_value;
                if (auto error = std::move(element).get(element_value)) return fail(index, error);
                if (full()) return fail(index, "The given data was not valid JSON.");
                const std::uint32_t child = appendChild(index, last);
                if (!walk(element_value, child, depth + 1)) return false;
            }
            return true;
        }
        case simdjson::ondemand::json_type::number: {
            std::string_view raw;
            if (auto error = rawToken(value).get(raw)) return fail(index, error);
            raw = trimTrailingSpace(raw);
            if (!validNumber(value, raw))
                return fail(index, "The number \"" + std::string(raw.substr(0, 40)) + "\" is malformed.");
            setText(index, JSONType::number, keep(raw), raw.size());
            return true;
        }
        case simdjson::ondemand::json_type::string: {
            std::string_view text;
            if (auto plain = plainString(value)) {
                text = *plain;
            } else if (auto error = value.get_string().get(text)) {
                return fail(index, error);
            }
            setText(index, JSONType::string, keep(text), text.size());
            return true;
        }
        case simdjson::ondemand::json_type::boolean: {
            bool flag;
            if (auto error = value.get_bool().get(flag)) return fail(index, error);
            s_.nodes[index].type = JSONType::boolean;
            s_.nodes[index].boolean = flag;
            return true;
        }
        case simdjson::ondemand::json_type::null: {
            bool isNull = false;
            if (auto error = value.is_null().get(isNull)) return fail(index, error);
            if (!isNull) return fail(index, "Invalid value: expected null.");
            s_.nodes[index].type = JSONType::null;
            return true;
        }
        }
        return fail(index, "Invalid value.");
    }

    // Checks a value that nobody will read, keeping nothing of it; errors are reported at `anchor`.
    bool validate(simdjson::ondemand::value& value, std::uint32_t anchor, std::size_t depth) {
        if (depth > maximumDepth) return fail(anchor, "The document is nested too deeply.");
        simdjson::ondemand::json_type type;
        if (auto error = value.type().get(type)) return fail(anchor, error);
        switch (type) {
        case simdjson::ondemand::json_type::object: {
            simdjson::ondemand::object object;
            if (auto error = value.get_object().get(object)) return fail(anchor, error);
            for (auto member : object) {
                simdjson::ondemand::field field;
                if (auto error = std::move(member).get(field)) return fail(anchor, error);
                std::string_view key;
                if (auto error = readKey(field, key)) return fail(anchor, error);
                simdjson::ondemand::value member_value = field.value();
                if (!validate(member_value, anchor, depth + 1)) return false;
            }
            return true;
        }
        case simdjson::ondemand::json_type::array: {
            simdjson::ondemand::array array;
            if (auto error = value.get_array().get(array)) return fail(anchor, error);
            for (auto element : array) {
                simdjson::ondemand::value element_value;
                if (auto error = std::move(element).get(element_value)) return fail(anchor, error);
                if (!validate(element_value, anchor, depth + 1)) return false;
            }
            return true;
        }
        case simdjson::ondemand::json_type::number: {
            const std::string_view raw = trimTrailingSpace(value.raw_json_token());
            if (!validNumber(value, raw))
                return fail(anchor, "The number \"" + std::string(raw.substr(0, 40)) + "\" is malformed.");
            return true;
        }
        case simdjson::ondemand::json_type::string: {
            if (plainString(value)) return true;
            std::string_view text;
            if (auto error = value.get_string().get(text)) return fail(anchor, error);
            return true;
        }
        case simdjson::ondemand::json_type::boolean: {
            bool flag;
            if (auto error = value.get_bool().get(flag)) return fail(anchor, error);
            return true;
        }
        case simdjson::ondemand::json_type::null: {
            bool isNull = false;
            if (auto error = value.is_null().get(isNull)) return fail(anchor, error);
            if (!isNull) return fail(anchor, "Invalid value: expected null.");
            return true;
        }
        }
        return fail(anchor, "Invalid value.");
    }

    bool fail(std::uint32_t index, simdjson::error_code error) {
        return fail(index, std::string("The given data was not valid JSON: ") + simdjson::error_message(error));
    }
    bool fail(std::uint32_t index, std::string description) {
        failure = DecodingError{Kind::dataCorrupted, s_.path(index), std::move(description)};
        return false;
    }

private:
    Storage& s_;
    const std::vector<std::string_view>& unread_;

    bool isUnread(std::string_view key) const {
        for (std::string_view unread : unread_)
            if (unread == key) return true;
        return false;
    }

    static simdjson::simdjson_result<std::string_view> rawToken(simdjson::ondemand::value& value) {
        return value.raw_json_token();
    }
    static simdjson::simdjson_result<std::string_view> rawToken(simdjson::ondemand::document& document) {
        return document.raw_json_token();
    }

    // simdjson checks the grammar of every number it converts; integers beyond 64 bits are valid JSON
    // that it declines to convert, so those are checked against the grammar here.
    template <class V> static bool validNumber(V& value, std::string_view raw) {
        simdjson::ondemand::number number;
        const auto error = value.get_number().get(number);
        if (!error) return true;
        if (error != simdjson::NUMBER_ERROR) return false;
        return matchesGrammar(raw);
    }

    static bool matchesGrammar(std::string_view raw) {
        std::size_t i = 0;
        auto digit = [&](std::size_t at) { return at < raw.size() && raw[at] >= '0' && raw[at] <= '9'; };
        if (i < raw.size() && raw[i] == '-') ++i;
        if (!digit(i)) return false;
        if (raw[i] == '0') {
            ++i;
        } else {
            while (digit(i)) ++i;
        }
        if (i < raw.size() && raw[i] == '.') {
            ++i;
            if (!digit(i)) return false;
            while (digit(i)) ++i;
        }
        if (i < raw.size() && (raw[i] == 'e' || raw[i] == 'E')) {
            ++i;
            if (i < raw.size() && (raw[i] == '+' || raw[i] == '-')) ++i;
            if (!digit(i)) return false;
            while (digit(i)) ++i;
        }
        return i == raw.size();
    }

    // A valid document never fills the node buffer (see Storage); a malformed one can, before the
    // parser notices what is wrong with it.
    bool full() const { return s_.nodeCount >= s_.nodes.capacity(); }

    std::uint32_t appendChild(std::uint32_t parent, std::uint32_t& last) {
        const std::uint32_t child = s_.nodeCount++;
        Node* node = new (&s_.nodes[child]) Node();
        node->parent = parent;
        if (s_.nodes[parent].type == JSONType::array) node->keyOffset = s_.nodes[parent].count;
        if (last == none) {
            s_.nodes[parent].first = child;
        } else {
            s_.nodes[last].next = child;
        }
        s_.nodes[parent].count += 1;
        last = child;
        return child;
    }

    std::uint32_t store(std::string_view text) {
        const std::uint32_t offset = s_.arenaSize;
        if (!text.empty()) std::memcpy(s_.arena.data() + offset, text.data(), text.size());
        s_.arenaSize += static_cast<std::uint32_t>(text.size());
        return offset;
    }

    // Where a text is kept: in place in the input when allowed, else copied into the arena.
    std::uint32_t keep(std::string_view text) {
        if (s_.input && text.data() >= s_.input && text.data() + text.size() <= s_.input + s_.inputSize)
            return static_cast<std::uint32_t>(text.data() - s_.input) | Storage::inInput;
        return store(text);
    }

    void setText(std::uint32_t index, JSONType type, std::uint32_t offset, std::size_t length) {
        Node& node = s_.nodes[index];
        node.type = type;
        node.first = offset;
        node.count = static_cast<std::uint32_t>(length);
    }

    // The length of a string's contents from just after its opening quote when it holds no escape
    // and no control character (so needs no unescaping), else nothing. Stage one of the parser has
    // already checked the UTF-8 and found the closing quote.
    static std::optional<std::size_t> plainLength(const char* start) {
        for (const char* p = start;; ++p) {
            const auto c = static_cast<unsigned char>(*p);
            if (c == '"') return static_cast<std::size_t>(p - start);
            if (c == '\\' || c < 0x20) return std::nullopt;
        }
    }

    static std::optional<std::string_view> plainString(simdjson::ondemand::value& value) {
        const std::string_view raw = value.raw_json_token();
        if (raw.empty() || raw.front() != '"') return std::nullopt;
        const auto length = plainLength(raw.data() + 1);
        if (!length) return std::nullopt;
        return raw.substr(1, *length);
    }
    static std::optional<std::string_view> plainString(simdjson::ondemand::document&) { return std::nullopt; }

    static simdjson::error_code readKey(simdjson::ondemand::field& field, std::string_view& key) {
        const char* start = field.key().raw();
        if (const auto length = plainLength(start)) {
            key = std::string_view(start, *length);
            return simdjson::SUCCESS;
        }
        return field.unescaped_key().get(key);
    }
};

DecodingError mismatch(const Storage* storage, std::uint32_t index, JSONType expected) {
    const JSONType actual = storage->nodes[index].type;
    if (actual == JSONType::null)
        return {Kind::valueNotFound, storage->path(index),
                "Expected " + std::string(describe(expected)) + " value but found null instead."};
    return {Kind::typeMismatch, storage->path(index),
            "Expected to decode " + std::string(describe(expected)) + " but found " +
                std::string(describe(actual)) + " instead."};
}

bool isIntegerLiteral(std::string_view text) { return text.find_first_of(".eE") == std::string_view::npos; }

} // namespace

std::string_view describe(JSONType type) {
    switch (type) {
    case JSONType::null: return "null";
    case JSONType::boolean: return "a Boolean";
    case JSONType::number: return "a number";
    case JSONType::string: return "a string";
    case JSONType::array: return "an array";
    case JSONType::object: return "an object";
    }
    return "a value";
}

std::string DecodingError::pathString() const {
    std::string out;
    for (const CodingKey& key : codingPath) {
        if (key.intValue) {
            out += '[';
            out += key.stringValue;
            out += ']';
        } else {
            if (!out.empty()) out += '.';
            out += key.stringValue;
        }
    }
    return out;
}

std::string DecodingError::description() const {
    const std::string path = pathString();
    return path.empty() ? debugDescription : path + ": " + debugDescription;
}

// MARK: Lenient losses

namespace {
thread_local LenientReadLog* openLenientReadLog = nullptr;
}

LenientReadLog::LenientReadLog() : outer_(openLenientReadLog) { openLenientReadLog = this; }
LenientReadLog::~LenientReadLog() { openLenientReadLog = outer_; }
bool LenientReadLog::isOpen() { return openLenientReadLog != nullptr; }

void recordLenientLoss(LenientLoss::Kind kind, const std::vector<CodingKey>& codingPath, const DecodingError& reason) {
    if (openLenientReadLog) openLenientReadLog->losses_.push_back({kind, codingPath, reason});
}

// MARK: JSONValue

JSONType JSONValue::type() const { return storage_->nodes[node_].type; }

Decoded<std::string_view> JSONValue::string() const {
    const Node& node = storage_->nodes[node_];
    if (node.type != JSONType::string) return Failure{typeMismatch(JSONType::string)};
    return storage_->text(node.first, node.count);
}

Decoded<bool> JSONValue::boolean() const {
    const Node& node = storage_->nodes[node_];
    if (node.type != JSONType::boolean) return Failure{typeMismatch(JSONType::boolean)};
    return node.boolean;
}

Decoded<std::string_view> JSONValue::numberText() const {
    const Node& node = storage_->nodes[node_];
    if (node.type != JSONType::number) return Failure{typeMismatch(JSONType::number)};
    return storage_->text(node.first, node.count);
}

Decoded<std::int64_t> JSONValue::int64() const {
    auto text = numberText();
    if (!text) return Failure{std::move(text.error())};
    const std::string_view digits = *text;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (!isIntegerLiteral(digits) || error != std::errc() || end != digits.data() + digits.size())
        return Failure{this->error(Kind::dataCorrupted,
                             "Parsed JSON number <" + std::string(digits.substr(0, 40)) + "> does not fit in Int64.")};
    return value;
}

Decoded<double> JSONValue::number() const {
    auto text = numberText();
    if (!text) return Failure{std::move(text.error())};
    const std::string_view digits = *text;
    double value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error == std::errc::result_out_of_range) {
        // Too small for a double reads as zero; too large is an error.
        const auto exponent = digits.find_first_of("eE");
        if (exponent != std::string_view::npos && exponent + 1 < digits.size() && digits[exponent + 1] == '-')
            return digits.front() == '-' ? -0.0 : 0.0;
        return Failure{this->error(Kind::dataCorrupted,
                                   "Number " + std::string(digits.substr(0, 40)) + " does not fit a 64-bit float.")};
    }
    if (error != std::errc() || end != digits.data() + digits.size())
        return Failure{this->error(Kind::dataCorrupted, "Malformed number.")};
    return value;
}

Decoded<Date> JSONValue::date() const {
    auto text = string();
    if (!text) return Failure{std::move(text.error())};
    if (auto parsed = ISO8601::date(*text)) return *parsed;
    return Failure{error(Kind::dataCorrupted, "Expected date string to be ISO8601-formatted.")};
}

Decoded<JSONObject> JSONValue::object() const {
    if (type() != JSONType::object) return Failure{typeMismatch(JSONType::object)};
    return JSONObject(storage_, node_);
}

Decoded<JSONArray> JSONValue::array() const {
    if (type() != JSONType::array) return Failure{typeMismatch(JSONType::array)};
    return JSONArray(storage_, node_);
}

std::vector<CodingKey> JSONValue::codingPath() const { return storage_->path(node_); }

DecodingError JSONValue::error(DecodingError::Kind kind, std::string description) const {
    return DecodingError{kind, codingPath(), std::move(description)};
}

DecodingError JSONValue::typeMismatch(JSONType expected) const { return mismatch(storage_, node_, expected); }

// MARK: JSONObject

std::size_t JSONObject::size() const { return storage_->nodes[node_].count; }

std::optional<JSONValue> JSONObject::operator[](std::string_view key) const {
    for (std::uint32_t child = storage_->nodes[node_].first; child != none; child = storage_->nodes[child].next) {
        if (storage_->key(storage_->nodes[child]) == key) return JSONValue(storage_, child);
    }
    return std::nullopt;
}

Decoded<JSONValue> JSONObject::required(std::string_view key) const {
    return required(key, (*this)[key]);
}

Decoded<JSONValue> JSONObject::required(std::string_view key, const std::optional<JSONValue>& value) const {
    if (!value) {
        auto path = codingPath();
        path.push_back(CodingKey::key(key));
        return Failure{DecodingError{Kind::keyNotFound, std::move(path),
                                     "No value associated with key \"" + std::string(key) + "\"."}};
    }
    if (value->isNull()) {
        return Failure{DecodingError{Kind::valueNotFound, value->codingPath(),
                                     "Expected a value for key \"" + std::string(key) + "\" but found null instead."}};
    }
    return *value;
}

std::optional<JSONValue> JSONObject::optional(std::string_view key) const {
    const auto value = (*this)[key];
    if (!value || value->isNull()) return std::nullopt;
    return value;
}

namespace {

template <class T, class Get>
Decoded<T> requiredField(const JSONObject& object, std::string_view key, Get get) {
    auto value = object.required(key);
    if (!value) return Failure{std::move(value.error())};
    return get(*value);
}

template <class T, class Get>
Decoded<std::optional<T>> optionalField(const JSONObject& object, std::string_view key, Get get) {
    return decodeIfPresent<T>(object[key], get);
}

} // namespace

#define TALLYFOX_JSON_FIELDS(Name, T, accessor)                                                                \
    Decoded<T> JSONObject::required##Name(std::string_view key) const {                                        \
        return requiredField<T>(*this, key, [](const JSONValue& v) { return v.accessor(); });                  \
    }                                                                                                          \
    Decoded<std::optional<T>> JSONObject::optional##Name(std::string_view key) const {                         \
        return optionalField<T>(*this, key, [](const JSONValue& v) { return v.accessor(); });                  \
    }

TALLYFOX_JSON_FIELDS(String, std::string_view, string)
TALLYFOX_JSON_FIELDS(Int64, std::int64_t, int64)
TALLYFOX_JSON_FIELDS(Number, double, number)
TALLYFOX_JSON_FIELDS(Bool, bool, boolean)
TALLYFOX_JSON_FIELDS(Date, Date, date)
TALLYFOX_JSON_FIELDS(Object, JSONObject, object)
TALLYFOX_JSON_FIELDS(Array, JSONArray, array)
#undef TALLYFOX_JSON_FIELDS

JSONMember JSONObject::Iterator::operator*() const {
    return JSONMember{storage_->key(storage_->nodes[node_]), JSONValue(storage_, node_)};
}

JSONObject::Iterator& JSONObject::Iterator::operator++() {
    node_ = storage_->nodes[node_].next;
    return *this;
}

JSONObject::Iterator JSONObject::begin() const { return Iterator(storage_, storage_->nodes[node_].first); }

// MARK: JSONArray

std::size_t JSONArray::size() const { return storage_->nodes[node_].count; }

JSONArray::Iterator& JSONArray::Iterator::operator++() {
    node_ = storage_->nodes[node_].next;
    return *this;
}

JSONArray::Iterator JSONArray::begin() const { return Iterator(storage_, storage_->nodes[node_].first); }

// MARK: JSONDocument

JSONDocument::JSONDocument() : storage_(std::make_unique<Storage>()) {}
JSONDocument::JSONDocument(JSONDocument&&) noexcept = default;
JSONDocument& JSONDocument::operator=(JSONDocument&&) noexcept = default;
JSONDocument::~JSONDocument() = default;

JSONValue JSONDocument::root() const { return JSONValue(storage_.get(), 0); }

const JSONParseOptions& JSONDocument::defaultOptions() {
    static const JSONParseOptions options;
    return options;
}

Decoded<JSONDocument> JSONDocument::parse(std::string_view json, std::size_t capacity,
                                          const JSONParseOptions& options) {
    auto notJSON = [](std::string description) {
        return Failure{DecodingError{Kind::dataCorrupted, {}, std::move(description)}};
    };
    if (json.size() >= std::numeric_limits<std::uint32_t>::max() / 2) return notJSON("The document is too large.");

    simdjson::padded_string copy;
    simdjson::padded_string_view input;
    if (capacity >= json.size() + simdjson::SIMDJSON_PADDING) {
        input = simdjson::padded_string_view(json, capacity);
    } else {
        copy = simdjson::padded_string(json);
        input = copy;
    }

    JSONDocument document;
    Storage& storage = *document.storage_;
    // Sized for the worst case up front: untouched pages of these buffers cost no memory.
    const auto pages = json.size() >= 1024 * 1024 ? Pages::huge : Pages::ordinary;
    storage.arena = LargeBuffer<char>(json.size(), pages);
    storage.nodes = LargeBuffer<Node>(json.size() / 2 + 2, pages);

    simdjson::ondemand::parser parser;
    // Headroom above our own depth limit, so that ours is the one that speaks.
    if (auto error = parser.allocate(json.size(), maximumDepth + 8))
        return notJSON(std::string("The document cannot be parsed: ") + simdjson::error_message(error));
    simdjson::ondemand::document parsed;
    if (auto error = parser.iterate(input).get(parsed))
        return notJSON(std::string("The given data was not valid JSON: ") + simdjson::error_message(error));

    if (options.referencesInput) {
        storage.input = json.data();
        storage.inputSize = json.size();
    }
    Builder builder(storage, options.unreadKeys);
    const std::uint32_t root = builder.appendRoot();
    if (!builder.walk(parsed, root, 0)) return Failure{std::move(*builder.failure)};
    if (parsed.current_location().error() != simdjson::OUT_OF_BOUNDS)
        return notJSON("The given data was not valid JSON: unexpected text after the top-level value.");
    return document;
}

} // namespace platform::foundation
