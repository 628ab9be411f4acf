#pragma once
// The element bases that containers and modifiers share, for the files of the element kinds.

#include "platform/ui/Element.hpp"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

namespace platform::ui::detail {

/// An optional length as the dump writes it ("nil" when absent).
inline std::string axisText(std::optional<double> v) {
    return v ? formatLength(*v) : "nil";
}

/// Where each child goes for one proposal.
struct Arrangement {
    Measured measured;
    std::vector<ProposedSize> proposals;
    std::vector<Rect> frames; // relative to the container's origin
};

/// A container of several children drawn in order (the element base draws, reads out and looks for
/// a container background through `forEachChild`); subclasses arrange them.
class MultiChildElement : public Element {
public:
    using Element::Element;
    void dump(DumpWriter& writer) const override {
        writer.line(describe());
        ++writer.depth;
        for (const auto& c : children_)
            c->dump(writer);
        --writer.depth;
    }
    void forEachChild(const std::function<void(const Element&)>& visit) const override {
        for (const auto& c : children_)
            visit(*c);
    }
    bool isEmpty() const override { return children_.empty(); }

protected:
    /// The dump's line for this container.
    virtual std::string describe() const = 0;
    std::vector<ElementPtr> children_;
};

/// A modifier with one child, placed at an offset inside its own frame.
class SingleChildElement : public Element {
public:
    SingleChildElement(EnvironmentPtr environment, ElementPtr child)
        : Element(std::move(environment)), child_(std::move(child)) {}
    void place(Rect bounds, ProposedSize proposal) override {
        frame_ = bounds;
        const Layout l = layoutFor(proposal);
        child_->place(Rect{{bounds.minX() + l.offset.x, bounds.minY() + l.offset.y}, l.child.size},
                      l.childProposal);
    }
    void dump(DumpWriter& writer) const override {
        const std::string head = describe();
        if (head.empty()) {
            child_->dump(writer);
            return;
        }
        writer.line(head + " " + frameText());
        ++writer.depth;
        child_->dump(writer);
        --writer.depth;
    }
    void forEachChild(const std::function<void(const Element&)>& visit) const override { visit(*child_); }

protected:
    struct Layout {
        ProposedSize childProposal;
        Measured child;
        Measured own;
        Point offset;
    };
    virtual Layout layoutFor(ProposedSize p) = 0;
    virtual std::string describe() const = 0;
    Measured computeMeasure(ProposedSize p) override { return layoutFor(p).own; }

    /// Places a child of `child` size in `own` by `alignment`; on the first baseline, the child stays
    /// at the top.
    Point aligned(Alignment alignment, Size own, const Measured& child) const {
        return {horizontalOffset(alignment.horizontal, own.width, child.size.width,
                                 environment_->layoutDirection),
                verticalOffset(alignment.vertical, own.height, child.size.height, child.baselineOrBottom(),
                               child.baselineOrBottom())};
    }
    /// The child's text baseline moved by where it was placed.
    static std::optional<double> offsetBaseline(const Measured& child, double y) {
        if (!child.firstBaseline) return std::nullopt;
        return y + *child.firstBaseline;
    }

    ElementPtr child_;
};

inline std::optional<double> clampOptional(std::optional<double> v, std::optional<double> lo,
                                           std::optional<double> hi) {
    if (!v) return v;
    double x = *v;
    if (hi) x = std::min(x, *hi);
    if (lo) x = std::max(x, *lo);
    return x;
}

} // namespace platform::ui::detail
