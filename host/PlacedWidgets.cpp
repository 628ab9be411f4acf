#include "host/PlacedWidgets.hpp"

#include "platform/foundation/UserDefaults.hpp"
#include "platform/widgetkit/WidgetFamily.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace widgethost {

namespace fs = std::filesystem;
using platform::foundation::Failure;
using platform::foundation::PropertyListValue;
using platform::foundation::Success;
using platform::foundation::UserDefaults;

namespace {

constexpr const char* widgetsKey = "PlacedWidgets";
constexpr const char* nextNumberKey = "NextWidgetNumber";

PropertyListValue encode(const PlacedWidget& widget) {
    PropertyListValue::Dictionary entry{
        {"number", PropertyListValue(widget.number)},
        {"kind", PropertyListValue(widget.kind)},
        {"family", PropertyListValue(std::string(platform::widgetkit::name(widget.family)))},
    };
    if (widget.configuration.entityIdentifiers)
        entry.emplace("sources", PropertyListValue::strings(*widget.configuration.entityIdentifiers));
    return PropertyListValue(std::move(entry));
}

// An entry someone else wrote badly is left out rather than failing the whole list.
std::optional<PlacedWidget> decode(const PropertyListValue& value) {
    const auto* entry = value.get<PropertyListValue::Dictionary>();
    if (!entry) return std::nullopt;
    const auto field = [&](const char* key) -> const PropertyListValue* {
        const auto found = entry->find(key);
        return found == entry->end() ? nullptr : &found->second;
    };
    const auto* number = field("number") ? field("number")->get<std::int64_t>() : nullptr;
    const auto* kind = field("kind") ? field("kind")->get<std::string>() : nullptr;
    const auto* family = field("family") ? field("family")->get<std::string>() : nullptr;
    const auto parsedFamily = family ? platform::widgetkit::widgetFamily(*family) : std::nullopt;
    if (!number || *number < 1 || !kind || !parsedFamily) return std::nullopt;

    PlacedWidget widget{*number, *kind, *parsedFamily, {}};
    if (const auto* sources = field("sources")) {
        const auto* list = sources->get<PropertyListValue::Array>();
        if (!list) return std::nullopt;
        std::vector<std::string> identifiers;
        for (const auto& item : *list) {
            const auto* identifier = item.get<std::string>();
            if (!identifier) return std::nullopt;
            identifiers.push_back(*identifier);
        }
        widget.configuration.entityIdentifiers = std::move(identifiers);
    }
    return widget;
}

// The stored domain itself, not the search list: a global default of the same name is not ours.
PlacementChange read() {
    const auto domain = UserDefaults(std::string(hostDefaultsDomain)).persistentDomain(hostDefaultsDomain);
    const auto value = [&](const char* key) -> const PropertyListValue* {
        if (!domain) return nullptr;
        const auto found = domain->find(key);
        return found == domain->end() ? nullptr : &found->second;
    };
    PlacementChange placed;
    if (const auto* stored = value(widgetsKey))
        if (const auto* list = stored->get<PropertyListValue::Array>())
            for (const auto& item : *list)
                if (auto widget = decode(item)) placed.widgets.push_back(std::move(*widget));
    std::sort(placed.widgets.begin(), placed.widgets.end(),
              [](const PlacedWidget& a, const PlacedWidget& b) { return a.number < b.number; });
    placed.widgets.erase(
        std::unique(placed.widgets.begin(), placed.widgets.end(),
                    [](const PlacedWidget& a, const PlacedWidget& b) { return a.number == b.number; }),
        placed.widgets.end());
    // Numbers are never given twice, even when the counter was lost or damaged.
    std::int64_t next = 1;
    if (const auto* counter = value(nextNumberKey))
        if (const auto* stored = counter->get<std::int64_t>()) next = *stored;
    for (const auto& widget : placed.widgets)
        next = std::max(next, widget.number + 1);
    placed.nextNumber = std::max<std::int64_t>(next, 1);
    return placed;
}

// An exclusive lock on <defaults file>.lock for as long as it lives.
class ExclusiveLock {
public:
    explicit ExclusiveLock(const fs::path& file) {
        std::error_code ignored;
        fs::create_directories(file.parent_path(), ignored);
        descriptor_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (descriptor_ < 0) {
            error_ = std::strerror(errno);
            return;
        }
        int locked;
        do
            locked = ::flock(descriptor_, LOCK_EX);
        while (locked != 0 && errno == EINTR);
        if (locked != 0) {
            error_ = std::strerror(errno);
            ::close(descriptor_);
            descriptor_ = -1;
        }
    }
    ~ExclusiveLock() {
        if (descriptor_ >= 0) ::close(descriptor_);
    }
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;

    bool held() const { return descriptor_ >= 0; }
    const std::string& error() const { return error_; }

private:
    int descriptor_ = -1;
    std::string error_;
};

} // namespace

std::vector<PlacedWidget> placedWidgets() {
    return read().widgets;
}

std::string PlacementFailure::message() const {
    std::string text;
    std::size_t next = 0;
    for (std::size_t i = 0; i < key.size(); ++i) {
        if (key.compare(i, 2, "%@") == 0 && next < arguments.size()) {
            text += arguments[next++];
            ++i;
        } else {
            text += key[i];
        }
    }
    return text;
}

platform::foundation::Result<Success, PlacementFailure>
changePlacedWidgets(const std::function<std::optional<std::string>(PlacementChange&)>& change) {
    const fs::path file = UserDefaults::fileForDomain(hostDefaultsDomain);
    if (file.empty()) return Failure{PlacementFailure{"cannot keep placed widgets: no home directory", {}}};
    fs::path lockFile = file;
    lockFile += ".lock";
    const ExclusiveLock lock(lockFile);
    if (!lock.held())
        return Failure{PlacementFailure{"cannot lock %@: %@", {lockFile.string(), lock.error()}}};

    // The read that counts is this one, under the lock. User defaults read a domain again when
    // another process has replaced its file, so a long-running host starts from what is saved now.
    PlacementChange placed = read();
    if (auto refused = change(placed)) return Failure{PlacementFailure{std::move(*refused), {}}};

    PropertyListValue::Array list;
    list.reserve(placed.widgets.size());
    for (const auto& widget : placed.widgets)
        list.push_back(encode(widget));
    // Both keys in one write of the domain: the file never holds one without the other. User
    // defaults keep a value they could not write in memory; the change is saved only when a new file
    // (a new inode, renamed into place) stands at the path.
    struct stat before {};
    const bool existed = ::stat(file.c_str(), &before) == 0;
    UserDefaults defaults{std::string(hostDefaultsDomain)};
    auto domain = defaults.persistentDomain(hostDefaultsDomain).value_or(PropertyListValue::Dictionary{});
    domain.insert_or_assign(widgetsKey, PropertyListValue(std::move(list)));
    domain.insert_or_assign(nextNumberKey, PropertyListValue(placed.nextNumber));
    defaults.setPersistentDomain(std::move(domain), hostDefaultsDomain);
    struct stat after {};
    if (::stat(file.c_str(), &after) != 0 || !S_ISREG(after.st_mode) ||
        (existed && after.st_ino == before.st_ino && after.st_dev == before.st_dev))
        return Failure{PlacementFailure{"cannot save the placed widgets in %@", {file.string()}}};
    return Success{};
}

} // namespace widgethost
