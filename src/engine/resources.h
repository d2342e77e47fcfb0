// Reference-counted resources shared by name: the first fetch of a name loads it, the drop
// of its last reference unloads it. Subclasses say how a resource is loaded and unloaded.
#pragma once

#include <map>
#include <ostream>
#include <string>

#include "engine/logsys.h"

namespace Tramble {

template <typename T>
class ResourceManager {
public:
    struct Entry {
        unsigned int refCount = 0;
        T resource{};
    };

    virtual ~ResourceManager() = default;

    // Takes a reference. A load that fails still counts: the name keeps the failed value
    // until its references are dropped, so a missing file is not retried on every fetch.
    T fetchResource(const std::string& name) {
        LOG(Info) << "Fetching resource '" << name << "'" << std::endl;
        const LogIndent indent;
        Entry& entry = resources[name];
        if (entry.refCount++ == 0) {
            LOG(Info) << "Resource not loaded, loading..\n";
            entry.resource = loadResource(name);
        }
        return entry.resource;
    }

    // Gives a reference back. Dropping a name that holds no reference is a caller's slip:
    // it is reported and ignored, so the count never wraps and nothing is unloaded twice.
    void dropResource(const std::string& name) {
        LOG(Info) << "Dropping resource '" << name << "'" << std::endl;
        const LogIndent indent;
        const auto found = resources.find(name);
        if (found == resources.end() || found->second.refCount == 0) {
            LOG(Warning) << "Resource '" << name << "' holds no reference, drop ignored\n";
            return;
        }
        Entry& entry = found->second;
        if (--entry.refCount == 0) {
            LOG(Info) << "No reference left, unloading..\n";
            unloadResource(entry.resource);
        }
    }

    virtual T loadResource(const std::string& name) = 0;
    virtual void unloadResource(T resource) = 0;

    // Entries stay after their last drop; destroying the manager unloads nothing.
    std::map<std::string, Entry> resources;
};

}  // namespace Tramble
