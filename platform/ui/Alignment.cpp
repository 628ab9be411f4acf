// Alignment: where a child goes inside its container on each axis.

#include "platform/ui/Element.hpp"

namespace platform::ui::detail {

double horizontalOffset(HorizontalAlignment alignment, double container, double child,
                        LayoutDirection direction) {
    if (direction == LayoutDirection::rightToLeft) {
        if (alignment == HorizontalAlignment::leading)
            alignment = HorizontalAlignment::trailing;
        else if (alignment == HorizontalAlignment::trailing)
            alignment = HorizontalAlignment::leading;
    }
    switch (alignment) {
    case HorizontalAlignment::leading:
        return 0;
    case HorizontalAlignment::center:
        return (container - child) / 2;
    case HorizontalAlignment::trailing:
        return container - child;
    }
    return 0;
}

double verticalOffset(VerticalAlignment alignment, double container, double child, double containerBaseline,
                      double childBaseline) {
    switch (alignment) {
    case VerticalAlignment::top:
        return 0;
    case VerticalAlignment::center:
        return (container - child) / 2;
    case VerticalAlignment::bottom:
        return container - child;
    case VerticalAlignment::firstTextBaseline:
        return containerBaseline - childBaseline;
    }
    return 0;
}

} // namespace platform::ui::detail
