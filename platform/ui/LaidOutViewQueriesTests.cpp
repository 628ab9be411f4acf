// What a host that draws on surfaces of its own asks of a laid-out view: drawing into its context,
// where the accessibility elements and help texts are, and how often the live texts change.
#include "platform/ui/Rendering.hpp"

#include <cairo.h>
#include <cstdlib>
#include <gtest/gtest.h>
#include <vector>

namespace platform::ui {
namespace {

using foundation::Date;

struct Surface {
    cairo_surface_t* surface;
    Surface(int width, int height)
        : surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)) {}
    explicit Surface(const std::vector<std::uint8_t>& png) {
        struct Reader {
            const std::vector<std::uint8_t>* bytes;
            std::size_t offset = 0;
        } reader{&png};
        surface = cairo_image_surface_create_from_png_stream(
            [](void* closure, unsigned char* data, unsigned int length) {
                auto* r = static_cast<Reader*>(closure);
                if (r->offset + length > r->bytes->size()) return CAIRO_STATUS_READ_ERROR;
                std::copy_n(r->bytes->data() + r->offset, length, data);
                r->offset += length;
                return CAIRO_STATUS_SUCCESS;
            },
            &reader);
    }
    ~Surface() { cairo_surface_destroy(surface); }
    int width() const { return cairo_image_surface_get_width(surface); }
    int height() const { return cairo_image_surface_get_height(surface); }
    std::uint32_t at(int x, int y) const {
        const auto* row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
        return reinterpret_cast<const std::uint32_t*>(row)[x];
    }
};

/// The largest difference of one channel between two premultiplied ARGB pixels.
int channelDifference(std::uint32_t a, std::uint32_t b) {
    int most = 0;
    for (int shift = 0; shift < 32; shift += 8)
        most = std::max(
            most, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
    return most;
}

TEST(HostDrawing, drawingIntoACallersContextGivesThePNGsPixelsAndLeavesTheContextAsItWas) {
    Environment environment;
    environment.widgetFamily = WidgetFamily::systemSmall;
    const View content = VStack({Text::verbatim("Codex"), Capsule().fill(ShapeStyle::accent()).frame(80, 8)});
    const auto laidOut = layoutWidget(content, environment);
    const auto png = laidOut.png(2);
    ASSERT_TRUE(png.hasValue());
    const Surface expected(*png);

    Surface drawn(340, 340);
    cairo_t* cr = cairo_create(drawn.surface);
    cairo_scale(cr, 2, 2);
    laidOut.draw(cr);
    // The widget's clip to its corners is gone again: the caller can paint over the whole surface.
    double x1, y1, x2, y2;
    cairo_clip_extents(cr, &x1, &y1, &x2, &y2);
    EXPECT_EQ(x2 - x1, 170);
    EXPECT_EQ(cairo_status(cr), CAIRO_STATUS_SUCCESS);
    cairo_destroy(cr);
    cairo_surface_flush(drawn.surface);

    ASSERT_EQ(expected.width(), 340);
    int worst = 0;
    for (int y = 0; y < 340; ++y)
        for (int x = 0; x < 340; ++x)
            worst = std::max(worst, channelDifference(expected.at(x, y), drawn.at(x, y)));
    // The PNG keeps straight alpha, so edge pixels may differ by rounding, never by more.
    EXPECT_LE(worst, 1);
    EXPECT_EQ(drawn.at(0, 0), 0u);            // outside the continuous corner
    EXPECT_EQ(drawn.at(170, 4) >> 24, 0xFFu); // the container background
}

TEST(HostAccessibility, elementsCarryTheFramesTheyCoverInReadingOrder) {
    const View row =
        HStack(VerticalAlignment::center, 0,
               {Text::verbatim("Weekly").frame(60, 20), Text::verbatim("58% left").frame(80, 20)})
            .accessibilityElement(AccessibilityChildBehavior::combine);
    const View labelled = Rectangle().frame(30, 10).accessibilityLabel(Text::verbatim("bar"));
    const View hidden = Text::verbatim("hidden").accessibilityHidden();
    const auto laidOut =
        layout(VStack(HorizontalAlignment::leading, 0,
                      {Text::verbatim("Codex").frame(140, 16, Alignment::leading), row, labelled, hidden}),
               {}, {});
    const auto elements = laidOut.accessibilityElements();
    ASSERT_EQ(elements.size(), 3u);
    EXPECT_EQ(elements[0].node, (AccessibilityNode{"Codex", ""}));
    EXPECT_EQ(elements[0].frame.minY(), 0);
    EXPECT_EQ(elements[0].frame.height(), 16);
    // A combined row covers the row, not its first text.
    EXPECT_EQ(elements[1].node, (AccessibilityNode{"Weekly, 58% left", ""}));
    EXPECT_EQ(elements[1].frame, (Rect{{0, 16}, {140, 20}}));
    EXPECT_EQ(elements[2].node, (AccessibilityNode{"bar", ""}));
    EXPECT_EQ(elements[2].frame, (Rect{{0, 36}, {30, 10}}));
    // The tree without frames is what the text dump reads.
    EXPECT_EQ(laidOut.accessibilityTree().size(), 3u);
}

TEST(HostHelp, theInnermostViewWithHelpAtAPointGivesItsTextAndFrame) {
    const View clock = Rectangle().frame(10, 10).help("Updated 5 minutes ago");
    const View row = HStack(VerticalAlignment::top, 0, {Rectangle().frame(50, 20), clock}).help("Codex");
    const auto laidOut =
        layout(VStack(HorizontalAlignment::leading, 0, {row, Rectangle().frame(60, 20)}), {}, {});
    const auto inner = laidOut.helpTag({55, 5});
    ASSERT_TRUE(inner.has_value());
    EXPECT_EQ(inner->text, "Updated 5 minutes ago");
    EXPECT_EQ(inner->frame, (Rect{{50, 0}, {10, 10}}));
    EXPECT_EQ(laidOut.helpTag({5, 5})->text, "Codex");
    EXPECT_EQ(laidOut.helpTag({55, 15})->text, "Codex"); // beside the clock, still in the row
    EXPECT_EQ(laidOut.helpTag({5, 30}), std::nullopt);
    EXPECT_EQ(laidOut.helpTag({-1, 5}), std::nullopt);
}

TEST(HostLiveTexts, aTreeSaysHowOftenItsWordingChanges) {
    Environment environment;
    environment.date = Date{1'000'000};
    const auto updates = [&](const View& view) { return layout(view, environment, {}).liveTextUpdates(); };
    const Date later{1'000'100}, earlier{999'000};

    EXPECT_EQ(updates(Text::verbatim("Codex")), LiveTextUpdates::none);
    EXPECT_EQ(updates(Text::relative(earlier)), LiveTextUpdates::everyMinute);
    EXPECT_EQ(updates(Text::timer(earlier, later)), LiveTextUpdates::everySecond);
    // A timer that ran out stands still.
    EXPECT_EQ(updates(Text::timer(Date{999'000}, Date{999'500})), LiveTextUpdates::none);
    // Live texts inside localized texts, concatenations and accessibility texts count too.
    EXPECT_EQ(updates(Text::localized("Resets in %@", {textArgument(Text::timer(earlier, later))})),
              LiveTextUpdates::everySecond);
    EXPECT_EQ(updates(Text::verbatim("Updated ") + Text::relative(earlier)), LiveTextUpdates::everyMinute);
    EXPECT_EQ(updates(Rectangle().frame(4, 4).accessibilityLabel(
                  Text::localized("Updated %@", {textArgument(Text::relative(earlier))}))),
              LiveTextUpdates::everyMinute);
    // The most frequent one decides, wherever it is in the tree.
    EXPECT_EQ(updates(VStack(
                  {Text::relative(earlier), HStack({Text::verbatim("a"), Text::timer(earlier, later)})})),
              LiveTextUpdates::everySecond);
    EXPECT_EQ(updates(GeometryReader([&](Size) { return Text::relative(earlier); })),
              LiveTextUpdates::everyMinute);
}

} // namespace
} // namespace platform::ui
