#include "TallyfoxWidget/ProviderLogo.hpp"
#include "TallyfoxWidget/TallyfoxSymbolShape.hpp"
#include "TallyfoxWidget/UsageProgressView.hpp"
#include "TallyfoxWidget/WidgetActivityChart.hpp"
#include "TallyfoxWidget/WidgetEnvironment.hpp"
#include "platform/ui/Rendering.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>

namespace tallyfox {
namespace {

namespace ui = platform::ui;

ui::Environment environment(UsageAmountStyle style = UsageAmountStyle::remaining,
                            ui::ColorSchemeContrast contrast = ui::ColorSchemeContrast::standard) {
    ui::Environment e;
    e.colorSchemeContrast = contrast;
    e.setValue<UsageAmountStyleKey>(style);
    e.assetDirectory = TALLYFOX_APPEX_RESOURCES_DIR;
    return e;
}

/// The bar laid out 100 points wide, as a dump.
std::string bar(std::optional<double> usage, UsageAmountStyle style,
                ui::ColorSchemeContrast contrast = ui::ColorSchemeContrast::standard) {
    std::optional<UsagePercentage> value;
    if (usage) value = UsagePercentage{*usage};
    return ui::layout(UsageProgressView{value, 4}, environment(style, contrast), {100.0, std::nullopt}).layoutDump();
}

/// The fill line of a bar's dump ("" without a fill): its frame and colour.
std::string fill(std::optional<double> usage, UsageAmountStyle style) {
    const std::string dump = bar(usage, style);
    const auto at = dump.find("frame(width", dump.find("ZStack"));
    if (at == std::string::npos) return "";
    const auto capsule = dump.find("Capsule", at);
    return dump.substr(capsule, dump.find('\n', capsule) - capsule);
}

TEST(UsageProgressView, trackAloneWithoutUsageAndFillsAtTheThresholds) {
    EXPECT_EQ(bar(std::nullopt, UsageAmountStyle::used),
              "animation spring(response 0.35, damping 1, blend 0) on nil\n"
              "  frame(width nil, height 4) (0, 0, 100 × 4)\n"
              "    GeometryReader (0, 0, 100 × 4)\n"
              "      ZStack (0, 0, 100 × 4)\n"
              "        Capsule (0, 0, 100 × 4) fill rgba(0,0,0,0.08)|rgba(255,255,255,0.13)\n");
    const auto used = UsageAmountStyle::used, remaining = UsageAmountStyle::remaining;
    EXPECT_EQ(fill(0.4, used), "");                                           // shows 0 % used
    EXPECT_EQ(fill(0.6, used), "Capsule (0, 0, 4 × 4) fill accent");           // 1 %: a dot as wide as high
    EXPECT_EQ(fill(58, used), "Capsule (0, 0, 58 × 4) fill accent");
    EXPECT_EQ(fill(58, remaining), "Capsule (0, 0, 42 × 4) fill accent");
    EXPECT_EQ(fill(84.49, used), "Capsule (0, 0, 84.49 × 4) fill accent");
    EXPECT_EQ(fill(84.5, used), "Capsule (0, 0, 84.5 × 4) fill orange");
    EXPECT_EQ(fill(94.49, remaining), "Capsule (0, 0, 5.51 × 4) fill orange");
    EXPECT_EQ(fill(94.5, used), "Capsule (0, 0, 94.5 × 4) fill red");
    EXPECT_EQ(fill(99.6, remaining), "Capsule (0, 0, 4 × 4) fill red");      // 1 % left: never thinner than high
    EXPECT_EQ(fill(100, remaining), "");                                      // nothing left
    EXPECT_EQ(fill(100, used), "Capsule (0, 0, 100 × 4) fill red");
}

TEST(UsageProgressView, increasedContrastDarkensTheTrackAndOutlinesTheBar) {
    const std::string dump = bar(50, UsageAmountStyle::used, ui::ColorSchemeContrast::increased);
    EXPECT_NE(dump.find("Capsule (0, 0, 100 × 4) fill rgba(0,0,0,0.22)|rgba(255,255,255,0.32)"), std::string::npos);
    EXPECT_NE(dump.find("Capsule (0, 0, 100 × 4) strokeBorder secondary 0.5"), std::string::npos);
    EXPECT_EQ(bar(50, UsageAmountStyle::used).find("strokeBorder"), std::string::npos);
    // Hidden from assistive technology; right to left, the fill starts at the right.
    auto rtl = environment(UsageAmountStyle::used);
    rtl.layoutDirection = ui::LayoutDirection::rightToLeft;
    const auto laidOut = ui::layout(UsageProgressView{UsagePercentage{30}, 4}, rtl, {100.0, std::nullopt});
    EXPECT_EQ(laidOut.accessibilityDump(), "");
    EXPECT_NE(laidOut.layoutDump().find("Capsule (70, 0, 30 × 4) fill accent"), std::string::npos);
    // The shared track colours are made once.
    EXPECT_EQ(&standardTrackColor(), &standardTrackColor());
}

TEST(WidgetActivityChart, barHeightsAndColours) {
    EXPECT_EQ(activityBarHeight(0, 12), 1);
    EXPECT_EQ(activityBarHeight(-1, 12), 1);
    EXPECT_EQ(activityBarHeight(0.001, 12), 2.5);
    EXPECT_EQ(activityBarHeight(0.5, 12), 6);
    EXPECT_EQ(activityBarHeight(1.5, 12), 12); // never taller than the chart, whatever the app writes
    EXPECT_EQ(activityBarHeight(std::numeric_limits<double>::quiet_NaN(), 12), 1);

    const auto laidOut = ui::layout(WidgetActivityChart{{0, 0.5, 1}, 12}, environment(), {31.0, std::nullopt});
    EXPECT_EQ(laidOut.layoutDump(),
              "frame(maxWidth inf, minHeight 12, maxHeight 12) (0, 0, 31 × 12)\n"
              "  HStack (0, 0, 31 × 12) spacing 1.5\n"
              "    frame(width nil, height 1) (0, 11, 9.33 × 1)\n"
              "      RoundedRectangle (0, 11, 9.33 × 1) fill rgba(0,0,0,0.08)|rgba(255,255,255,0.13)\n"
              "    frame(width nil, height 6) (10.83, 6, 9.33 × 6)\n"
              "      RoundedRectangle (10.83, 6, 9.33 × 6) fill accent opacity 0.45\n"
              "    frame(width nil, height 12) (21.67, 0, 9.33 × 12)\n"
              "      RoundedRectangle (21.67, 0, 9.33 × 12) fill accent\n");
    EXPECT_EQ(laidOut.accessibilityDump(), "\"Activity, last 14 days\"\n");
    // Any number of days draws that many bars; none draws nothing but keeps the chart's height.
    const auto many = ui::layout(WidgetActivityChart{std::vector<double>(20, 0.2), 12}, environment(), {100.0, 50.0});
    std::string dump = many.layoutDump();
    std::size_t count = 0;
    for (auto at = dump.find("RoundedRectangle"); at != std::string::npos; at = dump.find("RoundedRectangle", at + 1))
        ++count;
    EXPECT_EQ(count, 20u);
    EXPECT_EQ(many.accessibilityDump(), "\"Activity, last 14 days\"\n");
    EXPECT_EQ(ui::layout(WidgetActivityChart{{}, 22}, environment(), {100.0, 50.0}).size(), (ui::Size{100, 22}));
    // Right to left, the most recent day stands at the left end.
    auto rtl = environment();
    rtl.layoutDirection = ui::LayoutDirection::rightToLeft;
    EXPECT_NE(ui::layout(WidgetActivityChart{{0, 0.5, 1}, 12}, rtl, {31.0, std::nullopt})
                  .layoutDump()
                  .find("RoundedRectangle (0, 0, 9.33 × 12) fill accent\n"),
              std::string::npos);
}

TEST(TallyfoxSymbolShape, reproducesTheDesignAndCentresInASquare) {
    const TallyfoxSymbolShape mark;
    const auto design = mark.path({{0, 0}, {96.36, 98.41}}).rects();
    ASSERT_EQ(design.size(), 8u);
    EXPECT_EQ(design[0], (ui::Rect{{0, 0.13}, {18.83, 98.28}}));
    EXPECT_EQ(design[4], (ui::Rect{{61.23, 49.27}, {4.8, 49.14}}));
    EXPECT_EQ(design[7], (ui::Rect{{93.96, 0.02}, {2.4, 98.28}}));

    const auto square = mark.path({{10, 10}, {100, 100}});
    const ui::Rect bounds = square.boundingRect();
    EXPECT_NEAR(bounds.minX() - 10, 110 - bounds.maxX(), 1e-9); // equal margins left and right
    EXPECT_NEAR(bounds.height(), 100, 1e-9);                     // the height fits exactly
    EXPECT_NEAR(TallyfoxSymbolShape::aspectRatio, 0.9791687836601972, 1e-15);
}

TEST(ProviderLogo, assetWhenShippedElseTheSymbol) {
    auto logo = [](ProviderID id, ui::Environment e) {
        return ui::layout(ProviderLogo{id}, e, {12.0, 12.0}).layoutDump();
    };
    EXPECT_EQ(logo(ProviderID::claudeCode, environment()),
              "aspectRatio(ideal, fit) (0, 0, 12 × 12)\n"
              "  Image \"ClaudeLogo\" (0, 0, 12 × 12)\n"
              "overlay (0, 0, 12 × 12)\n"
              "  LogoTile (0, 0, 12 × 12) strokeBorder rgba(0,0,0,0.12)|rgba(255,255,255,0.4) 0.75\n");
    // Z.ai names no asset: its symbol, semibold, secondary.
    EXPECT_EQ(logo(ProviderID::zai, environment()), "aspectRatio(ideal, fit) (0, 0, 12 × 12)\n"
                                                    "  Symbol \"z.square\" (0, 0, 12 × 12) drawn semibold secondary\n");
    // An asset that is missing from the resources falls back to the symbol too.
    auto elsewhere = environment();
    elsewhere.assetDirectory = "/nonexistent";
    EXPECT_NE(logo(ProviderID::codex, elsewhere).find("Symbol \"terminal\""), std::string::npos);
    // Every shipped logo exists under its asset name.
    for (const auto& d : catalog()) {
        if (!d.logoAssetName) continue;
        EXPECT_TRUE(ui::imageAssetExists(*d.logoAssetName, environment())) << *d.logoAssetName;
    }
}

/// The fill of a logo's tile: the first colour its SVG paints with ("fill:rgb(80%,47%,36%)").
ui::Color tileColor(const std::string& assetName) {
    std::ifstream file(std::string(TALLYFOX_APPEX_RESOURCES_DIR) + "/" + assetName + ".svg");
    const std::string svg((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const auto at = svg.find("fill:rgb(");
    if (at == std::string::npos) {
        ADD_FAILURE() << assetName << " paints no colour";
        return {};
    }
    double channels[3] = {};
    std::size_t position = at + 9;
    for (double& channel : channels) {
        std::size_t used = 0;
        channel = std::stod(svg.substr(position), &used) / 100;
        position += used + 2; // "%," or "%)"
    }
    return {channels[0], channels[1], channels[2], 1};
}

/// `top` painted over the opaque `bottom`.
ui::Color over(ui::Color top, ui::Color bottom) {
    auto mix = [&](double t, double b) { return t * top.alpha + b * (1 - top.alpha); };
    return {mix(top.red, bottom.red), mix(top.green, bottom.green), mix(top.blue, bottom.blue), 1};
}

/// The contrast ratio of two opaque colours (relative luminance, as for text and interface parts).
double contrast(ui::Color a, ui::Color b) {
    auto luminance = [](ui::Color c) {
        auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * linear(c.red) + 0.7152 * linear(c.green) + 0.0722 * linear(c.blue);
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST(ProviderLogo, everyTileHasAnEdgeThatStandsOutFromTheWidgetInBothAppearances) {
    for (const auto scheme : {ui::ColorScheme::light, ui::ColorScheme::dark}) {
        auto e = environment();
        e.colorScheme = scheme;
        const ui::Color background = ui::ShapeStyle::system(ui::SystemColor::widgetBackground).resolve(e);
        const ui::Color edge = ProviderLogo::edgeStyle().resolve(e);
        for (const auto& d : catalog()) {
            if (!d.logoAssetName) continue;
            SCOPED_TRACE(*d.logoAssetName);
            // The edge is drawn over the tile's outline, all round it.
            const std::string dump = ui::layout(ProviderLogo{d.id}, e, {20.0, 20.0}).layoutDump();
            EXPECT_NE(dump.find("overlay (0, 0, 20 × 20)\n  LogoTile (0, 0, 20 × 20) strokeBorder"), std::string::npos)
                << dump;
            // Dark tiles (Cursor's is the dark background's own colour) keep their square: the edge
            // over the tile stands out at the contrast asked of interface parts.
            EXPECT_GE(contrast(over(edge, tileColor(*d.logoAssetName)), background), 3.0);
        }
    }
    EXPECT_LE(ProviderLogo::edgeWidth, 1.0); // a hairline, not a frame
}

} // namespace
} // namespace tallyfox
