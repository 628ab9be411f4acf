#include "cli/CLIStatus.hpp"

#include "cli/Clean.hpp"
#include "platform/foundation/ISO8601.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace tallyfox::cli {

using namespace platform::foundation;

namespace {

// MARK: Reading the snapshot

// The snapshot is read in one pass straight into the status: each window and provider is decoded
// strictly and, as it is, turned into its printed form against `now`. Nothing else of the document
// is kept.

std::optional<std::string> copy(std::optional<std::string_view> text) {
    return text ? std::optional<std::string>(*text) : std::nullopt;
}

// Propagates the error of a Decoded<T> from the enclosing function returning Decoded<U>.
#define TRY(variable, expression)                                                                              \
    auto variable##Decoded = (expression);                                                                     \
    if (!variable##Decoded) return Failure{std::move(variable##Decoded.error())};                              \
    auto variable = std::move(variable##Decoded.value())

// A window has no remaining share once it has reset; otherwise it is 100 − used, used limited to 0...100.
std::optional<double> remainingPercent(std::optional<double> usage, std::optional<Date> resetsAt, Date now) {
    if (resetsAt && *resetsAt <= now) return std::nullopt;
    if (!usage) return std::nullopt;
    return 100.0 - std::clamp(*usage, 0.0, 100.0);
}

// Records are read in one pass over their members: each member we read is picked up by its key (the
// first of duplicate keys wins), then decoded by the same strict rules as a lookup would apply.
using Slot = std::optional<JSONValue>;

void pick(Slot& slot, const JSONMember& member) {
    if (!slot) slot = member.value;
}

Decoded<JSONValue> required(const JSONObject& object, const Slot& slot, std::string_view key) {
    if (!slot) {
        auto path = object.codingPath();
        path.push_back(CodingKey::key(key));
        return Failure{DecodingError{DecodingError::Kind::keyNotFound, std::move(path),
                                     "No value associated with key \"" + std::string(key) + "\"."}};
    }
    if (slot->isNull()) {
        return Failure{DecodingError{DecodingError::Kind::valueNotFound, slot->codingPath(),
                                     "Expected a value for key \"" + std::string(key) + "\" but found null instead."}};
    }
    return *slot;
}

template <class T, class Get> Decoded<std::optional<T>> optional(const Slot& slot, Get get) {
    if (!slot || slot->isNull()) return std::optional<T>{};
    Decoded<T> decoded = get(*slot);
    if (!decoded) return Failure{std::move(decoded.error())};
    return std::optional<T>(std::move(decoded.value()));
}

Decoded<std::optional<std::string_view>> optionalString(const Slot& slot) {
    return optional<std::string_view>(slot, [](const JSONValue& v) { return v.string(); });
}
Decoded<std::optional<Date>> optionalDate(const Slot& slot) {
    return optional<Date>(slot, [](const JSONValue& v) { return v.date(); });
}

// "kind" is an integer (a length in minutes) or a string (a named kind, taken unchanged).
Decoded<CLIStatus::Window> readWindow(JSONValue value, Date now) {
    TRY(object, value.object());
    Slot kindSlot, scopeSlot, usageSlot, resetsAtSlot;
    for (const JSONMember member : object) {
        if (member.key == "kind") pick(kindSlot, member);
        else if (member.key == "scope") pick(scopeSlot, member);
        else if (member.key == "usage") pick(usageSlot, member);
        else if (member.key == "resetsAt") pick(resetsAtSlot, member);
    }
    CLIStatus::Window window;
    TRY(kind, required(object, kindSlot, "kind"));
    if (kind.type() == JSONType::number) {
        TRY(minutes, kind.int64());
        window.durationMinutes = minutes;
        window.kind = minutes == 300 ? "fiveHour" : minutes == 10080 ? "weekly" : "custom";
    } else if (kind.type() == JSONType::string) {
        window.kind = std::string(kind.string().value());
    } else {
        return Failure{kind.error(DecodingError::Kind::typeMismatch,
                                  "Expected to decode an integer or a string but found " +
                                      std::string(describe(kind.type())) + " instead.")};
    }
    TRY(scope, optionalString(scopeSlot));
    TRY(usage, optional<double>(usageSlot, [](const JSONValue& v) { return v.number(); }));
    TRY(resetsAt, optionalDate(resetsAtSlot));
    window.scope = copy(scope);
    window.remainingPercent = remainingPercent(usage, resetsAt, now);
    window.resetsAt = resetsAt;
    return window;
}

// The identifier: the selection identifier, else provider · account, else the provider.
std::string identifier(std::string_view provider, std::optional<std::string_view> selectionID,
                       std::optional<std::string_view> accountName) {
    if (selectionID) return std::string(*selectionID);
    if (accountName) return std::string(provider) + " \u00B7 " + std::string(*accountName);
    return std::string(provider);
}

Decoded<CLIStatus::Provider> readProvider(JSONValue value, Date generatedAt, Date now) {
    TRY(object, value.object());
    Slot providerSlot, selectionIDSlot, accountNameSlot, planNameSlot, updatedAtSlot, reasonSlot, windowsSlot;
    for (const JSONMember member : object) {
        if (member.key == "provider") pick(providerSlot, member);
        else if (member.key == "selectionID") pick(selectionIDSlot, member);
        else if (member.key == "accountName") pick(accountNameSlot, member);
        else if (member.key == "planName") pick(planNameSlot, member);
        else if (member.key == "updatedAt") pick(updatedAtSlot, member);
        else if (member.key == "quotaUnavailableReason") pick(reasonSlot, member);
        else if (member.key == "windows") pick(windowsSlot, member);
    }
    TRY(nameValue, required(object, providerSlot, "provider"));
    TRY(name, nameValue.string());
    TRY(selectionID, optionalString(selectionIDSlot));
    TRY(accountName, optionalString(accountNameSlot));
    TRY(planName, optionalString(planNameSlot));
    TRY(updatedAt, optionalDate(updatedAtSlot));
    TRY(reason, optionalString(reasonSlot));
    TRY(windowsValue, required(object, windowsSlot, "windows"));
    TRY(windowList, windowsValue.array());
    TRY(windows, windowList.decodeEach<CLIStatus::Window>([now](JSONValue window) { return readWindow(window, now); }));
    CLIStatus::Provider provider;
    provider.id = identifier(name, selectionID, accountName);
    provider.provider = std::string(name);
    provider.accountName = copy(accountName);
    provider.plan = copy(planName);
    provider.updatedAt = updatedAt;
    provider.stale = isStale(updatedAt.value_or(generatedAt), now);
    provider.quotaUnavailableReason = copy(reason);
    provider.windows = std::move(windows);
    return provider;
}

// MARK: Writing JSON

void appendQuoted(std::string& out, std::string_view text) {
    static constexpr char hex[] = "0123456789abcdef";
    out += '"';
    std::size_t run = 0; // start of the pending run of characters that need no escaping
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != '"' && c != '\\') continue;
        out.append(text.data() + run, i - run);
        run = i + 1;
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        default:
            out += "\\u00";
            out += hex[c >> 4];
            out += hex[c & 0xF];
        }
    }
    out.append(text.data() + run, text.size() - run);
    out += '"';
}

// A pretty printer for one object at a time: each member on its own line, two spaces per level,
// " : " between key and value. The caller writes members in sorted key order.
class ObjectWriter {
public:
    ObjectWriter(std::string& out, int depth) : out_(out), depth_(depth) { out_ += '{'; }
    void close() {
        out_ += '\n';
        indent(depth_);
        out_ += '}';
    }

    /// Our own keys need no escaping.
    void key(std::string_view name) {
        out_ += first_ ? "\n" : ",\n";
        first_ = false;
        indent(depth_ + 1);
        out_ += '"';
        out_ += name;
        out_ += "\" : ";
    }
    void string(std::string_view name, std::string_view value) {
        key(name);
        appendQuoted(out_, value);
    }
    void optionalString(std::string_view name, const std::optional<std::string>& value) {
        if (value) string(name, std::string_view(*value));
    }
    /// A time stamp needs no escaping either.
    void date(std::string_view name, std::optional<Date> value) {
        if (!value) return;
        key(name);
        out_ += '"';
        ISO8601::append(out_, *value);
        out_ += '"';
    }
    void integer(std::string_view name, std::optional<std::int64_t> value) {
        if (!value) return;
        key(name);
        char buffer[24];
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, *value).ptr;
        out_.append(buffer, end);
    }
    /// The shortest text that reads back to the same double, without a trailing ".0".
    bool number(std::string_view name, std::optional<double> value) {
        if (!value) return true;
        if (!std::isfinite(*value)) return false;
        key(name);
        char buffer[32];
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, *value).ptr;
        out_.append(buffer, end);
        return true;
    }
    void boolean(std::string_view name, bool value) {
        key(name);
        out_ += value ? "true" : "false";
    }
    /// Writes a list member; `element` writes each element at the given depth.
    template <class T, class F> bool list(std::string_view name, const std::vector<T>& elements, F element) {
        key(name);
        if (elements.empty()) {
            out_ += "[]";
            return true;
        }
        out_ += '[';
        bool firstElement = true;
        for (const T& value : elements) {
            out_ += firstElement ? "\n" : ",\n";
            firstElement = false;
            indent(depth_ + 2);
            if (!element(value, depth_ + 2)) return false;
        }
        out_ += '\n';
        indent(depth_ + 1);
        out_ += ']';
        return true;
    }

private:
    void indent(int depth) { out_.append(static_cast<std::size_t>(depth) * 2, ' '); }
    std::string& out_;
    int depth_;
    bool first_ = true;
};

bool writeWindow(std::string& out, const CLIStatus::Window& window, int depth) {
    ObjectWriter object(out, depth);
    object.integer("durationMinutes", window.durationMinutes);
    object.string("kind", window.kind);
    if (!object.number("remainingPercent", window.remainingPercent)) return false;
    object.date("resetsAt", window.resetsAt);
    object.optionalString("scope", window.scope);
    object.close();
    return true;
}

bool writeProvider(std::string& out, const CLIStatus::Provider& provider, int depth) {
    ObjectWriter object(out, depth);
    object.optionalString("accountName", provider.accountName);
    object.string("id", provider.id);
    object.optionalString("plan", provider.plan);
    object.string("provider", provider.provider);
    object.optionalString("quotaUnavailableReason", provider.quotaUnavailableReason);
    object.boolean("stale", provider.stale);
    object.date("updatedAt", provider.updatedAt);
    const bool written = object.list("windows", provider.windows, [&out](const CLIStatus::Window& window, int level) {
        return writeWindow(out, window, level);
    });
    object.close();
    return written;
}

// Room for the whole rendering and the final line feed, so that building it never copies it.
std::size_t estimatedSize(const std::vector<CLIStatus::Provider>& providers, std::size_t perProvider,
                          std::size_t perWindow) {
    std::size_t size = 512;
    for (const auto& provider : providers) {
        size += perProvider + provider.provider.size() + (provider.accountName ? provider.accountName->size() : 0);
        size += provider.windows.size() * perWindow;
    }
    return size;
}

} // namespace

bool isStale(Date reference, Date now) {
    return now.timeIntervalSince(reference) > 600 || reference.timeIntervalSince(now) > 60;
}

namespace {

Decoded<std::pair<std::int64_t, Date>> readHeader(const JSONObject& top) {
    TRY(schemaVersion, top.requiredInt64("schemaVersion"));
    TRY(generatedAt, top.requiredDate("generatedAt"));
    return std::pair{schemaVersion, generatedAt};
}

} // namespace

Result<CLIStatus, CLIReadError> CLIStatus::read(std::string_view bytes, Date now, std::size_t capacity) {
    auto failed = [](DecodingError error) { return Failure{CLIReadError(std::move(error))}; };
    auto unsupported = Failure{CLIReadError(CLIError::unsupportedSnapshot)};

    // Keys of the format that the tool never prints are validated, not kept; the document lives
    // only within this function, so it may point into the bytes.
    static const JSONParseOptions options{{"modelName", "tokensToday", "requestsToday", "creditsToday",
                                           "recentDays", "totals", "usageAmountStyle", "language",
                                           "followedSelectionIDs"},
                                          true};
    auto document = JSONDocument::parse(bytes, capacity, options);
    if (!document) return failed(std::move(document.error()));
    auto top = document->root().object();
    if (!top) return failed(std::move(top.error()));
    auto header = readHeader(*top);
    if (!header) return failed(std::move(header.error()));
    auto stateValue = top->requiredObject("state");
    if (!stateValue) return failed(std::move(stateValue.error()));

    // The first state key present decides; the two states without data are not looked into.
    CLIStatus status;
    const Date generatedAt = header->second;
    if (stateValue->contains("providers")) {
        status.state = "providers";
        auto payload = stateValue->requiredObject("providers");
        if (!payload) return failed(std::move(payload.error()));
        auto list = payload->requiredArray("_0");
        if (!list) return failed(std::move(list.error()));
        auto providers = list->decodeEach<Provider>(
            [generatedAt, now](JSONValue provider) { return readProvider(provider, generatedAt, now); });
        if (!providers) return failed(std::move(providers.error()));
        status.providers = std::move(providers.value());
    } else if (stateValue->contains("noProvidersEnabled")) {
        status.state = "noProvidersEnabled";
    } else if (stateValue->contains("noProvidersDetected")) {
        status.state = "noProvidersDetected";
    } else {
        return unsupported;
    }
    if (header->first != 1) return unsupported;

    status.schemaVersion = 1;
    status.generatedAt = generatedAt;
    status.readAt = now;
    status.stale = isStale(generatedAt, now);
    return status;
}

std::string CLIStatus::text() const {
    std::string out;
    out.reserve(estimatedSize(providers, 64, 96));
    out += "Tallyfox \u00B7 snapshot ";
    ISO8601::append(out, generatedAt);
    if (stale) out += " \u00B7 STALE \u2014 open Tallyfox to update";
    if (providers.empty()) {
        out += state == "noProvidersEnabled" ? "\nNo providers enabled." : "\nNo providers detected. Open Tallyfox.";
        return out;
    }
    for (const Provider& provider : providers) {
        out += '\n';
        out += clean(provider.provider);
        if (provider.accountName) {
            out += " \u00B7 ";
            out += clean(*provider.accountName);
        }
        if (provider.stale) out += " \u00B7 STALE";
        if (provider.windows.empty()) out += "\n  Limits unavailable.";
        for (const Window& window : provider.windows) {
            out += "\n  ";
            // The kind is cleaned too: the snapshot's strings never reach the terminal raw.
            out += clean(window.kind);
            if (window.scope) {
                out += " \u00B7 ";
                out += clean(*window.scope);
            }
            out += ": ";
            if (window.remainingPercent) {
                // One decimal, rounded to nearest on the exact binary value with ties to even, as
                // printf's "%.1f" in the C locale, whatever the user's locale.
                char buffer[400];
                const auto end = std::to_chars(buffer, buffer + sizeof buffer, *window.remainingPercent,
                                               std::chars_format::fixed, 1)
                                     .ptr;
                out.append(buffer, end);
                out += "% left";
            } else {
                out += "unknown";
            }
            if (window.resetsAt) {
                out += " \u00B7 reset ";
                ISO8601::append(out, *window.resetsAt);
            }
        }
        if (provider.quotaUnavailableReason) {
            out += "\n  ";
            out += clean(*provider.quotaUnavailableReason);
        }
    }
    return out;
}

std::optional<std::string> CLIStatus::json() const {
    std::string out;
    out.reserve(estimatedSize(providers, 320, 256));
    ObjectWriter object(out, 0);
    object.date("generatedAt", generatedAt);
    const bool written = object.list("providers", providers, [&out](const Provider& provider, int level) {
        return writeProvider(out, provider, level);
    });
    if (!written) return std::nullopt;
    object.date("readAt", readAt);
    object.integer("schemaVersion", schemaVersion);
    object.boolean("stale", stale);
    object.string("state", state);
    object.close();
    return out;
}

namespace {

Decoded<CLIStatus::Window> windowFromJSON(JSONValue value) {
    TRY(object, value.object());
    TRY(duration, object.optionalInt64("durationMinutes"));
    TRY(kind, object.requiredString("kind"));
    TRY(remaining, object.optionalNumber("remainingPercent"));
    TRY(resetsAt, object.optionalDate("resetsAt"));
    TRY(scope, object.optionalString("scope"));
    return CLIStatus::Window{std::string(kind), duration, copy(scope), remaining, resetsAt};
}

Decoded<CLIStatus::Provider> providerFromJSON(JSONValue value) {
    TRY(object, value.object());
    CLIStatus::Provider provider;
    TRY(accountName, object.optionalString("accountName"));
    TRY(id, object.requiredString("id"));
    TRY(plan, object.optionalString("plan"));
    TRY(name, object.requiredString("provider"));
    TRY(reason, object.optionalString("quotaUnavailableReason"));
    TRY(stale, object.requiredBool("stale"));
    TRY(updatedAt, object.optionalDate("updatedAt"));
    TRY(windowList, object.requiredArray("windows"));
    TRY(windows, windowList.decodeEach<CLIStatus::Window>(windowFromJSON));
    return CLIStatus::Provider{std::string(id), std::string(name), copy(accountName), copy(plan), updatedAt,
                               stale, copy(reason), std::move(windows)};
}

} // namespace

Decoded<CLIStatus> CLIStatus::fromJSON(std::string_view json) {
    TRY(document, JSONDocument::parse(json));
    TRY(object, document.root().object());
    CLIStatus status;
    TRY(generatedAt, object.requiredDate("generatedAt"));
    TRY(providerList, object.requiredArray("providers"));
    TRY(providers, providerList.decodeEach<Provider>(providerFromJSON));
    TRY(readAt, object.requiredDate("readAt"));
    TRY(schemaVersion, object.requiredInt64("schemaVersion"));
    TRY(stale, object.requiredBool("stale"));
    TRY(state, object.requiredString("state"));
    status.generatedAt = generatedAt;
    status.providers = std::move(providers);
    status.readAt = readAt;
    status.schemaVersion = schemaVersion;
    status.stale = stale;
    status.state = std::string(state);
    return status;
}

#undef TRY

} // namespace tallyfox::cli
