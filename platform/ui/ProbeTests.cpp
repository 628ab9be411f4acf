// Probes: what a child is offered.

#include "platform/ui/LayoutTestSupport.hpp"

#include <gtest/gtest.h>

namespace platform::ui {
namespace {

using namespace layouttest;

TEST(Probe, probeRecordsWhatTheStackProposed) {
    auto log = std::make_shared<std::vector<ProposedSize>>();
    const View v =
        HStack(VerticalAlignment::center, 10, {Rectangle().frame(20, 10), Probe(log, Rectangle())});
    (void)layout(v, {}, {100.0, 30.0});
    // The stack measured the probe's flexibility (zero and infinity), then offered it the rest.
    ASSERT_EQ(log->size(), 3u);
    EXPECT_EQ((*log)[0], (ProposedSize{infinity, 30.0}));
    EXPECT_EQ((*log)[1], (ProposedSize{0.0, 30.0}));
    EXPECT_EQ((*log)[2], (ProposedSize{70.0, 30.0}));
    // fixedSize offers nothing; a fixed frame offers its own lengths.
    log->clear();
    (void)layout(Probe(log, Rectangle()).fixedSize(), {}, {100.0, 30.0});
    EXPECT_EQ(log->back(), ProposedSize::unspecified());
    log->clear();
    (void)layout(Probe(log, Rectangle()).frame(12, 12), {}, {100.0, 30.0});
    EXPECT_EQ(log->back(), (ProposedSize{12.0, 12.0}));
}

} // namespace
} // namespace platform::ui
