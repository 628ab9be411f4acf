#include "platform/ui/View.hpp"

#include "platform/ui/Element.hpp"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace platform::ui {

using detail::ElementPtr;
using detail::ShapeDescription;
using detail::ViewNode;
using EnvironmentPtr = std::shared_ptr<const Environment>;

namespace {

/// The view-to-element step of a primitive or modifier: the arguments it captured, given to its
/// element's factory with the environment it resolves in.
class ElementNode final : public ViewNode {
public:
    using Make = std::function<ElementPtr(const EnvironmentPtr&)>;
    explicit ElementNode(Make make) : make_(std::move(make)) {}
    ElementPtr resolve(const EnvironmentPtr& environment) const override { return make_(environment); }

private:
    Make make_;
};

View elementView(ElementNode::Make make) {
    return View(std::make_shared<ElementNode>(std::move(make)));
}

std::vector<ElementPtr> resolveAll(const std::vector<View>& views, const EnvironmentPtr& environment) {
    std::vector<ElementPtr> out;
    out.reserve(views.size());
    for (const auto& v : views) out.push_back(detail::resolveView(v, environment));
    return out;
}

/// How a modifier wraps its child's element in one of its own.
using Wrap = std::function<ElementPtr(const EnvironmentPtr&, ElementPtr)>;

/// A modifier that resolves its child in a changed environment.
class EnvironmentNode final : public ViewNode {
public:
    EnvironmentNode(View child, std::function<void(Environment&)> change)
        : child_(std::move(child)), change_(std::move(change)) {}
    ElementPtr resolve(const EnvironmentPtr& environment) const override {
        auto changed = std::make_shared<Environment>(*environment);
        change_(*changed);
        return detail::resolveView(child_, changed);
    }

private:
    View child_;
    std::function<void(Environment&)> change_;
};

/// Descriptive attributes; texts among them are resolved in the environment they are attached in.
class AttributesNode final : public ViewNode {
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
    ElementPtr resolve(const EnvironmentPtr& environment) const override {
        detail::Attributes a;
        a.help = pending_.help;
        a.animation = pending_.animation;
        a.containerBackground = pending_.containerBackground;
        a.accessibilityChildren = pending_.accessibilityChildren;
        for (const auto& [text, resolved] : {std::pair{&pending_.accessibilityLabel, &a.accessibilityLabel},
                                              std::pair{&pending_.accessibilityValue, &a.accessibilityValue}}) {
            if (!*text) continue;
            *resolved = (*text)->resolve(*environment);
            a.live = std::max(a.live, (*text)->liveUpdates(*environment));
        }
        a.accessibilityHidden = pending_.accessibilityHidden;
        return detail::makeAttributesElement(environment, detail::resolveView(child_, environment), std::move(a));
    }

private:
    View child_;
    Pending pending_;
};

View shapeView(ShapeDescription shape, std::optional<ShapeStyle> fill,
               std::optional<std::pair<ShapeStyle, double>> stroke) {
    return elementView([shape = std::move(shape), fill = std::move(fill),
                        stroke = std::move(stroke)](const EnvironmentPtr& environment) {
        return detail::makeShapeElement(environment, shape, fill, stroke);
    });
}

View wrap(const View& child, Wrap wrap) {
    return elementView([child, wrap = std::move(wrap)](const EnvironmentPtr& environment) {
        return wrap(environment, detail::resolveView(child, environment));
    });
}

View withAttributes(const View& child, AttributesNode::Pending pending) {
    return View(std::make_shared<AttributesNode>(child, std::move(pending)));
}

const std::shared_ptr<const ViewNode>& emptyNode() {
    static const std::shared_ptr<const ViewNode> node = std::make_shared<ElementNode>(
        [](const EnvironmentPtr& environment) { return detail::makeEmptyElement(environment); });
    return node;
}

} // namespace

namespace detail {
ElementPtr resolveView(const View& view, const EnvironmentPtr& environment) {
    return view.node() ? view.node()->resolve(environment) : makeEmptyElement(environment);
}
} // namespace detail

// MARK: View

View::View() : node_(emptyNode()) {}

View View::frame(std::optional<double> width, std::optional<double> height, Alignment alignment) const {
    return wrap(*this, [=](const EnvironmentPtr& env, ElementPtr child) {
        return detail::makeFrameElement(env, std::move(child), width, height, alignment);
    });
}

View View::frame(FrameBounds bounds) const {
    return wrap(*this, [=](const EnvironmentPtr& env, ElementPtr child) {
        return detail::makeFlexibleFrameElement(env, std::move(child), bounds);
    });
}

View View::padding(EdgeInsets insets) const {
    return wrap(*this, [=](const EnvironmentPtr& env, ElementPtr child) {
        return detail::makePaddingElement(env, std::move(child), insets);
    });
}

View View::padding(double length) const { return padding(EdgeInsets{length, length, length, length}); }

View View::aspectRatio(std::optional<double> ratio, ContentMode mode) const {
    return wrap(*this, [=](const EnvironmentPtr& env, ElementPtr child) {
        return detail::makeAspectRatioElement(env, std::move(child), ratio, mode);
    });
}

View View::fixedSize(bool horizontal, bool vertical) const {
    return wrap(*this, [=](const EnvironmentPtr& env, ElementPtr child) {
        return detail::makeFixedSizeElement(env, std::move(child), horizontal, vertical);
    });
}

View View::overlay(View content, Alignment alignment) const {
    return wrap(*this, [content, alignment](const EnvironmentPtr& env, ElementPtr child) {
        return detail::makeOverlayElement(env, std::move(child), detail::resolveView(content, env), alignment, false);
    });
}

View View::background(View content, Alignment alignment) const {
    return wrap(*this, [content, alignment](const EnvironmentPtr& env, ElementPtr child) {
        return detail::makeOverlayElement(env, std::move(child), detail::resolveView(content, env), alignment, true);
    });
}

View View::transformEnvironment(std::function<void(Environment&)> change) const {
    return View(std::make_shared<EnvironmentNode>(*this, std::move(change)));
}

View View::font(Font f) const {
    return transformEnvironment([f](Environment& e) { e.font = f; });
}
View View::fontWeight(FontWeight weight) const {
    return transformEnvironment([weight](Environment& e) { e.font.weight = weight; });
}
View View::monospacedDigit() const {
    return transformEnvironment([](Environment& e) { e.font.monospacedDigit = true; });
}
View View::foregroundStyle(ShapeStyle style) const {
    return transformEnvironment([style](Environment& e) { e.foregroundStyle = style; });
}
View View::lineLimit(std::optional<int> lines) const {
    return transformEnvironment([lines](Environment& e) { e.lineLimit = lines; });
}
View View::minimumScaleFactor(double factor) const {
    return transformEnvironment([factor](Environment& e) { e.minimumScaleFactor = factor; });
}
View View::locale(foundation::Locale locale) const {
    return transformEnvironment([locale](Environment& e) { e.locale = locale; });
}
View View::layoutDirection(LayoutDirection direction) const {
    return transformEnvironment([direction](Environment& e) { e.layoutDirection = direction; });
}
View View::colorScheme(ColorScheme scheme) const {
    return transformEnvironment([scheme](Environment& e) { e.colorScheme = scheme; });
}
View View::colorSchemeContrast(ColorSchemeContrast contrast) const {
    return transformEnvironment([contrast](Environment& e) { e.colorSchemeContrast = contrast; });
}
View View::widgetFamily(WidgetFamily family) const {
    return transformEnvironment([family](Environment& e) { e.widgetFamily = family; });
}

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
    std::snprintf(buffer, sizeof buffer, "spring(response %g, damping %g, blend %g)", response, dampingFraction,
                  blendDuration);
    return Animation{buffer};
}

// MARK: Text, Image, Shape

TextArgument textArgument(Text text) { return std::make_shared<const Text>(std::move(text)); }

Text::Text(Content content) : content_(std::make_shared<const Content>(std::move(content))) {
    static_cast<View&>(*this) = elementView([content = content_](const EnvironmentPtr& environment) {
        return detail::makeTextElement(environment, resolveContent(*content, *environment),
                                       liveUpdatesOf(*content, *environment));
    });
}
Text Text::verbatim(std::string string) { return Text(Verbatim{std::move(string)}); }
Text Text::localized(std::string key, std::vector<TextArgument> arguments, std::string defaultValue,
                     std::string comment) {
    if (defaultValue.empty()) defaultValue = key;
    return Text(Localized{std::move(key), std::move(arguments), std::move(defaultValue), std::move(comment)});
}
Text Text::timer(foundation::Date from, foundation::Date to, bool countsDown, bool showsHours) {
    return Text(Timer{from, to, countsDown, showsHours});
}
Text Text::relative(foundation::Date date) { return Text(Relative{date}); }
Text Text::operator+(const Text& other) const {
    Concatenation c;
    c.parts = {std::make_shared<const Text>(*this), std::make_shared<const Text>(other)};
    return Text(std::move(c));
}

Image::Image(Description description) : description_(std::move(description)) {
    static_cast<View&>(*this) = elementView([image = description_](const EnvironmentPtr& environment) {
        return detail::makeImageElement(environment, image);
    });
}
Image Image::asset(std::string name) { return Image(Description{Source::asset, std::move(name), false}); }
Image Image::system(std::string symbolName) { return Image(Description{Source::symbol, std::move(symbolName), false}); }
Image Image::resizable() const {
    Description d = description_;
    d.resizable = true;
    return Image(std::move(d));
}

Shape::Shape(std::string name, std::function<Path(Rect)> path)
    : View(shapeView(ShapeDescription{name, path}, std::nullopt, std::nullopt)), name_(std::move(name)),
      path_(std::move(path)) {}
View Shape::fill(ShapeStyle style) const {
    return shapeView(ShapeDescription{name_, path_}, style, std::nullopt);
}
View Shape::strokeBorder(ShapeStyle style, double lineWidth) const {
    return shapeView(ShapeDescription{name_, path_}, std::nullopt, std::make_pair(style, lineWidth));
}

Shape Rectangle() {
    return Shape("Rectangle", [](Rect r) {
        Path p;
        p.addRect(r);
        return p;
    });
}
Shape Capsule(RoundedCornerStyle style) {
    return Shape("Capsule", [style](Rect r) {
        Path p;
        p.addRoundedRect(r, std::min(r.width(), r.height()) / 2, style);
        return p;
    });
}
Shape RoundedRectangle(double cornerRadius, RoundedCornerStyle style) {
    return Shape("RoundedRectangle", [cornerRadius, style](Rect r) {
        Path p;
        p.addRoundedRect(r, cornerRadius, style);
        return p;
    });
}
Shape Circle() {
    return Shape("Circle", [](Rect r) {
        const double d = std::min(r.width(), r.height());
        Path p;
        p.addEllipse(Rect{{r.midX() - d / 2, r.midY() - d / 2}, {d, d}});
        return p;
    });
}

// MARK: Stacks

namespace {

View stack(Axis axis, HorizontalAlignment horizontal, VerticalAlignment vertical,
           std::optional<double> spacing, std::vector<View> children) {
    return elementView([=, children = std::move(children)](const EnvironmentPtr& environment) {
        return detail::makeStackElement(environment, axis, horizontal, vertical, spacing,
                                        resolveAll(children, environment));
    });
}

} // namespace

View VStack(HorizontalAlignment alignment, std::optional<double> spacing, std::vector<View> children) {
    return stack(Axis::vertical, alignment, VerticalAlignment::center, spacing, std::move(children));
}
View VStack(std::vector<View> children) { return VStack(HorizontalAlignment::center, std::nullopt, std::move(children)); }
View HStack(VerticalAlignment alignment, std::optional<double> spacing, std::vector<View> children) {
    return stack(Axis::horizontal, HorizontalAlignment::center, alignment, spacing, std::move(children));
}
View HStack(std::vector<View> children) { return HStack(VerticalAlignment::center, std::nullopt, std::move(children)); }
View ZStack(Alignment alignment, std::vector<View> children) {
    return elementView([alignment, children = std::move(children)](const EnvironmentPtr& environment) {
        return detail::makeZStackElement(environment, alignment, resolveAll(children, environment));
    });
}
View Group(std::vector<View> children) {
    return elementView([children = std::move(children)](const EnvironmentPtr& environment) {
        return detail::makeGroupElement(environment, resolveAll(children, environment));
    });
}
View Spacer(std::optional<double> minLength) {
    const double length = minLength.value_or(metrics::defaultStackSpacing);
    return elementView([length](const EnvironmentPtr& environment) {
        return detail::makeSpacerElement(environment, length);
    });
}
View EmptyView() { return View(); }
View GeometryReader(std::function<View(Size)> content) {
    return elementView([content = std::move(content)](const EnvironmentPtr& environment) {
        return detail::makeGeometryReaderElement(environment, content);
    });
}
View Probe(std::shared_ptr<std::vector<ProposedSize>> log, View child) {
    return elementView([log = std::move(log), child = std::move(child)](const EnvironmentPtr& environment) {
        return detail::makeProbeElement(environment, log, detail::resolveView(child, environment));
    });
}

} // namespace platform::ui
