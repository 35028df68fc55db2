#include "dbclient/FIBMetaCacheHooks.h"

#include <atomic>

namespace ordvane {

namespace {
std::atomic<IFIBMetaCaches*> registered{nullptr};
}  // namespace

IFIBMetaCaches* FIBMetaCaches() {
  return registered.load(std::memory_order_acquire);
}

void SetFIBMetaCaches(IFIBMetaCaches* caches) {
  registered.store(caches, std::memory_order_release);
}

}  // namespace ordvane
