// Reference counting by name: one load per first reference, one unload per last drop, and
// drops that hold no reference.
#include "engine/resources.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/logcapture.h"

namespace Tramble {
namespace {

// Hands out 1, 2, 3, ... and journals every load and unload.
class CountingManager : public ResourceManager<int> {
public:
    int loadResource(const std::string& name) override {
        journal.push_back("load " + name);
        return ++lastResource;
    }
    void unloadResource(int resource) override { journal.push_back("unload " + std::to_string(resource)); }

    int lastResource = 0;
    std::vector<std::string> journal;
};

// A drop with no reference behind it must neither wrap the count (which would hand out the
// unloaded resource on the next fetch) nor unload a second time.
TEST(ResourceManagerTest, LoadsOnTheFirstFetchUnloadsOnTheLastDrop) {
    CountingManager manager;
    LogCapture log;
    EXPECT_EQ(manager.fetchResource("a.jpg"), 1);
    EXPECT_EQ(manager.fetchResource("b.jpg"), 2);
    EXPECT_EQ(manager.fetchResource("a.jpg"), 1);
    manager.dropResource("a.jpg");
    manager.dropResource("b.jpg");
    manager.dropResource("a.jpg");
    manager.dropResource("a.jpg");
    manager.dropResource("never.jpg");
    EXPECT_EQ(manager.fetchResource("a.jpg"), 3);
    EXPECT_EQ(manager.journal,
              (std::vector<std::string>{"load a.jpg", "load b.jpg", "unload 2", "unload 1", "load a.jpg"}));
    EXPECT_EQ(log.count("+++ Resource 'a.jpg' holds no reference, drop ignored"), 1);
    EXPECT_EQ(log.count("+++ Resource 'never.jpg' holds no reference, drop ignored"), 1);
}

}  // namespace
}  // namespace Tramble
