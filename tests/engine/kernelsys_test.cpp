// The task tree: start order and roll-back, reverse stop, and the cursor list the groups walk
// with.
#include "engine/kernelsys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace Tramble {
namespace {

using Journal = std::vector<std::string>;

// A task that records what happens to it in a shared journal.
class JournalTask : public ITask {
public:
    JournalTask(std::string name, Journal* journal, bool startResult = true)
        : name(std::move(name)), journal(journal), startResult(startResult) {}
    bool start() override {
        journal->push_back("start " + name);
        return startResult;
    }
    void stop() override { journal->push_back("stop " + name); }
    void update() override { journal->push_back("update " + name); }

    std::string name;
    Journal* journal;
    bool startResult;
};

// A group with work of its own, done before its children's.
class JournalGroup : public TaskGroup {
public:
    explicit JournalGroup(Journal* journal) : journal(journal) {}
    void update() override { journal->push_back("update group"); }
    Journal* journal;
};

TEST(TaskGroup, StartsInOrderRollsBackAFailureAndStopsInReverse) {
    const struct {
        int failing;  // index of the child whose start fails, -1 for none
        Journal expected;
    } cases[] = {
        {-1,
         {"start a", "start b", "start c", "update group", "update a", "update b", "update c", "stop c", "stop b",
          "stop a"}},
        {0, {"start a", "stop a"}},
        {1, {"start a", "start b", "stop b", "stop a"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failing);
        Journal journal;
        JournalTask a("a", &journal, c.failing != 0), b("b", &journal, c.failing != 1), e("c", &journal);
        JournalGroup group(&journal);
        group.addTask(&a);
        group.addTask(&b);
        group.addTask(&e);
        if (group.startTask()) {
            group.updateTask();
            group.stopTask();
            EXPECT_TRUE(group.children.empty());
        }
        EXPECT_EQ(journal, c.expected);
    }
}

// Removing items as a walk meets them goes on with each follower and keeps the list whole.
TEST(CursorList, RemovingDuringAWalkVisitsEveryItemOnce) {
    const struct {
        std::vector<int> removed, rest;
    } cases[] = {{{1}, {2, 3, 4, 5}}, {{2}, {1, 3, 4, 5}}, {{4}, {1, 2, 3, 5}}, {{1, 2, 3, 4}, {5}}};
    for (const auto& c : cases) {
        int values[] = {1, 2, 3, 4, 5};
        CursorList<int> list;
        for (int i = 0; i < 4; ++i) {
            list.append(&values[i]);
        }
        const auto walk = [&](bool remove) {
            std::vector<int> seen;
            for (int* item = list.first(); item != nullptr; item = list.next()) {
                seen.push_back(*item);
                if (remove && std::count(c.removed.begin(), c.removed.end(), *item) > 0) {
                    list.removeCurrent();
                }
            }
            return seen;
        };
        EXPECT_EQ(walk(true), (std::vector<int>{1, 2, 3, 4}));
        list.append(&values[4]);
        EXPECT_EQ(walk(false), c.rest);
    }
}

}  // namespace
}  // namespace Tramble
