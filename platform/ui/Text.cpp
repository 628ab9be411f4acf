#include "platform/foundation/Formatters.hpp"
#include "platform/foundation/LocalizedString.hpp"
#include "platform/ui/Element.hpp"
#include "platform/ui/LiveText.hpp"
#include "platform/ui/TextEngine.hpp"
#include "platform/ui/View.hpp"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace platform::ui {

namespace {
template <class... Ts> struct Overloaded : Ts... { using Ts::operator()...; };
template <class... Ts> Overloaded(Ts...) -> Overloaded<Ts...>;
} // namespace

std::string Text::resolveContent(const Content& content, const Environment& environment) {
    return std::visit(
        Overloaded{
            [](const Verbatim& v) { return v.string; },
            [&](const Localized& l) {
                // The first integer argument picks the form of a plural entry ("1 Stunde", "5 Stunden").
                std::optional<std::int64_t> count;
                for (const auto& a : l.arguments)
                    if (const auto* n = std::get_if<std::int64_t>(&a); n && !count) count = *n;
                const std::string format =
                    count ? foundation::localizedPlural(l.key, l.defaultValue, l.comment, *count,
                                                        environment.locale)
                          : foundation::localized(l.key, l.defaultValue, l.comment, environment.locale);
                if (l.arguments.empty()) return format;
                std::vector<foundation::FormatArgument> arguments;
                for (const auto& a : l.arguments) {
                    arguments.push_back(
                        std::visit(Overloaded{[](const std::string& s) { return s; },
                                              [&](std::int64_t n) {
                                                  return detail::localizedInteger(n, environment.locale);
                                              },
                                              [&](const std::shared_ptr<const Text>& t) {
                                                  return t ? t->resolve(environment) : std::string();
                                              }},
                                   a));
                }
                return foundation::fillFormat(format, arguments);
            },
            [&](const Timer& t) {
                return detail::timerText(t.from, t.to, environment.date, t.countsDown, t.showsHours,
                                         environment.locale);
            },
            [&](const Relative& r) {
                return foundation::formatRelativePast(r.date, environment.date, environment.locale);
            },
            [&](const Concatenation& c) {
                std::string out;
                for (const auto& part : c.parts)
                    out += part->resolve(environment);
                return out;
            },
        },
        content);
}

LiveTextUpdates Text::liveUpdatesOf(const Content& content, const Environment& environment) {
    return std::visit(
        Overloaded{
            [](const Verbatim&) { return LiveTextUpdates::none; },
            [&](const Localized& l) {
                LiveTextUpdates most = LiveTextUpdates::none;
                for (const auto& a : l.arguments)
                    if (const auto* text = std::get_if<std::shared_ptr<const Text>>(&a); text && *text)
                        most = std::max(most, (*text)->liveUpdates(environment));
                return most;
            },
            // A timer shows seconds until it runs out; then it stands still.
            [&](const Timer& t) {
                return environment.date < t.to ? LiveTextUpdates::everySecond : LiveTextUpdates::none;
            },
            [](const Relative&) { return LiveTextUpdates::everyMinute; },
            [&](const Concatenation& c) {
                LiveTextUpdates most = LiveTextUpdates::none;
                for (const auto& part : c.parts)
                    most = std::max(most, part->liveUpdates(environment));
                return most;
            },
        },
        content);
}

namespace detail {
namespace {

/// Unconstrained shapings of recent texts. Widgets are rendered again and again with mostly the same
/// texts (only live times change), so the common case, a text that fits, costs no shaping at all.
/// Shaped texts are immutable; the cache is used under the text lock.
std::shared_ptr<ShapedText> idealShaping(const std::string& text, const TextFontSpec& fontSpec,
                                         LayoutDirection direction) {
    constexpr std::size_t capacity = 512;
    std::lock_guard guard(textLock());
    static std::unordered_map<std::string, std::shared_ptr<ShapedText>> cache;
    std::string key = fontSpec.families;
    key += '\x1f';
    key += std::to_string(fontSpec.size) + '\x1f' + std::to_string(fontSpec.lineHeight) + '\x1f' +
           std::to_string(static_cast<int>(fontSpec.weight)) + '\x1f' + (fontSpec.tabularDigits ? "t" : "p") +
           (direction == LayoutDirection::rightToLeft ? "r" : "l") + '\x1f' + text;
    if (auto it = cache.find(key); it != cache.end()) return it->second;
    if (cache.size() >= capacity) cache.clear();
    auto shaped = std::make_shared<ShapedText>(text, fontSpec, direction, std::nullopt, 0, false);
    cache.emplace(std::move(key), shaped);
    return shaped;
}

/// A text shaped through Pango: wraps, truncates and scales as the layout rules say.
class TextElement final : public Element {
public:
    TextElement(std::shared_ptr<const Environment> environment, std::string text, LiveTextUpdates live)
        : Element(std::move(environment)), text_(std::move(text)), live_(live) {}

    bool isEmpty() const override { return text_.empty(); }
    void place(Rect bounds, ProposedSize proposal) override {
        frame_ = bounds;
        placed_ = shape(proposal).text;
        placedScale_ = shape(proposal).scale;
    }
    void draw(cairo_t* cr) const override {
        if (!placed_) return;
        placed_->draw(cr, frame_.origin, environment_->foregroundStyle.resolve(*environment_));
    }
    void dump(DumpWriter& writer) const override {
        std::string line = "Text \"" + (placed_ ? placed_->drawnText() : std::string()) + "\" " +
                           frameText() + " " + environment_->font.description();
        if (placedScale_ < 1) line += " scaled " + formatLength(placedScale_);
        if (environment_->lineLimit) line += " lines " + std::to_string(*environment_->lineLimit);
        line += " " + environment_->foregroundStyle.description();
        writer.line(line);
    }
    void collectAccessibility(std::vector<AccessibilityElement>& nodes) const override {
        nodes.push_back({{text_, ""}, frame_});
    }
    LiveTextUpdates liveTextUpdates() const override { return live_; }

protected:
    Measured computeMeasure(ProposedSize p) override {
        const Shaping& s = shape(p);
        if (!s.text) return {{0, s.emptyHeight}, s.emptyHeight};
        return {s.text->size(), s.text->firstBaseline()};
    }

private:
    struct Shaping {
        ProposedSize proposal;
        std::shared_ptr<ShapedText> text; // none when offered no width at all: nothing is drawn
        double emptyHeight = 0;
        double scale = 1;
    };

    const Shaping& shape(ProposedSize p) {
        for (const auto& s : shapings_)
            if (s.proposal == p) return s;
        shapings_.push_back(computeShaping(p));
        return shapings_.back();
    }

    /// The text at full size on as many lines as its paragraphs have: what it takes when nothing
    /// limits it, and what it shows whenever that fits the offer (the common case, shaped once).
    const ShapedText& ideal() {
        if (!ideal_) {
            const TextFontSpec font =
                TextFontSpec::from(environment_->font, environment_->locale.identifier());
            const LayoutDirection direction = environment_->layoutDirection;
            // A running timer's text is new every second and never shown again: kept, it would only
            // push the texts that do come back out of the shared shapings.
            ideal_ = live_ == LiveTextUpdates::everySecond
                         ? std::make_shared<ShapedText>(text_, font, direction, std::nullopt, 0, false)
                         : idealShaping(text_, font, direction);
        }
        return *ideal_;
    }

    Shaping computeShaping(ProposedSize p) {
        const Environment& env = *environment_;
        const auto lineHeight = metrics::textStyle(env.font.style).lineHeight;
        const std::optional<double> width = p.width && std::isfinite(*p.width) ? p.width : std::nullopt;
        int maxLines = env.lineLimit.value_or(0);
        if (p.height && std::isfinite(*p.height)) {
            const int fitting = std::max(1, static_cast<int>(std::floor(*p.height / lineHeight + 1e-6)));
            maxLines = maxLines > 0 ? std::min(maxLines, fitting) : fitting;
        }
        Shaping s;
        s.proposal = p;
        const ShapedText& full = ideal();
        if ((!width || full.size().width <= *width) && (maxLines == 0 || full.lineCount() <= maxLines)) {
            s.text = ideal_;
            return s;
        }
        if (width && *width < 1) {
            // Not even an ellipsis fits: the text takes one line's height and no width (stacks ask
            // this when they measure how far a child can shrink).
            s.scale = std::clamp(env.minimumScaleFactor, 0.01, 1.0);
            s.emptyHeight = lineHeight * s.scale;
            return s;
        }
        const std::string locale = env.locale.identifier();
        auto fits = [&](double scale) {
            ShapedText probe(text_, TextFontSpec::from(env.font, locale, scale), env.layoutDirection, width,
                             0, false);
            return maxLines == 0 || probe.lineCount() <= maxLines;
        };
        double scale = 1;
        const double minimum = std::clamp(env.minimumScaleFactor, 0.01, 1.0);
        if (width && *width > 0 && maxLines > 0 && minimum < 1) {
            if (maxLines == 1 && full.lineCount() == 1) {
                // One line: its width shrinks in proportion to the font size (outlines are unhinted),
                // so the scale that fits follows from the ideal width; one check covers rounding.
                scale = std::max(minimum, std::floor(*width / full.size().width * 100) / 100);
                if (scale > minimum && !fits(scale)) scale = std::max(minimum, scale - 0.01);
            } else if (!fits(1)) {
                // The largest scale that fits, to a hundredth; the minimum when none does.
                double lo = minimum, hi = 1;
                if (fits(lo)) {
                    for (int i = 0; i < 7; ++i) {
                        const double mid = (lo + hi) / 2;
                        (fits(mid) ? lo : hi) = mid;
                    }
                }
                scale = std::floor(lo * 100) / 100;
            }
        }
        s.scale = scale;
        s.text = std::make_shared<ShapedText>(text_, TextFontSpec::from(env.font, locale, scale),
                                              env.layoutDirection, width, maxLines, true);
        return s;
    }

    std::string text_;
    LiveTextUpdates live_;
    std::shared_ptr<ShapedText> ideal_;
    std::vector<Shaping> shapings_;
    std::shared_ptr<ShapedText> placed_;
    double placedScale_ = 1;
};

} // namespace

ElementPtr makeTextElement(std::shared_ptr<const Environment> environment, std::string text,
                           LiveTextUpdates live) {
    return std::make_shared<TextElement>(std::move(environment), std::move(text), live);
}

} // namespace detail

// MARK: Views

TextArgument textArgument(Text text) {
    return std::make_shared<const Text>(std::move(text));
}

Text::Text(Content content) : content_(std::make_shared<const Content>(std::move(content))) {
    static_cast<View&>(*this) =
        detail::elementView([content = content_](const detail::EnvironmentPtr& environment) {
            return detail::makeTextElement(environment, resolveContent(*content, *environment),
                                           liveUpdatesOf(*content, *environment));
        });
}
Text Text::verbatim(std::string string) {
    return Text(Verbatim{std::move(string)});
}
Text Text::localized(std::string key, std::vector<TextArgument> arguments, std::string defaultValue,
                     std::string comment) {
    if (defaultValue.empty()) defaultValue = key;
    return Text(Localized{std::move(key), std::move(arguments), std::move(defaultValue), std::move(comment)});
}
Text Text::timer(foundation::Date from, foundation::Date to, bool countsDown, bool showsHours) {
    return Text(Timer{from, to, countsDown, showsHours});
}
Text Text::relative(foundation::Date date) {
    return Text(Relative{date});
}
Text Text::operator+(const Text& other) const {
    Concatenation c;
    c.parts = {std::make_shared<const Text>(*this), std::make_shared<const Text>(other)};
    return Text(std::move(c));
}

} // namespace platform::ui
