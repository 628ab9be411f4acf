#pragma once
// Internal: the layout elements a view description resolves into. Not part of the public interface.

#include "platform/ui/Environment.hpp"
#include "platform/ui/Geometry.hpp"
#include "platform/ui/Metrics.hpp"
#include "platform/ui/Path.hpp"
#include "platform/ui/Rendering.hpp"
#include "platform/ui/View.hpp"

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

typedef struct _cairo cairo_t;

namespace platform::ui::detail {

/// What an element answers for a proposal: its size and the distance from its top to the top-most
/// first baseline of the texts it shows, absent when it shows none.
struct Measured {
    Size size;
    std::optional<double> firstBaseline;

    /// Where first-baseline alignment puts this element's baseline: its text's, else its bottom edge.
    double baselineOrBottom() const { return firstBaseline.value_or(size.height); }
};

/// What a view that takes exactly what it is offered answers (shapes, geometry readers): the offer,
/// 10 points on an absent axis, and no baseline.
inline Measured takingTheOffer(ProposedSize p) {
    return {p.replacingUnspecified({metrics::defaultFlexibleLength, metrics::defaultFlexibleLength}),
            std::nullopt};
}

/// The higher (smaller) of two text baselines; either may be absent.
inline std::optional<double> topmostBaseline(std::optional<double> a, std::optional<double> b) {
    if (!a) return b;
    if (!b) return a;
    return std::min(*a, *b);
}

/// Adds `path` to the current Cairo path.
void appendPath(cairo_t* cr, const Path& path);

struct DumpWriter {
    std::string out;
    int depth = 0;
    void line(const std::string& text);
};

/// An element of a resolved view tree. Parents propose, elements answer their size (measure), then
/// parents place them (place): the rules are written at the top of Element.cpp.
class Element {
public:
    explicit Element(std::shared_ptr<const Environment> environment) : environment_(std::move(environment)) {}
    virtual ~Element() = default;
    Element(const Element&) = delete;
    Element& operator=(const Element&) = delete;

    /// The element's answer to `proposal`; the same proposal always gets the same answer.
    Measured measure(ProposedSize proposal);
    /// Places the element in `bounds` (in sheet coordinates), the size it answered to `proposal`.
    virtual void place(Rect bounds, ProposedSize proposal) {
        (void)proposal;
        frame_ = bounds;
    }

    /// Empty views take no room and are left out of stacks.
    virtual bool isEmpty() const { return false; }
    /// A spacer's minimum length; absent for every other element.
    virtual std::optional<double> spacerMinLength() const { return std::nullopt; }
    /// Children a surrounding stack takes as its own (groups).
    virtual const std::vector<ElementPtr>* groupChildren() const { return nullptr; }

    virtual void draw(cairo_t* cr) const;
    /// Appends this element (and its children) to a laid-out tree dump.
    virtual void dump(DumpWriter& writer) const;
    /// Appends what a screen reader announces for this element, with the frames it covers.
    virtual void collectAccessibility(std::vector<AccessibilityElement>& nodes) const;
    /// Calls `visit` with each child, in drawing order (queries that look at every element walk this).
    virtual void forEachChild(const std::function<void(const Element&)>& visit) const { (void)visit; }
    /// The help text this element attaches to its subtree.
    virtual const std::string* help() const { return nullptr; }
    /// How often the texts this element itself shows or reads out change (not its children's).
    virtual LiveTextUpdates liveTextUpdates() const { return LiveTextUpdates::none; }
    /// Container background the widget host fills with, if this subtree names one.
    virtual const ShapeStyle* containerBackground() const;

    const Rect& frame() const { return frame_; }
    const Environment& environment() const { return *environment_; }

protected:
    virtual Measured computeMeasure(ProposedSize proposal) = 0;
    /// "(x, y, w × h)" of the frame, for dumps.
    std::string frameText() const;

    std::shared_ptr<const Environment> environment_;
    Rect frame_;

private:
    struct CacheEntry {
        ProposedSize proposal;
        Measured measured;
    };
    std::vector<CacheEntry> cache_;
};

/// An element with one child that it lays out exactly in its own frame (descriptive modifiers).
class PassThroughElement : public Element {
public:
    PassThroughElement(std::shared_ptr<const Environment> environment, ElementPtr child)
        : Element(std::move(environment)), child_(std::move(child)) {}
    void place(Rect bounds, ProposedSize proposal) override;
    bool isEmpty() const override { return child_->isEmpty(); }
    void dump(DumpWriter& writer) const override { child_->dump(writer); }
    void forEachChild(const std::function<void(const Element&)>& visit) const override { visit(*child_); }
    const ElementPtr& child() const { return child_; }

protected:
    Measured computeMeasure(ProposedSize proposal) override { return child_->measure(proposal); }
    ElementPtr child_;
};

using EnvironmentPtr = std::shared_ptr<const Environment>;

/// The view of a primitive or modifier: `make` gives its arguments, as captured, to its element's
/// factory with the environment the view resolves in.
View elementView(std::function<ElementPtr(const EnvironmentPtr&)> make);
/// A modifier's view: `wrap` puts the element of `child` into one of its own.
View wrapView(const View& child, std::function<ElementPtr(const EnvironmentPtr&, ElementPtr)> wrap);
/// The elements of `views`, in order.
std::vector<ElementPtr> resolveAll(const std::vector<View>& views, const EnvironmentPtr& environment);

/// What a shape view draws: its name (for dumps) and its path for a rectangle.
struct ShapeDescription {
    std::string name;
    std::function<Path(Rect)> path;
};

// Factories of the primitive elements (each defined beside its view).
ElementPtr makeEmptyElement(std::shared_ptr<const Environment> environment);
ElementPtr makeTextElement(std::shared_ptr<const Environment> environment, std::string text,
                           LiveTextUpdates live = LiveTextUpdates::none);
ElementPtr makeImageElement(std::shared_ptr<const Environment> environment, const Image::Description& image);
ElementPtr makeShapeElement(std::shared_ptr<const Environment> environment, const ShapeDescription& shape,
                            std::optional<ShapeStyle> fill,
                            std::optional<std::pair<ShapeStyle, double>> strokeBorder);

/// Descriptive attributes a modifier attaches to its child; they never change its layout.
struct Attributes {
    std::optional<std::string> help;
    std::optional<Animation> animation;
    std::optional<ShapeStyle> containerBackground;
    std::optional<AccessibilityChildBehavior> accessibilityChildren;
    std::optional<std::string> accessibilityLabel;
    std::optional<std::string> accessibilityValue;
    bool accessibilityHidden = false;
    /// How often the accessibility label and value above change (they may hold live texts).
    LiveTextUpdates live = LiveTextUpdates::none;
};

// Factories of the container elements (each in the file of its kind: Stack.cpp, Frame.cpp, ...).
ElementPtr makeStackElement(std::shared_ptr<const Environment> environment, Axis axis,
                            HorizontalAlignment horizontal, VerticalAlignment vertical,
                            std::optional<double> spacing, std::vector<ElementPtr> children);
ElementPtr makeZStackElement(std::shared_ptr<const Environment> environment, Alignment alignment,
                             std::vector<ElementPtr> children);
ElementPtr makeGroupElement(std::shared_ptr<const Environment> environment, std::vector<ElementPtr> children);
ElementPtr makeSpacerElement(std::shared_ptr<const Environment> environment, double minLength);
ElementPtr makeFrameElement(std::shared_ptr<const Environment> environment, ElementPtr child,
                            std::optional<double> width, std::optional<double> height, Alignment alignment);
ElementPtr makeFlexibleFrameElement(std::shared_ptr<const Environment> environment, ElementPtr child,
                                    FrameBounds bounds);
ElementPtr makePaddingElement(std::shared_ptr<const Environment> environment, ElementPtr child,
                              EdgeInsets insets);
ElementPtr makeAspectRatioElement(std::shared_ptr<const Environment> environment, ElementPtr child,
                                  std::optional<double> ratio, ContentMode mode);
ElementPtr makeFixedSizeElement(std::shared_ptr<const Environment> environment, ElementPtr child,
                                bool horizontal, bool vertical);
ElementPtr makeOverlayElement(std::shared_ptr<const Environment> environment, ElementPtr base,
                              ElementPtr layer, Alignment alignment, bool behind);
ElementPtr makeGeometryReaderElement(std::shared_ptr<const Environment> environment,
                                     std::function<View(Size)> content);
ElementPtr makeProbeElement(std::shared_ptr<const Environment> environment,
                            std::shared_ptr<std::vector<ProposedSize>> log, ElementPtr child);
ElementPtr makeAttributesElement(std::shared_ptr<const Environment> environment, ElementPtr child,
                                 Attributes attributes);

/// Formats a length for dumps: at most two decimals, no trailing zeros.
std::string formatLength(double value);
/// "rgba(0,122,255,1)" for dumps.
std::string formatColor(const Color& color);

/// The horizontal offset of a child of width `child` in a container of width `container`.
double horizontalOffset(HorizontalAlignment alignment, double container, double child,
                        LayoutDirection direction);
/// The vertical offset of a child of height `child` in a container of height `container`; for
/// first-baseline alignment, the child's baseline (or bottom) goes to the container's.
double verticalOffset(VerticalAlignment alignment, double container, double child, double containerBaseline,
                      double childBaseline);

} // namespace platform::ui::detail
