#include "platform/foundation/Logger.hpp"
#include "platform/ui/Rendering.hpp"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace platform::ui {
namespace {

std::filesystem::path temporaryFile(const std::string& name) {
    return std::filesystem::temp_directory_path() / ("tallyfox-ui-" + std::to_string(::getpid()) + "-" + name);
}

/// Reads back a PNG and returns the pixel (ARGB, premultiplied) at device coordinates.
struct Pixels {
    cairo_surface_t* surface;
    explicit Pixels(const std::filesystem::path& file) : surface(cairo_image_surface_create_from_png(file.c_str())) {}
    ~Pixels() { cairo_surface_destroy(surface); }
    int width() const { return cairo_image_surface_get_width(surface); }
    int height() const { return cairo_image_surface_get_height(surface); }
    std::uint32_t at(int x, int y) const {
        const auto* row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
        return reinterpret_cast<const std::uint32_t*>(row)[x];
    }
};

View bar() {
    // A 100 × 10 view: an accent bar on its left half only.
    return ZStack(Alignment::leading,
                  {Rectangle().fill(ShapeStyle::fixed(Color{0, 0, 0, 0})),
                   Capsule(RoundedCornerStyle::continuous).fill(ShapeStyle::accent()).frame(50, 10)})
        .frame(100, 10);
}

TEST(Rendering, pngHasThePixelSizeOfItsScaleAndDrawsTheBarOnlyWhereItIs) {
    const auto file = temporaryFile("bar.png");
    const auto laidOut = layout(bar(), {}, {});
    ASSERT_TRUE(laidOut.write(file, ImageFormat::png, 2).hasValue());
    Pixels pixels(file);
    EXPECT_EQ(pixels.width(), 200);
    EXPECT_EQ(pixels.height(), 20);
    EXPECT_EQ(pixels.at(50, 10), 0xFF007AFFu); // accent blue, opaque
    EXPECT_EQ(pixels.at(150, 10), 0u);         // transparent beyond the bar
    std::filesystem::remove(file);

    auto bytes = laidOut.png(3);
    ASSERT_TRUE(bytes.hasValue());
    EXPECT_EQ(std::string(bytes->begin() + 1, bytes->begin() + 4), "PNG");
    EXPECT_FALSE(laidOut.png(0).hasValue());
}

TEST(Rendering, svgAndPdfAreWrittenAtPointSize) {
    const auto laidOut = layout(VStack({bar(), Text::verbatim("Codex")}), {}, {});
    for (auto [format, name, magic] : {std::tuple{ImageFormat::svg, "bar.svg", "<?xml"},
                                       std::tuple{ImageFormat::pdf, "bar.pdf", "%PDF-"}}) {
        const auto file = temporaryFile(name);
        ASSERT_TRUE(laidOut.write(file, format).hasValue());
        std::ifstream in(file);
        std::string head(5, '\0');
        in.read(head.data(), 5);
        EXPECT_EQ(head, magic);
        std::filesystem::remove(file);
    }
    const auto failed = laidOut.write("/nonexistent-folder/x.pdf", ImageFormat::pdf);
    ASSERT_FALSE(failed.hasValue());
    EXPECT_NE(failed.error().find("cannot write /nonexistent-folder/x.pdf"), std::string::npos);
}

TEST(Rendering, widgetBackgroundFollowsTheAppearanceAndCornersAreClipped) {
    Environment dark;
    dark.colorScheme = ColorScheme::dark;
    const auto file = temporaryFile("widget.png");
    ASSERT_TRUE(layoutWidget(EmptyView(), dark).write(file, ImageFormat::png, 1).hasValue());
    Pixels pixels(file);
    EXPECT_EQ(pixels.width(), 170);
    EXPECT_EQ(pixels.at(85, 85), 0xFF1E1E1Eu); // 30,30,30
    EXPECT_EQ(pixels.at(0, 0), 0u);            // outside the rounded corner
    std::filesystem::remove(file);
}

TEST(Colors, resolveAgainstAppearanceAndContrast) {
    Environment e;
    EXPECT_EQ(ShapeStyle::secondary().resolve(e), (Color{0, 0, 0, 0.498}));
    e.colorSchemeContrast = ColorSchemeContrast::increased;
    EXPECT_EQ(ShapeStyle::secondary().resolve(e), (Color{0, 0, 0, 0.65}));
    EXPECT_EQ(ShapeStyle::primary().resolve(e), (Color{0, 0, 0, 0.847}));
    e.colorScheme = ColorScheme::dark;
    EXPECT_EQ(ShapeStyle::tertiary().resolve(e), (Color{1, 1, 1, 0.45}));
    EXPECT_EQ(ShapeStyle::red().resolve(e), Color::rgb255(255, 69, 58));
    const auto track = ShapeStyle::dynamic({Color{0, 0, 0, 0.08}, Color{1, 1, 1, 0.13}});
    EXPECT_EQ(track.resolve(e), (Color{1, 1, 1, 0.13}));
    EXPECT_EQ(ShapeStyle::accent().opacity(0.45).resolve(e).alpha, 0.45);
}

TEST(Accessibility, elementsCombineIgnoreAndHide) {
    const View row = HStack({Text::verbatim("Codex"), Text::verbatim("58%"), Image::system("clock")});
    auto tree = [](const View& v) { return layout(v, {}, {}).accessibilityDump(); };
    EXPECT_EQ(tree(row), "\"Codex\"\n\"58%\"\n\"clock\"\n");
    EXPECT_EQ(tree(row.accessibilityElement(AccessibilityChildBehavior::combine)), "\"Codex, 58%, clock\"\n");
    EXPECT_EQ(tree(row.accessibilityElement(AccessibilityChildBehavior::ignore)
                       .accessibilityLabel(Text::verbatim("Codex"))
                       .accessibilityValue(Text::verbatim("58% left"))),
              "\"Codex\", value \"58% left\"\n");
    EXPECT_EQ(tree(VStack({row.accessibilityHidden(), Text::verbatim("Tallyfox")})), "\"Tallyfox\"\n");
}

TEST(Symbols, knownSymbolsDrawAndUnknownOnesDrawNothing) {
    auto inkOf = [](const std::string& name) {
        const auto laidOut = layout(Image::system(name).resizable().frame(20, 20), {}, {});
        const auto file = temporaryFile(name + ".png");
        EXPECT_TRUE(laidOut.write(file, ImageFormat::png, 1).hasValue());
        Pixels pixels(file);
        int ink = 0;
        for (int y = 0; y < pixels.height(); ++y)
            for (int x = 0; x < pixels.width(); ++x) ink += (pixels.at(x, y) >> 24) > 0;
        std::filesystem::remove(file);
        return ink;
    };
    for (const char* name : {"terminal", "asterisk", "sparkle", "circle.hexagonpath", "sparkles",
                             "chevron.left.forwardslash.chevron.right", "circle.dashed", "wind", "square.stack.3d.up",
                             "moon", "arrow.triangle.branch", "cloud", "cursorarrow", "magnifyingglass", "waveform",
                             "z.square", "m.square", "exclamationmark.triangle.fill", "exclamationmark.circle.fill",
                             "clock"}) {
        EXPECT_GT(inkOf(name), 20) << name;
    }
    foundation::LogCapture log;
    EXPECT_EQ(inkOf("no.such.symbol"), 0);
    EXPECT_EQ(inkOf("no.such.symbol"), 0);
    EXPECT_EQ(log.messages(), (std::vector<std::string>{"unknown symbol \"no.such.symbol\" draws nothing"}));
}

} // namespace
} // namespace platform::ui

namespace platform::ui {
namespace {

TEST(Rendering, scaleFactorsAndImageAssets) {
    const auto folder = std::filesystem::temp_directory_path() / ("tallyfox-assets-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    {
        std::ofstream svg(folder / "Square.svg");
        svg << R"(<svg xmlns="http://www.w3.org/2000/svg" width="20" height="10">)"
            << R"(<rect width="20" height="10" fill="#ff0000"/></svg>)";
    }
    Environment e;
    e.assetDirectory = folder.string();
    EXPECT_TRUE(imageAssetExists("Square", e));
    EXPECT_FALSE(imageAssetExists("Missing", e));
    EXPECT_FALSE(imageAssetExists("../Square", e));

    // Not resizable: its own size. Resizable and fitted: the largest 2:1 box in the offer.
    EXPECT_EQ(layout(Image::asset("Square"), e, {100.0, 100.0}).size(), (Size{20, 10}));
    const auto fitted = layout(Image::asset("Square").resizable().aspectRatio(std::nullopt, ContentMode::fit), e,
                               {40.0, 40.0});
    EXPECT_EQ(fitted.size(), (Size{40, 20}));
    for (double scale : {1.0, 3.0}) {
        const auto file = folder / "out.png";
        ASSERT_TRUE(fitted.write(file, ImageFormat::png, scale).hasValue());
        Pixels pixels(file);
        EXPECT_EQ(pixels.width(), 40 * scale);
        EXPECT_EQ(pixels.at(static_cast<int>(20 * scale), static_cast<int>(10 * scale)), 0xFFFF0000u);
    }
    // A missing asset takes no room and draws nothing.
    const auto missing = layout(Image::asset("Missing").frame(10, 10), e, {});
    EXPECT_NE(missing.layoutDump().find("Image \"Missing\" (5, 5, 0 × 0) missing"), std::string::npos);
    std::filesystem::remove_all(folder);
}

TEST(Rendering, widgetUsesTheContentsContainerBackground) {
    const View content = Rectangle().fill(ShapeStyle::fixed(Color{0, 0, 0, 0})).containerBackground(ShapeStyle::red());
    const auto file = temporaryFile("red.png");
    ASSERT_TRUE(layoutWidget(content, {}).write(file, ImageFormat::png, 1).hasValue());
    Pixels pixels(file);
    EXPECT_EQ(pixels.at(85, 5), 0xFFFF3B30u);
    std::filesystem::remove(file);
}

TEST(Accessibility, combinedElementsJoinLabelsAndValuesInReadingOrder) {
    const View row = HStack({Text::verbatim("Weekly"), Text::verbatim("58% left")})
                         .accessibilityElement(AccessibilityChildBehavior::combine);
    const View withValue = Text::verbatim("Codex").accessibilityValue(Text::verbatim("42% used"));
    const auto laidOut = layout(VStack({row, withValue}), {}, {});
    EXPECT_EQ(laidOut.accessibilityTree(),
              (std::vector<AccessibilityNode>{{"Weekly, 58% left", ""}, {"Codex", "42% used"}}));
    // Right to left, the reading order stays the order of the views.
    Environment rtl;
    rtl.layoutDirection = LayoutDirection::rightToLeft;
    EXPECT_EQ(layout(HStack({Text::verbatim("a"), Text::verbatim("b")}), rtl, {}).accessibilityDump(),
              "\"a\"\n\"b\"\n");
}

} // namespace
} // namespace platform::ui

namespace platform::ui {
namespace {

/// The leftmost and rightmost columns (in points) with any ink.
std::pair<double, double> inkColumns(const LaidOutView& laidOut) {
    const auto file = temporaryFile("ink.png");
    EXPECT_TRUE(laidOut.write(file, ImageFormat::png, 1).hasValue());
    Pixels pixels(file);
    int left = pixels.width(), right = -1;
    for (int y = 0; y < pixels.height(); ++y)
        for (int x = 0; x < pixels.width(); ++x)
            if ((pixels.at(x, y) >> 24) > 0) left = std::min(left, x), right = std::max(right, x);
    std::filesystem::remove(file);
    return {left, right};
}

TEST(Rendering, rightToLeftTextIsDrawnInsideItsOwnFrame) {
    // Two long Hebrew words wrap onto two lines narrower than the width offered; the text takes the
    // width of its longer line at the leading edge, and its glyphs must be drawn there, not at the
    // far end of the width it wrapped in.
    const Text words = Text::verbatim("אבגדהוזחטי אבגדהוזחטי");
    const View v = words.frame(FrameBounds{.maxWidth = 120, .alignment = Alignment::leading});
    const auto laidOut = layout(v, {}, {120.0, std::nullopt});
    const double textWidth = layout(words, {}, {120.0, std::nullopt}).size().width;
    ASSERT_LT(textWidth, 90);
    const auto [left, right] = inkColumns(laidOut);
    EXPECT_LT(left, 3);
    EXPECT_LE(right, textWidth + 1);
    // Right to left, leading is the right edge.
    Environment rtl;
    rtl.layoutDirection = LayoutDirection::rightToLeft;
    const auto mirrored = inkColumns(layout(v, rtl, {120.0, std::nullopt}));
    EXPECT_GE(mirrored.first, 120 - textWidth - 1);
    EXPECT_GT(mirrored.second, 116);
}

} // namespace
} // namespace platform::ui

namespace platform::ui {
namespace {

TEST(Rendering, keptShapingsAndImagesNeverServeAStaleOrForeignResult) {
    // The same string in different fonts measures differently, however often it was measured before.
    auto width = [](Font font) { return layout(Text::verbatim("Codex 100%").font(font), {}, {}).size().width; };
    const Font caption(TextStyle::caption);
    for (int round = 0; round < 2; ++round) {
        EXPECT_LT(width(caption), width(caption.semibold()));
        EXPECT_LT(width(caption), width(Font(TextStyle::title2)));
        EXPECT_NE(width(caption), width(caption.withMonospacedDigit()));
    }
    // An image asset that changes on disk is drawn as it is now.
    const auto folder = std::filesystem::temp_directory_path() / ("tallyfox-kept-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    Environment e;
    e.assetDirectory = folder.string();
    auto drawWith = [&](const char* fill) {
        {
            std::ofstream svg(folder / "Logo.svg", std::ios::trunc);
            svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\"><rect width=\"10\" "
                   "height=\"10\" fill=\""
                << fill << "\"/></svg>\n";
        }
        const auto file = folder / "logo.png";
        EXPECT_TRUE(layout(Image::asset("Logo"), e, {}).write(file, ImageFormat::png, 1).hasValue());
        Pixels pixels(file);
        return pixels.at(5, 5);
    };
    EXPECT_EQ(drawWith("red"), 0xFFFF0000u);
    EXPECT_EQ(drawWith("#0000ff"), 0xFF0000FFu);
    std::filesystem::remove_all(folder);
}

} // namespace
} // namespace platform::ui
