// Attributes: what a modifier adds to the view it wraps without changing its layout (accessibility
// labels and traits, help tags, hidden parts, colours, fonts, container backgrounds).

#include "platform/ui/Element.hpp"

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

} // namespace platform::ui
