#include "model/ProviderCatalog.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <thread>
#include <vector>

using namespace tallyfox;

TEST(ProviderID, isOrderedByDeclarationNotAlphabetically) {
    EXPECT_LT(ProviderID::codex, ProviderID::claudeCode);
    EXPECT_LT(ProviderID::claudeCode, ProviderID::gemini);
    const auto ids = allProviderIDs();
    ASSERT_EQ(ids.size(), 23u);
    EXPECT_EQ(ids.back(), ProviderID::minimax);
    EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
    EXPECT_EQ(*std::max_element(ids.begin(), ids.end()), ProviderID::minimax);

    std::vector<std::string_view> raws;
    for (const auto id : ids) raws.push_back(rawValue(id));
    EXPECT_FALSE(std::is_sorted(raws.begin(), raws.end())); // "claudeCode" < "codex" alphabetically
}

TEST(ProviderID, readsOnlyItsExactRawValues) {
    for (const auto id : allProviderIDs()) EXPECT_EQ(providerID(rawValue(id)), id);
    EXPECT_EQ(providerID("claudeCode"), ProviderID::claudeCode);
    EXPECT_EQ(providerID("ClaudeCode"), std::nullopt);
    EXPECT_EQ(providerID("claudecode"), std::nullopt);
    EXPECT_EQ(providerID("CODEX"), std::nullopt);
    EXPECT_EQ(providerID(""), std::nullopt);
    EXPECT_EQ(providerID("openai"), std::nullopt);
}

TEST(ProviderCatalog, holdsOneAvailableDefinitionPerProviderInOrder) {
    const auto definitions = catalog();
    ASSERT_EQ(definitions.size(), allProviderIDs().size());
    for (std::size_t i = 0; i < definitions.size(); ++i) {
        EXPECT_EQ(definitions[i].id, allProviderIDs()[i]);
        EXPECT_EQ(definitions[i].availability, ProviderAvailability::available);
        ASSERT_TRUE(definitions[i].summary.has_value());
        EXPECT_EQ(definitions[i].summary->key, definitions[i].summary->defaultValue);
        EXPECT_EQ(definition(definitions[i].id), definitions[i]);
    }
}

TEST(ProviderCatalog, describesProvidersAsTheViewsNeedThem) {
    const auto zai = definition(ProviderID::zai);
    EXPECT_EQ(zai.displayName, "Z.ai");
    EXPECT_EQ(zai.logoAssetName, std::nullopt); // the views fall back to the symbol
    EXPECT_EQ(zai.symbolName, "z.square");
    EXPECT_TRUE(zai.isExperimental);

    const auto copilot = definition(ProviderID::copilot);
    EXPECT_EQ(copilot.displayName, "GitHub Copilot");
    EXPECT_EQ(copilot.summary->defaultValue, "Track Copilot allowances and credits.");

    const auto claude = definition(ProviderID::claudeCode);
    EXPECT_EQ(claude.displayName, "Claude Code");
    EXPECT_EQ(claude.logoAssetName, "ClaudeLogo");
    EXPECT_EQ(claude.symbolName, "asterisk");
    EXPECT_EQ(claude.apiKey, std::nullopt);
    EXPECT_FALSE(claude.isExperimental);
}

TEST(ProviderCatalog, connectsTenProvidersByKeyWithTheirKeyPages) {
    using Authentication = APIKeyConnection::Authentication;
    struct Expected {
        ProviderID id;
        Authentication authentication;
        std::string_view path;
    };
    const Expected expected[] = {
        {ProviderID::deepseek, Authentication::bearer, "/api_keys"},
        {ProviderID::kimi, Authentication::bearer, "/console/api-keys"},
        {ProviderID::openrouter, Authentication::bearer, "/settings/keys"},
        {ProviderID::ollama, Authentication::bearer, "/settings/keys"},
        {ProviderID::cursor, Authentication::cursorSession, "/dashboard"},
        {ProviderID::copilot, Authentication::githubToken, "/settings/tokens"},
        {ProviderID::perplexity, Authentication::perplexitySession, "/account/usage"},
        {ProviderID::elevenlabs, Authentication::elevenLabs, "/app/settings/api-keys"},
        {ProviderID::zai, Authentication::bearer, "/manage-apikey/apikey-list"},
        {ProviderID::minimax, Authentication::bearer, "/console/plan"},
    };
    std::set<ProviderID> connected;
    for (const auto& definition : catalog())
        if (definition.apiKey) connected.insert(definition.id);
    EXPECT_EQ(connected.size(), std::size(expected));
    for (const auto& want : expected) {
        const auto connection = definition(want.id).apiKey;
        ASSERT_TRUE(connection.has_value()) << rawValue(want.id);
        EXPECT_EQ(connection->authentication, want.authentication) << rawValue(want.id);
        EXPECT_TRUE(connection->keysPage.starts_with("https://")) << connection->keysPage;
        EXPECT_TRUE(connection->keysPage.ends_with(want.path)) << connection->keysPage;
        EXPECT_FALSE(connection->host.empty());
        EXPECT_EQ(connection->host.find('/'), std::string::npos);
    }
}

TEST(ProviderCatalog, isBuiltOnceForAllThreads) {
    std::vector<const ProviderDefinition*> seen(8);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < seen.size(); ++i) threads.emplace_back([&, i] { seen[i] = catalog().data(); });
    for (auto& thread : threads) thread.join();
    for (const auto* pointer : seen) EXPECT_EQ(pointer, catalog().data());
}
