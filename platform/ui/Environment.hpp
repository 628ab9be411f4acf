#pragma once
// The values a view tree inherits from its container: locale, direction, appearance, the widget's
// family, the instant being rendered, text attributes, and keys the system defines for itself.

#include "platform/foundation/Date.hpp"
#include "platform/foundation/Locale.hpp"
#include "platform/ui/Color.hpp"
#include "platform/ui/Font.hpp"
#include "platform/ui/Metrics.hpp"

#include <concepts>
#include <memory>
#include <optional>
#include <string>
#include <typeindex>

namespace platform::ui {

enum class LayoutDirection { leftToRight, rightToLeft };

/// A key of the system's own: a type with `Value` and `static Value defaultValue()`.
template <class K>
concept EnvironmentKey = requires {
    typename K::Value;
    { K::defaultValue() } -> std::convertible_to<typename K::Value>;
};

/// The environment a view is resolved in. Copies are cheap; modifiers change a copy for a subtree.
class Environment {
public:
    /// The locale texts are looked up and formatted in.
    foundation::Locale locale = foundation::Locale("en");
    LayoutDirection layoutDirection = LayoutDirection::leftToRight;
    ColorScheme colorScheme = ColorScheme::light;
    ColorSchemeContrast colorSchemeContrast = ColorSchemeContrast::standard;
    WidgetFamily widgetFamily = WidgetFamily::systemSmall;
    /// The instant being rendered: live texts show their value at this instant.
    foundation::Date date = foundation::Clock::now();
    /// Folder that images named by asset are looked up in (a bundle's Resources).
    std::string assetDirectory;

    // Text and drawing attributes that flow down to every text, symbol and shape below.
    Font font = Font(TextStyle::body);
    ShapeStyle foregroundStyle = ShapeStyle::primary();
    std::optional<int> lineLimit;
    double minimumScaleFactor = 1;

    /// The value of a system-defined key, or its default.
    template <EnvironmentKey K> typename K::Value value() const {
        for (const Entry* e = entries_.get(); e; e = e->next.get())
            if (e->key == std::type_index(typeid(K))) return *static_cast<const typename K::Value*>(e->value.get());
        return K::defaultValue();
    }
    /// Sets a system-defined key for this environment and everything resolved in it.
    template <EnvironmentKey K> void setValue(typename K::Value v) {
        auto entry = std::make_shared<Entry>();
        entry->key = std::type_index(typeid(K));
        entry->value = std::make_shared<typename K::Value>(std::move(v));
        entry->next = entries_;
        entries_ = std::move(entry);
    }

    /// The environment every render starts from: light, standard contrast, English, left to right,
    /// at the current instant.
    static Environment standard() { return Environment{}; }

private:
    struct Entry {
        std::type_index key = std::type_index(typeid(void));
        std::shared_ptr<const void> value;
        std::shared_ptr<const Entry> next;
    };
    std::shared_ptr<const Entry> entries_;
};

/// The process-wide folder image assets are looked up in when an environment names none.
void setDefaultAssetDirectory(std::string directory);
std::string defaultAssetDirectory();

} // namespace platform::ui
