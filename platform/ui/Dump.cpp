// The laid-out tree as text: lengths and colours as the dump writes them, one line per element.

#include "platform/ui/Element.hpp"

#include <cmath>
#include <cstdio>

namespace platform::ui::detail {

std::string formatLength(double value) {
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2f", value);
    std::string s = buffer;
    while (!s.empty() && s.back() == '0')
        s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    if (s == "-0") s = "0";
    return s;
}

std::string formatColor(const Color& c) {
    auto channel = [](double v) { return std::to_string(static_cast<int>(std::lround(v * 255))); };
    return "rgba(" + channel(c.red) + "," + channel(c.green) + "," + channel(c.blue) + "," +
           formatLength(c.alpha) + ")";
}

std::string Element::frameText() const {
    return "(" + formatLength(frame_.minX()) + ", " + formatLength(frame_.minY()) + ", " +
           formatLength(frame_.width()) + " × " + formatLength(frame_.height()) + ")";
}

void DumpWriter::line(const std::string& text) {
    out.append(static_cast<std::size_t>(depth) * 2, ' ');
    out += text;
    out += '\n';
}

} // namespace platform::ui::detail
