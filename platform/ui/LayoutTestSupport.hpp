#pragma once
// What the layout tests of the element kinds share: dumps, right-to-left environments, and where
// the dumps put views and baselines.

#include "platform/ui/Element.hpp"
#include "platform/ui/Rendering.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace platform::ui::layouttest {

inline std::string dump(const View& view, ProposedSize proposal, Environment environment = {}) {
    return layout(view, environment, proposal).layoutDump();
}

inline Environment rightToLeft() {
    Environment e;
    e.layoutDirection = LayoutDirection::rightToLeft;
    e.locale = foundation::Locale("he");
    return e;
}

/// Dumps round lengths to two decimals.
constexpr double dumpPrecision = 0.005 + 1e-9;
/// How far a sum or difference of a few dumped lengths may lie from the exact one.
constexpr double dumpSlack = 4 * dumpPrecision;

/// Whether two frames are the same but for the dump's rounding.
inline ::testing::AssertionResult isNear(Rect actual, Rect expected) {
    const double off = std::max(
        {std::abs(actual.minX() - expected.minX()), std::abs(actual.minY() - expected.minY()),
         std::abs(actual.width() - expected.width()), std::abs(actual.height() - expected.height())});
    if (off <= dumpSlack) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "(" << actual.minX() << ", " << actual.minY() << ", " << actual.width() << " × "
           << actual.height() << ") is not (" << expected.minX() << ", " << expected.minY() << ", "
           << expected.width() << " × " << expected.height() << ")";
}

/// The frames of the views in `dump` whose line starts with `head` (after the indent), in order. A
/// text's head may stop anywhere inside its text.
inline std::vector<Rect> framesOf(const std::string& dump, const std::string& head) {
    std::vector<Rect> frames;
    for (auto at = dump.find(head); at != std::string::npos; at = dump.find(head, at + head.size())) {
        if (at != 0 && dump[at - 1] != ' ' && dump[at - 1] != '\n') continue;
        const auto open = dump.find(" (", at + head.size());
        if (open == std::string::npos) break;
        double x = 0, y = 0, width = 0, height = 0;
        if (std::sscanf(dump.c_str() + open, " (%lf, %lf, %lf \u00d7 %lf)", &x, &y, &width, &height) == 4)
            frames.push_back(Rect{{x, y}, {width, height}});
    }
    return frames;
}

/// The frame of the first view in `dump` whose line starts with `head`.
inline Rect frameOf(const std::string& dump, const std::string& head) {
    const auto frames = framesOf(dump, head);
    if (frames.empty()) {
        ADD_FAILURE() << head << " is not in\n" << dump;
        return {};
    }
    return frames.front();
}

/// The top of the first view in `dump` whose line starts with `head` (after the indent).
inline double topOf(const std::string& dump, const std::string& head) {
    return frameOf(dump, head).minY();
}

/// The size of a view laid out alone at its ideal size.
inline Size idealSize(const View& view) {
    return layout(view, {}, {}).size();
}

/// Where a text's first baseline lies below its top, laid out alone.
inline double baselineOf(const Text& text, Font font) {
    return *layout(View(text).font(font), {}, {}).firstTextBaseline();
}

} // namespace platform::ui::layouttest
