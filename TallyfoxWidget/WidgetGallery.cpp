// widgetgallery: renders whole widgets, as the host shows them, onto PNG sheets to look at: every
// message state, the three sizes with different numbers and kinds of entries, the used amount
// style, light and dark, and the medium and large widgets in German, Hebrew, Japanese and Russian.

#include "TallyfoxWidget/TallyfoxWidgetEntryView.hpp"
#include "TallyfoxWidget/WidgetSamples.hpp"
#include "platform/foundation/Localization.hpp"
#include "platform/ui/Rendering.hpp"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
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
                auto caption = ui::layout(ui::Text::verbatim(cell.caption + (scheme == ui::ColorScheme::dark ? ", dark" : ""))
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
    const std::filesystem::path folder = argc > 1 && std::string(argv[1]) != "--dump" ? argv[1] : TALLYFOX_GALLERY_DIR;
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
        messages.push_back({"none enabled", entry(withState(WidgetSnapshot::State::noProvidersEnabled(), now)), family});
        messages.push_back({"none detected", entry(withState(WidgetSnapshot::State::noProvidersDetected(), now)), family});
        messages.push_back({"selection gone", entry(withState(WidgetSnapshot::State::providers({}), now)), family});
    }
    messages.push_back({"no snapshot, large", {now, std::nullopt}, F::systemLarge});
    sheets.emplace_back("messages", std::move(messages));

    sheets.emplace_back(
        "small",
        std::vector<Cell>{
            {"1 entry", entry(s::snapshot({s::claudeWork(now)}, now)), F::systemSmall},
            {"1, no windows", entry(s::snapshot({s::geminiActivity(now)}, now)), F::systemSmall},
            {"1, totals only", entry(s::snapshot({s::elevenLabsTotals(now)}, now)), F::systemSmall},
            {"1, stale", entry(s::snapshot({stale}, now)), F::systemSmall},
            {"1, no usage", entry(s::snapshot({allUsed}, now)), F::systemSmall},
            {"1, nothing", entry(s::snapshot({s::deepSeekBare(now)}, now)), F::systemSmall},
            {"2 entries", entry(s::snapshot({s::codex(now), s::cursor(now)}, now)), F::systemSmall},
            {"5 entries", entry(s::realistic(now)), F::systemSmall},
            {"5, used style", entry(s::snapshot({s::codex(now), s::claudeWork(now), s::cursor(now), s::geminiActivity(now),
                                                 s::elevenLabsTotals(now)},
                                                now, std::nullopt, UsageAmountStyle::used)),
             F::systemSmall},
            {"3, stale, no data", entry(s::snapshot({stale, s::deepSeekBare(now), s::elevenLabsTotals(now)}, now)),
             F::systemSmall},
        });

    sheets.emplace_back(
        "medium",
        std::vector<Cell>{
            {"1 entry", entry(s::snapshot({s::claudeWork(now)}, now)), F::systemMedium},
            {"1, no windows", entry(s::snapshot({s::geminiActivity(now)}, now)), F::systemMedium},
            {"2 entries", entry(s::snapshot({s::codex(now), s::cursor(now)}, now)), F::systemMedium},
            {"2, totals and nothing", entry(s::snapshot({s::elevenLabsTotals(now), s::deepSeekBare(now)}, now)),
             F::systemMedium},
            {"4 entries", entry(s::snapshot({s::codex(now), s::claudeWork(now), s::cursor(now), s::geminiActivity(now)}, now)),
             F::systemMedium},
            {"4, stale, used style",
             entry(s::snapshot({stale, s::claudeWork(now), s::elevenLabsTotals(now), s::deepSeekBare(now)}, now,
                               std::nullopt, UsageAmountStyle::used)),
             F::systemMedium},
        });

    sheets.emplace_back(
        "large",
        std::vector<Cell>{
            {"4 entries", entry(s::snapshot({s::codex(now), s::claudeWork(now), s::cursor(now), s::geminiActivity(now)}, now)),
             F::systemLarge},
            {"4, stale, used style, no data",
             entry(s::snapshot({stale, s::claudeWork(now), s::elevenLabsTotals(now), s::deepSeekBare(now)}, now,
                               std::nullopt, UsageAmountStyle::used)),
             F::systemLarge},
        });

    std::vector<Cell> languages;
    for (const char* language : {"de", "he", "ja", "ru"}) {
        auto snapshot = s::snapshot({stale, s::claudeWork(now), s::cursor(now), s::elevenLabsTotals(now)}, now, language);
        languages.push_back({std::string(language) + ", medium", entry(snapshot), F::systemMedium});
        languages.push_back({std::string(language) + ", large", entry(snapshot), F::systemLarge});
    }
    sheets.emplace_back("languages", std::move(languages));

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
