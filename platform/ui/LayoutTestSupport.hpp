#pragma once
// What the layout tests of the element kinds share: dumps, right-to-left environments, and where
// the dumps put views and baselines.

#include "platform/ui/Element.hpp"
#include "platform/ui/Rendering.hpp"

#include <gtest/gtest.h>
#include <string>

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

/// The top of the first view in `dump` whose line starts with `head` (after the indent).
inline double topOf(const std::string& dump, const std::string& head) {
    const auto at = dump.find(head + " (");
    if (at == std::string::npos) {
        ADD_FAILURE() << head << " is not in\n" << dump;
        return 0;
    }
    const auto comma = dump.find(", ", at + head.size());
    return std::stod(dump.substr(comma + 2));
}

/// Where a text's first baseline lies below its top, laid out alone.
inline double baselineOf(const Text& text, Font font) {
    return *layout(View(text).font(font), {}, {}).firstTextBaseline();
}

} // namespace platform::ui::layouttest
