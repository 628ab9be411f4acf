#pragma once
// Laying a view out at a size and rendering it: PNG (at a scale factor), SVG and PDF, plus the text
// dumps that tests and debugging read (the laid-out tree and the accessibility tree).

#include "platform/foundation/Result.hpp"
#include "platform/ui/Environment.hpp"
#include "platform/ui/Geometry.hpp"
#include "platform/ui/View.hpp"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

typedef struct _cairo cairo_t;

namespace platform::ui {

enum class ImageFormat { png, svg, pdf };

/// What a screen reader announces for one element.
struct AccessibilityNode {
    std::string label;
    std::string value;
    bool operator==(const AccessibilityNode&) const = default;
};

/// An element of the accessibility tree with the frame it covers, in points from the view's top-left
/// corner (a host lays its own accessible objects over the drawing there).
struct AccessibilityElement {
    AccessibilityNode node;
    Rect frame;
    bool operator==(const AccessibilityElement&) const = default;
};

/// A view's help text and the frame it covers, as a tooltip shows it.
struct HelpTag {
    std::string text;
    Rect frame;
    bool operator==(const HelpTag&) const = default;
};

/// A view tree resolved in an environment and laid out in a size.
class LaidOutView {
public:
    Size size() const;
    /// The top-most first baseline of the texts it shows, from its top; absent when it shows none.
    std::optional<double> firstTextBaseline() const;
    /// Each view's frame, with texts as drawn, fonts and colours; one line per view, indented.
    std::string layoutDump() const;
    /// The elements a screen reader announces, in reading order.
    std::vector<AccessibilityNode> accessibilityTree() const;
    /// The same elements with the frames they cover.
    std::vector<AccessibilityElement> accessibilityElements() const;
    /// The accessibility tree as text, one element per line: `"label", value "value"`.
    std::string accessibilityDump() const;
    /// The help text of the innermost view with one at `point`, with that view's frame.
    std::optional<HelpTag> helpTag(Point point) const;
    /// How often the tree's live texts change, so that a host redraws no more often than that.
    LiveTextUpdates liveTextUpdates() const;

    /// Draws the view into `context` in points (the context's transformation sets the scale): a
    /// widget's container background clipped to its continuous corners, then the tree. This is the
    /// one renderer behind PNG, SVG and PDF, for hosts that draw on surfaces of their own. The
    /// context's state is left as it was.
    void draw(cairo_t* context) const;

    /// PNG bytes at `scale` device pixels per point.
    foundation::Result<std::vector<std::uint8_t>, std::string> png(double scale = metrics::defaultScaleFactor) const;
    /// Writes the rendering to `file`; `scale` applies to PNG only.
    foundation::Result<foundation::Success, std::string> write(const std::filesystem::path& file, ImageFormat format,
                                                              double scale = metrics::defaultScaleFactor) const;

    struct Tree;
    explicit LaidOutView(std::shared_ptr<Tree> tree) : tree_(std::move(tree)) {}
    const std::shared_ptr<Tree>& tree() const { return tree_; }

private:
    std::shared_ptr<Tree> tree_;
};

/// Lays `view` out in `environment`, proposing `proposal` (an absent length asks for the ideal one).
LaidOutView layout(const View& view, const Environment& environment, ProposedSize proposal);

/// Lays a widget's content out the way the host shows it: the family's size (from the
/// environment), its content margins, and its container background clipped to continuous corners.
LaidOutView layoutWidget(const View& content, const Environment& environment);
/// The same in a size of the host's choosing (a preview larger or smaller than the family's).
LaidOutView layoutWidget(const View& content, const Environment& environment, Size widgetSize);

/// One laid-out view placed on a sheet.
struct SheetCell {
    LaidOutView view;
    Point origin;
};
/// Draws several laid-out views onto one PNG sheet of `sheetSize` points over `background` (galleries).
foundation::Result<foundation::Success, std::string> writeSheet(const std::vector<SheetCell>& cells, Size sheetSize,
                                                               Color background, const std::filesystem::path& file,
                                                               double scale = metrics::defaultScaleFactor);

} // namespace platform::ui
