// Stacks: children along an axis, sharing its length by distributeStack; and groups, which lay their
// children out as a vertical stack outside a stack.

#include "platform/ui/ContainerElements.hpp"
#include "platform/ui/StackDistribution.hpp"

#include <algorithm>

namespace platform::ui::detail {

namespace {

class StackElement final : public MultiChildElement {
public:
    StackElement(EnvironmentPtr environment, Axis axis, HorizontalAlignment h, VerticalAlignment v,
                 std::optional<double> spacing, std::vector<ElementPtr> children)
        : MultiChildElement(std::move(environment)), axis_(axis), horizontal_(h), vertical_(v),
          spacing_(spacing.value_or(metrics::defaultStackSpacing)) {
        for (auto& child : children)
            append(child);
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
        return (axis_ == Axis::vertical ? "VStack " : "HStack ") + frameText() + " spacing " +
               formatLength(spacing_);
    }
    Measured computeMeasure(ProposedSize p) override { return arrange(p).measured; }

private:
    void append(const ElementPtr& child) {
        if (child->isEmpty()) return;
        if (const auto* group = child->groupChildren()) {
            for (const auto& c : *group)
                append(c);
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
        auto lengths =
            distributeStack(items, available, totalSpacing, [&](std::size_t i, std::optional<double> offer) {
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
            for (std::size_t i = 0; i < n; ++i)
                thickness = std::max(thickness, measured[i].size.width);
            for (std::size_t i = 0; i < n; ++i) {
                const Size s = measured[i].size;
                const double x =
                    horizontalOffset(horizontal_, thickness, s.width, environment_->layoutDirection);
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
            for (auto& f : a.frames)
                f.origin.x = width - f.maxX();
        a.measured.size = {width, thickness};
        a.measured.firstBaseline = childrenBaseline(a.frames, measured);
        return a;
    }

    /// The stack's own first text baseline: the top-most of its children's, as placed.
    static std::optional<double> childrenBaseline(const std::vector<Rect>& frames,
                                                  const std::vector<Measured>& measured) {
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
        : Element(environment),
          stack_(makeStackElement(environment, Axis::vertical, HorizontalAlignment::center,
                                  VerticalAlignment::center, std::nullopt, children)),
          children_(std::move(children)) {}
    const std::vector<ElementPtr>* groupChildren() const override { return &children_; }
    bool isEmpty() const override { return stack_->isEmpty(); }
    void place(Rect bounds, ProposedSize proposal) override {
        frame_ = bounds;
        stack_->place(bounds, proposal);
    }
    void dump(DumpWriter& writer) const override { stack_->dump(writer); }
    void forEachChild(const std::function<void(const Element&)>& visit) const override { visit(*stack_); }

protected:
    Measured computeMeasure(ProposedSize p) override { return stack_->measure(p); }

private:
    ElementPtr stack_; // a group outside a stack lays its children out as a vertical stack
    std::vector<ElementPtr> children_;
};

} // namespace

ElementPtr makeStackElement(EnvironmentPtr environment, Axis axis, HorizontalAlignment horizontal,
                            VerticalAlignment vertical, std::optional<double> spacing,
                            std::vector<ElementPtr> children) {
    return std::make_shared<StackElement>(std::move(environment), axis, horizontal, vertical, spacing,
                                          std::move(children));
}
ElementPtr makeGroupElement(EnvironmentPtr environment, std::vector<ElementPtr> children) {
    return std::make_shared<GroupElement>(std::move(environment), std::move(children));
}

} // namespace platform::ui::detail

namespace platform::ui {

namespace {

View stack(Axis axis, HorizontalAlignment horizontal, VerticalAlignment vertical,
           std::optional<double> spacing, std::vector<View> children) {
    return detail::elementView(
        [=, children = std::move(children)](const detail::EnvironmentPtr& environment) {
            return detail::makeStackElement(environment, axis, horizontal, vertical, spacing,
                                            detail::resolveAll(children, environment));
        });
}

} // namespace

View VStack(HorizontalAlignment alignment, std::optional<double> spacing, std::vector<View> children) {
    return stack(Axis::vertical, alignment, VerticalAlignment::center, spacing, std::move(children));
}
View VStack(std::vector<View> children) {
    return VStack(HorizontalAlignment::center, std::nullopt, std::move(children));
}
View HStack(VerticalAlignment alignment, std::optional<double> spacing, std::vector<View> children) {
    return stack(Axis::horizontal, HorizontalAlignment::center, alignment, spacing, std::move(children));
}
View HStack(std::vector<View> children) {
    return HStack(VerticalAlignment::center, std::nullopt, std::move(children));
}
View Group(std::vector<View> children) {
    return detail::elementView([children = std::move(children)](const detail::EnvironmentPtr& environment) {
        return detail::makeGroupElement(environment, detail::resolveAll(children, environment));
    });
}

} // namespace platform::ui
