// Attributes: what a modifier adds to the view it wraps without changing its layout (accessibility
// labels and traits, help tags, hidden parts, colours, fonts, container backgrounds).

#include "platform/ui/Element.hpp"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace platform::ui {

namespace detail {

namespace {

std::string joinNonEmpty(const std::vector<std::string>& parts) {
    std::string out;
    for (const auto& p : parts) {
        if (p.empty()) continue;
        if (!out.empty()) out += ", ";
        out += p;
    }
    return out;
}

/// Help, animation, container background and accessibility: they change no layout.
class AttributesElement final : public PassThroughElement {
public:
    AttributesElement(std::shared_ptr<const Environment> environment, ElementPtr child, Attributes attributes)
        : PassThroughElement(std::move(environment), std::move(child)), attributes_(std::move(attributes)) {}

    void dump(DumpWriter& writer) const override {
        std::string head;
        if (attributes_.help) head += "help \"" + *attributes_.help + "\"";
        if (attributes_.animation)
            head += (head.empty() ? "" : " ") + ("animation " + attributes_.animation->description);
        if (attributes_.containerBackground)
            head += (head.empty() ? "" : " ") +
                    ("containerBackground " + attributes_.containerBackground->description());
        if (head.empty()) {
            child_->dump(writer);
            return;
        }
        writer.line(head);
        ++writer.depth;
        child_->dump(writer);
        --writer.depth;
    }

    void collectAccessibility(std::vector<AccessibilityElement>& nodes) const override {
        if (attributes_.accessibilityHidden) return;
        std::vector<AccessibilityElement> inner;
        child_->collectAccessibility(inner);
        // An element made here (ignored or combined children, a label or value of its own) stands
        // for the whole view: it covers this view's frame.
        if (attributes_.accessibilityChildren == AccessibilityChildBehavior::ignore) {
            inner = {AccessibilityElement{{}, frame_}};
        } else if (attributes_.accessibilityChildren == AccessibilityChildBehavior::combine) {
            inner = {combined(inner)};
        }
        if (attributes_.accessibilityLabel || attributes_.accessibilityValue) {
            if (inner.size() != 1) inner = {combined(inner)};
            inner[0].frame = frame_;
            if (attributes_.accessibilityLabel) inner[0].node.label = *attributes_.accessibilityLabel;
            if (attributes_.accessibilityValue) inner[0].node.value = *attributes_.accessibilityValue;
        }
        nodes.insert(nodes.end(), inner.begin(), inner.end());
    }

    const ShapeStyle* containerBackground() const override {
        if (attributes_.containerBackground) return &*attributes_.containerBackground;
        return child_->containerBackground();
    }
    const std::string* help() const override { return attributes_.help ? &*attributes_.help : nullptr; }
    LiveTextUpdates liveTextUpdates() const override { return attributes_.live; }

private:
    AccessibilityElement combined(const std::vector<AccessibilityElement>& nodes) const {
        std::vector<std::string> labels, values;
        for (const auto& n : nodes) {
            labels.push_back(n.node.label);
            values.push_back(n.node.value);
        }
        return {{joinNonEmpty(labels), joinNonEmpty(values)}, frame_};
    }

    Attributes attributes_;
};

} // namespace

ElementPtr makeAttributesElement(std::shared_ptr<const Environment> environment, ElementPtr child,
                                 Attributes attributes) {
    return std::make_shared<AttributesElement>(std::move(environment), std::move(child),
                                               std::move(attributes));
}

} // namespace detail

// MARK: Views

namespace {

/// Descriptive attributes; texts among them are resolved in the environment they are attached in.
class AttributesNode final : public detail::ViewNode {
public:
    struct Pending {
        std::optional<std::string> help;
        std::optional<Animation> animation;
        std::optional<ShapeStyle> containerBackground;
        std::optional<AccessibilityChildBehavior> accessibilityChildren;
        std::optional<Text> accessibilityLabel;
        std::optional<Text> accessibilityValue;
        bool accessibilityHidden = false;
    };
    AttributesNode(View child, Pending pending) : child_(std::move(child)), pending_(std::move(pending)) {}
    detail::ElementPtr resolve(const detail::EnvironmentPtr& environment) const override {
        detail::Attributes a;
        a.help = pending_.help;
        a.animation = pending_.animation;
        a.containerBackground = pending_.containerBackground;
        a.accessibilityChildren = pending_.accessibilityChildren;
        for (const auto& [text, resolved] :
             {std::pair{&pending_.accessibilityLabel, &a.accessibilityLabel},
              std::pair{&pending_.accessibilityValue, &a.accessibilityValue}}) {
            if (!*text) continue;
            *resolved = (*text)->resolve(*environment);
            a.live = std::max(a.live, (*text)->liveUpdates(*environment));
        }
        a.accessibilityHidden = pending_.accessibilityHidden;
        return detail::makeAttributesElement(environment, detail::resolveView(child_, environment),
                                             std::move(a));
    }

private:
    View child_;
    Pending pending_;
};

View withAttributes(const View& child, AttributesNode::Pending pending) {
    return View(std::make_shared<AttributesNode>(child, std::move(pending)));
}

} // namespace

View View::help(std::string tooltip) const {
    AttributesNode::Pending p;
    p.help = std::move(tooltip);
    return withAttributes(*this, std::move(p));
}
View View::animation(Animation animation, std::string value) const {
    AttributesNode::Pending p;
    animation.description += " on " + value;
    p.animation = std::move(animation);
    return withAttributes(*this, std::move(p));
}
View View::containerBackground(ShapeStyle style) const {
    AttributesNode::Pending p;
    p.containerBackground = style;
    return withAttributes(*this, std::move(p));
}
View View::accessibilityElement(AccessibilityChildBehavior children) const {
    AttributesNode::Pending p;
    p.accessibilityChildren = children;
    return withAttributes(*this, std::move(p));
}
View View::accessibilityLabel(Text label) const {
    AttributesNode::Pending p;
    p.accessibilityLabel = std::move(label);
    return withAttributes(*this, std::move(p));
}
View View::accessibilityValue(Text value) const {
    AttributesNode::Pending p;
    p.accessibilityValue = std::move(value);
    return withAttributes(*this, std::move(p));
}
View View::accessibilityHidden(bool hidden) const {
    if (!hidden) return *this;
    AttributesNode::Pending p;
    p.accessibilityHidden = true;
    return withAttributes(*this, std::move(p));
}

Animation Animation::spring(double response, double dampingFraction, double blendDuration) {
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "spring(response %g, damping %g, blend %g)", response,
                  dampingFraction, blendDuration);
    return Animation{buffer};
}

} // namespace platform::ui
