// The task tree: start order and roll-back, reverse stop, lazy start, the halt flag, and
// the cursor list the groups walk with.
#include "engine/kernelsys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "support/logcapture.h"

namespace Tramble {
namespace {

// A task that records what happens to it in a shared journal.
class JournalTask : public ITask {
public:
    JournalTask(std::string name, std::vector<std::string>* journal, bool startResult = true)
        : name(std::move(name)), journal(journal), startResult(startResult) {}

    bool start() override {
        journal->push_back("start " + name);
        return startResult;
    }
    void stop() override { journal->push_back("stop " + name); }
    void update() override { journal->push_back("update " + name); }

    std::string name;
    std::vector<std::string>* journal;
    bool startResult;
};

using Journal = std::vector<std::string>;

TEST(TaskGroup, StartsInOrderStopsInReverseAndForgetsChildren) {
    Journal journal;
    JournalTask a("a", &journal), b("b", &journal), c("c", &journal);
    TaskGroup group;
    group.addTask(&a);
    group.addTask(&b);
    group.addTask(&c);
    ASSERT_TRUE(group.startTask());
    group.updateTask();
    group.stopTask();
    EXPECT_EQ(journal, (Journal{"start a", "start b", "start c", "update a", "update b", "update c", "stop c", "stop b",
                                "stop a"}));
    EXPECT_TRUE(group.children.empty());
}

TEST(TaskGroup, FailingMiddleChildRollsBackAndThirdNeverStarts) {
    Journal journal;
    LogCapture log;
    JournalTask a("a", &journal), b("b", &journal, false), c("c", &journal);
    TaskGroup group;
    group.addTask(&a);
    group.addTask(&b);
    group.addTask(&c);
    EXPECT_FALSE(group.startTask());
    EXPECT_EQ(journal, (Journal{"start a", "start b", "stop b", "stop a"}));
    EXPECT_EQ(log.str(), "+++ Trying to run stop on already stopped task\n");
    EXPECT_TRUE(group.started);
    EXPECT_FALSE(c.started);
}

TEST(TaskGroup, FailingFirstChildStopsOnlyItself) {
    Journal journal;
    JournalTask a("a", &journal, false), b("b", &journal);
    TaskGroup group;
    group.addTask(&a);
    group.addTask(&b);
    EXPECT_FALSE(group.startTask());
    EXPECT_EQ(journal, (Journal{"start a", "stop a"}));
}

TEST(TaskGuards, StartTwiceWarnsOnceAndStartsTwice) {
    Journal journal;
    LogCapture log;
    JournalTask task("t", &journal);
    task.startTask();
    task.startTask();
    EXPECT_EQ(journal, (Journal{"start t", "start t"}));
    EXPECT_EQ(log.count("Trying to run start on already started task"), 1);
}

TEST(TaskGuards, StopAfterStopDoesNotWarnBecauseStartedStaysSet) {
    Journal journal;
    LogCapture log;
    JournalTask task("t", &journal);
    task.startTask();
    task.stopTask();
    task.stopTask();
    EXPECT_EQ(log.str(), "");
    EXPECT_EQ(journal, (Journal{"start t", "stop t", "stop t"}));
}

TEST(TaskGuards, LazyStartOnFirstUpdateAndErrorOncePerPassWhileFailing) {
    Journal journal;
    LogCapture log;
    JournalTask task("t", &journal, false);
    task.updateTask();
    task.updateTask();
    EXPECT_EQ(journal, (Journal{"start t", "start t"}));
    EXPECT_EQ(log.count("*** Could not start task... FUCK!\n"), 2);
    task.startResult = true;
    task.updateTask();
    task.updateTask();
    EXPECT_EQ(journal, (Journal{"start t", "start t", "start t", "update t", "update t"}));
}

// A timed child appended after its group started is started by its first timed update.
class JournalTimeTask : public ITimeTask {
public:
    explicit JournalTimeTask(std::vector<unsigned int>* steps) : steps(steps) {}
    bool start() override {
        ++starts;
        return true;
    }
    void update(unsigned int ms) override { steps->push_back(ms); }
    std::vector<unsigned int>* steps;
    int starts = 0;
};

TEST(TimeTaskGroup, LateChildStartsOnFirstUpdateWithThatPassesMs) {
    std::vector<unsigned int> steps;
    TimeTaskGroup group;
    ASSERT_TRUE(group.startTask());
    JournalTimeTask late(&steps);
    group.addTask(&late);
    group.updateTask(16);
    group.updateTask(17);
    EXPECT_EQ(late.starts, 1);
    EXPECT_EQ(steps, (std::vector<unsigned int>{16, 17}));
    group.stopTask();
}

// Sets the kernel's halt flag from inside a pass.
class HaltingTask : public ITask {
public:
    explicit HaltingTask(Kernel* kernel, int passes) : kernel(kernel), passesLeft(passes) {}
    void update() override {
        ++updates;
        if (--passesLeft == 0) {
            kernel->flags |= HaltFlag;
        }
    }
    Kernel* kernel;
    int passesLeft;
    int updates = 0;
};

TEST(Kernel, HaltMidPassFinishesThePassThenStopsEverything) {
    LogCapture log;
    Kernel kernel;
    HaltingTask halter(&kernel, 3);
    Journal journal;
    JournalTask after("after", &journal);
    kernel.addTask(&halter);
    kernel.addTask(&after);
    ASSERT_TRUE(kernel.startTask());
    EXPECT_TRUE(kernel.run());
    EXPECT_EQ(halter.updates, 3);
    EXPECT_EQ(journal, (Journal{"start after", "update after", "update after", "update after", "stop after"}));
    EXPECT_TRUE(kernel.children.empty());
    EXPECT_TRUE(log.contains("--- Stopping kernel\n"));
}

TEST(Kernel, EmptyKernelReturnsAtOnceAfterStopping) {
    LogCapture log;
    Kernel kernel;
    ASSERT_TRUE(kernel.startTask());
    EXPECT_TRUE(kernel.run());
    EXPECT_EQ(log.str(), "--- Starting kernel\n--- Stopping kernel\n");
}

TEST(Kernel, HaltSetBeforeRunMakesNoPass) {
    Kernel kernel;
    Journal journal;
    JournalTask task("t", &journal);
    kernel.addTask(&task);
    ASSERT_TRUE(kernel.startTask());
    kernel.flags |= HaltFlag;
    kernel.run();
    EXPECT_EQ(journal, (Journal{"start t", "stop t"}));
}

// Walks the list from the head, removing the items named in `drop` as it meets them.
std::vector<int> walkRemoving(CursorList<int>& list, std::vector<int> drop) {
    std::vector<int> seen;
    for (int* item = list.first(); item != nullptr; item = list.next()) {
        seen.push_back(*item);
        for (int d : drop) {
            if (*item == d) {
                list.removeCurrent();
            }
        }
    }
    return seen;
}

std::vector<int> contents(CursorList<int>& list) {
    std::vector<int> items;
    for (int* item = list.first(); item != nullptr; item = list.next()) {
        items.push_back(*item);
    }
    return items;
}

TEST(CursorList, RemovingDuringWalkContinuesWithFollower) {
    int values[] = {1, 2, 3, 4};
    for (int removed : {1, 2, 4}) {
        CursorList<int> list;
        for (int& v : values) {
            list.append(&v);
        }
        EXPECT_EQ(walkRemoving(list, {removed}), (std::vector<int>{1, 2, 3, 4})) << "removing " << removed;
        std::vector<int> rest{1, 2, 3, 4};
        rest.erase(std::find(rest.begin(), rest.end(), removed));
        EXPECT_EQ(contents(list), rest) << "removing " << removed;
    }
}

TEST(CursorList, RemovingTheOnlyItemEmptiesTheList) {
    int value = 7;
    CursorList<int> list;
    list.append(&value);
    EXPECT_EQ(walkRemoving(list, {7}), (std::vector<int>{7}));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(list.tail, nullptr);
    int again = 8;
    list.append(&again);
    EXPECT_EQ(contents(list), (std::vector<int>{8}));
}

TEST(CursorList, RemovingEveryItemInOneWalk) {
    int values[] = {1, 2, 3};
    CursorList<int> list;
    for (int& v : values) {
        list.append(&v);
    }
    EXPECT_EQ(walkRemoving(list, {1, 2, 3}), (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(list.empty());
}

TEST(CursorList, ClearNeverTouchesItems) {
    auto owned = std::make_unique<int>(5);
    {
        CursorList<int> list;
        list.append(owned.get());
        list.clear();
        EXPECT_TRUE(list.empty());
        list.append(owned.get());
    }
    EXPECT_EQ(*owned, 5);
}

}  // namespace
}  // namespace Tramble
