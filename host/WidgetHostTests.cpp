#include <gtest/gtest.h>
TEST(WidgetHost, placeholder) {}
