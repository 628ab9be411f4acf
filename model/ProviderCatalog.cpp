#include "model/ProviderCatalog.hpp"

#include <vector>

namespace tallyfox {
namespace {

constexpr std::array<ProviderID, 23> allIDs = {
    ProviderID::codex,      ProviderID::claudeCode, ProviderID::gemini,   ProviderID::antigravity,
    ProviderID::kiro,       ProviderID::warp,       ProviderID::opencode, ProviderID::qoder,
    ProviderID::qwen,       ProviderID::cline,      ProviderID::grok,     ProviderID::windsurf,
    ProviderID::jetbrains,  ProviderID::deepseek,   ProviderID::kimi,     ProviderID::openrouter,
    ProviderID::ollama,     ProviderID::cursor,     ProviderID::copilot,  ProviderID::perplexity,
    ProviderID::elevenlabs, ProviderID::zai,        ProviderID::minimax,
};

constexpr std::array<std::string_view, 23> rawValues = {
    "codex",  "claudeCode", "gemini", "antigravity", "kiro",       "warp",    "opencode",   "qoder",
    "qwen",   "cline",      "grok",   "windsurf",    "jetbrains",  "deepseek", "kimi",      "openrouter",
    "ollama", "cursor",     "copilot", "perplexity", "elevenlabs", "zai",     "minimax",
};

using Authentication = APIKeyConnection::Authentication;

platform::foundation::LocalizedStringResource localizedSummary(const char* english) {
    return {english, english, {}, {}};
}

ProviderDefinition provider(ProviderID id, const char* displayName, platform::foundation::LocalizedStringResource text,
                            std::optional<std::string> logo, const char* symbol,
                            std::optional<APIKeyConnection> apiKey = std::nullopt, bool experimental = false) {
    return ProviderDefinition{id,     displayName,           std::move(text), ProviderAvailability::available,
                              std::move(logo), symbol, std::move(apiKey), experimental};
}

APIKeyConnection connection(const char* host, const char* keysPage, Authentication authentication) {
    return APIKeyConnection{host, keysPage, authentication};
}

std::vector<ProviderDefinition> makeCatalog() {
    using enum ProviderID;
    // The summaries are written out as literals so that the string-table check finds their keys.
    return {
        provider(codex, "Codex", localizedSummary("Track Codex usage and limits."), "OpenAILogo", "terminal"),
        provider(claudeCode, "Claude Code", localizedSummary("Track Claude Code usage and limits."), "ClaudeLogo",
                 "asterisk"),
        provider(gemini, "Gemini CLI", localizedSummary("Track Gemini CLI activity by model."), "GeminiLogo",
                 "sparkle"),
        provider(antigravity, "Antigravity",
                 localizedSummary("Track Antigravity limits while the Antigravity app runs."), "AntigravityLogo",
                 "circle.hexagonpath"),
        provider(kiro, "Kiro", localizedSummary("Track Kiro credits and monthly limits."), "KiroLogo", "sparkles"),
        provider(warp, "Warp", localizedSummary("Track Warp agent requests and credits."), "WarpLogo", "terminal"),
        provider(opencode, "OpenCode", localizedSummary("Track OpenCode tokens and models."), "OpenCodeLogo",
                 "chevron.left.forwardslash.chevron.right"),
        provider(qoder, "Qoder", localizedSummary("Track Qoder credits."), "QoderLogo", "circle.dashed"),
        provider(qwen, "Qwen Code", localizedSummary("Track Qwen Code tokens and models."), "QwenLogo",
                 "circle.dashed"),
        provider(cline, "Cline", localizedSummary("Track Cline tokens, requests, and cost."), "ClineLogo",
                 "chevron.left.forwardslash.chevron.right"),
        provider(grok, "Grok Build", localizedSummary("Track Grok Build tokens, models, and cost."), "GrokLogo",
                 "terminal"),
        provider(windsurf, "Windsurf", localizedSummary("Track Windsurf daily and weekly limits."), "WindsurfLogo",
                 "wind"),
        provider(jetbrains, "JetBrains AI", localizedSummary("Track AI Assistant limits from your JetBrains IDE."),
                 "JetBrainsLogo", "square.stack.3d.up", std::nullopt, true),
        provider(deepseek, "DeepSeek", localizedSummary("Track your DeepSeek API balance."), "DeepSeekLogo",
                 "circle.dashed",
                 connection("api.deepseek.com", "https://platform.deepseek.com/api_keys", Authentication::bearer)),
        provider(
            kimi, "Kimi", localizedSummary("Track your Kimi API balance."), "KimiLogo", "moon",
            connection("api.moonshot.ai", "https://platform.moonshot.ai/console/api-keys", Authentication::bearer)),
        provider(openrouter, "OpenRouter", localizedSummary("Track OpenRouter spending and key limits."),
                 "OpenRouterLogo", "arrow.triangle.branch",
                 connection("openrouter.ai", "https://openrouter.ai/settings/keys", Authentication::bearer)),
        provider(ollama, "Ollama Cloud", localizedSummary("Track Ollama Cloud session and weekly limits."),
                 "OllamaLogo", "cloud",
                 connection("ollama.com", "https://ollama.com/settings/keys", Authentication::bearer), true),
        provider(cursor, "Cursor", localizedSummary("Track Cursor plan usage."), "CursorLogo", "cursorarrow",
                 connection("cursor.com", "https://cursor.com/dashboard", Authentication::cursorSession), true),
        provider(copilot, "GitHub Copilot", localizedSummary("Track Copilot allowances and credits."), "CopilotLogo",
                 "chevron.left.forwardslash.chevron.right",
                 connection("api.github.com", "https://github.com/settings/tokens", Authentication::githubToken), true),
        provider(perplexity, "Perplexity", localizedSummary("Track Perplexity web credits."), "PerplexityLogo",
                 "magnifyingglass",
                 connection("www.perplexity.ai", "https://www.perplexity.ai/account/usage",
                            Authentication::perplexitySession),
                 true),
        provider(
            elevenlabs, "ElevenLabs", localizedSummary("Track ElevenLabs character usage."), "ElevenLabsLogo",
            "waveform",
            connection("api.elevenlabs.io", "https://elevenlabs.io/app/settings/api-keys", Authentication::elevenLabs)),
        provider(zai, "Z.ai", localizedSummary("Track Z.ai Coding Plan limits."), std::nullopt, "z.square",
                 connection("api.z.ai", "https://z.ai/manage-apikey/apikey-list", Authentication::bearer), true),
        provider(minimax, "MiniMax", localizedSummary("Track MiniMax M Plan limits."), "MiniMaxLogo", "m.square",
                 connection("www.minimax.io", "https://www.minimax.io/console/plan", Authentication::bearer)),
    };
}

} // namespace

std::span<const ProviderID> allProviderIDs() { return allIDs; }

std::string_view rawValue(ProviderID id) { return rawValues[static_cast<std::size_t>(id)]; }

std::optional<ProviderID> providerID(std::string_view raw) {
    for (std::size_t i = 0; i < rawValues.size(); ++i)
        if (rawValues[i] == raw) return allIDs[i];
    return std::nullopt;
}

std::span<const ProviderDefinition> catalog() {
    static const std::vector<ProviderDefinition> definitions = makeCatalog(); // thread-safe one-time init
    return definitions;
}

ProviderDefinition definition(ProviderID id) {
    for (const auto& candidate : catalog())
        if (candidate.id == id) return candidate;
    return ProviderDefinition{id,           std::string(rawValue(id)), std::nullopt, ProviderAvailability::comingSoon,
                              std::nullopt, "circle.dashed",           std::nullopt, false};
}

} // namespace tallyfox
