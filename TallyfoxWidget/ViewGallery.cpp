// viewgallery: renders every graphic and time view of the widget, in light and dark, at standard
// and increased contrast, in English, Hebrew and Japanese, into one PNG sheet to look at.

#include "TallyfoxWidget/ProviderLogo.hpp"
#include "TallyfoxWidget/TallyfoxSymbolShape.hpp"
#include "TallyfoxWidget/UsageProgressView.hpp"
#include "TallyfoxWidget/WidgetActivityChart.hpp"
#include "TallyfoxWidget/WidgetEnvironment.hpp"
#include "TallyfoxWidget/WidgetTimeViews.hpp"
#include "platform/foundation/Localization.hpp"
#include "platform/ui/Rendering.hpp"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

namespace ui = platform::ui;
namespace pf = platform::foundation;
using namespace tallyfox;

constexpr double columnWidth = 330;
constexpr double gap = 14;

struct Appearance {
    const char* name;
    ui::ColorScheme scheme;
    ui::ColorSchemeContrast contrast;
};
constexpr Appearance appearances[] = {
    {"light", ui::ColorScheme::light, ui::ColorSchemeContrast::standard},
    {"light, increased contrast", ui::ColorScheme::light, ui::ColorSchemeContrast::increased},
    {"dark", ui::ColorScheme::dark, ui::ColorSchemeContrast::standard},
    {"dark, increased contrast", ui::ColorScheme::dark, ui::ColorSchemeContrast::increased},
};

ui::View caption(std::string text) {
    return ui::Text::verbatim(std::move(text))
        .font(ui::Font(ui::TextStyle::caption2))
        .foregroundStyle(ui::ShapeStyle::secondary());
}

ui::View card(ui::View content) {
    return content.padding(12)
        .frame(
            ui::FrameBounds{.minWidth = columnWidth, .maxWidth = columnWidth, .alignment = ui::Alignment::topLeading})
        .background(ui::RoundedRectangle(16, ui::RoundedCornerStyle::continuous)
                        .fill(ui::ShapeStyle::system(ui::SystemColor::widgetBackground)));
}

ui::View bars(UsageAmountStyle style) {
    std::vector<ui::View> rows{
        ui::Text::verbatim(style == UsageAmountStyle::used ? "Usage bar, used" : "Usage bar, remaining")
            .font(ui::Font(ui::TextStyle::caption).semibold())};
    for (std::optional<double> usage :
         {std::optional<double>{}, std::optional(0.4), std::optional(0.6), std::optional(42.0), std::optional(84.49),
          std::optional(84.5), std::optional(94.5), std::optional(99.6), std::optional(100.0)}) {
        std::optional<UsagePercentage> value;
        if (usage) value = UsagePercentage{*usage};
        rows.push_back(
            ui::HStack(ui::VerticalAlignment::center, 8,
                       {caption(usage ? std::to_string(*usage).substr(0, std::to_string(*usage).find('.') + 3) : "none")
                            .frame(44, std::nullopt, ui::Alignment::leading),
                        UsageProgressView{value, 4}}));
    }
    return ui::VStack(ui::HorizontalAlignment::leading, 5, std::move(rows)).environment<UsageAmountStyleKey>(style);
}

ui::View charts() {
    std::vector<double> twoWeeks{0, 0.1, 0.35, 0.2, 0, 0.6, 0.8, 0.4, 0.001, 0.3, 0.9, 0.5, 0.2, 0.7};
    return ui::VStack(ui::HorizontalAlignment::leading, 6,
                      {ui::Text::verbatim("Activity charts").font(ui::Font(ui::TextStyle::caption).semibold()),
                       caption("14 days, 22 pt"), WidgetActivityChart{twoWeeks, 22},
                       caption("14 days, 16 pt"), WidgetActivityChart{twoWeeks, 16},
                       caption("all zero, 10 pt"), WidgetActivityChart{std::vector<double>(14, 0), 10},
                       caption("20 days, 12 pt"), WidgetActivityChart{std::vector<double>(20, 0.5), 12},
                       caption("empty list, 12 pt"), WidgetActivityChart{{}, 12}});
}

ui::View logosAndSymbols() {
    std::vector<ui::View> rows{
        ui::Text::verbatim("Provider logos and symbols").font(ui::Font(ui::TextStyle::caption).semibold())};
    std::vector<ui::View> line;
    for (const auto& d : catalog()) {
        line.push_back(ui::VStack(ui::HorizontalAlignment::center, 2,
                                  {ui::View(ProviderLogo{d.id}).frame(20, 20),
                                   ui::Image::system(d.symbolName).foregroundStyle(ui::ShapeStyle::secondary())}));
        if (line.size() == 12) {
            rows.push_back(ui::HStack(ui::VerticalAlignment::top, 5, std::move(line)));
            line.clear();
        }
    }
    if (!line.empty()) rows.push_back(ui::HStack(ui::VerticalAlignment::top, 5, std::move(line)));
    rows.push_back(
        ui::HStack(ui::VerticalAlignment::center, 6,
                   {ui::Image::system("exclamationmark.triangle.fill").foregroundStyle(ui::ShapeStyle::red()),
                    ui::Image::system("exclamationmark.circle.fill").foregroundStyle(ui::ShapeStyle::orange()),
                    ui::Image::system("clock").foregroundStyle(ui::ShapeStyle::secondary())})
            .font(ui::Font(ui::TextStyle::caption2)));
    rows.push_back(ui::HStack(ui::VerticalAlignment::center, 5,
                              {TallyfoxSymbolShape{}.shape().fill(ui::ShapeStyle::secondary())
                                   .aspectRatio(TallyfoxSymbolShape::aspectRatio, ui::ContentMode::fit)
                                   .frame(std::nullopt, 10),
                               ui::Text::verbatim("Tallyfox").font(ui::Font(ui::TextStyle::caption).semibold())
                                   .foregroundStyle(ui::ShapeStyle::secondary()),
                               ui::Spacer(4),
                               TallyfoxSymbolShape{}.shape().fill(ui::ShapeStyle::primary()).frame(40, 40)}));
    return ui::VStack(ui::HorizontalAlignment::leading, 6, std::move(rows));
}

ui::View timeViews(const std::string& language, pf::Date now) {
    auto line = [](std::string label, ui::View view) {
        return ui::HStack(ui::VerticalAlignment::firstTextBaseline, 6,
                          {caption(std::move(label)).frame(70, std::nullopt, ui::Alignment::leading),
                           view.font(ui::Font(ui::TextStyle::caption)), ui::Spacer(0)});
    };
    ui::View content = ui::VStack(
        ui::HorizontalAlignment::leading, 4,
        {ui::Text::verbatim("Time views, " + language).font(ui::Font(ui::TextStyle::caption).semibold()),
         line("countdown", WidgetCountdown{std::nullopt, now}),
         line("8 min",
              ui::View(WidgetCountdown{now.addingTimeInterval(492), now})
                  .font(ui::Font(ui::TextStyle::caption).withWeight(ui::FontWeight::medium).withMonospacedDigit())),
         line("3 h", WidgetCountdown{now.addingTimeInterval(11292), now}),
         line("2 days", WidgetCountdown{now.addingTimeInterval(2 * 86400 + 3600), now}),
         line("reset past", ui::View(WidgetResetLabel{now, now}).foregroundStyle(ui::ShapeStyle::tertiary())),
         line("reset 3 h", ui::View(WidgetResetLabel{now.addingTimeInterval(11292), now})
                               .foregroundStyle(ui::ShapeStyle::tertiary())),
         line("reset 2 days", ui::View(WidgetResetLabel{now.addingTimeInterval(2 * 86400), now})
                                  .foregroundStyle(ui::ShapeStyle::tertiary())),
         line("updated", WidgetUpdatedLabel{now.addingTimeInterval(-720), now, false}),
         line("compact", WidgetUpdatedLabel{now.addingTimeInterval(-3 * 3600), now, true})});
    return content.locale(pf::Locale(language))
        .layoutDirection(language == "he" ? ui::LayoutDirection::rightToLeft : ui::LayoutDirection::leftToRight);
}

} // namespace

int main(int argc, char** argv) {
    const std::string output = argc > 1 ? argv[1] : TALLYFOX_GALLERY_FILE;
    setenv("TZ", "UTC", 1); // the sheet shows the same clock times everywhere
    pf::setMainBundleInfo({"", TALLYFOX_APPEX_RESOURCES_DIR, "en", "TallyfoxWidget"});
    ui::setDefaultAssetDirectory(TALLYFOX_APPEX_RESOURCES_DIR);
    const pf::Date now{1796644800}; // Monday 2026-12-07 12:00 UTC

    std::vector<ui::View> sections{bars(UsageAmountStyle::remaining), bars(UsageAmountStyle::used), charts(),
                                   logosAndSymbols(), timeViews("en", now), timeViews("he", now), timeViews("ja", now)};
    std::vector<ui::SheetCell> cells;
    double sheetHeight = gap;
    ui::Environment titleEnvironment;
    titleEnvironment.date = now;
    for (std::size_t column = 0; column < std::size(appearances); ++column) {
        cells.push_back(
            {ui::layout(ui::Text::verbatim(appearances[column].name).font(ui::Font(ui::TextStyle::headline)),
                        titleEnvironment, {}),
             {gap + static_cast<double>(column) * (columnWidth + gap), gap}});
    }
    double y = gap + 24;
    for (const auto& section : sections) {
        double rowHeight = 0;
        for (std::size_t column = 0; column < std::size(appearances); ++column) {
            ui::Environment e;
            e.date = now;
            e.colorScheme = appearances[column].scheme;
            e.colorSchemeContrast = appearances[column].contrast;
            auto laidOut = ui::layout(card(section), e, {columnWidth, std::nullopt});
            rowHeight = std::max(rowHeight, laidOut.size().height);
            cells.push_back({laidOut, {gap + static_cast<double>(column) * (columnWidth + gap), y}});
        }
        y += rowHeight + gap;
    }
    sheetHeight = y;
    const ui::Size sheet{gap + std::size(appearances) * (columnWidth + gap), sheetHeight};
    auto written = ui::writeSheet(cells, sheet, ui::Color::rgb255(180, 180, 186), output);
    if (!written) {
        std::fprintf(stderr, "viewgallery: %s\n", written.error().c_str());
        return 1;
    }
    std::printf("%s\n", output.c_str());
    return 0;
}
