// Layout: the propose-then-size protocol of declarative view systems.
//
// The rules this layout implements:
//  1. A parent proposes a size to a child; each axis may be absent, which asks for the child's ideal
//     length on that axis. The child answers the size it takes; the parent then places it. The
//     parent never overrides the answer: a child that answers more than it was offered overflows.
//  2. The same proposal always gets the same answer; answers are remembered per element.
//  3. Texts take at most what they are offered, wrap within the offered width, stop at their line
//     limit (or at the lines the offered height holds, never fewer than one) with an ellipsis at the
//     end, and shrink towards their minimum scale factor before they truncate. Ideal: one line per
//     paragraph, unwrapped.
//  4. Shapes, geometry readers and resizable images take exactly what they are offered (10 points on
//     an absent axis); images that are not resizable and symbols keep their own size.
//  5. A spacer in a stack takes all free room along the stack's axis, never less than its minimum
//     length, and nothing across it. Elsewhere it takes what it is offered (its minimum when absent).
//  6. Stacks (distributeStack) set the spacers' minimum lengths and the spacing aside, then offer
//     the other children, least flexible first, an equal share of the rest along their axis; each
//     takes its answer out of the rest. Spacers share what is left. Across the axis every child is
//     offered the stack's own offer. The stack is as long as its children and spacing, and as thick
//     as its thickest child (after alignment). Empty children take neither room nor spacing.
//  7. Alignment: vertical stacks place children at the leading edge, centre or trailing edge;
//     horizontal stacks at the top, centre, bottom, or with their first text baselines on one line.
//     A view's first text baseline is the top-most first baseline of the texts it shows: a stack's
//     and a layer's come from their children as placed, a frame's and padding's from their content
//     as placed, an overlay's and a background's from the view they decorate. Shapes, images,
//     spacers and geometry readers show no text; a view that shows no text at all is aligned by its
//     bottom edge instead. A symbol of its own size stands on the baseline like a glyph.
//  8. A fixed frame offers its lengths (or the offer on an axis it leaves free) and takes exactly
//     them. A flexible frame offers the offer clamped to its bounds; it takes its child's length
//     clamped to its bounds, except that with a maximum it grows to what it is offered (up to the
//     maximum). Both place the child by their alignment.
//  9. Padding offers the offer less its insets and adds them to the answer. fixedSize offers nothing
//     on its axes (the child's ideal) and takes the answer. aspectRatio offers the largest (fit) or
//     smallest (fill) size of its ratio within the offer. Overlays and backgrounds are offered
//     exactly the size of the view they decorate. Layers (ZStack) are all offered the same.
// 10. Right to left: horizontal stacks run from the right, and leading and trailing swap sides in
//     alignments and insets; a geometry reader puts its content at the top-right corner. A text
//     takes the direction of its first strong character, or the layout's when it begins with a
//     neutral one (" · Opus" reads right to left beside a Hebrew word); wrapped lines line up with
//     the layout's leading edge.

#include "platform/ui/ContainerElements.hpp"

#include <cairo.h>

namespace platform::ui::detail {

Measured Element::measure(ProposedSize proposal) {
    for (const auto& entry : cache_)
        if (entry.proposal == proposal) return entry.measured;
    Measured m = computeMeasure(proposal);
    cache_.push_back({proposal, m});
    return m;
}

// Unless an element says otherwise, it draws its children, reads them out and takes the first
// container background among them, all in their drawing order.
void Element::draw(cairo_t* cr) const {
    forEachChild([cr](const Element& child) { child.draw(cr); });
}
void Element::dump(DumpWriter&) const {}
void Element::collectAccessibility(std::vector<AccessibilityElement>& nodes) const {
    forEachChild([&nodes](const Element& child) { child.collectAccessibility(nodes); });
}
const ShapeStyle* Element::containerBackground() const {
    const ShapeStyle* found = nullptr;
    forEachChild([&found](const Element& child) {
        if (!found) found = child.containerBackground();
    });
    return found;
}

void PassThroughElement::place(Rect bounds, ProposedSize proposal) {
    frame_ = bounds;
    child_->place(bounds, proposal);
}

namespace {

class EmptyElement final : public Element {
public:
    using Element::Element;
    bool isEmpty() const override { return true; }

protected:
    Measured computeMeasure(ProposedSize) override { return {}; }
};

} // namespace

ElementPtr makeEmptyElement(EnvironmentPtr environment) {
    return std::make_shared<EmptyElement>(std::move(environment));
}

} // namespace platform::ui::detail
