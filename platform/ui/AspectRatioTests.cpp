// aspectRatio: the largest size of its ratio within the offer.

#include "platform/ui/LayoutTestSupport.hpp"

#include <gtest/gtest.h>

namespace platform::ui {
namespace {

using namespace layouttest;

TEST(AspectRatio, fitsTheOffer) {
    EXPECT_EQ(layout(Rectangle().aspectRatio(0.5, ContentMode::fit), {}, {100.0, 100.0}).size(),
              (Size{50, 100}));
    EXPECT_EQ(layout(Rectangle().aspectRatio(2, ContentMode::fit), {}, {100.0, 100.0}).size(),
              (Size{100, 50}));
}

} // namespace
} // namespace platform::ui
