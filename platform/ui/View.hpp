#pragma once
// Declarative views: a View is a value (type-erased, cheap to copy) built from primitives, modifiers
// and composed views. A composed view is any struct with `View body(const Environment&) const`.

#include "platform/foundation/Date.hpp"
#include "platform/ui/Color.hpp"
#include "platform/ui/Environment.hpp"
#include "platform/ui/Font.hpp"
#include "platform/ui/Geometry.hpp"
#include "platform/ui/Path.hpp"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace platform::ui {

namespace detail {
class ViewNode;
class Element;
using ElementPtr = std::shared_ptr<Element>;
} // namespace detail

class View;
class Text;

/// A struct whose body builds its content from the environment.
template <class T>
concept ComposedView = requires(const T& v, const Environment& e) {
    { v.body(e) } -> std::convertible_to<View>;
};

/// How accessibility treats a view's children.
enum class AccessibilityChildBehavior {
    ignore,  ///< one element; the children are not read (give it a label and value)
    combine, ///< one element whose label and value join the children's
    contain  ///< the children stay separate elements
};

enum class ContentMode { fit, fill };

/// A description of an animation. Stills are rendered at the final state; it is kept for dumps.
struct Animation {
    std::string description;
    /// A spring without bounce settles at its target; `response` in seconds.
    static Animation spring(double response, double dampingFraction, double blendDuration);
    bool operator==(const Animation&) const = default;
};

/// A flexible frame: any bound may be absent; a maximum of `infinity` takes all that is offered.
struct FrameBounds {
    std::optional<double> minWidth = std::nullopt;
    std::optional<double> maxWidth = std::nullopt;
    std::optional<double> minHeight = std::nullopt;
    std::optional<double> maxHeight = std::nullopt;
    Alignment alignment = Alignment::center;
};

/// A view value. Copies share the same immutable description.
class View {
public:
    /// The empty view: takes no room and is left out of stacks.
    View();
    template <ComposedView T> View(T value);
    explicit View(std::shared_ptr<const detail::ViewNode> node) : node_(std::move(node)) {}

    // Layout modifiers.
    View frame(std::optional<double> width, std::optional<double> height,
               Alignment alignment = Alignment::center) const;
    View frame(FrameBounds bounds) const;
    View padding(EdgeInsets insets) const;
    View padding(double length) const;
    View aspectRatio(std::optional<double> ratio, ContentMode mode) const;
    View fixedSize(bool horizontal = true, bool vertical = true) const;
    View overlay(View content, Alignment alignment = Alignment::center) const;
    View background(View content, Alignment alignment = Alignment::center) const;

    // Environment modifiers: they apply to every text, symbol and shape below.
    View font(Font font) const;
    View fontWeight(FontWeight weight) const;
    View monospacedDigit() const;
    View foregroundStyle(ShapeStyle style) const;
    View lineLimit(std::optional<int> lines) const;
    View minimumScaleFactor(double factor) const;
    View locale(foundation::Locale locale) const;
    View layoutDirection(LayoutDirection direction) const;
    View colorScheme(ColorScheme scheme) const;
    View colorSchemeContrast(ColorSchemeContrast contrast) const;
    View widgetFamily(WidgetFamily family) const;
    /// Sets a system-defined environment key for everything below.
    template <EnvironmentKey K> View environment(typename K::Value value) const {
        return transformEnvironment([value](Environment& e) { e.setValue<K>(value); });
    }
    View transformEnvironment(std::function<void(Environment&)> change) const;

    // Descriptive modifiers.
    View help(std::string tooltip) const;
    View animation(Animation animation, std::string value) const;
    /// The widget's container background (the host fills the widget with it).
    View containerBackground(ShapeStyle style) const;

    // Accessibility.
    View accessibilityElement(AccessibilityChildBehavior children) const;
    View accessibilityLabel(Text label) const;
    View accessibilityValue(Text value) const;
    View accessibilityHidden(bool hidden = true) const;

    const std::shared_ptr<const detail::ViewNode>& node() const { return node_; }

private:
    std::shared_ptr<const detail::ViewNode> node_;
};

/// How often the live texts of a view change their wording.
enum class LiveTextUpdates {
    none,        ///< nothing live, or only what has stopped changing (a timer that ran out)
    everyMinute, ///< relative references such as "5 minutes ago"
    everySecond, ///< a running timer, which shows seconds
};

/// One argument of a localized text: a string, an integer (formatted in the locale's digits) or
/// another text (a live timer, say), resolved when the text is drawn.
using TextArgument = std::variant<std::string, std::int64_t, std::shared_ptr<const Text>>;
TextArgument textArgument(Text text);

/// A text: verbatim, localized (looked up with the environment's locale when drawn), or live (a
/// countdown timer or a relative reference to a past date, shown as at the environment's instant).
class Text : public View {
public:
    struct Verbatim {
        std::string string;
    };
    struct Localized {
        std::string key;
        std::vector<TextArgument> arguments;
        std::string defaultValue;
        std::string comment;
    };
    struct Timer {
        foundation::Date from;
        foundation::Date to;
        bool countsDown = true;
        bool showsHours = true;
    };
    struct Relative {
        foundation::Date date;
    };
    /// Several texts shown as one, in order.
    struct Concatenation {
        std::vector<std::shared_ptr<const Text>> parts;
    };
    using Content = std::variant<Verbatim, Localized, Timer, Relative, Concatenation>;

    /// A text shown as given, never looked up.
    static Text verbatim(std::string string);
    /// A text looked up by key in the string tables; the default is the key itself when empty.
    static Text localized(std::string key, std::vector<TextArgument> arguments = {},
                          std::string defaultValue = {}, std::string comment = {});
    /// A live timer over [from, to], counting down, showing hours ("3:08:12", under an hour "8:12").
    static Text timer(foundation::Date from, foundation::Date to, bool countsDown = true, bool showsHours = true);
    /// A live relative reference to a past date in one unit among days, hours and minutes.
    static Text relative(foundation::Date date);

    Text operator+(const Text& other) const;

    /// The string shown in `environment` (its locale and instant).
    std::string resolve(const Environment& environment) const { return resolveContent(*content_, environment); }
    static std::string resolveContent(const Content& content, const Environment& environment);
    /// How often the text, shown from the environment's instant on, changes its wording.
    LiveTextUpdates liveUpdates(const Environment& environment) const { return liveUpdatesOf(*content_, environment); }
    static LiveTextUpdates liveUpdatesOf(const Content& content, const Environment& environment);
    const Content& content() const { return *content_; }

private:
    explicit Text(Content content);
    std::shared_ptr<const Content> content_;
};

/// An image by asset name (SVG or PNG in the asset folder) or by symbol name.
class Image : public View {
public:
    enum class Source { asset, symbol };
    struct Description {
        Source source = Source::asset;
        std::string name;
        bool resizable = false;
    };

    static Image asset(std::string name);
    static Image system(std::string symbolName);
    /// The image stretches to the frame it is offered instead of keeping its own size.
    Image resizable() const;

    Source source() const { return description_.source; }
    const std::string& name() const { return description_.name; }

private:
    explicit Image(Description description);
    Description description_;
};

/// Whether an image asset named `name` exists in the environment's asset folder.
bool imageAssetExists(const std::string& name, const Environment& environment);

/// A shape: a path for any rectangle. It fills the space it is offered; as a view it is filled with
/// the environment's foreground style.
class Shape : public View {
public:
    Shape(std::string name, std::function<Path(Rect)> path);

    /// Filled with `style`.
    View fill(ShapeStyle style) const;
    /// Stroked inside its edge with a line of `lineWidth`.
    View strokeBorder(ShapeStyle style, double lineWidth) const;
    /// The outline for `rect`.
    Path path(Rect rect) const { return path_(rect); }
    const std::string& name() const { return name_; }

private:
    std::string name_;
    std::function<Path(Rect)> path_;
};

Shape Rectangle();
Shape Capsule(RoundedCornerStyle style = RoundedCornerStyle::circular);
Shape RoundedRectangle(double cornerRadius, RoundedCornerStyle style = RoundedCornerStyle::circular);
Shape Circle();

// Stacks and spacers.
View VStack(HorizontalAlignment alignment, std::optional<double> spacing, std::vector<View> children);
View VStack(std::vector<View> children);
View HStack(VerticalAlignment alignment, std::optional<double> spacing, std::vector<View> children);
View HStack(std::vector<View> children);
/// Layers over each other, aligned.
View ZStack(Alignment alignment, std::vector<View> children);
/// Children that a surrounding stack takes as its own.
View Group(std::vector<View> children);
/// Takes all free room along its stack's axis, never less than `minLength`.
View Spacer(std::optional<double> minLength = std::nullopt);
View EmptyView();
/// Builds its content from the size it is offered (absent lengths count as 10 points).
View GeometryReader(std::function<View(Size)> content);
/// Records every proposal its child receives (the cheapest test of a layout bug).
View Probe(std::shared_ptr<std::vector<ProposedSize>> log, View child);

namespace detail {

/// A node of a view description: resolves itself, in an environment, into a layout element.
class ViewNode {
public:
    virtual ~ViewNode() = default;
    virtual ElementPtr resolve(const std::shared_ptr<const Environment>& environment) const = 0;
};

ElementPtr resolveView(const View& view, const std::shared_ptr<const Environment>& environment);

template <class T> class ComposedNode final : public ViewNode {
public:
    explicit ComposedNode(T value) : value_(std::move(value)) {}
    ElementPtr resolve(const std::shared_ptr<const Environment>& environment) const override {
        return resolveView(View(value_.body(*environment)), environment);
    }

private:
    T value_;
};

} // namespace detail

template <ComposedView T> View::View(T value) : node_(std::make_shared<detail::ComposedNode<T>>(std::move(value))) {}

} // namespace platform::ui
