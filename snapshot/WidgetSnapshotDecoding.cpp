// The widget's reading of widget-snapshot.json. The top level is strict: anything missing or of the
// wrong type there fails the whole document. Below it the reading is lenient, key by key: an entry,
// window or total that cannot be read is dropped (the others keep their order), and a tolerant field
// that cannot be read is simply left empty.
#include "snapshot/WidgetSnapshot.hpp"

#include <variant>

namespace tallyfox {

using platform::foundation::Decoded;
using platform::foundation::DecodingError;
using platform::foundation::Failure;
using platform::foundation::JSONArray;
using platform::foundation::JSONDocument;
using platform::foundation::JSONObject;
using platform::foundation::JSONType;
using platform::foundation::JSONValue;
using platform::foundation::ownedString;
using platform::foundation::tolerant;

namespace {

constexpr auto dataCorrupted = DecodingError::Kind::dataCorrupted;

Decoded<Decimal> decimal(JSONValue value) {
    TRY_DECODE(text, value.numberText());
    auto parsed = Decimal::fromJSONNumber(text);
    if (!parsed) return Failure{value.error(dataCorrupted, parsed.error())};
    return parsed.value();
}

Decoded<std::optional<Decimal>> optionalDecimal(const JSONObject& object, std::string_view key) {
    const auto value = object.optional(key);
    if (!value) return std::optional<Decimal>();
    TRY_DECODE(amount, decimal(*value));
    return std::optional<Decimal>(std::move(amount));
}

// An integer is a length in minutes; otherwise the value must be one of the kinds' names.
Decoded<UsageWindowKind> windowKind(JSONValue value) {
    std::variant<std::int64_t, std::string> form;
    if (const auto minutes = value.int64())
        form = minutes.value();
    else if (value.type() == JSONType::string)
        form = std::string(value.string().value());
    else
        return Failure{value.typeMismatch(JSONType::string)};
    auto kind = UsageWindowKind::decode(form);
    if (!kind) return Failure{value.error(dataCorrupted, kind.error())};
    return kind.value();
}

Decoded<UsageWindow> window(JSONValue value) {
    TRY_DECODE(object, value.object());
    TRY_DECODE(kindValue, object.required("kind"));
    TRY_DECODE(kind, windowKind(kindValue));
    TRY_DECODE(scope, object.optionalString("scope"));
    TRY_DECODE(resetsAt, object.optionalDate("resetsAt"));
    std::optional<UsagePercentage> usage;
    if (const auto usageValue = object.optional("usage")) {
        TRY_DECODE(number, usageValue->number());
        auto percent = UsagePercentage::decode(number); // clamped to 0...100; not finite fails
        if (!percent) return Failure{usageValue->error(dataCorrupted, percent.error())};
        usage = percent.value();
    }
    return UsageWindow{kind, ownedString(scope), usage, resetsAt};
}

Decoded<UsageTotal> total(JSONValue value) {
    TRY_DECODE(object, value.object());
    TRY_DECODE(kindValue, object.required("kind"));
    TRY_DECODE(kindText, kindValue.string());
    const auto kind = fromRawValue<UsageTotal::Kind>(kindText);
    if (!kind) return Failure{kindValue.error(dataCorrupted, "Unknown total kind")};
    TRY_DECODE(amountValue, object.required("value"));
    TRY_DECODE(amount, decimal(amountValue));
    return UsageTotal{*kind, std::move(amount)};
}

Decoded<WidgetProviderSnapshot> providerEntry(JSONValue value) {
    TRY_DECODE(object, value.object());

    // Strict fields: a failure drops the entry.
    TRY_DECODE(providerValue, object.required("provider"));
    TRY_DECODE(providerText, providerValue.string());
    const auto provider = providerID(providerText);
    if (!provider) return Failure{providerValue.error(dataCorrupted, "Unknown provider")};
    TRY_DECODE(planName, object.optionalString("planName"));
    TRY_DECODE(modelName, object.optionalString("modelName"));
    TRY_DECODE(windowArray, object.optionalArray("windows"));
    TRY_DECODE(tokensToday, object.optionalInt64("tokensToday"));
    TRY_DECODE(requestsToday, object.optionalInt64("requestsToday"));
    TRY_DECODE(creditsToday, optionalDecimal(object, "creditsToday"));

    WidgetProviderSnapshot entry{*provider};
    entry.planName = ownedString(planName);
    entry.modelName = ownedString(modelName);
    if (windowArray) entry.windows = windowArray->decodeSkippingFailures<UsageWindow>(window);
    entry.tokensToday = tokensToday;
    entry.requestsToday = requestsToday;
    entry.creditsToday = std::move(creditsToday);

    // Tolerant fields: a failure leaves the field empty and keeps the entry.
    entry.selectionID = ownedString(tolerant(object.optionalString("selectionID")));
    entry.accountName = ownedString(tolerant(object.optionalString("accountName")));
    if (const auto reason = tolerant(object.optionalString("quotaUnavailableReason"))) {
        entry.quotaUnavailableReason = fromRawValue<QuotaUnavailableReason>(*reason);
        if (!entry.quotaUnavailableReason && platform::foundation::LenientReadLog::isOpen()) {
            const auto error =
                object["quotaUnavailableReason"]->error(dataCorrupted, "Unknown quota unavailable reason");
            platform::foundation::recordLenientLoss(platform::foundation::LenientLoss::Kind::fieldLeftEmpty,
                                                    error.codingPath, error);
        }
    }
    if (const auto days = tolerant(object.optionalArray("recentDays")))
        entry.recentDays = tolerant(days->decodeEach<double>([](JSONValue day) { return day.number(); }));
    entry.updatedAt = tolerant(object.optionalDate("updatedAt"));
    if (const auto totals = tolerant(object.optionalArray("totals")))
        entry.totals = totals->decodeSkippingFailures<UsageTotal>(total);
    return entry;
}

Decoded<WidgetSnapshot::State> state(const JSONObject& object) {
    using State = WidgetSnapshot::State;
    // The first key present decides; the cases without data are not read any further.
    if (const auto providers = object["providers"]) {
        TRY_DECODE(providersObject, providers->object());
        TRY_DECODE(list, providersObject.requiredArray("_0"));
        return State::providers(list.decodeSkippingFailures<WidgetProviderSnapshot>(providerEntry));
    }
    if (object.contains("noProvidersEnabled")) return State::noProvidersEnabled();
    if (object.contains("noProvidersDetected")) return State::noProvidersDetected();
    return Failure{object.error(dataCorrupted, "Unknown widget state")};
}

Decoded<WidgetSnapshot::Contents> decodeContents(const JSONObject& object) {
    WidgetSnapshot::Contents contents;
    TRY_DECODE(schemaVersion, object.requiredInt64("schemaVersion"));
    TRY_DECODE(generatedAt, object.requiredDate("generatedAt"));
    TRY_DECODE(stateObject, object.requiredObject("state"));
    TRY_DECODE(decodedState, state(stateObject));
    TRY_DECODE(style, object.optionalString("usageAmountStyle"));
    TRY_DECODE(language, object.optionalString("language"));
    TRY_DECODE(followed, object.optionalArray("followedSelectionIDs"));

    contents.schemaVersion = schemaVersion;
    contents.generatedAt = generatedAt;
    contents.state = std::move(decodedState);
    if (style) {
        contents.usageAmountStyle = fromRawValue<UsageAmountStyle>(*style);
        if (!contents.usageAmountStyle)
            return Failure{object["usageAmountStyle"]->error(dataCorrupted, "Unknown usage amount style")};
    }
    contents.language = ownedString(language);
    if (followed) {
        TRY_DECODE(ids, followed->decodeEach<std::string>([](JSONValue id) -> Decoded<std::string> {
            TRY_DECODE(text, id.string());
            return std::string(text);
        }));
        contents.followedSelectionIDs = std::move(ids);
    }
    return contents;
}

} // namespace

Decoded<WidgetSnapshot> WidgetSnapshot::decode(std::string_view json, std::size_t capacity) {
    TRY_DECODE(document, JSONDocument::parse(json, capacity));
    return decode(document);
}

Decoded<WidgetSnapshot> WidgetSnapshot::decode(const JSONDocument& document) {
    TRY_DECODE(root, document.root().object());
    TRY_DECODE(decoded, decodeContents(root));
    return WidgetSnapshot(std::move(decoded));
}

} // namespace tallyfox
