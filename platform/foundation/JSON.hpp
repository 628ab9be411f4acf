#pragma once
// JSON decoding: the bytes are validated whole and turned into an immutable tree of values, which
// readers then walk with typed accessors that return Result<T, DecodingError>.
//
// - The whole document must be valid JSON (RFC 8259, UTF-8), including the values of keys that no
//   reader looks at: `JSONDocument::parse` visits and checks every value, so a broken value under an
//   ignored key still makes the document unreadable.
// - Every number keeps its source text (`JSONValue::numberText`), so decimals can be read exactly and
//   an integer (`300`) is told apart from a fraction (`300.0`) or an exponent (`3e2`).
// - Every error carries a coding path (the object keys and array indexes from the top down to the
//   failing value) and a description; `DecodingError::description()` joins them for a log line.
//
// Strict reading (any defect fails the whole read) uses the Result of each accessor as it comes and
// returns the first error. Lenient reading builds on the same accessors:
// - a lenient array element (`Skippable`): `JSONArray::decodeSkippingFailures` keeps the elements that
//   decode and drops the others, in order;
// - a tolerant field (empty on a type error): `tolerant(obj.optionalString("accountName"))` turns any
//   error into "no value".
// Both record what they let go in a `LenientReadLog` when one is open on the thread.
//
// Values are small views into their document: keep the JSONDocument alive while you use them, and
// copy strings out (std::string) if they must outlive it.
//
// Choices made where JSON itself is silent:
// - Duplicate keys: both are kept; lookups find the first.
// - Integers: only a literal without fraction and exponent that fits a 64-bit signed integer.
//   300.0 and 3e2 are not integers.
// - Numbers read as double: the nearest double; a magnitude too large for a double is an error
//   ("Number ... does not fit a 64-bit float"), one too small reads as zero.
// - Dates: RFC 3339 strings as `ISO8601::date` reads them (whole seconds, Z or ±hh:mm).
// - Nesting deeper than 1024 levels is refused.

#include "platform/foundation/Date.hpp"
#include "platform/foundation/Result.hpp"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::foundation {

/// One step of a coding path: an object key, or an array index.
struct CodingKey {
    std::string stringValue;             ///< the key, or the index written in decimal
    std::optional<std::size_t> intValue; ///< set for array indexes

    static CodingKey key(std::string_view key) { return {std::string(key), std::nullopt}; }
    static CodingKey index(std::size_t index) { return {std::to_string(index), index}; }
    bool operator==(const CodingKey&) const = default;
};

/// Why a value could not be decoded, and where.
struct DecodingError {
    enum class Kind {
        typeMismatch,  ///< a value of another JSON type than the one asked for
        valueNotFound, ///< a required value is null
        keyNotFound,   ///< a required key is absent
        dataCorrupted, ///< malformed JSON, or a value of the right type that the reader refuses
    };
    Kind kind = Kind::dataCorrupted;
    std::vector<CodingKey> codingPath; ///< from the top down to the failing value; empty for the top
    std::string debugDescription;      ///< what went wrong, in words

    /// The path as "state.providers._0[2].kind" ("" for the top level).
    std::string pathString() const;
    /// "<path>: <debugDescription>", or just the description at the top level.
    std::string description() const;
    bool operator==(const DecodingError&) const = default;
};

template <class T> using Decoded = Result<T, DecodingError>;

/// What lenient reading let go without a word: an element dropped from a lenient array, or a
/// tolerant field left empty, with where it was and why.
struct LenientLoss {
    enum class Kind { elementDropped, fieldLeftEmpty };
    Kind kind = Kind::elementDropped;
    std::vector<CodingKey> codingPath; ///< the dropped element, or the field's value
    DecodingError reason;              ///< the error that made the reader let it go
    bool operator==(const LenientLoss&) const = default;
};

/// Collects the losses of lenient reading on the thread that opens it, until it is destroyed (an
/// inner log hides an outer one meanwhile). Lenient reading is silent by design; a checker opens a log
/// to show whoever writes a document what a reader would quietly leave out. With no log open,
/// recording costs one look at a thread-local pointer, and only when something is lost.
class LenientReadLog {
public:
    LenientReadLog();
    ~LenientReadLog();
    LenientReadLog(const LenientReadLog&) = delete;
    LenientReadLog& operator=(const LenientReadLog&) = delete;

    const std::vector<LenientLoss>& losses() const { return losses_; }
    /// Whether a log is open on this thread (so that a reader can skip building a report).
    static bool isOpen();

private:
    friend void recordLenientLoss(LenientLoss::Kind, const std::vector<CodingKey>&, const DecodingError&);
    std::vector<LenientLoss> losses_;
    LenientReadLog* outer_;
};

/// Records a loss in the log open on this thread; nothing without one.
void recordLenientLoss(LenientLoss::Kind kind, const std::vector<CodingKey>& codingPath, const DecodingError& reason);

enum class JSONType : std::uint8_t { null, boolean, number, string, array, object };

/// The JSON type's name as errors write it ("a string", "an object").
std::string_view describe(JSONType type);

class JSONDocument;
class JSONObject;
class JSONArray;

namespace json_detail {
struct Storage;
inline constexpr std::uint32_t none = 0xFFFF'FFFF;
} // namespace json_detail

/// One value of a document: a view, cheap to copy.
class JSONValue {
public:
    JSONType type() const;
    bool isNull() const { return type() == JSONType::null; }

    Decoded<std::string_view> string() const;
    Decoded<bool> boolean() const;
    /// An integer literal that fits a 64-bit signed integer (see the choices above).
    Decoded<std::int64_t> int64() const;
    /// Any number, as the nearest double.
    Decoded<double> number() const;
    /// The number exactly as written in the document ("2.23", "-0", "1E+3").
    Decoded<std::string_view> numberText() const;
    /// An RFC 3339 date string.
    Decoded<Date> date() const;
    Decoded<JSONObject> object() const;
    Decoded<JSONArray> array() const;

    /// Where this value sits in its document.
    std::vector<CodingKey> codingPath() const;
    /// An error located at this value, for a reader's own rules ("Unknown usage window kind").
    DecodingError error(DecodingError::Kind kind, std::string description) const;
    /// A type-mismatch error located at this value: "Expected <expected> but found <actual> instead."
    DecodingError typeMismatch(JSONType expected) const;

private:
    friend class JSONDocument;
    friend class JSONObject;
    friend class JSONArray;
    JSONValue(const json_detail::Storage* storage, std::uint32_t node) : storage_(storage), node_(node) {}
    const json_detail::Storage* storage_;
    std::uint32_t node_;
};

/// A member of an object, as iteration yields it.
struct JSONMember {
    std::string_view key;
    JSONValue value;
};

/// An object value. Lookups are linear: our objects are small.
class JSONObject {
public:
    std::size_t size() const;
    /// Whether `key` is present (with any value, null included).
    bool contains(std::string_view key) const { return (*this)[key].has_value(); }
    /// The value of `key` when present (null included).
    std::optional<JSONValue> operator[](std::string_view key) const;

    /// The value of a required key: keyNotFound when absent, valueNotFound when null.
    Decoded<JSONValue> required(std::string_view key) const;
    /// The same for a value that a reader found for `key` in its own pass over the members.
    Decoded<JSONValue> required(std::string_view key, const std::optional<JSONValue>& found) const;
    /// The value of an optional key: nothing when absent or null.
    std::optional<JSONValue> optional(std::string_view key) const;

    // Typed fields. required*: absent, null or of another type fails. optional*: absent or null gives
    // std::nullopt; a present value of another type fails.
    Decoded<std::string_view> requiredString(std::string_view key) const;
    Decoded<std::optional<std::string_view>> optionalString(std::string_view key) const;
    Decoded<std::int64_t> requiredInt64(std::string_view key) const;
    Decoded<std::optional<std::int64_t>> optionalInt64(std::string_view key) const;
    Decoded<double> requiredNumber(std::string_view key) const;
    Decoded<std::optional<double>> optionalNumber(std::string_view key) const;
    Decoded<bool> requiredBool(std::string_view key) const;
    Decoded<std::optional<bool>> optionalBool(std::string_view key) const;
    Decoded<Date> requiredDate(std::string_view key) const;
    Decoded<std::optional<Date>> optionalDate(std::string_view key) const;
    Decoded<JSONObject> requiredObject(std::string_view key) const;
    Decoded<std::optional<JSONObject>> optionalObject(std::string_view key) const;
    Decoded<JSONArray> requiredArray(std::string_view key) const;
    Decoded<std::optional<JSONArray>> optionalArray(std::string_view key) const;

    std::vector<CodingKey> codingPath() const { return asValue().codingPath(); }
    /// An error located at this object.
    DecodingError error(DecodingError::Kind kind, std::string description) const {
        return asValue().error(kind, std::move(description));
    }
    JSONValue asValue() const { return JSONValue(storage_, node_); }

    class Iterator {
    public:
        JSONMember operator*() const;
        Iterator& operator++();
        bool operator==(const Iterator&) const = default;

    private:
        friend class JSONObject;
        Iterator(const json_detail::Storage* storage, std::uint32_t node) : storage_(storage), node_(node) {}
        const json_detail::Storage* storage_;
        std::uint32_t node_;
    };
    /// Members in document order.
    Iterator begin() const;
    Iterator end() const { return Iterator(storage_, json_detail::none); }

private:
    friend class JSONValue;
    JSONObject(const json_detail::Storage* storage, std::uint32_t node) : storage_(storage), node_(node) {}
    const json_detail::Storage* storage_;
    std::uint32_t node_;
};

/// An array value. Elements are reached in order by iteration.
class JSONArray {
public:
    std::size_t size() const;
    bool empty() const { return size() == 0; }

    /// Strict: decodes every element with `decode` (JSONValue -> Decoded<T>); the first failure fails.
    template <class T, class F> Decoded<std::vector<T>> decodeEach(F decode) const {
        std::vector<T> out;
        out.reserve(size());
        for (JSONValue element : *this) {
            Decoded<T> decoded = decode(element);
            if (!decoded) return Failure{std::move(decoded.error())};
            out.push_back(std::move(decoded.value()));
        }
        return out;
    }
    /// Lenient (`Skippable` elements): keeps the elements that decode, in order, and drops the others.
    template <class T, class F> std::vector<T> decodeSkippingFailures(F decode) const {
        std::vector<T> out;
        out.reserve(size());
        for (JSONValue element : *this) {
            Decoded<T> decoded = decode(element);
            if (decoded)
                out.push_back(std::move(decoded.value()));
            else
                recordLenientLoss(LenientLoss::Kind::elementDropped, element.codingPath(), decoded.error());
        }
        return out;
    }

    std::vector<CodingKey> codingPath() const { return asValue().codingPath(); }
    JSONValue asValue() const { return JSONValue(storage_, node_); }

    class Iterator {
    public:
        JSONValue operator*() const { return JSONValue(storage_, node_); }
        Iterator& operator++();
        bool operator==(const Iterator&) const = default;

    private:
        friend class JSONArray;
        Iterator(const json_detail::Storage* storage, std::uint32_t node) : storage_(storage), node_(node) {}
        const json_detail::Storage* storage_;
        std::uint32_t node_;
    };
    Iterator begin() const;
    Iterator end() const { return Iterator(storage_, json_detail::none); }

private:
    friend class JSONValue;
    JSONArray(const json_detail::Storage* storage, std::uint32_t node) : storage_(storage), node_(node) {}
    const json_detail::Storage* storage_;
    std::uint32_t node_;
};

/// `decode` (JSONValue -> Decoded<T>) applied to a value that may be absent or null, both of which
/// give no value.
template <class T, class F>
Decoded<std::optional<T>> decodeIfPresent(const std::optional<JSONValue>& value, F decode) {
    if (!value || value->isNull()) return std::optional<T>{};
    Decoded<T> decoded = decode(*value);
    if (!decoded) return Failure{std::move(decoded.error())};
    return std::optional<T>(std::move(decoded.value()));
}

/// A string copied out of its document, so that it may outlive it.
inline std::optional<std::string> ownedString(std::optional<std::string_view> text) {
    return text ? std::optional<std::string>(*text) : std::nullopt;
}

/// Decodes `expression` (a Decoded value) into a new variable of that name, or returns its error from
/// the enclosing function.
#define TRY_DECODE(variable, expression)                                                                     \
    auto variable##Decoded = (expression);                                                                   \
    if (!variable##Decoded) return ::platform::foundation::Failure{std::move(variable##Decoded.error())};    \
    auto variable = std::move(variable##Decoded.value())

/// A tolerant field: any error becomes "no value".
template <class T> std::optional<T> tolerant(Decoded<std::optional<T>> decoded) {
    if (decoded) return std::move(decoded.value());
    recordLenientLoss(LenientLoss::Kind::fieldLeftEmpty, decoded.error().codingPath, decoded.error());
    return std::nullopt;
}
template <class T> std::optional<T> tolerant(Decoded<T> decoded) {
    if (decoded) return std::optional<T>(std::move(decoded.value()));
    recordLenientLoss(LenientLoss::Kind::fieldLeftEmpty, decoded.error().codingPath, decoded.error());
    return std::nullopt;
}

/// How `JSONDocument::parse` may save time and memory on large documents.
struct JSONParseOptions {
    /// Object keys, at any level, whose values the reader never looks at. Their values are still
    /// validated, but not kept (the key reads as absent). An error inside such a value is reported
    /// at the object that holds it.
    std::vector<std::string_view> unreadKeys;
    /// Keep views into the input instead of copies of keys, strings and numbers where they need no
    /// unescaping. The input must then outlive the document.
    bool referencesInput = false;
};

/// A parsed, validated JSON document. Movable; values stay valid across moves.
class JSONDocument {
public:
    /// Spare bytes that a caller can leave behind its input to spare the parser a copy.
    static constexpr std::size_t padding = 64;

    /// Parses and validates `json` whole. `capacity` is how many bytes are readable from
    /// `json.data()`; when it is at least `json.size() + padding` the input is used in place.
    /// Malformed JSON fails with dataCorrupted at the path where the parser stopped.
    static Decoded<JSONDocument> parse(std::string_view json, std::size_t capacity = 0,
                                       const struct JSONParseOptions& options = defaultOptions());

    JSONValue root() const;

    JSONDocument(JSONDocument&&) noexcept;
    JSONDocument& operator=(JSONDocument&&) noexcept;
    ~JSONDocument();

private:
    JSONDocument();
    static const JSONParseOptions& defaultOptions();
    std::unique_ptr<json_detail::Storage> storage_;
};

} // namespace platform::foundation
