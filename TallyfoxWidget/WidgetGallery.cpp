// widgetgallery: renders whole widgets, as the host shows them, onto PNG sheets to look at: every
// message state, the three sizes with different numbers and kinds of entries, the used amount
// style, light and dark, and the medium and large widgets in German, Hebrew, Japanese and Russian.
// With --json it prints the snapshot of every widget it draws instead, one document per line, in the
// form the application writes, so that the documented format can be checked against them.

#include "TallyfoxWidget/TallyfoxWidgetEntryView.hpp"
#include "TallyfoxWidget/WidgetSamples.hpp"
#include "platform/foundation/ISO8601.hpp"
#include "platform/foundation/Localization.hpp"
#include "platform/ui/Rendering.hpp"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <variant>
#include <vector>

namespace {

namespace ui = platform::ui;
namespace pf = platform::foundation;
using namespace tallyfox;

constexpr double gap = 18;
constexpr double labelHeight = 18;

/// One widget on a sheet: what it shows, in which family, under which caption.
struct Cell {
    std::string caption;
    TallyfoxWidgetEntry entry;
    ui::WidgetFamily family;
};

WidgetSnapshot withState(WidgetSnapshot::State state, pf::Date now) {
    WidgetSnapshot::Contents contents;
    contents.generatedAt = now.addingTimeInterval(-30);
    contents.state = std::move(state);
    return WidgetSnapshot(std::move(contents));
}

/// Lays the cells out in rows of `perRow`, each cell drawn once per appearance side by side.
pf::Result<pf::Success, std::string> writeSheet(const std::vector<Cell>& cells, std::size_t perRow,
                                                const std::filesystem::path& file, pf::Date now) {
    const ui::ColorScheme schemes[] = {ui::ColorScheme::light, ui::ColorScheme::dark};
    std::vector<ui::SheetCell> placed;
    double y = gap, sheetWidth = 0;
    for (const auto scheme : schemes) {
        for (std::size_t first = 0; first < cells.size(); first += perRow) {
            double x = gap, rowHeight = 0;
            for (std::size_t i = first; i < std::min(cells.size(), first + perRow); ++i) {
                const Cell& cell = cells[i];
                // Each language's numbers and string tables follow its preference, as in the extension.
                const auto language = languageOverride(cell.entry.snapshot);
                setenv("LANGUAGE", language ? std::string(*language).c_str() : "en", 1);
                ui::Environment environment;
                environment.date = cell.entry.date;
                environment.colorScheme = scheme;
                environment.widgetFamily = cell.family;
                environment.locale = pf::Locale("en");
                auto widget = ui::layoutWidget(tallyfoxWidgetContent(cell.entry, cell.family), environment);
                ui::Environment captionEnvironment;
                auto caption =
                    ui::layout(ui::Text::verbatim(cell.caption + (scheme == ui::ColorScheme::dark ? ", dark" : ""))
                                   .font(ui::Font(ui::TextStyle::caption).semibold())
                                   .lineLimit(1),
                               captionEnvironment, {widget.size().width, std::nullopt});
                placed.push_back({caption, {x, y}});
                placed.push_back({widget, {x, y + labelHeight}});
                x += widget.size().width + gap;
                rowHeight = std::max(rowHeight, labelHeight + widget.size().height);
            }
            sheetWidth = std::max(sheetWidth, x);
            y += rowHeight + gap;
        }
    }
    (void)now;
    return ui::writeSheet(placed, {sheetWidth, y}, ui::Color::rgb255(180, 180, 186), file);
}

// MARK: The canonical JSON form of a snapshot: absent values left out, "windows" always written.

void appendString(std::string& out, std::string_view text) {
    out += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    out += '"';
}

void appendNumber(std::string& out, double value) {
    char buffer[32];
    out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

/// Writes `"key":` after a comma when the object already has a member.
void appendKey(std::string& out, std::string_view key) {
    if (out.back() != '{') out += ',';
    appendString(out, key);
    out += ':';
}

/// A member whose value is already JSON text.
void appendMember(std::string& out, std::string_view key, const std::string& json) {
    appendKey(out, key);
    out += json;
}

void appendDate(std::string& out, std::string_view key, const std::optional<pf::Date>& date) {
    if (!date) return;
    appendKey(out, key);
    out += '"';
    pf::ISO8601::append(out, *date);
    out += '"';
}

void appendOptionalString(std::string& out, std::string_view key, const std::optional<std::string>& text) {
    if (!text) return;
    appendKey(out, key);
    appendString(out, *text);
}

void appendEntry(std::string& out, const WidgetProviderSnapshot& entry) {
    out += '{';
    appendKey(out, "provider");
    appendString(out, rawValue(entry.provider));
    appendOptionalString(out, "selectionID", entry.selectionID);
    appendOptionalString(out, "accountName", entry.accountName);
    appendOptionalString(out, "planName", entry.planName);
    appendOptionalString(out, "modelName", entry.modelName);
    appendKey(out, "windows");
    out += '[';
    for (const UsageWindow& window : entry.windows) {
        if (out.back() != '[') out += ',';
        out += '{';
        appendKey(out, "kind");
        const auto kind = window.kind.encoded();
        if (const auto* minutes = std::get_if<std::int64_t>(&kind))
            out += std::to_string(*minutes);
        else
            appendString(out, std::get<std::string>(kind));
        appendOptionalString(out, "scope", window.scope);
        if (window.usage) {
            appendKey(out, "usage");
            appendNumber(out, window.usage->value);
        }
        appendDate(out, "resetsAt", window.resetsAt);
        out += '}';
    }
    out += ']';
    if (entry.tokensToday) appendMember(out, "tokensToday", std::to_string(*entry.tokensToday));
    if (entry.requestsToday) appendMember(out, "requestsToday", std::to_string(*entry.requestsToday));
    // Amounts are written exactly, as their decimal digits.
    if (entry.creditsToday) appendMember(out, "creditsToday", entry.creditsToday->description());
    if (entry.quotaUnavailableReason) {
        appendKey(out, "quotaUnavailableReason");
        appendString(out, rawValue(*entry.quotaUnavailableReason));
    }
    if (entry.recentDays) {
        appendKey(out, "recentDays");
        out += '[';
        for (std::size_t i = 0; i < entry.recentDays->size(); ++i) {
            if (i > 0) out += ',';
            appendNumber(out, (*entry.recentDays)[i]);
        }
        out += ']';
    }
    appendDate(out, "updatedAt", entry.updatedAt);
    if (entry.totals) {
        appendKey(out, "totals");
        out += '[';
        for (const UsageTotal& total : *entry.totals) {
            if (out.back() != '[') out += ',';
            out += "{\"kind\":";
            appendString(out, rawValue(total.kind));
            out += ",\"value\":" + total.value.description() + '}';
        }
        out += ']';
    }
    out += '}';
}

std::string canonicalJSON(const WidgetSnapshot& snapshot) {
    const WidgetSnapshot::Contents contents = snapshot.contents();
    std::string out = "{";
    appendKey(out, "schemaVersion");
    out += std::to_string(contents.schemaVersion);
    appendDate(out, "generatedAt", contents.generatedAt);
    appendKey(out, "state");
    switch (contents.state.kind) {
    case WidgetSnapshot::State::Kind::providers:
        out += "{\"providers\":{\"_0\":[";
        for (std::size_t i = 0; i < contents.state.entries.size(); ++i) {
            if (i > 0) out += ',';
            appendEntry(out, contents.state.entries[i]);
        }
        out += "]}}";
        break;
    case WidgetSnapshot::State::Kind::noProvidersEnabled:
        out += "{\"noProvidersEnabled\":{}}";
        break;
    case WidgetSnapshot::State::Kind::noProvidersDetected:
        out += "{\"noProvidersDetected\":{}}";
        break;
    }
    if (contents.usageAmountStyle) {
        appendKey(out, "usageAmountStyle");
        appendString(out, rawValue(*contents.usageAmountStyle));
    }
    appendOptionalString(out, "language", contents.language);
    if (contents.followedSelectionIDs) {
        appendKey(out, "followedSelectionIDs");
        out += '[';
        for (const std::string& id : *contents.followedSelectionIDs) {
            if (out.back() != '[') out += ',';
            appendString(out, id);
        }
        out += ']';
    }
    return out + '}';
}

} // namespace

/// `--dump small|medium|large COUNT [LANGUAGE]`: the laid-out tree and accessibility text of the
/// realistic snapshot's first COUNT entries (1, 2 or all), for looking into a layout.
int dump(int argc, char** argv, pf::Date now) {
    const std::string familyName = argc > 2 ? argv[2] : "medium";
    const auto family = familyName == "small" ? ui::WidgetFamily::systemSmall
                        : familyName == "large" ? ui::WidgetFamily::systemLarge
                                                : ui::WidgetFamily::systemMedium;
    const int count = argc > 3 ? std::atoi(argv[3]) : 5;
    auto snapshot = samples::realistic(now, argc > 4 ? std::optional<std::string>(argv[4]) : std::nullopt);
    if (count == 1) snapshot = snapshot.selectingPositions({1});
    if (count == 2) snapshot = snapshot.selectingPositions({0, 1});
    if (argc > 4) setenv("LANGUAGE", argv[4], 1);
    ui::Environment environment;
    environment.date = now;
    environment.widgetFamily = family;
    const auto laidOut = ui::layoutWidget(tallyfoxWidgetContent({now, snapshot}, family), environment);
    std::printf("%s\n%s", laidOut.layoutDump().c_str(), laidOut.accessibilityDump().c_str());
    return 0;
}

int main(int argc, char** argv) {
    const std::filesystem::path folder =
        argc > 1 && std::string(argv[1]) != "--dump" && std::string(argv[1]) != "--json"
            ? argv[1]
            : TALLYFOX_GALLERY_DIR;
    setenv("TZ", "UTC", 1); // the sheets show the same clock times everywhere
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    pf::setMainBundleInfo({"", TALLYFOX_APPEX_RESOURCES_DIR, "en", "TallyfoxWidget"});
    ui::setDefaultAssetDirectory(TALLYFOX_APPEX_RESOURCES_DIR);
    const pf::Date now{1796644800}; // Monday 2026-12-07 12:00 UTC
    if (argc > 1 && std::string(argv[1]) == "--dump") return dump(argc, argv, now);
    namespace s = samples;
    using F = ui::WidgetFamily;

    auto entry = [&](WidgetSnapshot snapshot) { return TallyfoxWidgetEntry{now, std::move(snapshot)}; };
    const auto stale = [&] {
        auto codex = s::codex(now, 58, 23);
        codex.updatedAt = now.addingTimeInterval(-3 * 3600);
        return codex;
    }();
    const auto allUsed = [&] {
        auto claude = s::claudeWork(now);
        for (auto& w : claude.windows) w.usage.reset();
        claude.windows.resize(1);
        claude.windows[0].resetsAt = now.addingTimeInterval(-60);
        return claude;
    }();

    std::vector<std::pair<std::string, std::vector<Cell>>> sheets;
    std::vector<Cell> messages;
    for (const F family : {F::systemSmall, F::systemMedium}) {
        messages.push_back({"no snapshot", {now, std::nullopt}, family});
        messages.push_back(
            {"none enabled", entry(withState(WidgetSnapshot::State::noProvidersEnabled(), now)), family});
        messages.push_back(
            {"none detected", entry(withState(WidgetSnapshot::State::noProvidersDetected(), now)), family});
        messages.push_back({"selection gone", entry(withState(WidgetSnapshot::State::providers({}), now)), family});
    }
    messages.push_back({"no snapshot, large", {now, std::nullopt}, F::systemLarge});
    sheets.emplace_back("messages", std::move(messages));

    sheets.emplace_back(
        "small", std::vector<Cell>{
                     {"1 entry", entry(s::snapshot({s::claudeWork(now)}, now)), F::systemSmall},
                     {"1, no windows", entry(s::snapshot({s::geminiActivity(now)}, now)), F::systemSmall},
                     {"1, totals only", entry(s::snapshot({s::elevenLabsTotals(now)}, now)), F::systemSmall},
                     {"1, stale", entry(s::snapshot({stale}, now)), F::systemSmall},
                     {"1, no usage", entry(s::snapshot({allUsed}, now)), F::systemSmall},
                     {"1, nothing", entry(s::snapshot({s::deepSeekBare(now)}, now)), F::systemSmall},
                     {"2 entries", entry(s::snapshot({s::codex(now), s::cursor(now)}, now)), F::systemSmall},
                     {"5 entries", entry(s::realistic(now)), F::systemSmall},
                     {"5, used style",
                      entry(s::snapshot({s::codex(now), s::claudeWork(now), s::cursor(now), s::geminiActivity(now),
                                         s::elevenLabsTotals(now)},
                                        now, std::nullopt, UsageAmountStyle::used)),
                      F::systemSmall},
                     {"3, stale, no data",
                      entry(s::snapshot({stale, s::deepSeekBare(now), s::elevenLabsTotals(now)}, now)), F::systemSmall},
                 });

    sheets.emplace_back(
        "medium",
        std::vector<Cell>{
            {"1 entry", entry(s::snapshot({s::claudeWork(now)}, now)), F::systemMedium},
            {"1, no windows", entry(s::snapshot({s::geminiActivity(now)}, now)), F::systemMedium},
            {"2 entries", entry(s::snapshot({s::codex(now), s::cursor(now)}, now)), F::systemMedium},
            {"2, totals and nothing", entry(s::snapshot({s::elevenLabsTotals(now), s::deepSeekBare(now)}, now)),
             F::systemMedium},
            {"4 entries",
             entry(s::snapshot({s::codex(now), s::claudeWork(now), s::cursor(now), s::geminiActivity(now)}, now)),
             F::systemMedium},
            {"4, stale, used style",
             entry(s::snapshot({stale, s::claudeWork(now), s::elevenLabsTotals(now), s::deepSeekBare(now)}, now,
                               std::nullopt, UsageAmountStyle::used)),
             F::systemMedium},
        });

    sheets.emplace_back(
        "large",
        std::vector<Cell>{
            {"4 entries",
             entry(s::snapshot({s::codex(now), s::claudeWork(now), s::cursor(now), s::geminiActivity(now)}, now)),
             F::systemLarge},
            {"4, stale, used style, no data",
             entry(s::snapshot({stale, s::claudeWork(now), s::elevenLabsTotals(now), s::deepSeekBare(now)}, now,
                               std::nullopt, UsageAmountStyle::used)),
             F::systemLarge},
        });

    std::vector<Cell> languages;
    for (const char* language : {"de", "he", "ja", "ru"}) {
        auto snapshot =
            s::snapshot({stale, s::claudeWork(now), s::cursor(now), s::elevenLabsTotals(now)}, now, language);
        languages.push_back({std::string(language) + ", medium", entry(snapshot), F::systemMedium});
        languages.push_back({std::string(language) + ", large", entry(snapshot), F::systemLarge});
    }
    sheets.emplace_back("languages", std::move(languages));

    if (argc > 1 && std::string(argv[1]) == "--json") {
        std::set<std::string> printed; // a snapshot drawn in several sizes is printed once
        for (const auto& sheet : sheets) {
            for (const Cell& cell : sheet.second) {
                if (!cell.entry.snapshot) continue;
                if (auto line = canonicalJSON(*cell.entry.snapshot); printed.insert(line).second)
                    std::printf("%s\n", line.c_str());
            }
        }
        return 0;
    }

    std::filesystem::create_directories(folder);
    for (const auto& [name, cells] : sheets) {
        const std::size_t perRow = name == "large" || name == "languages" ? 2 : (name == "small" ? 4 : 2);
        const auto file = folder / ("widgetgallery-" + name + ".png");
        if (auto written = writeSheet(cells, perRow, file, now); !written) {
            std::fprintf(stderr, "widgetgallery: %s\n", written.error().c_str());
            return 1;
        }
        std::printf("%s\n", file.c_str());
    }
    return 0;
}
