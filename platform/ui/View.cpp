// The view value, the generic step from a view to its element, and the modifiers that change the
// environment a view resolves in. Each primitive and modifier that makes an element of its own is in
// the file of its kind (Stack.cpp, Frame.cpp, Text.cpp, ...).

#include "platform/ui/View.hpp"

#include "platform/ui/Element.hpp"

namespace platform::ui {

using detail::ElementPtr;
using detail::EnvironmentPtr;
using detail::ViewNode;

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

View elementView(std::function<ElementPtr(const EnvironmentPtr&)> make) {
    return View(std::make_shared<ElementNode>(std::move(make)));
}

View wrapView(const View& child, std::function<ElementPtr(const EnvironmentPtr&, ElementPtr)> wrap) {
    return elementView([child, wrap = std::move(wrap)](const EnvironmentPtr& environment) {
        return wrap(environment, resolveView(child, environment));
    });
}

std::vector<ElementPtr> resolveAll(const std::vector<View>& views, const EnvironmentPtr& environment) {
    std::vector<ElementPtr> out;
    out.reserve(views.size());
    for (const auto& v : views)
        out.push_back(resolveView(v, environment));
    return out;
}

} // namespace detail

// MARK: View

View::View() : node_(emptyNode()) {}

View EmptyView() {
    return View();
}

// MARK: Environment

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

} // namespace platform::ui
