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

#include "platform/ui/Element.hpp"
#include "platform/ui/StackDistribution.hpp"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace platform::ui::detail {

using EnvironmentPtr = std::shared_ptr<const Environment>;

// MARK: Element basics

Measured Element::measure(ProposedSize proposal) {
    for (const auto& entry : cache_)
        if (entry.proposal == proposal) return entry.measured;
    Measured m = computeMeasure(proposal);
    cache_.push_back({proposal, m});
    return m;
}

void Element::draw(cairo_t*) const {}
void Element::dump(DumpWriter&) const {}
void Element::collectAccessibility(std::vector<AccessibilityElement>&) const {}
const ShapeStyle* Element::containerBackground() const { return nullptr; }

std::string formatLength(double value) {
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2f", value);
    std::string s = buffer;
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    if (s == "-0") s = "0";
    return s;
}

std::string formatColor(const Color& c) {
    auto channel = [](double v) { return std::to_string(static_cast<int>(std::lround(v * 255))); };
    return "rgba(" + channel(c.red) + "," + channel(c.green) + "," + channel(c.blue) + "," + formatLength(c.alpha) +
           ")";
}

std::string Element::frameText() const {
    return "(" + formatLength(frame_.minX()) + ", " + formatLength(frame_.minY()) + ", " +
           formatLength(frame_.width()) + " × " + formatLength(frame_.height()) + ")";
}

void DumpWriter::line(const std::string& text) {
    out.append(static_cast<std::size_t>(depth) * 2, ' ');
    out += text;
    out += '\n';
}

void PassThroughElement::place(Rect bounds, ProposedSize proposal) {
    frame_ = bounds;
    child_->place(bounds, proposal);
}

double horizontalOffset(HorizontalAlignment alignment, double container, double child, LayoutDirection direction) {
    if (direction == LayoutDirection::rightToLeft) {
        if (alignment == HorizontalAlignment::leading)
            alignment = HorizontalAlignment::trailing;
        else if (alignment == HorizontalAlignment::trailing)
            alignment = HorizontalAlignment::leading;
    }
    switch (alignment) {
    case HorizontalAlignment::leading: return 0;
    case HorizontalAlignment::center: return (container - child) / 2;
    case HorizontalAlignment::trailing: return container - child;
    }
    return 0;
}

double verticalOffset(VerticalAlignment alignment, double container, double child, double containerBaseline,
                      double childBaseline) {
    switch (alignment) {
    case VerticalAlignment::top: return 0;
    case VerticalAlignment::center: return (container - child) / 2;
    case VerticalAlignment::bottom: return container - child;
    case VerticalAlignment::firstTextBaseline: return containerBaseline - childBaseline;
    }
    return 0;
}

namespace {

std::string axisText(std::optional<double> v) { return v ? formatLength(*v) : "nil"; }

// MARK: Empty, spacer, group

class EmptyElement final : public Element {
public:
    using Element::Element;
    bool isEmpty() const override { return true; }

protected:
    Measured computeMeasure(ProposedSize) override { return {}; }
};

class SpacerElement final : public Element {
public:
    SpacerElement(EnvironmentPtr environment, double minLength) : Element(std::move(environment)), minLength_(minLength) {}
    std::optional<double> spacerMinLength() const override { return minLength_; }
    void dump(DumpWriter& writer) const override {
        writer.line("Spacer " + frameText() + " min " + formatLength(minLength_));
    }

protected:
    Measured computeMeasure(ProposedSize p) override {
        Size s{std::max(minLength_, p.width.value_or(minLength_)), std::max(minLength_, p.height.value_or(minLength_))};
        return {s, std::nullopt};
    }

private:
    double minLength_;
};

// MARK: Stacks

/// Where each child goes for one proposal.
struct Arrangement {
    Measured measured;
    std::vector<ProposedSize> proposals;
    std::vector<Rect> frames; // relative to the container's origin
};

/// A container of several children drawn in order; subclasses arrange them.
class MultiChildElement : public Element {
public:
    using Element::Element;
    void draw(cairo_t* cr) const override {
        for (const auto& c : children_) c->draw(cr);
    }
    void dump(DumpWriter& writer) const override {
        writer.line(describe());
        ++writer.depth;
        for (const auto& c : children_) c->dump(writer);
        --writer.depth;
    }
    void collectAccessibility(std::vector<AccessibilityElement>& nodes) const override {
        for (const auto& c : children_) c->collectAccessibility(nodes);
    }
    void forEachChild(const std::function<void(const Element&)>& visit) const override {
        for (const auto& c : children_) visit(*c);
    }
    const ShapeStyle* containerBackground() const override {
        for (const auto& c : children_)
            if (auto* s = c->containerBackground()) return s;
        return nullptr;
    }
    bool isEmpty() const override { return children_.empty(); }

protected:
    /// The dump's line for this container.
    virtual std::string describe() const = 0;
    std::vector<ElementPtr> children_;
};

class StackElement final : public MultiChildElement {
public:
    StackElement(EnvironmentPtr environment, Axis axis, HorizontalAlignment h, VerticalAlignment v,
                 std::optional<double> spacing, std::vector<ElementPtr> children)
        : MultiChildElement(std::move(environment)), axis_(axis), horizontal_(h), vertical_(v),
          spacing_(spacing.value_or(metrics::defaultStackSpacing)) {
        for (auto& child : children) append(child);
    }

    void place(Rect bounds, ProposedSize proposal) override {
        frame_ = bounds;
        const Arrangement& a = arrange(proposal);
        for (std::size_t i = 0; i < children_.size(); ++i) {
            Rect f = a.frames[i];
            f.origin.x += bounds.minX();
            f.origin.y += bounds.minY();
            children_[i]->place(f, a.proposals[i]);
        }
    }

protected:
    std::string describe() const override {
        return (axis_ == Axis::vertical ? "VStack " : "HStack ") + frameText() + " spacing " + formatLength(spacing_);
    }
    Measured computeMeasure(ProposedSize p) override { return arrange(p).measured; }

private:
    void append(const ElementPtr& child) {
        if (child->isEmpty()) return;
        if (const auto* group = child->groupChildren()) {
            for (const auto& c : *group) append(c);
            return;
        }
        children_.push_back(child);
    }

    bool vertical() const { return axis_ == Axis::vertical; }
    static double along(Size s, bool vertical) { return vertical ? s.height : s.width; }
    static double across(Size s, bool vertical) { return vertical ? s.width : s.height; }
    ProposedSize proposalFor(std::optional<double> alongLength, ProposedSize p) const {
        return vertical() ? ProposedSize{p.width, alongLength} : ProposedSize{alongLength, p.height};
    }

    const Arrangement& arrange(ProposedSize p) {
        for (const auto& [proposal, arrangement] : arrangements_)
            if (proposal == p) return arrangement;
        arrangements_.emplace_back(p, computeArrangement(p));
        return arrangements_.back().second;
    }

    Arrangement computeArrangement(ProposedSize p) {
        const bool v = vertical();
        const std::size_t n = children_.size();
        Arrangement a;
        a.proposals.resize(n);
        a.frames.resize(n);
        if (n == 0) return a;

        std::vector<StackChild> items(n);
        for (std::size_t i = 0; i < n; ++i) {
            if (auto min = children_[i]->spacerMinLength()) items[i] = {true, *min};
        }
        const double totalSpacing = spacing_ * static_cast<double>(n - 1);
        const std::optional<double> available = v ? p.height : p.width;
        auto lengths = distributeStack(items, available, totalSpacing, [&](std::size_t i, std::optional<double> offer) {
            return along(children_[i]->measure(proposalFor(offer, p)).size, v);
        });

        // Sizes and baselines of every child for its share.
        std::vector<Measured> measured(n);
        for (std::size_t i = 0; i < n; ++i) {
            if (items[i].isSpacer) {
                a.proposals[i] = proposalFor(lengths[i].length, p);
                measured[i].size = v ? Size{0, lengths[i].length} : Size{lengths[i].length, 0};
            } else {
                a.proposals[i] = proposalFor(lengths[i].proposed, p);
                measured[i] = children_[i]->measure(a.proposals[i]);
            }
        }

        double position = 0;
        double thickness = 0;
        if (v) {
            for (std::size_t i = 0; i < n; ++i) thickness = std::max(thickness, measured[i].size.width);
            for (std::size_t i = 0; i < n; ++i) {
                const Size s = measured[i].size;
                const double x = horizontalOffset(horizontal_, thickness, s.width, environment_->layoutDirection);
                a.frames[i] = Rect{{x, position}, s};
                position += s.height + (i + 1 < n ? spacing_ : 0);
            }
            a.measured.size = {thickness, position};
            a.measured.firstBaseline = childrenBaseline(a.frames, measured);
            return a;
        }

        // Horizontal: first find the shared baseline and the height, then place.
        double baseline = 0;
        for (std::size_t i = 0; i < n; ++i) {
            if (items[i].isSpacer) continue;
            baseline = std::max(baseline, measured[i].baselineOrBottom());
        }
        double top = 0, bottom = 0;
        for (std::size_t i = 0; i < n; ++i) {
            if (items[i].isSpacer) continue;
            if (vertical_ == VerticalAlignment::firstTextBaseline) {
                const double y = baseline - measured[i].baselineOrBottom();
                top = std::min(top, y);
                bottom = std::max(bottom, y + measured[i].size.height);
            } else {
                bottom = std::max(bottom, measured[i].size.height);
            }
        }
        thickness = bottom - top;
        for (std::size_t i = 0; i < n; ++i) {
            const Size s = measured[i].size;
            double y = items[i].isSpacer ? 0
                                         : verticalOffset(vertical_, thickness, s.height, baseline - top,
                                                          measured[i].baselineOrBottom());
            a.frames[i] = Rect{{position, y}, s};
            position += s.width + (i + 1 < n ? spacing_ : 0);
        }
        const double width = position;
        if (environment_->layoutDirection == LayoutDirection::rightToLeft)
            for (auto& f : a.frames) f.origin.x = width - f.maxX();
        a.measured.size = {width, thickness};
        a.measured.firstBaseline = childrenBaseline(a.frames, measured);
        return a;
    }

    /// The stack's own first text baseline: the top-most of its children's, as placed.
    static std::optional<double> childrenBaseline(const std::vector<Rect>& frames, const std::vector<Measured>& measured) {
        std::optional<double> out;
        for (std::size_t i = 0; i < frames.size(); ++i)
            if (measured[i].firstBaseline)
                out = topmostBaseline(out, frames[i].minY() + *measured[i].firstBaseline);
        return out;
    }

    Axis axis_;
    HorizontalAlignment horizontal_;
    VerticalAlignment vertical_;
    double spacing_;
    std::vector<std::pair<ProposedSize, Arrangement>> arrangements_;
};

class GroupElement final : public Element {
public:
    GroupElement(EnvironmentPtr environment, std::vector<ElementPtr> children)
        : Element(environment), stack_(makeStackElement(environment, Axis::vertical, HorizontalAlignment::center,
                                                        VerticalAlignment::center, std::nullopt, children)),
          children_(std::move(children)) {}
    const std::vector<ElementPtr>* groupChildren() const override { return &children_; }
    bool isEmpty() const override { return stack_->isEmpty(); }
    void place(Rect bounds, ProposedSize proposal) override {
        frame_ = bounds;
        stack_->place(bounds, proposal);
    }
    void draw(cairo_t* cr) const override { stack_->draw(cr); }
    void dump(DumpWriter& writer) const override { stack_->dump(writer); }
    void collectAccessibility(std::vector<AccessibilityElement>& nodes) const override {
        stack_->collectAccessibility(nodes);
    }
    void forEachChild(const std::function<void(const Element&)>& visit) const override { visit(*stack_); }
    const ShapeStyle* containerBackground() const override { return stack_->containerBackground(); }

protected:
    Measured computeMeasure(ProposedSize p) override { return stack_->measure(p); }

private:
    ElementPtr stack_; // a group outside a stack lays its children out as a vertical stack
    std::vector<ElementPtr> children_;
};

// MARK: Layers

class ZStackElement final : public MultiChildElement {
public:
    ZStackElement(EnvironmentPtr environment, Alignment alignment, std::vector<ElementPtr> children)
        : MultiChildElement(std::move(environment)), alignment_(alignment) {
        for (auto& c : children)
            if (!c->isEmpty()) children_.push_back(std::move(c));
    }
    void place(Rect bounds, ProposedSize proposal) override {
        frame_ = bounds;
        Measured own;
        const std::vector<Rect> frames = arrange(proposal, own);
        for (std::size_t i = 0; i < children_.size(); ++i)
            children_[i]->place(frames[i].offsetBy(bounds.minX(), bounds.minY()), proposal);
    }

protected:
    std::string describe() const override { return "ZStack " + frameText(); }
    Measured computeMeasure(ProposedSize p) override {
        Measured own;
        (void)arrange(p, own);
        return own;
    }

private:
    /// Every layer's frame inside the stack for one proposal; `own` receives the stack's answer.
    std::vector<Rect> arrange(ProposedSize p, Measured& own) {
        std::vector<Measured> measured;
        double anchor = 0; // the shared baseline, when layers align on it
        for (const auto& c : children_) {
            measured.push_back(c->measure(p));
            own.size.width = std::max(own.size.width, measured.back().size.width);
            anchor = std::max(anchor, measured.back().baselineOrBottom());
        }
        const bool onBaseline = alignment_.vertical == VerticalAlignment::firstTextBaseline;
        for (const auto& m : measured)
            own.size.height = std::max(own.size.height, onBaseline ? anchor - m.baselineOrBottom() + m.size.height
                                                                   : m.size.height);
        std::vector<Rect> frames;
        for (const auto& m : measured) {
            const double x = horizontalOffset(alignment_.horizontal, own.size.width, m.size.width,
                                              environment_->layoutDirection);
            const double y =
                verticalOffset(alignment_.vertical, own.size.height, m.size.height, anchor, m.baselineOrBottom());
            frames.push_back(Rect{{x, y}, m.size});
            if (m.firstBaseline) own.firstBaseline = topmostBaseline(own.firstBaseline, y + *m.firstBaseline);
        }
        return frames;
    }

    Alignment alignment_;
};

class OverlayElement final : public Element {
public:
    OverlayElement(EnvironmentPtr environment, ElementPtr base, ElementPtr layer, Alignment alignment, bool behind)
        : Element(std::move(environment)), base_(std::move(base)), layer_(std::move(layer)), alignment_(alignment),
          behind_(behind) {}
    bool isEmpty() const override { return base_->isEmpty(); }
    void place(Rect bounds, ProposedSize proposal) override {
        frame_ = bounds;
        base_->place(bounds, proposal);
        const Measured m = layer_->measure(bounds.size);
        const double x =
            horizontalOffset(alignment_.horizontal, bounds.width(), m.size.width, environment_->layoutDirection);
        const double y = verticalOffset(alignment_.vertical, bounds.height(), m.size.height,
                                        base_->measure(proposal).baselineOrBottom(), m.baselineOrBottom());
        layer_->place(Rect{{bounds.minX() + x, bounds.minY() + y}, m.size}, bounds.size);
    }
    void draw(cairo_t* cr) const override {
        if (behind_) layer_->draw(cr);
        base_->draw(cr);
        if (!behind_) layer_->draw(cr);
    }
    void dump(DumpWriter& writer) const override {
        if (behind_) {
            writer.line("background " + frameText());
            ++writer.depth;
            layer_->dump(writer);
            --writer.depth;
        }
        base_->dump(writer);
        if (!behind_) {
            writer.line("overlay " + frameText());
            ++writer.depth;
            layer_->dump(writer);
            --writer.depth;
        }
    }
    void collectAccessibility(std::vector<AccessibilityElement>& nodes) const override {
        base_->collectAccessibility(nodes);
        layer_->collectAccessibility(nodes);
    }
    void forEachChild(const std::function<void(const Element&)>& visit) const override {
        if (behind_) visit(*layer_);
        visit(*base_);
        if (!behind_) visit(*layer_);
    }
    const ShapeStyle* containerBackground() const override { return base_->containerBackground(); }

protected:
    Measured computeMeasure(ProposedSize p) override { return base_->measure(p); }

private:
    ElementPtr base_;
    ElementPtr layer_;
    Alignment alignment_;
    bool behind_;
};

// MARK: Frames and other single-child modifiers

/// A modifier with one child, placed at an offset inside its own frame.
class SingleChildElement : public Element {
public:
    SingleChildElement(EnvironmentPtr environment, ElementPtr child)
        : Element(std::move(environment)), child_(std::move(child)) {}
    void place(Rect bounds, ProposedSize proposal) override {
        frame_ = bounds;
        const Layout l = layoutFor(proposal);
        child_->place(Rect{{bounds.minX() + l.offset.x, bounds.minY() + l.offset.y}, l.child.size}, l.childProposal);
    }
    void draw(cairo_t* cr) const override { child_->draw(cr); }
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
    void collectAccessibility(std::vector<AccessibilityElement>& nodes) const override {
        child_->collectAccessibility(nodes);
    }
    void forEachChild(const std::function<void(const Element&)>& visit) const override { visit(*child_); }
    const ShapeStyle* containerBackground() const override { return child_->containerBackground(); }

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
        return {horizontalOffset(alignment.horizontal, own.width, child.size.width, environment_->layoutDirection),
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

std::optional<double> clampOptional(std::optional<double> v, std::optional<double> lo, std::optional<double> hi) {
    if (!v) return v;
    double x = *v;
    if (hi) x = std::min(x, *hi);
    if (lo) x = std::max(x, *lo);
    return x;
}

class FrameElement final : public SingleChildElement {
public:
    FrameElement(EnvironmentPtr environment, ElementPtr child, std::optional<double> width,
                 std::optional<double> height, Alignment alignment)
        : SingleChildElement(std::move(environment), std::move(child)), width_(width), height_(height),
          alignment_(alignment) {}

protected:
    Layout layoutFor(ProposedSize p) override {
        Layout l;
        l.childProposal = {width_ ? width_ : p.width, height_ ? height_ : p.height};
        l.child = child_->measure(l.childProposal);
        l.own.size = {width_.value_or(l.child.size.width), height_.value_or(l.child.size.height)};
        l.offset = aligned(alignment_, l.own.size, l.child);
        l.own.firstBaseline = offsetBaseline(l.child, l.offset.y);
        return l;
    }
    std::string describe() const override {
        return "frame(width " + axisText(width_) + ", height " + axisText(height_) + ")";
    }

private:
    std::optional<double> width_;
    std::optional<double> height_;
    Alignment alignment_;
};

class FlexibleFrameElement final : public SingleChildElement {
public:
    FlexibleFrameElement(EnvironmentPtr environment, ElementPtr child, FrameBounds bounds)
        : SingleChildElement(std::move(environment), std::move(child)), bounds_(bounds) {}

protected:
    static double axisLength(std::optional<double> offer, double childLength, std::optional<double> lo,
                             std::optional<double> hi) {
        if (!lo && !hi) return childLength;
        double length = (hi && offer) ? std::min(*offer, *hi) : childLength;
        if (hi && !offer) length = std::min(childLength, *hi);
        if (lo) length = std::max(length, *lo);
        if (hi) length = std::min(length, std::max(*hi, lo.value_or(*hi)));
        return length;
    }
    Layout layoutFor(ProposedSize p) override {
        Layout l;
        l.childProposal = {clampOptional(p.width, bounds_.minWidth, bounds_.maxWidth),
                           clampOptional(p.height, bounds_.minHeight, bounds_.maxHeight)};
        l.child = child_->measure(l.childProposal);
        l.own.size = {axisLength(p.width, l.child.size.width, bounds_.minWidth, bounds_.maxWidth),
                      axisLength(p.height, l.child.size.height, bounds_.minHeight, bounds_.maxHeight)};
        l.offset = aligned(bounds_.alignment, l.own.size, l.child);
        l.own.firstBaseline = offsetBaseline(l.child, l.offset.y);
        return l;
    }
    std::string describe() const override {
        std::string s = "frame(";
        auto add = [&](const char* name, std::optional<double> v) {
            if (!v) return;
            if (s.back() != '(') s += ", ";
            s += std::string(name) + " " + formatLength(*v);
        };
        add("minWidth", bounds_.minWidth);
        add("maxWidth", bounds_.maxWidth);
        add("minHeight", bounds_.minHeight);
        add("maxHeight", bounds_.maxHeight);
        return s + ")";
    }

private:
    FrameBounds bounds_;
};

class PaddingElement final : public SingleChildElement {
public:
    PaddingElement(EnvironmentPtr environment, ElementPtr child, EdgeInsets insets)
        : SingleChildElement(std::move(environment), std::move(child)), insets_(insets) {}

protected:
    Layout layoutFor(ProposedSize p) override {
        const double h = insets_.leading + insets_.trailing, v = insets_.top + insets_.bottom;
        Layout l;
        l.childProposal = {p.width ? std::optional(std::max(0.0, *p.width - h)) : std::nullopt,
                           p.height ? std::optional(std::max(0.0, *p.height - v)) : std::nullopt};
        l.child = child_->measure(l.childProposal);
        l.own.size = {l.child.size.width + h, l.child.size.height + v};
        const bool rtl = environment_->layoutDirection == LayoutDirection::rightToLeft;
        l.offset = {rtl ? insets_.trailing : insets_.leading, insets_.top};
        l.own.firstBaseline = offsetBaseline(l.child, insets_.top);
        return l;
    }
    std::string describe() const override {
        return "padding(" + formatLength(insets_.top) + ", " + formatLength(insets_.leading) + ", " +
               formatLength(insets_.bottom) + ", " + formatLength(insets_.trailing) + ")";
    }

private:
    EdgeInsets insets_;
};

class FixedSizeElement final : public SingleChildElement {
public:
    FixedSizeElement(EnvironmentPtr environment, ElementPtr child, bool horizontal, bool vertical)
        : SingleChildElement(std::move(environment), std::move(child)), horizontal_(horizontal), vertical_(vertical) {}

protected:
    Layout layoutFor(ProposedSize p) override {
        Layout l;
        l.childProposal = {horizontal_ ? std::nullopt : p.width, vertical_ ? std::nullopt : p.height};
        l.child = child_->measure(l.childProposal);
        l.own = l.child;
        return l;
    }
    std::string describe() const override { return ""; }

private:
    bool horizontal_;
    bool vertical_;
};

class AspectRatioElement final : public SingleChildElement {
public:
    AspectRatioElement(EnvironmentPtr environment, ElementPtr child, std::optional<double> ratio, ContentMode mode)
        : SingleChildElement(std::move(environment), std::move(child)), ratio_(ratio), mode_(mode) {}

protected:
    Layout layoutFor(ProposedSize p) override {
        double ratio = 1;
        if (ratio_) {
            ratio = *ratio_;
        } else {
            const Size ideal = child_->measure(ProposedSize::unspecified()).size;
            if (ideal.width > 0 && ideal.height > 0) ratio = ideal.width / ideal.height;
        }
        auto finite = [](std::optional<double> v) { return v && std::isfinite(*v) ? v : std::nullopt; };
        const auto w = finite(p.width), h = finite(p.height);
        Layout l;
        if (w && h) {
            const double byWidth = *w, byHeight = *h * ratio;
            const double width = mode_ == ContentMode::fit ? std::min(byWidth, byHeight) : std::max(byWidth, byHeight);
            l.childProposal = {width, width / ratio};
        } else if (w) {
            l.childProposal = {*w, *w / ratio};
        } else if (h) {
            l.childProposal = {*h * ratio, *h};
        } else {
            l.childProposal = ProposedSize::unspecified();
        }
        l.child = child_->measure(l.childProposal);
        l.own = l.child;
        return l;
    }
    std::string describe() const override {
        return "aspectRatio(" + (ratio_ ? formatLength(*ratio_) : std::string("ideal")) +
               (mode_ == ContentMode::fit ? ", fit)" : ", fill)");
    }

private:
    std::optional<double> ratio_;
    ContentMode mode_;
};

// MARK: Geometry reader and probe

class GeometryReaderElement final : public Element {
public:
    GeometryReaderElement(EnvironmentPtr environment, std::function<View(Size)> content)
        : Element(std::move(environment)), content_(std::move(content)) {}
    void place(Rect bounds, ProposedSize) override {
        frame_ = bounds;
        child_ = resolveView(content_(bounds.size), environment_);
        const Measured m = child_->measure(bounds.size);
        // The content's origin is the reader's top-leading corner.
        const double x = environment_->layoutDirection == LayoutDirection::rightToLeft ? bounds.maxX() - m.size.width
                                                                                      : bounds.minX();
        child_->place(Rect{{x, bounds.minY()}, m.size}, bounds.size);
    }
    void draw(cairo_t* cr) const override {
        if (child_) child_->draw(cr);
    }
    void dump(DumpWriter& writer) const override {
        writer.line("GeometryReader " + frameText());
        if (!child_) return;
        ++writer.depth;
        child_->dump(writer);
        --writer.depth;
    }
    void collectAccessibility(std::vector<AccessibilityElement>& nodes) const override {
        if (child_) child_->collectAccessibility(nodes);
    }
    void forEachChild(const std::function<void(const Element&)>& visit) const override {
        if (child_) visit(*child_);
    }

protected:
    Measured computeMeasure(ProposedSize p) override {
        const Size s = p.replacingUnspecified({metrics::defaultFlexibleLength, metrics::defaultFlexibleLength});
        return {s, std::nullopt};
    }

private:
    std::function<View(Size)> content_;
    ElementPtr child_;
};

class ProbeElement final : public PassThroughElement {
public:
    ProbeElement(EnvironmentPtr environment, std::shared_ptr<std::vector<ProposedSize>> log, ElementPtr child)
        : PassThroughElement(std::move(environment), std::move(child)), log_(std::move(log)) {}

protected:
    Measured computeMeasure(ProposedSize p) override {
        if (log_) log_->push_back(p);
        return child_->measure(p);
    }

private:
    std::shared_ptr<std::vector<ProposedSize>> log_;
};

} // namespace

// MARK: Factories

ElementPtr makeEmptyElement(EnvironmentPtr environment) { return std::make_shared<EmptyElement>(std::move(environment)); }
ElementPtr makeStackElement(EnvironmentPtr environment, Axis axis, HorizontalAlignment horizontal,
                            VerticalAlignment vertical, std::optional<double> spacing, std::vector<ElementPtr> children) {
    return std::make_shared<StackElement>(std::move(environment), axis, horizontal, vertical, spacing,
                                          std::move(children));
}
ElementPtr makeZStackElement(EnvironmentPtr environment, Alignment alignment, std::vector<ElementPtr> children) {
    return std::make_shared<ZStackElement>(std::move(environment), alignment, std::move(children));
}
ElementPtr makeGroupElement(EnvironmentPtr environment, std::vector<ElementPtr> children) {
    return std::make_shared<GroupElement>(std::move(environment), std::move(children));
}
ElementPtr makeSpacerElement(EnvironmentPtr environment, double minLength) {
    return std::make_shared<SpacerElement>(std::move(environment), minLength);
}
ElementPtr makeFrameElement(EnvironmentPtr environment, ElementPtr child, std::optional<double> width,
                            std::optional<double> height, Alignment alignment) {
    return std::make_shared<FrameElement>(std::move(environment), std::move(child), width, height, alignment);
}
ElementPtr makeFlexibleFrameElement(EnvironmentPtr environment, ElementPtr child, FrameBounds bounds) {
    return std::make_shared<FlexibleFrameElement>(std::move(environment), std::move(child), bounds);
}
ElementPtr makePaddingElement(EnvironmentPtr environment, ElementPtr child, EdgeInsets insets) {
    return std::make_shared<PaddingElement>(std::move(environment), std::move(child), insets);
}
ElementPtr makeAspectRatioElement(EnvironmentPtr environment, ElementPtr child, std::optional<double> ratio,
                                  ContentMode mode) {
    return std::make_shared<AspectRatioElement>(std::move(environment), std::move(child), ratio, mode);
}
ElementPtr makeFixedSizeElement(EnvironmentPtr environment, ElementPtr child, bool horizontal, bool vertical) {
    return std::make_shared<FixedSizeElement>(std::move(environment), std::move(child), horizontal, vertical);
}
ElementPtr makeOverlayElement(EnvironmentPtr environment, ElementPtr base, ElementPtr layer, Alignment alignment,
                              bool behind) {
    return std::make_shared<OverlayElement>(std::move(environment), std::move(base), std::move(layer), alignment,
                                            behind);
}
ElementPtr makeGeometryReaderElement(EnvironmentPtr environment, std::function<View(Size)> content) {
    return std::make_shared<GeometryReaderElement>(std::move(environment), std::move(content));
}
ElementPtr makeProbeElement(EnvironmentPtr environment, std::shared_ptr<std::vector<ProposedSize>> log,
                            ElementPtr child) {
    return std::make_shared<ProbeElement>(std::move(environment), std::move(log), std::move(child));
}

} // namespace platform::ui::detail
