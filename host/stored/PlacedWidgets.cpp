#include "host/stored/PlacedWidgets.hpp"

#include "platform/foundation/FileSystem.hpp"
#include "platform/foundation/UserDefaults.hpp"
#include "platform/widgetkit/WidgetFamily.hpp"

#include <algorithm>
#include <cerrno>
#include <charconv>
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

// The numbers still legible in a file that cannot be read as a whole (an XML store cut short or
// partly overwritten): each widget's and the counter's, so that none of them is given again.
std::int64_t numbersAfterLegibleOnes(const fs::path& file) {
    const auto read = platform::foundation::readOnce(file, 16 << 20);
    if (!read) return 1;
    const std::string_view bytes = read->bytes();
    std::int64_t next = 1;
    for (const std::string_view key : {"<key>number</key>", "<key>NextWidgetNumber</key>"}) {
        for (auto at = bytes.find(key); at != std::string_view::npos; at = bytes.find(key, at + 1)) {
            auto rest = bytes.substr(at + key.size());
            rest.remove_prefix(std::min(rest.size(), rest.find_first_not_of(" \t\r\n")));
            if (!rest.starts_with("<integer>")) continue;
            rest.remove_prefix(9);
            std::int64_t number = 0;
            const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), number);
            if (error != std::errc() || number < 1 || number == INT64_MAX) continue;
            next = std::max(next, key == "<key>number</key>" ? number + 1 : number);
        }
    }
    return next;
}

std::string entriesText(const std::vector<std::size_t>& positions) {
    std::string text = positions.size() == 1 ? "entry " : "entries ";
    for (std::size_t i = 0; i < positions.size(); ++i)
        text += (i == 0 ? "" : i + 1 == positions.size() ? " and " : ", ") + std::to_string(positions[i]);
    return text + (positions.size() == 1 ? " of its list is not a placed widget"
                                         : " of its list are not placed widgets");
}

struct StoreReading {
    PlacementChange placed;
    PropertyListValue::Dictionary domain;      ///< everything that could be read, to keep beside the widgets
    std::optional<std::string> fileDamage;     ///< the file cannot be read at all
    std::optional<std::string> contentsDamage; ///< it reads, but not all of it is placed widgets
    std::optional<std::string> damage() const { return fileDamage ? fileDamage : contentsDamage; }
};

// The stored domain itself, not the search list: a global default of the same name is not ours.
StoreReading read() {
    StoreReading reading;
    const UserDefaults defaults{std::string(hostDefaultsDomain)};
    std::int64_t next = 1;
    if (auto unreadable = defaults.unreadableDomain(hostDefaultsDomain)) {
        reading.fileDamage = std::move(unreadable->reason);
        next = numbersAfterLegibleOnes(unreadable->file);
    } else if (auto domain = defaults.persistentDomain(hostDefaultsDomain)) {
        // While the file cannot be read, what the domain holds in memory is a change that was not saved.
        reading.domain = std::move(*domain);
    }
    const auto value = [&](const char* key) -> const PropertyListValue* {
        const auto found = reading.domain.find(key);
        return found == reading.domain.end() ? nullptr : &found->second;
    };
    PlacementChange& placed = reading.placed;
    if (const auto* stored = value(widgetsKey)) {
        if (const auto* list = stored->get<PropertyListValue::Array>()) {
            std::vector<std::size_t> unreadable;
            for (std::size_t i = 0; i < list->size(); ++i) {
                if (auto widget = decode((*list)[i]))
                    placed.widgets.push_back(std::move(*widget));
                else
                    unreadable.push_back(i + 1);
            }
            if (!unreadable.empty()) reading.contentsDamage = entriesText(unreadable);
        } else {
            reading.contentsDamage = "its list of placed widgets is not a list";
        }
    }
    std::sort(placed.widgets.begin(), placed.widgets.end(),
              [](const PlacedWidget& a, const PlacedWidget& b) { return a.number < b.number; });
    placed.widgets.erase(
        std::unique(placed.widgets.begin(), placed.widgets.end(),
                    [](const PlacedWidget& a, const PlacedWidget& b) { return a.number == b.number; }),
        placed.widgets.end());
    // Numbers are never given twice, even when the counter was lost or damaged.
    if (const auto* counter = value(nextNumberKey)) {
        if (const auto* stored = counter->get<std::int64_t>())
            next = std::max(next, *stored);
        else if (!reading.contentsDamage)
            reading.contentsDamage = "its next widget number is not an integer";
    }
    for (const auto& widget : placed.widgets)
        next = std::max(next, widget.number + 1);
    placed.nextNumber = std::max<std::int64_t>(next, 1);
    return reading;
}

PlacementMessage unreadableMessage(const std::string& reason) {
    return {"the placed widgets at %@ cannot be read (%@)",
            {UserDefaults::fileForDomain(hostDefaultsDomain).string(), reason}};
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

    // The lock file also remembers the next number to give, so that numbers stay unique when
    // the store itself is lost or damaged beyond reading.
    std::int64_t rememberedNextNumber() const {
        char text[32] = {};
        const ssize_t count = ::pread(descriptor_, text, sizeof text - 1, 0);
        std::int64_t number = 1;
        if (count > 0) std::from_chars(text, text + count, number);
        return std::max<std::int64_t>(number, 1);
    }
    void rememberNextNumber(std::int64_t number) const {
        const std::string text = std::to_string(number) + "\n";
        if (::ftruncate(descriptor_, 0) != 0 || ::pwrite(descriptor_, text.data(), text.size(), 0) < 0) {
            // Only a safeguard: the store itself holds the counter too.
        }
    }

private:
    int descriptor_ = -1;
    std::string error_;
};

} // namespace

std::vector<PlacedWidget> placedWidgets() {
    return read().placed.widgets;
}

PlacedWidgetsReading readPlacedWidgets() {
    StoreReading reading = read();
    PlacedWidgetsReading result{std::move(reading.placed.widgets), std::nullopt};
    if (const auto damage = reading.damage()) result.problem = unreadableMessage(*damage);
    return result;
}

std::string PlacementMessage::message() const {
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

platform::foundation::Result<PlacementSaved, PlacementFailure>
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
    StoreReading reading = read();
    PlacementChange& placed = reading.placed;
    placed.nextNumber = std::max(placed.nextNumber, lock.rememberedNextNumber());
    if (auto refused = change(placed)) return Failure{PlacementFailure{std::move(*refused), {}}};

    PropertyListValue::Array list;
    list.reserve(placed.widgets.size());
    for (const auto& widget : placed.widgets)
        list.push_back(encode(widget));
    // Both keys in one write of the domain, beside whatever else it holds: the file never holds
    // one without the other.
    auto domain = std::move(reading.domain);
    domain.insert_or_assign(widgetsKey, PropertyListValue(std::move(list)));
    domain.insert_or_assign(nextNumberKey, PropertyListValue(placed.nextNumber));
    const auto cannotSave = [&](const std::string& reason) {
        return Failure{
            PlacementFailure{"cannot save the placed widgets in %@ (%@)", {file.string(), reason}}};
    };
    // A file that reads but holds what is not ours to drop is kept as it is; user defaults keep a
    // file they cannot read at all by themselves.
    std::optional<platform::foundation::KeptDamagedFile> kept;
    if (reading.contentsDamage && !reading.fileDamage) {
        auto aside = UserDefaults::keepDamagedFile(hostDefaultsDomain, *reading.contentsDamage);
        if (!aside) return cannotSave(aside.error().reason);
        kept = std::move(*aside);
    }
    auto written = UserDefaults(std::string(hostDefaultsDomain))
                       .writePersistentDomain(std::move(domain), hostDefaultsDomain);
    if (!written) return cannotSave(written.error().reason);
    if (written->kept) kept = std::move(written->kept);
    lock.rememberNextNumber(placed.nextNumber);
    PlacementSaved saved;
    if (kept)
        saved.note =
            PlacementMessage{"the placed widgets at %@ could not be read (%@); that file is kept as %@",
                             {file.string(), kept->reason, kept->keptAs.string()}};
    return saved;
}

} // namespace widgethost
