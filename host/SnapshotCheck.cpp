#include "host/SnapshotCheck.hpp"

#include "cli/CLIStatus.hpp"
#include "host/Output.hpp"
#include "host/WidgetHost.hpp"
#include "platform/foundation/AppGroup.hpp"
#include "platform/foundation/Bundle.hpp"
#include "platform/foundation/FileSystem.hpp"
#include "platform/foundation/ISO8601.hpp"
#include "platform/foundation/JSON.hpp"
#include "platform/foundation/JSONWriter.hpp"
#include "platform/foundation/UnicodeNormalization.hpp"
#include "snapshot/WidgetSnapshot.hpp"
#include "snapshot/WidgetSnapshotStore.hpp"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <map>
#include <numeric>
#include <set>
#include <unordered_map>

namespace widgethost {

namespace pf = platform::foundation;
using pf::CodingKey;
using pf::Date;
using pf::DecodingError;
using pf::JSONDocument;
using pf::JSONType;
using pf::JSONValue;
using tallyfox::UsageWindow;
using tallyfox::WidgetProviderSnapshot;
using tallyfox::WidgetSnapshot;
using Path = std::vector<CodingKey>;

namespace {

constexpr std::string_view exampleDate = "2026-03-14T09:26:53Z";

std::string jsonPath(const Path& path) {
    std::string out = "$";
    for (const CodingKey& key : path) out += key.intValue ? "[" + key.stringValue + "]" : "." + key.stringValue;
    return out;
}

// `path` below `prefix`, as "kind" or "windows[2].kind"; empty when they are the same.
std::string relativePath(const Path& path, std::size_t prefix) {
    std::string out = jsonPath(Path(path.begin() + static_cast<std::ptrdiff_t>(std::min(prefix, path.size())), path.end()));
    out.erase(0, 1);
    if (!out.empty() && out.front() == '.') out.erase(0, 1);
    return out;
}

const Path entriesPath{CodingKey::key("state"), CodingKey::key("providers"), CodingKey::key("_0")};

Path entryPath(std::size_t index) {
    Path path = entriesPath;
    path.push_back(CodingKey::index(index));
    return path;
}

// The value at `path` as the readers find it (the first of duplicate keys).
std::optional<JSONValue> valueAt(const JSONDocument& document, const Path& path) {
    JSONValue value = document.root();
    for (const CodingKey& key : path) {
        if (key.intValue) {
            auto array = value.array();
            if (!array || *key.intValue >= array->size()) return std::nullopt;
            auto element = array->begin();
            for (std::size_t i = 0; i < *key.intValue; ++i) ++element;
            value = *element;
        } else {
            auto object = value.object();
            if (!object) return std::nullopt;
            auto member = (*object)[key.stringValue];
            if (!member) return std::nullopt;
            value = *member;
        }
    }
    return value;
}

// What a writer does about the value that failed, where the readers' own words do not say it: the
// usual culprits are a whole number written with a fraction and a date with fractional seconds.
std::string writerHint(const JSONDocument* document, const DecodingError& error) {
    if (!document) return {};
    const auto value = valueAt(*document, error.codingPath);
    if (!value) return {};
    if (value->type() == JSONType::number) {
        // A window's kind written as 300.0 is refused as "not a string" once it is not an integer.
        const std::string_view text = value->numberText().value();
        const auto number = value->number();
        if (number && std::isfinite(*number) && std::trunc(*number) == *number && std::fabs(*number) < 9.2e18 &&
            text.find_first_of(".eE") != std::string_view::npos)
            return " Write the integer " + std::to_string(static_cast<std::int64_t>(*number)) +
                   ", without a fraction or exponent.";
        if (error.debugDescription.find("Int64") != std::string::npos) return " Write an integer that fits 64 bits.";
        return {};
    }
    if (value->type() == JSONType::string && error.debugDescription.find("ISO8601") != std::string::npos) {
        std::string text(value->string().value());
        const auto dot = text.find('.');
        if (dot != std::string::npos && dot > 10) {
            std::size_t end = dot + 1;
            while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
            std::string whole = text.substr(0, dot) + text.substr(end);
            if (pf::ISO8601::date(whole)) return " Write whole seconds: " + printable(whole) + ".";
        }
        return " Write a real date and time with whole seconds and a zone, such as " + std::string(exampleDate) + ".";
    }
    return {};
}

std::string reasonText(const JSONDocument* document, const DecodingError& error, std::size_t below) {
    std::string where = relativePath(error.codingPath, below);
    return printable((where.empty() ? "" : where + ": ") + error.debugDescription + writerHint(document, error));
}

void add(std::vector<CheckFinding>& findings, CheckFinding finding) {
    // The same thing found by both readers is said once.
    for (CheckFinding& existing : findings) {
        if (existing.path == finding.path && existing.effect == finding.effect && existing.reason == finding.reason) {
            existing.readers |= finding.readers;
            return;
        }
    }
    findings.push_back(std::move(finding));
}

// Duplicate keys: both readers read the first and never see the others.
void findDuplicateKeys(JSONValue value, Path& path, std::vector<CheckFinding>& findings) {
    if (auto object = value.object()) {
        std::set<std::string_view> seen;
        for (const pf::JSONMember member : *object) {
            path.push_back(CodingKey::key(member.key));
            if (!seen.insert(member.key).second)
                findings.push_back({printable(jsonPath(path)), CheckFinding::Effect::ignored,
                                    CheckFinding::widget | CheckFinding::tool,
                                    "a duplicate key: both readers read the first \"" + printable(member.key) +
                                        "\" of this object and ignore this one"});
            else
                findDuplicateKeys(member.value, path, findings);
            path.pop_back();
        }
    } else if (auto array = value.array()) {
        std::size_t index = 0;
        for (const JSONValue element : *array) {
            path.push_back(CodingKey::index(index++));
            findDuplicateKeys(element, path, findings);
            path.pop_back();
        }
    }
}

// Keys the format does not have, at the places where it has keys of its own: both readers skip them,
// which is how a misspelt key goes unnoticed.
void findUnknownKeys(const JSONDocument& document, std::vector<CheckFinding>& findings) {
    static const std::set<std::string_view> top{"schemaVersion", "generatedAt",          "state",
                                                "usageAmountStyle", "language", "followedSelectionIDs"};
    static const std::set<std::string_view> entry{"provider",      "selectionID",  "accountName",
                                                  "planName",      "modelName",    "windows",
                                                  "tokensToday",   "requestsToday", "creditsToday",
                                                  "quotaUnavailableReason", "recentDays", "updatedAt",
                                                  "totals"};
    static const std::set<std::string_view> window{"kind", "scope", "usage", "resetsAt"};
    static const std::set<std::string_view> total{"kind", "value"};
    auto check = [&](JSONValue value, const Path& path, const std::set<std::string_view>& known) {
        const auto object = value.object();
        if (!object) return;
        for (const pf::JSONMember member : *object) {
            if (known.count(member.key)) continue;
            Path at = path;
            at.push_back(CodingKey::key(member.key));
            findings.push_back({printable(jsonPath(at)), CheckFinding::Effect::notShown, CheckFinding::widget,
                                "not a key of the format: both readers skip it (a misspelt key?)"});
        }
    };
    check(document.root(), {}, top);
    const auto entries = valueAt(document, entriesPath);
    // The array is held here: a range over a temporary's contents would outlive it.
    if (!entries) return;
    const auto entryArray = entries->array();
    if (!entryArray) return;
    std::size_t index = 0;
    for (const JSONValue item : *entryArray) {
        const Path at = entryPath(index++);
        check(item, at, entry);
        for (const auto& [key, known] : {std::pair{"windows", &window}, std::pair{"totals", &total}}) {
            const auto list = item.object() ? (*item.object())[key] : std::nullopt;
            if (!list) continue;
            const auto elements = list->array();
            if (!elements) continue;
            std::size_t position = 0;
            for (const JSONValue element : *elements) {
                Path elementPath = at;
                elementPath.push_back(CodingKey::key(key));
                elementPath.push_back(CodingKey::index(position++));
                check(element, elementPath, *known);
            }
        }
    }
}

// MARK: What the widget shows

// Which positions of a lenient array survive the widget's reading: those not dropped.
std::vector<std::size_t> survivors(const Path& array, std::size_t count, const std::vector<pf::LenientLoss>& losses) {
    std::vector<std::size_t> kept;
    for (std::size_t index = 0; index < count; ++index) {
        Path element = array;
        element.push_back(CodingKey::index(index));
        const bool dropped = std::any_of(losses.begin(), losses.end(), [&](const pf::LenientLoss& loss) {
            return loss.kind == pf::LenientLoss::Kind::elementDropped && loss.codingPath == element;
        });
        if (!dropped) kept.push_back(index);
    }
    return kept;
}

std::size_t arraySize(const JSONDocument& document, const Path& path) {
    const auto value = valueAt(document, path);
    const auto array = value ? value->array() : pf::Decoded<pf::JSONArray>(pf::Failure{DecodingError{}});
    return array ? array->size() : 0;
}

/// A decoded entry with where it and its windows stand in the document.
struct Located {
    WidgetProviderSnapshot entry; // usage of windows that reset by `now` cleared, as the timeline shows it
    std::size_t index;            // in "_0"
    std::vector<std::size_t> windowIndexes;
};

std::string windowName(const Located& located, std::size_t position) {
    const UsageWindow& window = located.entry.windows[position];
    std::string name = tallyfox::lengthTitle(window.kind);
    if (window.scope) name += " \u00B7 " + *window.scope;
    return printable(name) + " (windows[" + std::to_string(located.windowIndexes[position]) + "])";
}

// Window positions shortest first, as the layouts order them (a stable sort of the same order).
std::vector<std::size_t> orderedWindows(const WidgetProviderSnapshot& entry) {
    std::vector<std::size_t> order(entry.windows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return entry.windows[a] < entry.windows[b]; });
    return order;
}

std::optional<std::size_t> primaryPosition(const WidgetProviderSnapshot& entry) {
    const auto primary = tallyfox::primaryWindow(entry.windows);
    if (!primary) return std::nullopt;
    const auto found = std::find(entry.windows.begin(), entry.windows.end(), *primary);
    return static_cast<std::size_t>(found - entry.windows.begin());
}

bool hasTotals(const WidgetProviderSnapshot& entry) { return entry.totals && !entry.totals->empty(); }

// The field the activity line shows, first that applies: tokens, credits, the first total.
std::optional<std::string> activityField(const WidgetProviderSnapshot& entry) {
    if (entry.tokensToday) return "tokensToday";
    if (entry.creditsToday) return "creditsToday";
    if (hasTotals(entry)) return "totals[0]";
    return std::nullopt;
}

std::string activity(const WidgetProviderSnapshot& entry) {
    const auto field = activityField(entry);
    return field ? "activity: " + *field : "no activity";
}

CheckedSize::Entry shownEntry(const Located& located, std::vector<std::string> shows) {
    return {jsonPath(entryPath(located.index)), printable(located.entry.id()), std::move(shows)};
}

CheckedSize small(const std::vector<Located>& shown, const std::vector<Located>& top3) {
    CheckedSize size{"small", {}, {}};
    if (shown.size() == 1) {
        const Located& only = shown.front();
        auto position = primaryPosition(only.entry);
        if (!position && !only.entry.windows.empty()) position = orderedWindows(only.entry).front();
        if (position) {
            size.entries.push_back(shownEntry(only, {windowName(only, *position)}));
        } else {
            std::vector<std::string> parts;
            if (!hasTotals(only.entry)) parts.push_back("\"Usage limits unavailable\"");
            parts.push_back(activity(only.entry));
            if (only.entry.recentDays) parts.push_back("chart: recentDays");
            size.entries.push_back(shownEntry(only, std::move(parts)));
        }
        return size;
    }
    for (const Located& row : top3) {
        if (const auto position = primaryPosition(row.entry))
            size.entries.push_back(shownEntry(row, {windowName(row, *position)}));
        else if (row.entry.recentDays)
            size.entries.push_back(shownEntry(row, {"chart: recentDays"}));
        else if (hasTotals(row.entry))
            size.entries.push_back(shownEntry(row, {activity(row.entry)}));
        else
            size.entries.push_back(shownEntry(row, {"\"Usage limits unavailable\""}));
    }
    if (shown.size() == 2) size.extras.push_back("the next reset of any window");
    return size;
}

std::vector<std::string> twoShortest(const Located& located) {
    std::vector<std::string> parts;
    const auto order = orderedWindows(located.entry);
    for (std::size_t i = 0; i < order.size() && i < 2; ++i) parts.push_back(windowName(located, order[i]));
    return parts;
}

CheckedSize medium(const std::vector<Located>& shown, const std::vector<Located>& top4) {
    CheckedSize size{"medium", {}, {}};
    if (shown.size() <= 2) {
        for (const Located& column : shown) {
            auto parts = twoShortest(column);
            const std::size_t windows = parts.size();
            if (windows == 0) {
                if (!hasTotals(column.entry)) parts.push_back("\"Usage limits unavailable\"");
                parts.push_back(activity(column.entry));
            }
            if (windows < 2 && column.entry.recentDays) parts.push_back("chart: recentDays");
            size.entries.push_back(shownEntry(column, std::move(parts)));
        }
        return size;
    }
    for (const Located& row : top4) {
        if (const auto position = primaryPosition(row.entry)) {
            size.entries.push_back(shownEntry(row, {windowName(row, *position)}));
            continue;
        }
        std::vector<std::string> parts;
        if (row.entry.recentDays)
            parts.push_back("chart: recentDays");
        else if (!hasTotals(row.entry))
            parts.push_back("\"Limits unavailable\"");
        parts.push_back(activity(row.entry));
        size.entries.push_back(shownEntry(row, std::move(parts)));
    }
    return size;
}

CheckedSize large(const std::vector<Located>& top4) {
    CheckedSize size{"large", {}, {}};
    for (const Located& block : top4) {
        auto parts = twoShortest(block);
        if (parts.empty()) {
            parts.push_back(activity(block.entry));
            if (!activityField(block.entry)) parts.push_back("\"Usage limits unavailable\"");
        }
        size.entries.push_back(shownEntry(block, std::move(parts)));
    }
    return size;
}

// The located entries that `topProviders` picks, found back by their place in `list`.
std::vector<Located> top(const WidgetSnapshot& snapshot, const std::vector<Located>& list, std::size_t limit) {
    std::vector<Located> picked;
    std::vector<bool> used(list.size());
    for (const WidgetProviderSnapshot& entry : tallyfox::topProviders(snapshot, limit)) {
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (!used[i] && list[i].entry == entry) {
                used[i] = true;
                picked.push_back(list[i]);
                break;
            }
        }
    }
    return picked;
}

// Fields that no size shows for this entry, whatever the widget's size and chosen sources.
void findUnshownFields(const Located& located, std::vector<CheckFinding>& findings) {
    const WidgetProviderSnapshot& entry = located.entry;
    auto unshown = [&](const std::string& field, std::string reason) {
        findings.push_back({jsonPath(entryPath(located.index)) + "." + field, CheckFinding::Effect::notShown,
                            CheckFinding::widget, std::move(reason)});
    };
    if (entry.planName) unshown("planName", "the widget never shows the plan");
    if (entry.modelName) unshown("modelName", "the widget never shows the model");
    if (entry.requestsToday) unshown("requestsToday", "the widget never shows the requests");
    if (entry.quotaUnavailableReason) unshown("quotaUnavailableReason", "the widget never shows the reason");

    const auto primary = primaryPosition(entry);
    const std::string withUsage = "the entry has a window with a usage, which takes the place of ";
    if (primary) {
        for (const char* field : {"tokensToday", "creditsToday", "totals"}) {
            const bool present = std::string_view(field) == "tokensToday"    ? entry.tokensToday.has_value()
                                 : std::string_view(field) == "creditsToday" ? entry.creditsToday.has_value()
                                                                             : hasTotals(entry);
            if (present) unshown(field, withUsage + "the activity line");
        }
        if (entry.recentDays && entry.windows.size() >= 2)
            unshown("recentDays", withUsage + "the chart (shown beside fewer than two windows or without a usage)");
    } else {
        if (entry.tokensToday && entry.creditsToday) unshown("creditsToday", "the activity line shows tokensToday first");
        if (hasTotals(entry) && (entry.tokensToday || entry.creditsToday))
            unshown("totals", "the activity line shows " + *activityField(entry) + " first");
        else if (hasTotals(entry))
            for (std::size_t i = 1; i < entry.totals->size(); ++i)
                unshown("totals[" + std::to_string(i) + "]", "the activity line shows only the first total");
    }

    // Windows: the two shortest (medium, large) and the most-used one (small) are all that show.
    std::set<std::size_t> shown;
    const auto order = orderedWindows(entry);
    for (std::size_t i = 0; i < order.size() && i < 2; ++i) shown.insert(order[i]);
    if (primary) shown.insert(*primary);
    else if (!order.empty()) shown.insert(order.front());
    for (std::size_t position = 0; position < entry.windows.size(); ++position) {
        if (shown.count(position)) continue;
        unshown("windows[" + std::to_string(located.windowIndexes[position]) + "]",
                "only the two shortest windows and the most-used one are shown");
    }
}

// A widget with no chosen sources lists the followed entries, in their order, or every entry.
std::string selectFollowed(const WidgetSnapshot& snapshot, std::vector<Located>& located,
                           std::vector<CheckFinding>& findings) {
    const auto& followed = snapshot.followedSelectionIDs();
    if (!followed) return "every entry, in the document's order (no followedSelectionIDs)";
    std::unordered_map<std::string, std::size_t> positions;
    for (std::size_t i = 0; i < located.size(); ++i)
        positions.emplace(pf::precomposedStringWithCanonicalMapping(located[i].entry.id()), i);
    std::set<std::string> seen;
    std::vector<Located> selected;
    for (std::size_t i = 0; i < followed->size(); ++i) {
        std::string canonical = pf::precomposedStringWithCanonicalMapping((*followed)[i]);
        const auto found = positions.find(canonical);
        if (!seen.insert(std::move(canonical)).second) continue;
        if (found == positions.end()) {
            findings.push_back({"$.followedSelectionIDs[" + std::to_string(i) + "]", CheckFinding::Effect::notShown,
                                CheckFinding::widget, "no entry has this identity; the widget skips it"});
            continue;
        }
        selected.push_back(located[found->second]);
    }
    located = std::move(selected);
    return "the entries of followedSelectionIDs, in that order";
}

void checkWidget(const JSONDocument* document, std::string_view bytes, SnapshotCheck& result,
                 std::optional<Date> now) {
    std::optional<pf::Decoded<WidgetSnapshot>> decoded;
    pf::LenientReadLog log;
    if (document) decoded.emplace(WidgetSnapshot::decode(*document));
    else decoded.emplace(WidgetSnapshot::decode(bytes));
    if (!*decoded) {
        add(result.findings, {jsonPath(decoded->error().codingPath), CheckFinding::Effect::refused,
                              CheckFinding::widget, reasonText(document, decoded->error(), decoded->error().codingPath.size())});
        result.now = now.value_or(pf::Clock::now());
        return;
    }
    const WidgetSnapshot& snapshot = decoded->value();
    result.now = now.value_or(snapshot.generatedAt());
    for (const pf::LenientLoss& loss : log.losses()) {
        if (loss.kind == pf::LenientLoss::Kind::elementDropped) {
            add(result.findings, {jsonPath(loss.codingPath), CheckFinding::Effect::dropped, CheckFinding::widget,
                                  reasonText(document, loss.reason, loss.codingPath.size())});
        } else {
            // Tolerant fields are an entry's own: the field is the first key below the entry.
            const Path field(loss.codingPath.begin(),
                             loss.codingPath.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(5, loss.codingPath.size())));
            add(result.findings, {jsonPath(field), CheckFinding::Effect::leftEmpty, CheckFinding::widget,
                                  reasonText(document, loss.reason, field.size())});
        }
    }
    if (snapshot.schemaVersion() > tallyfox::WidgetSnapshotStore::newestSchemaVersion) {
        add(result.findings, {"$.schemaVersion", CheckFinding::Effect::refused, CheckFinding::widget,
                              "version " + std::to_string(snapshot.schemaVersion()) +
                                  " is newer than the widget reads (1)"});
        return;
    }
    if (!document) return;

    // Entries and windows with their places in the document, usage cleared as the timeline clears it.
    const WidgetSnapshot cleared = snapshot.clearingUsage(result.now);
    const auto entries = cleared.providers();
    const auto entryIndexes = survivors(entriesPath, arraySize(*document, entriesPath), log.losses());
    std::vector<Located> located;
    for (std::size_t i = 0; i < entries.size() && i < entryIndexes.size(); ++i) {
        Path windows = entryPath(entryIndexes[i]);
        windows.push_back(CodingKey::key("windows"));
        located.push_back({entries[i], entryIndexes[i], survivors(windows, arraySize(*document, windows), log.losses())});
        if (located.back().windowIndexes.size() != entries[i].windows.size()) return; // cannot happen
        findUnshownFields(located.back(), result.findings);
    }
    if (cleared.stateKind() != WidgetSnapshot::State::Kind::providers) {
        result.selection = "nothing: the state says there are no providers, and the widget says so";
        return;
    }
    result.selection = selectFollowed(snapshot, located, result.findings);
    if (located.empty()) return;

    std::vector<std::size_t> positions;
    for (const Located& entry : located)
        positions.push_back(static_cast<std::size_t>(
            std::find(entryIndexes.begin(), entryIndexes.end(), entry.index) - entryIndexes.begin()));
    const WidgetSnapshot shown = cleared.selectingPositions(positions);
    result.sizes.push_back(small(located, top(shown, located, 3)));
    result.sizes.push_back(medium(located, top(shown, located, 4)));
    result.sizes.push_back(large(top(shown, located, 4)));
}

void checkTool(const JSONDocument* document, std::string_view bytes, SnapshotCheck& result) {
    const auto status = tallyfox::cli::CLIStatus::read(bytes, result.now);
    if (status) return;
    if (const auto* error = std::get_if<DecodingError>(&status.error())) {
        add(result.findings, {jsonPath(error->codingPath), CheckFinding::Effect::refused, CheckFinding::tool,
                              reasonText(document, *error, error->codingPath.size())});
        return;
    }
    // The tool reads only version 1, and only the three states.
    const auto version = document ? valueAt(*document, {CodingKey::key("schemaVersion")}) : std::nullopt;
    const auto number = version ? version->int64() : pf::Decoded<std::int64_t>(pf::Failure{DecodingError{}});
    if (number && *number != 1)
        add(result.findings, {"$.schemaVersion", CheckFinding::Effect::refused, CheckFinding::tool,
                              "version " + std::to_string(*number) + ": the tool reads only version 1"});
    else
        add(result.findings, {"$.state", CheckFinding::Effect::refused, CheckFinding::tool,
                              "none of \"providers\", \"noProvidersEnabled\" and \"noProvidersDetected\""});
}

std::string_view effectText(CheckFinding::Effect effect) {
    switch (effect) {
    case CheckFinding::Effect::refused: return "refused";
    case CheckFinding::Effect::dropped: return "dropped";
    case CheckFinding::Effect::leftEmpty: return "left empty";
    case CheckFinding::Effect::ignored: return "ignored";
    case CheckFinding::Effect::notShown: return "not shown";
    }
    return "";
}

std::string readersText(unsigned readers) {
    if (readers == (CheckFinding::widget | CheckFinding::tool)) return "the widget and the tool";
    return readers == CheckFinding::tool ? "the tool" : "the widget";
}

std::string joined(const std::vector<std::string>& parts, std::string_view separator) {
    std::string out;
    for (const std::string& part : parts) {
        if (!out.empty()) out += separator;
        out += part;
    }
    return out;
}

} // namespace

SnapshotCheck checkSnapshot(std::string_view bytes, std::optional<Date> now) {
    SnapshotCheck result;
    if (bytes.size() > pf::largestSnapshotSize) {
        result.now = now.value_or(pf::Clock::now());
        result.findings.push_back({"$", CheckFinding::Effect::refused, CheckFinding::widget | CheckFinding::tool,
                                   "the file has " + std::to_string(bytes.size()) + " bytes; the readers read at most " +
                                       std::to_string(pf::largestSnapshotSize)});
        return result;
    }
    auto parsed = JSONDocument::parse(bytes);
    const JSONDocument* document = parsed ? &parsed.value() : nullptr;
    if (!document && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        // Said once for both readers, with what to do about it.
        result.now = now.value_or(pf::Clock::now());
        result.findings.push_back({"$", CheckFinding::Effect::refused, CheckFinding::widget | CheckFinding::tool,
                                   printable(parsed.error().debugDescription) +
                                       " The file starts with a byte-order mark (EF BB BF): write UTF-8 without one."});
        return result;
    }
    checkWidget(document, bytes, result, now);
    checkTool(document, bytes, result);
    if (document) {
        Path path;
        findDuplicateKeys(document->root(), path, result.findings);
        findUnknownKeys(*document, result.findings);
    }
    // Losses first, then what is read but never shown; each group in document order of discovery.
    std::stable_partition(result.findings.begin(), result.findings.end(),
                          [](const CheckFinding& finding) { return finding.losesData(); });
    return result;
}

bool SnapshotCheck::acceptedWhole() const {
    return std::none_of(findings.begin(), findings.end(), [](const CheckFinding& finding) { return finding.losesData(); });
}

std::string SnapshotCheck::text(std::string_view file) const {
    std::string out = "Checking " + printable(file) + " as the widget and the tool read it, at " +
                      pf::ISO8601::string(now) + ".\n";
    if (!findings.empty()) out += '\n';
    for (const CheckFinding& finding : findings) {
        out += finding.path + ": " + std::string(effectText(finding.effect)) + " by " +
               (finding.effect == CheckFinding::Effect::notShown ? "any size of the widget"
                                                                  : readersText(finding.readers)) +
               ": " + finding.reason + "\n";
    }
    if (!selection.empty()) out += "\nWithout chosen sources the widget lists " + selection + ".\n";
    for (const CheckedSize& size : sizes) {
        out += size.family + ":\n";
        for (const CheckedSize::Entry& entry : size.entries)
            out += "  " + entry.id + " (" + entry.path + "): " + joined(entry.shows, ", ") + "\n";
        for (const std::string& extra : size.extras) out += "  and " + extra + "\n";
    }
    out += acceptedWhole() ? "\nBoth readers read the document whole.\n"
                           : "\nThe readers do not read this document whole: see above.\n";
    return out;
}

std::string SnapshotCheck::json(std::string_view file) const {
    pf::JSONWriter json(jsonKeys);
    json.beginObject();
    json.key("file").value(file);
    json.key("now").value(now);
    json.key("acceptedWhole").value(acceptedWhole());
    json.key("findings").beginArray();
    for (const CheckFinding& finding : findings) {
        json.beginObject();
        json.key("path").value(finding.path);
        json.key("effect").value(finding.effect == CheckFinding::Effect::leftEmpty  ? "leftEmpty"
                                 : finding.effect == CheckFinding::Effect::notShown ? "notShown"
                                                                                    : effectText(finding.effect));
        json.key("readers").beginArray();
        if (finding.readers & CheckFinding::widget) json.value("widget");
        if (finding.readers & CheckFinding::tool) json.value("tool");
        json.endArray();
        json.key("reason").value(finding.reason);
        json.endObject();
    }
    json.endArray();
    json.key("selection").value(selection);
    json.key("sizes").beginArray();
    for (const CheckedSize& size : sizes) {
        json.beginObject();
        json.key("family").value(size.family);
        json.key("entries").beginArray();
        for (const CheckedSize::Entry& entry : size.entries) {
            json.beginObject();
            json.key("id").value(entry.id);
            json.key("path").value(entry.path);
            json.key("shows").beginArray();
            for (const std::string& part : entry.shows) json.value(part);
            json.endArray();
            json.endObject();
        }
        json.endArray();
        json.key("extras").beginArray();
        for (const std::string& extra : size.extras) json.value(extra);
        json.endArray();
        json.endObject();
    }
    json.endArray();
    json.endObject();
    return json.take() + "\n";
}

std::optional<std::filesystem::path> widgetSnapshotPath(const std::filesystem::path& extension) {
    const auto store = tallyfox::WidgetSnapshotStore::make(tallyfox::appGroupIdentifier(pf::Bundle::open(extension)));
    if (!store) return std::nullopt;
    return store->directory / tallyfox::WidgetSnapshotStore::fileName;
}

int check(const Invocation& invocation, std::FILE* out, std::FILE* err) {
    auto fail = [err](const std::string& message) {
        const std::string line = "widgethost: " + printable(message) + "\n";
        std::fwrite(line.data(), 1, line.size(), err);
        return 1;
    };
    std::filesystem::path file;
    if (invocation.snapshotFile) {
        file = *invocation.snapshotFile;
    } else {
        const auto found = widgetSnapshotPath(invocation.extension.value_or(defaultExtensionPath()));
        if (!found) return fail("cannot find the group container that holds the widget's snapshot");
        file = *found;
    }
    // Read as both readers read it: once, at most one byte past the largest size they take.
    auto read = pf::readOnce(file, pf::largestSnapshotSize + 1);
    std::string bytes;
    if (read) {
        bytes = std::string(read->bytes());
    } else if (read.error().kind != pf::FileReadFailure::Kind::endOfFile) {
        const int code = read.error().systemError;
        return fail("cannot read " + file.string() + (code ? ": " + std::string(std::strerror(code)) : ""));
    }
    const SnapshotCheck result = checkSnapshot(bytes, invocation.selection.now);
    const std::string report = invocation.json ? result.json(file.string()) : result.text(file.string());
    std::fwrite(report.data(), 1, report.size(), out);
    return result.acceptedWhole() ? 0 : 1;
}

} // namespace widgethost
