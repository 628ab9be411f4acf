#pragma once
// The providers the widget knows: their identifiers, in a fixed order, and the fixed facts about
// each (name, logo, symbol, how the app reads them with a user's key).

#include "platform/foundation/LocalizedString.hpp"

#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tallyfox {

/// A tracked AI coding tool or service. Ordered by declaration, not alphabetically.
enum class ProviderID : std::uint8_t {
    codex,
    claudeCode,
    gemini,
    antigravity,
    kiro,
    warp,
    opencode,
    qoder,
    qwen,
    cline,
    grok,
    windsurf,
    jetbrains,
    deepseek,
    kimi,
    openrouter,
    ollama,
    cursor,
    copilot,
    perplexity,
    elevenlabs,
    zai,
    minimax,
};

/// Every provider, in declaration order.
std::span<const ProviderID> allProviderIDs();
/// The raw value: "claudeCode" for `ProviderID::claudeCode`.
std::string_view rawValue(ProviderID id);
/// The provider whose raw value is exactly `raw` (letter case counts), nothing for any other string.
std::optional<ProviderID> providerID(std::string_view raw);

/// Whether a provider can be used.
enum class ProviderAvailability { available, comingSoon };

/// How the Tallyfox app reaches a provider with a user's key, token or session.
struct APIKeyConnection {
    /// The credential scheme.
    enum class Authentication { bearer, elevenLabs, githubToken, cursorSession, perplexitySession };

    /// The host name the app talks to.
    std::string host;
    /// The provider's web page where the user manages keys or tokens.
    std::string keysPage;
    Authentication authentication = Authentication::bearer;

    bool operator==(const APIKeyConnection&) const = default;
};

/// The fixed facts about one provider.
struct ProviderDefinition {
    ProviderID id = ProviderID::codex;
    std::string displayName;
    /// One sentence on what is tracked, keyed by its English text.
    std::optional<platform::foundation::LocalizedStringResource> summary;
    ProviderAvailability availability = ProviderAvailability::available;
    std::optional<std::string> logoAssetName;
    std::string symbolName;
    std::optional<APIKeyConnection> apiKey;
    bool isExperimental = false;

    bool operator==(const ProviderDefinition&) const = default;
};

/// The built-in catalog: one definition per provider, in `ProviderID` order. Built once, on first
/// use, from any thread; never changes afterwards.
std::span<const ProviderDefinition> catalog();

/// The catalog's definition of `id`, or a plain fallback (its raw value as name, "circle.dashed",
/// coming soon) for a provider the catalog lacks.
ProviderDefinition definition(ProviderID id);

} // namespace tallyfox
