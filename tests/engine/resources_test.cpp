// Reference counting by name: one load per first reference, one unload per last drop, the
// log lines that trace it, and drops that hold no reference.
#include "engine/resources.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/logcapture.h"

namespace Tramble {
namespace {

// Hands out 1, 2, 3, ... and records every load and unload.
class CountingManager : public ResourceManager<int> {
public:
    int loadResource(const std::string& name) override {
        loaded.push_back(name);
        return ++lastResource;
    }
    void unloadResource(int resource) override { unloaded.push_back(resource); }

    int lastResource = 0;
    std::vector<std::string> loaded;
    std::vector<int> unloaded;
};

TEST(ResourceManagerTest, SecondFetchSharesTheFirstLoad) {
    CountingManager manager;
    LogCapture log;
    EXPECT_EQ(manager.fetchResource("a.jpg"), 1);
    EXPECT_EQ(manager.fetchResource("a.jpg"), 1);
    EXPECT_EQ(manager.loaded, std::vector<std::string>{"a.jpg"});
    EXPECT_EQ(log.str(),
              "--- Fetching resource 'a.jpg'\n"
              "    --- Resource not loaded, loading..\n"
              "--- Fetching resource 'a.jpg'\n");

    log.clear();
    manager.dropResource("a.jpg");
    EXPECT_TRUE(manager.unloaded.empty()) << "one reference is still held";
    manager.dropResource("a.jpg");
    EXPECT_EQ(manager.unloaded, std::vector<int>{1});
    EXPECT_EQ(log.str(),
              "--- Dropping resource 'a.jpg'\n"
              "--- Dropping resource 'a.jpg'\n"
              "    --- No reference left, unloading..\n");
}

TEST(ResourceManagerTest, FetchAfterTheLastDropLoadsAgain) {
    CountingManager manager;
    EXPECT_EQ(manager.fetchResource("a.jpg"), 1);
    manager.dropResource("a.jpg");
    EXPECT_EQ(manager.fetchResource("a.jpg"), 2);
    EXPECT_EQ(manager.loaded, (std::vector<std::string>{"a.jpg", "a.jpg"}));
    EXPECT_EQ(manager.unloaded, std::vector<int>{1});
}

TEST(ResourceManagerTest, NamesAreCountedSeparately) {
    CountingManager manager;
    EXPECT_EQ(manager.fetchResource("a.jpg"), 1);
    EXPECT_EQ(manager.fetchResource("b.jpg"), 2);
    manager.dropResource("a.jpg");
    EXPECT_EQ(manager.unloaded, std::vector<int>{1});
    EXPECT_EQ(manager.fetchResource("b.jpg"), 2);
}

// A drop with no reference behind it must neither wrap the count (which would hand out
// the unloaded resource on the next fetch) nor unload a second time.
TEST(ResourceManagerTest, DropWithoutReferenceIsReportedAndIgnored) {
    CountingManager manager;
    LogCapture log;
    manager.dropResource("never.jpg");
    EXPECT_TRUE(manager.unloaded.empty());
    EXPECT_EQ(log.str(),
              "--- Dropping resource 'never.jpg'\n"
              "    +++ Resource 'never.jpg' holds no reference, drop ignored\n");
    EXPECT_EQ(manager.fetchResource("never.jpg"), 1);

    EXPECT_EQ(manager.fetchResource("a.jpg"), 2);
    manager.dropResource("a.jpg");
    log.clear();
    manager.dropResource("a.jpg");
    EXPECT_EQ(log.count("+++ Resource 'a.jpg' holds no reference, drop ignored"), 1);
    EXPECT_EQ(manager.unloaded, std::vector<int>{2}) << "unloaded once";
    EXPECT_EQ(manager.fetchResource("a.jpg"), 3) << "the unloaded resource is never handed out again";
    manager.dropResource("a.jpg");
    EXPECT_EQ(manager.unloaded, (std::vector<int>{2, 3}));
}

}  // namespace
}  // namespace Tramble
