// Laying out, rendering (Cairo: PNG, SVG, PDF), the accessibility tree and the laid-out tree dump.

#include "platform/ui/Rendering.hpp"

#include "platform/ui/Element.hpp"
#include "platform/ui/PNGEncoder.hpp"
#include "platform/ui/TextEngine.hpp"

#include <algorithm>
#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>
#include <cmath>
#include <cstdio>
#include <functional>

namespace platform::ui {

using detail::ElementPtr;
using foundation::Failure;
using foundation::Result;
using foundation::Success;

struct LaidOutView::Tree {
    ElementPtr root;
    std::shared_ptr<const Environment> environment;
    Size size;
    /// The top-most first text baseline, from the top; absent when nothing shows text.
    std::optional<double> firstTextBaseline;
    /// Widgets: the container's background, drawn under the content and clipped to its corners.
    std::optional<ShapeStyle> containerBackground;
};

namespace {

void drawTree(const LaidOutView::Tree& tree, cairo_t* cr) {
    if (tree.containerBackground) {
        Path container;
        container.addRoundedRect(Rect{{0, 0}, tree.size}, metrics::widgetCornerRadius, RoundedCornerStyle::continuous);
        cairo_new_path(cr);
        detail::appendPath(cr, container);
        cairo_clip(cr);
        const Color c = tree.containerBackground->resolve(*tree.environment);
        cairo_set_source_rgba(cr, c.red, c.green, c.blue, c.alpha);
        cairo_paint(cr);
    }
    tree.root->draw(cr);
}

Result<Success, std::string> writeBytes(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes) {
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (!out) return Failure{"cannot write " + file.string()};
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    if (std::fclose(out) != 0 || !written) return Failure{"cannot write " + file.string()};
    return Success{};
}

int pixels(double points, double scale) { return std::max(1, static_cast<int>(std::ceil(points * scale - 1e-9))); }

std::string cairoError(cairo_status_t status) { return cairo_status_to_string(status); }

} // namespace

Size LaidOutView::size() const { return tree_->size; }

std::optional<double> LaidOutView::firstTextBaseline() const { return tree_->firstTextBaseline; }

std::string LaidOutView::layoutDump() const {
    std::lock_guard guard(detail::textLock());
    detail::DumpWriter writer;
    tree_->root->dump(writer);
    return writer.out;
}

std::vector<AccessibilityElement> LaidOutView::accessibilityElements() const {
    std::vector<AccessibilityElement> elements;
    tree_->root->collectAccessibility(elements);
    std::erase_if(elements, [](const AccessibilityElement& e) { return e.node.label.empty() && e.node.value.empty(); });
    return elements;
}

std::vector<AccessibilityNode> LaidOutView::accessibilityTree() const {
    std::vector<AccessibilityNode> nodes;
    for (auto& element : accessibilityElements()) nodes.push_back(std::move(element.node));
    return nodes;
}

namespace {

void forEachElement(const detail::Element& element, const std::function<void(const detail::Element&)>& visit) {
    visit(element);
    element.forEachChild([&](const detail::Element& child) { forEachElement(child, visit); });
}

bool contains(const Rect& rect, Point point) {
    return point.x >= rect.minX() && point.x < rect.maxX() && point.y >= rect.minY() && point.y < rect.maxY();
}

} // namespace

std::optional<HelpTag> LaidOutView::helpTag(Point point) const {
    // Walked parents first and in drawing order: the last match is the innermost view on top.
    std::optional<HelpTag> found;
    forEachElement(*tree_->root, [&](const detail::Element& element) {
        if (const std::string* text = element.help(); text && contains(element.frame(), point))
            found = HelpTag{*text, element.frame()};
    });
    return found;
}

LiveTextUpdates LaidOutView::liveTextUpdates() const {
    LiveTextUpdates most = LiveTextUpdates::none;
    forEachElement(*tree_->root,
                   [&](const detail::Element& element) { most = std::max(most, element.liveTextUpdates()); });
    return most;
}

std::string LaidOutView::accessibilityDump() const {
    std::string out;
    for (const auto& n : accessibilityTree()) {
        out += "\"" + n.label + "\"";
        if (!n.value.empty()) out += ", value \"" + n.value + "\"";
        out += '\n';
    }
    return out;
}

void LaidOutView::draw(cairo_t* context) const {
    std::lock_guard guard(detail::textLock());
    cairo_save(context);
    drawTree(*tree_, context);
    cairo_restore(context);
}

Result<std::vector<std::uint8_t>, std::string> LaidOutView::png(double scale) const {
    if (!(scale > 0 && scale <= 8)) return Failure{std::string("scale factor must be between 0 and 8")};
    std::lock_guard guard(detail::textLock());
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pixels(tree_->size.width, scale),
                                                          pixels(tree_->size.height, scale));
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, scale, scale);
    drawTree(*tree_, cr);
    cairo_destroy(cr);
    auto bytes = detail::encodePNG(surface);
    cairo_surface_destroy(surface);
    return bytes;
}

Result<Success, std::string> LaidOutView::write(const std::filesystem::path& file, ImageFormat format,
                                                double scale) const {
    if (format == ImageFormat::png) {
        auto bytes = png(scale);
        if (!bytes) return Failure{bytes.error()};
        return writeBytes(file, *bytes);
    }
    std::lock_guard guard(detail::textLock());
    cairo_surface_t* surface =
        format == ImageFormat::svg
            ? cairo_svg_surface_create(file.c_str(), tree_->size.width, tree_->size.height)
            : cairo_pdf_surface_create(file.c_str(), tree_->size.width, tree_->size.height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        const auto status = cairo_surface_status(surface);
        cairo_surface_destroy(surface);
        return Failure{"cannot write " + file.string() + ": " + cairoError(status)};
    }
    cairo_t* cr = cairo_create(surface);
    drawTree(*tree_, cr);
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    const cairo_status_t status = cairo_surface_status(surface);
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) return Failure{"cannot write " + file.string() + ": " + cairoError(status)};
    return Success{};
}

LaidOutView layout(const View& view, const Environment& environment, ProposedSize proposal) {
    std::lock_guard guard(detail::textLock());
    auto tree = std::make_shared<LaidOutView::Tree>();
    tree->environment = std::make_shared<const Environment>(environment);
    tree->root = detail::resolveView(view, tree->environment);
    const detail::Measured measured = tree->root->measure(proposal);
    tree->size = measured.size;
    tree->firstTextBaseline = measured.firstBaseline;
    tree->root->place(Rect{{0, 0}, tree->size}, proposal);
    return LaidOutView(std::move(tree));
}

LaidOutView layoutWidget(const View& content, const Environment& environment) {
    return layoutWidget(content, environment, metrics::widgetSize(environment.widgetFamily));
}

LaidOutView layoutWidget(const View& content, const Environment& environment, Size widgetSize) {
    std::lock_guard guard(detail::textLock());
    auto tree = std::make_shared<LaidOutView::Tree>();
    tree->environment = std::make_shared<const Environment>(environment);
    tree->size = {std::max(0.0, widgetSize.width), std::max(0.0, widgetSize.height)};
    const double margin = metrics::widgetContentMargin;
    const Size inner{std::max(0.0, tree->size.width - 2 * margin), std::max(0.0, tree->size.height - 2 * margin)};
    // The host offers the content the area inside the margins and centres what it takes.
    auto root = detail::resolveView(content, tree->environment);
    const detail::Measured measured = root->measure(inner);
    const Size taken = measured.size;
    const Point origin{margin + (inner.width - taken.width) / 2, margin + (inner.height - taken.height) / 2};
    root->place(Rect{origin, taken}, inner);
    if (measured.firstBaseline) tree->firstTextBaseline = origin.y + *measured.firstBaseline;
    const ShapeStyle* background = root->containerBackground();
    tree->containerBackground = background ? *background : ShapeStyle::system(SystemColor::widgetBackground);
    tree->root = std::move(root);
    return LaidOutView(std::move(tree));
}

Result<Success, std::string> writeSheet(const std::vector<SheetCell>& cells, Size sheetSize, Color background,
                                        const std::filesystem::path& file, double scale) {
    std::lock_guard guard(detail::textLock());
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pixels(sheetSize.width, scale),
                                                          pixels(sheetSize.height, scale));
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, scale, scale);
    cairo_set_source_rgba(cr, background.red, background.green, background.blue, background.alpha);
    cairo_paint(cr);
    for (const auto& cell : cells) {
        cairo_save(cr);
        cairo_translate(cr, cell.origin.x, cell.origin.y);
        drawTree(*cell.view.tree(), cr);
        cairo_restore(cr);
    }
    cairo_destroy(cr);
    auto bytes = detail::encodePNG(surface);
    cairo_surface_destroy(surface);
    if (!bytes) return Failure{bytes.error()};
    return writeBytes(file, *bytes);
}

} // namespace platform::ui
