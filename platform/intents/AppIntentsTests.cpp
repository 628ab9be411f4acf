#include "platform/intents/AppIntents.hpp"

#include <gtest/gtest.h>

using namespace platform::intents;

namespace {

struct Fruit {
    struct Query {
        std::vector<Fruit> suggestedEntities() const { return {{"apple"}, {"pear"}}; }
        std::vector<Fruit> entities(const std::vector<std::string>& ids) const {
            std::vector<Fruit> found;
            for (const auto& id : ids) found.push_back({id});
            return found;
        }
    };
    std::string id;
    static TypeDisplayRepresentation typeDisplayRepresentation() {
        return {localizedResource("Fruit")};
    }
    DisplayRepresentation displayRepresentation() const { return {id, {}, {}}; }
};
static_assert(AppEntity<Fruit>);

} // namespace

TEST(AppIntents, erasedQueryListsSuggestionsAndResolvesIdentifiersInOrder) {
    const AnyEntityQuery query = eraseQuery<Fruit>();
    EXPECT_EQ(query.type.name, localizedResource("Fruit"));
    EXPECT_EQ(resolved(IntentText(localizedResource("Fruit"))), "Fruit");
    const auto listed = query.results();
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[1], (EntityDescription{"pear", {std::string("pear"), {}, {}}}));
    EXPECT_EQ(resolved(listed[1].display.title), "pear");
    const auto resolved = query.entities({"pear", "kiwi", "pear"});
    ASSERT_EQ(resolved.size(), 3u);
    EXPECT_EQ(resolved[1].id, "kiwi");
}
