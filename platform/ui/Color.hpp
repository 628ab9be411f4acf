#pragma once
// Colours and the styles that views fill and draw with, resolved against the appearance.

#include <memory>
#include <string>

namespace platform::ui {

class Environment;

/// A concrete colour: red, green, blue and alpha from 0 to 1 (sRGB).
struct Color {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;

    /// A colour from 0–255 channels and an alpha from 0 to 1.
    static Color rgb255(int r, int g, int b, double a = 1) { return {r / 255.0, g / 255.0, b / 255.0, a}; }
    Color withAlphaMultiplied(double factor) const { return {red, green, blue, alpha * factor}; }
    bool operator==(const Color&) const = default;
};

/// The platform's hierarchical foreground levels (emphasis of the current foreground).
enum class HierarchicalLevel { primary, secondary, tertiary, quaternary };

/// The platform's named system colours.
enum class SystemColor { accent, orange, red, widgetBackground };

/// A colour with one variant for the light and one for the dark appearance.
struct DynamicColor {
    Color light;
    Color dark;
    bool operator==(const DynamicColor&) const = default;
};

/// What a shape is filled with or a text drawn in: a hierarchical level, a system colour, a fixed
/// colour or a dynamic light/dark colour, with an opacity applied on top.
class ShapeStyle {
public:
    enum class Kind { hierarchical, system, fixed, dynamic };

    static ShapeStyle hierarchical(HierarchicalLevel level);
    static ShapeStyle system(SystemColor color);
    static ShapeStyle fixed(Color color);
    static ShapeStyle dynamic(DynamicColor color);

    static ShapeStyle primary() { return hierarchical(HierarchicalLevel::primary); }
    static ShapeStyle secondary() { return hierarchical(HierarchicalLevel::secondary); }
    static ShapeStyle tertiary() { return hierarchical(HierarchicalLevel::tertiary); }
    static ShapeStyle quaternary() { return hierarchical(HierarchicalLevel::quaternary); }
    static ShapeStyle accent() { return system(SystemColor::accent); }
    static ShapeStyle orange() { return system(SystemColor::orange); }
    static ShapeStyle red() { return system(SystemColor::red); }

    /// The same style at `factor` times its opacity.
    ShapeStyle opacity(double factor) const;

    /// The concrete colour in `environment` (appearance and contrast).
    Color resolve(const Environment& environment) const;
    /// A short name for dumps: "secondary", "accent", "rgba(0,0,0,0.08)|rgba(255,255,255,0.13)".
    std::string description() const;

    Kind kind() const { return kind_; }
    bool operator==(const ShapeStyle&) const = default;

private:
    Kind kind_ = Kind::hierarchical;
    HierarchicalLevel level_ = HierarchicalLevel::primary;
    SystemColor systemColor_ = SystemColor::accent;
    DynamicColor colors_;
    double opacity_ = 1;
};

} // namespace platform::ui
