#include "cli/CLIStatus.hpp"

#include "cli/Clean.hpp"
#include "platform/foundation/ISO8601.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace tallyfox::cli {

using namespace platform::foundation;

namespace {

// MARK: Reading the snapshot

// The saved snapshot as the tool reads it: only the keys it prints, all else ignored.
struct SavedWindow {
    std::string kindName;
    std::optional<std::int64_t> minutes;
    std::optional<std::string> scope;
    std::optional<double> usage;
    std::optional<Date> resetsAt;
};

struct SavedProvider {
    std::string provider;
    std::optional<std::string> selectionID, accountName, planName;
    std::optional<Date> updatedAt;
    std::optional<std::string> quotaUnavailableReason;
    std::vector<SavedWindow> windows;
};

std::optional<std::string> copy(std::optional<std::string_view> text) {
    return text ? std::optional<std::string>(*text) : std::nullopt;
}

// Propagates the error of a Decoded<T> from the enclosing function returning Decoded<U>.
#define TRY(variable, expression)                                                                              \
    auto variable##Decoded = (expression);                                                                     \
    if (!variable##Decoded) return Failure{std::move(variable##Decoded.error())};                              \
    auto variable = std::move(variable##Decoded.value())

// "kind" is an integer (a length in minutes) or a string (a named kind, taken unchanged).
Decoded<SavedWindow> readWindow(JSONValue value) {
    TRY(object, value.object());
    SavedWindow window;
    TRY(kind, object.required("kind"));
    if (kind.type() == JSONType::number) {
        TRY(minutes, kind.int64());
        window.minutes = minutes;
        window.kindName = minutes == 300 ? "fiveHour" : minutes == 10080 ? "weekly" : "custom";
    } else if (kind.type() == JSONType::string) {
        window.kindName = std::string(kind.string().value());
    } else {
        return Failure{kind.error(DecodingError::Kind::typeMismatch,
                                  "Expected to decode an integer or a string but found " +
                                      std::string(describe(kind.type())) + " instead.")};
    }
    TRY(scope, object.optionalString("scope"));
    TRY(usage, object.optionalNumber("usage"));
    TRY(resetsAt, object.optionalDate("resetsAt"));
    window.scope = copy(scope);
    window.usage = usage;
    window.resetsAt = resetsAt;
    return window;
}

Decoded<SavedProvider> readProvider(JSONValue value) {
    TRY(object, value.object());
    SavedProvider provider;
    TRY(name, object.requiredString("provider"));
    TRY(selectionID, object.optionalString("selectionID"));
    TRY(accountName, object.optionalString("accountName"));
    TRY(planName, object.optionalString("planName"));
    TRY(updatedAt, object.optionalDate("updatedAt"));
    TRY(reason, object.optionalString("quotaUnavailableReason"));
    TRY(windows, object.requiredArray("windows"));
    TRY(savedWindows, windows.decodeEach<SavedWindow>(readWindow));
    provider.provider = std::string(name);
    provider.selectionID = copy(selectionID);
    provider.accountName = copy(accountName);
    provider.planName = copy(planName);
    provider.updatedAt = updatedAt;
    provider.quotaUnavailableReason = copy(reason);
    provider.windows = std::move(savedWindows);
    return provider;
}

std::string identifier(const SavedProvider& provider) {
    if (provider.selectionID) return *provider.selectionID;
    if (provider.accountName) return provider.provider + " \u00B7 " + *provider.accountName;
    return provider.provider;
}

std::optional<double> remainingPercent(const SavedWindow& window, Date now) {
    if (window.resetsAt && *window.resetsAt <= now) return std::nullopt;
    if (!window.usage) return std::nullopt;
    return 100.0 - std::clamp(*window.usage, 0.0, 100.0);
}

// MARK: Writing JSON

void appendQuoted(std::string& out, std::string_view text) {
    static constexpr char hex[] = "0123456789abcdef";
    out += '"';
    for (const char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                out += "\\u00";
                out += hex[(c >> 4) & 0xF];
                out += hex[c & 0xF];
            } else {
                out += c;
            }
        }
    }
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

    void key(std::string_view name) {
        out_ += first_ ? "\n" : ",\n";
        first_ = false;
        indent(depth_ + 1);
        appendQuoted(out_, name);
        out_ += " : ";
    }
    void string(std::string_view name, std::string_view value) {
        key(name);
        appendQuoted(out_, value);
    }
    void optionalString(std::string_view name, const std::optional<std::string>& value) {
        if (value) string(name, std::string_view(*value));
    }
    void date(std::string_view name, std::optional<Date> value) {
        if (value) string(name, std::string_view(ISO8601::string(*value)));
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

    auto document = JSONDocument::parse(bytes, capacity);
    if (!document) return failed(std::move(document.error()));
    auto top = document->root().object();
    if (!top) return failed(std::move(top.error()));
    auto header = readHeader(*top);
    if (!header) return failed(std::move(header.error()));
    auto stateValue = top->requiredObject("state");
    if (!stateValue) return failed(std::move(stateValue.error()));

    // The first state key present decides; the two states without data are not looked into.
    std::string stateName;
    std::vector<SavedProvider> saved;
    if (stateValue->contains("providers")) {
        stateName = "providers";
        auto payload = stateValue->requiredObject("providers");
        if (!payload) return failed(std::move(payload.error()));
        auto list = payload->requiredArray("_0");
        if (!list) return failed(std::move(list.error()));
        auto providers = list->decodeEach<SavedProvider>(readProvider);
        if (!providers) return failed(std::move(providers.error()));
        saved = std::move(providers.value());
    } else if (stateValue->contains("noProvidersEnabled")) {
        stateName = "noProvidersEnabled";
    } else if (stateValue->contains("noProvidersDetected")) {
        stateName = "noProvidersDetected";
    } else {
        return unsupported;
    }
    if (header->first != 1) return unsupported;

    CLIStatus status;
    status.schemaVersion = 1;
    status.generatedAt = header->second;
    status.readAt = now;
    status.state = std::move(stateName);
    status.stale = isStale(status.generatedAt, now);
    status.providers.reserve(saved.size());
    for (SavedProvider& source : saved) {
        Provider provider;
        provider.id = identifier(source);
        provider.stale = isStale(source.updatedAt.value_or(status.generatedAt), now);
        provider.provider = std::move(source.provider);
        provider.accountName = std::move(source.accountName);
        provider.plan = std::move(source.planName);
        provider.updatedAt = source.updatedAt;
        provider.quotaUnavailableReason = std::move(source.quotaUnavailableReason);
        provider.windows.reserve(source.windows.size());
        for (SavedWindow& window : source.windows) {
            provider.windows.push_back(Window{std::move(window.kindName), window.minutes, std::move(window.scope),
                                              remainingPercent(window, now), window.resetsAt});
        }
        status.providers.push_back(std::move(provider));
    }
    return status;
}

std::string CLIStatus::text() const {
    std::string out = "Tallyfox \u00B7 snapshot " + ISO8601::string(generatedAt);
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
                char buffer[64];
                const int length = std::snprintf(buffer, sizeof buffer, "%.1f%% left", *window.remainingPercent);
                out.append(buffer, static_cast<std::size_t>(std::clamp(length, 0, static_cast<int>(sizeof buffer) - 1)));
            } else {
                out += "unknown";
            }
            if (window.resetsAt) {
                out += " \u00B7 reset ";
                out += ISO8601::string(*window.resetsAt);
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
