// The effect group: its walks in order, and the dropping of effects that report that they
// have finished, whether they finish while drawn or while advanced.
#include "demo/effects/effectgroup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/renderersys.h"

namespace Tramble {
namespace {

// Finishes when drawn or advanced past its limits; records every call in a shared journal.
class ProbeEffect : public TimedEffect {
public:
    ProbeEffect(const std::string& name, std::vector<std::string>* journal, unsigned int lifetime, int drawsLeft)
        : name(name), journal(journal), lifetime(lifetime), drawsLeft(drawsLeft) {}

    void draw(Renderer&) override {
        journal->push_back(name + " draw");
        if (--drawsLeft <= 0) {
            flags |= effectFinished;
        }
    }
    void update(unsigned int ms) override {
        journal->push_back(name + " update " + std::to_string(ms));
        age += ms;
        if (age >= lifetime) {
            flags |= effectFinished;
        }
    }

    std::string name;
    std::vector<std::string>* journal;
    unsigned int lifetime;
    int drawsLeft;
    unsigned int age = 0;
};

class EffectGroupTest : public ::testing::Test {
protected:
    std::vector<std::string> journal;
    EffectGroup group;
    Renderer renderer;
};

TEST_F(EffectGroupTest, DropsAnEffectThatFinishesWhileDrawnAndGoesOnWithTheNext) {
    ProbeEffect once("once", &journal, 1000, 1);
    ProbeEffect twice("twice", &journal, 1000, 2);
    group.add(&once);
    group.add(&twice);

    group.draw(renderer);
    group.draw(renderer);
    group.draw(renderer);

    const std::vector<std::string> expected{"once draw", "twice draw", "twice draw"};
    EXPECT_EQ(journal, expected);
    EXPECT_TRUE(group.effects.empty());
}

TEST_F(EffectGroupTest, AdvancesWithTheEffectsOwnUpdateAndDropsTheFinished) {
    ProbeEffect brief("brief", &journal, 10, 100);
    ProbeEffect lasting("lasting", &journal, 1000, 100);
    group.add(&brief);
    group.add(&lasting);

    group.updateTask(10);
    group.updateTask(5);

    const std::vector<std::string> expected{"brief update 10", "lasting update 10", "lasting update 5"};
    EXPECT_EQ(journal, expected);
    EXPECT_FALSE(brief.started) << "the group calls update, not the guarded updateTask";
    EXPECT_EQ(group.effects.size(), 1);
}

TEST_F(EffectGroupTest, AnEffectRemovedEarlyIsNoLongerVisited) {
    ProbeEffect kept("kept", &journal, 1000, 100);
    ProbeEffect dropped("dropped", &journal, 1000, 100);
    group.add(&dropped);
    group.add(&kept);
    group.remove(&dropped);
    group.update(1);
    EXPECT_EQ(journal, std::vector<std::string>{"kept update 1"});
}

}  // namespace
}  // namespace Tramble
