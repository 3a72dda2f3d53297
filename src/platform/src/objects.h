// The per-process handle table behind HANDLE values (internal to the layer).
#pragma once

#include <memory>

#include "plat/wintypes.h"

namespace plat::detail {

// A kernel object. Each service derives its own kind.
struct KernelObject {
  virtual ~KernelObject() = default;
  // Printer handles and registry keys have close functions of their own.
  virtual bool ClosedByCloseHandle() const { return true; }
};

// Registers an object and returns its new handle (never null nor
// INVALID_HANDLE_VALUE).
HANDLE AddHandle(std::shared_ptr<KernelObject> object);
std::shared_ptr<KernelObject> FindHandle(HANDLE handle);
template <class T>
std::shared_ptr<T> FindHandleAs(HANDLE handle) {
  return std::dynamic_pointer_cast<T>(FindHandle(handle));
}
// Removes the handle when its object is of kind T; false otherwise.
template <class T>
bool RemoveHandleAs(HANDLE handle);
bool RemoveHandleIf(HANDLE handle, bool (*is_kind)(const KernelObject*));

template <class T>
bool RemoveHandleAs(HANDLE handle) {
  return RemoveHandleIf(handle, [](const KernelObject* o) { return dynamic_cast<const T*>(o) != nullptr; });
}

}  // namespace plat::detail
