#pragma once
// The process-wide current-user hive: "registry.reg" in the data root, opened on first use.

#include <memory>

#include "platform/registry/registry_store.h"

namespace corvane {

std::shared_ptr<RegistryStore> CurrentUserRegistry();

// Replaces the process-wide store (tests give each case a store of its own); nullptr goes back to
// the data root's file on the next use. Returns the previous store.
std::shared_ptr<RegistryStore> SetCurrentUserRegistry(std::shared_ptr<RegistryStore> store);

}  // namespace corvane
