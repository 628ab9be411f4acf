#include "cli/CLIStatus.hpp"

#include "cli/Clean.hpp"
#include "platform/foundation/AppGroup.hpp"
#include "platform/foundation/ISO8601.hpp"
#include "platform/foundation/JSONWriter.hpp"

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

Decoded<std::optional<std::string_view>> optionalString(const Slot& slot) {
    return decodeIfPresent<std::string_view>(slot, [](const JSONValue& v) { return v.string(); });
}
Decoded<std::optional<Date>> optionalDate(const Slot& slot) {
    return decodeIfPresent<Date>(slot, [](const JSONValue& v) { return v.date(); });
}

// "kind" is an integer (a length in minutes) or a string (a named kind, taken unchanged).
Decoded<CLIStatus::Window> readWindow(JSONValue value, Date now) {
    TRY_DECODE(object, value.object());
    Slot kindSlot, scopeSlot, usageSlot, resetsAtSlot;
    for (const JSONMember member : object) {
        if (member.key == "kind") pick(kindSlot, member);
        else if (member.key == "scope") pick(scopeSlot, member);
        else if (member.key == "usage") pick(usageSlot, member);
        else if (member.key == "resetsAt") pick(resetsAtSlot, member);
    }
    CLIStatus::Window window;
    TRY_DECODE(kind, object.required("kind", kindSlot));
    if (kind.type() == JSONType::number) {
        TRY_DECODE(minutes, kind.int64());
        window.durationMinutes = minutes;
        window.kind = minutes == 300 ? "fiveHour" : minutes == 10080 ? "weekly" : "custom";
    } else if (kind.type() == JSONType::string) {
        window.kind = std::string(kind.string().value());
    } else {
        return Failure{kind.error(DecodingError::Kind::typeMismatch,
                                  "Expected to decode an integer or a string but found " +
                                      std::string(describe(kind.type())) + " instead.")};
    }
    TRY_DECODE(scope, optionalString(scopeSlot));
    TRY_DECODE(usage, decodeIfPresent<double>(usageSlot, [](const JSONValue& v) { return v.number(); }));
    TRY_DECODE(resetsAt, optionalDate(resetsAtSlot));
    window.scope = ownedString(scope);
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
    TRY_DECODE(object, value.object());
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
    TRY_DECODE(nameValue, object.required("provider", providerSlot));
    TRY_DECODE(name, nameValue.string());
    TRY_DECODE(selectionID, optionalString(selectionIDSlot));
    TRY_DECODE(accountName, optionalString(accountNameSlot));
    TRY_DECODE(planName, optionalString(planNameSlot));
    TRY_DECODE(updatedAt, optionalDate(updatedAtSlot));
    TRY_DECODE(reason, optionalString(reasonSlot));
    TRY_DECODE(windowsValue, object.required("windows", windowsSlot));
    TRY_DECODE(windowList, windowsValue.array());
    TRY_DECODE(windows, windowList.decodeEach<CLIStatus::Window>(
                            [now](JSONValue window) { return readWindow(window, now); }));
    CLIStatus::Provider provider;
    provider.id = identifier(name, selectionID, accountName);
    provider.provider = std::string(name);
    provider.accountName = ownedString(accountName);
    provider.plan = ownedString(planName);
    provider.updatedAt = updatedAt;
    provider.stale = isStale(updatedAt.value_or(generatedAt), now);
    provider.quotaUnavailableReason = ownedString(reason);
    provider.windows = std::move(windows);
    return provider;
}

// MARK: Writing JSON

// Members are written in sorted key order; absent optional values are left out.
void member(JSONWriter& json, std::string_view name, const std::optional<std::string>& value) {
    if (value) json.key(name).value(*value);
}
void member(JSONWriter& json, std::string_view name, std::optional<Date> value) {
    if (value) json.key(name).value(*value);
}

bool writeWindow(JSONWriter& json, const CLIStatus::Window& window) {
    json.beginObject();
    if (window.durationMinutes) json.key("durationMinutes").value(*window.durationMinutes);
    json.key("kind").value(window.kind);
    if (window.remainingPercent && !json.key("remainingPercent").value(*window.remainingPercent))
        return false;
    member(json, "resetsAt", window.resetsAt);
    member(json, "scope", window.scope);
    json.endObject();
    return true;
}

bool writeProvider(JSONWriter& json, const CLIStatus::Provider& provider) {
    json.beginObject();
    member(json, "accountName", provider.accountName);
    json.key("id").value(provider.id);
    member(json, "plan", provider.plan);
    json.key("provider").value(provider.provider);
    member(json, "quotaUnavailableReason", provider.quotaUnavailableReason);
    json.key("stale").value(provider.stale);
    member(json, "updatedAt", provider.updatedAt);
    json.key("windows").beginArray();
    for (const CLIStatus::Window& window : provider.windows)
        if (!writeWindow(json, window)) return false;
    json.endArray();
    json.endObject();
    return true;
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
    return now.timeIntervalSince(reference) > staleAfterSeconds || reference.timeIntervalSince(now) > 60;
}

namespace {

Decoded<std::pair<std::int64_t, Date>> readHeader(const JSONObject& top) {
    TRY_DECODE(schemaVersion, top.requiredInt64("schemaVersion"));
    TRY_DECODE(generatedAt, top.requiredDate("generatedAt"));
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
    JSONWriter json;
    json.reserve(estimatedSize(providers, 320, 256));
    json.beginObject();
    json.key("generatedAt").value(generatedAt);
    json.key("providers").beginArray();
    for (const Provider& provider : providers)
        if (!writeProvider(json, provider)) return std::nullopt;
    json.endArray();
    json.key("readAt").value(readAt);
    json.key("schemaVersion").value(schemaVersion);
    json.key("stale").value(stale);
    json.key("state").value(state);
    json.endObject();
    return json.take();
}

namespace {

Decoded<CLIStatus::Window> windowFromJSON(JSONValue value) {
    TRY_DECODE(object, value.object());
    TRY_DECODE(duration, object.optionalInt64("durationMinutes"));
    TRY_DECODE(kind, object.requiredString("kind"));
    TRY_DECODE(remaining, object.optionalNumber("remainingPercent"));
    TRY_DECODE(resetsAt, object.optionalDate("resetsAt"));
    TRY_DECODE(scope, object.optionalString("scope"));
    return CLIStatus::Window{std::string(kind), duration, ownedString(scope), remaining, resetsAt};
}

Decoded<CLIStatus::Provider> providerFromJSON(JSONValue value) {
    TRY_DECODE(object, value.object());
    CLIStatus::Provider provider;
    TRY_DECODE(accountName, object.optionalString("accountName"));
    TRY_DECODE(id, object.requiredString("id"));
    TRY_DECODE(plan, object.optionalString("plan"));
    TRY_DECODE(name, object.requiredString("provider"));
    TRY_DECODE(reason, object.optionalString("quotaUnavailableReason"));
    TRY_DECODE(stale, object.requiredBool("stale"));
    TRY_DECODE(updatedAt, object.optionalDate("updatedAt"));
    TRY_DECODE(windowList, object.requiredArray("windows"));
    TRY_DECODE(windows, windowList.decodeEach<CLIStatus::Window>(windowFromJSON));
    return CLIStatus::Provider{std::string(id),     std::string(name), ownedString(accountName),
                               ownedString(plan),   updatedAt,         stale,
                               ownedString(reason), std::move(windows)};
}

} // namespace

Decoded<CLIStatus> CLIStatus::fromJSON(std::string_view json) {
    TRY_DECODE(document, JSONDocument::parse(json));
    TRY_DECODE(object, document.root().object());
    CLIStatus status;
    TRY_DECODE(generatedAt, object.requiredDate("generatedAt"));
    TRY_DECODE(providerList, object.requiredArray("providers"));
    TRY_DECODE(providers, providerList.decodeEach<Provider>(providerFromJSON));
    TRY_DECODE(readAt, object.requiredDate("readAt"));
    TRY_DECODE(schemaVersion, object.requiredInt64("schemaVersion"));
    TRY_DECODE(stale, object.requiredBool("stale"));
    TRY_DECODE(state, object.requiredString("state"));
    status.generatedAt = generatedAt;
    status.providers = std::move(providers);
    status.readAt = readAt;
    status.schemaVersion = schemaVersion;
    status.stale = stale;
    status.state = std::string(state);
    return status;
}

} // namespace tallyfox::cli
