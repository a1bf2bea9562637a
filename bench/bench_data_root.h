#pragma once
// A fresh data root for a benchmark run: a new folder under /tmp becomes CORVANE_HOME, with an empty
// settings store of its own, so a run never reads or changes the user's settings.

#include <stdlib.h>

#include <memory>
#include <string>

#include "platform/registry/current_user.h"
#include "platform/registry/registry_store.h"

namespace corvane {

struct TBenchDataRoot {
    std::string Folder;  // with its trailing "/"; empty when the folder could not be made
    std::shared_ptr<RegistryStore> Store;
};

inline TBenchDataRoot MakeBenchDataRoot(const std::string& name) {
    std::string pattern = "/tmp/corvane-" + name + "-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) return {};
    TBenchDataRoot root{pattern + "/", std::make_shared<RegistryStore>()};
    ::setenv("CORVANE_HOME", root.Folder.c_str(), 1);
    SetCurrentUserRegistry(root.Store);
    return root;
}

}  // namespace corvane
