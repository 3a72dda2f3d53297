// The process-wide list of model images of this library, keyed by the full
// path of the model file, and the image of a driver context.
#include <mutex>

#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/lock.h"
#include "velm/mdf_reader.h"
#include "velm/model_cache.h"
#include "velm/settings.h"

namespace {

struct ModelListNode {
  ModelListNode* next;
  uint32_t value;  // always 1
  ModelImage* image;
  char16_t* path;  // the full path it was listed under
};

struct ModelList {
  uint32_t count = 0;
  ModelListNode* first = nullptr;
  ModelListNode* last = nullptr;
};

// The driver mutex serialises the callers; this lock keeps the list whole
// also when the mutex could not be had (the unguarded fallback) or the
// caller holds it already on another thread's behalf.
std::mutex g_list_lock;
ModelList g_list;

char16_t Fold(char16_t c) { return c == u'/' ? u'\\' : plat::WToLower(c); }

bool SamePath(const char16_t* a, const char16_t* b) {
  for (;; ++a, ++b) {
    if (Fold(*a) != Fold(*b)) return false;
    if (*a == 0) return true;
  }
}

ModelListNode* Find(const char16_t* path) {
  for (ModelListNode* n = g_list.first; n; n = n->next) {
    if (SamePath(n->path, path)) return n;
  }
  return nullptr;
}

}  // namespace

ModelImage* MdfListFind(const char16_t* path) {
  if (!path || !path[0]) return nullptr;
  std::lock_guard<std::mutex> lock(g_list_lock);
  ModelListNode* n = Find(path);
  return n ? n->image : nullptr;
}

ModelImage* MdfListAdd(const char16_t* path, ModelImage* image) {
  if (!image) return nullptr;
  if (!path || !path[0]) {
    MdfFreeImage(image);
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(g_list_lock);
  if (ModelListNode* n = Find(path)) {
    MdfFreeImage(image);
    return n->image;
  }
  size_t length = plat::WLen(path);
  auto* node = static_cast<ModelListNode*>(MemAllocZeroed(sizeof(ModelListNode)));
  auto* copy = static_cast<char16_t*>(MemAllocZeroed((length + 1) * sizeof(char16_t)));
  if (!node || !copy) {
    MemFree(node);
    MemFree(copy);
    MdfFreeImage(image);
    return nullptr;
  }
  plat::WCopy(copy, length + 1, path);
  node->value = 1;
  node->image = image;
  node->path = copy;
  if (g_list.last) {
    g_list.last->next = node;
  } else {
    g_list.first = node;
  }
  g_list.last = node;
  ++g_list.count;
  return image;
}

uint32_t MdfListCount() {
  std::lock_guard<std::mutex> lock(g_list_lock);
  return g_list.count;
}

void MdfFreeModelList() {
  std::lock_guard<std::mutex> lock(g_list_lock);
  for (ModelListNode* n = g_list.first; n;) {
    ModelListNode* next = n->next;
    MdfFreeImage(n->image);
    MemFree(n->path);
    MemFree(n);
    n = next;
  }
  g_list = ModelList{};
}

void MdfReleaseModel(ModelImage*) {}

ModelImage* MdfGetCompiledModel(DriverContext* ctx) {
  if (!ctx || !ctx->work || !ctx->model) return nullptr;
  bool held = false;
  if (!(ctx->work->kindOptions & kKindOptHoldsMutex)) held = LockAcquireMutex() != 0;
  ModelImage* image = nullptr;
  if (char16_t* path = MdfGetDataFilePath(ctx->queryPrinter ? ctx->queryPrinter : ctx->printer)) {
    image = MdfListFind(path);
    if (!image) {
      MdfImageOrigin origin;
      ModelImage* fresh = MdfObtainModel(path, ctx->model->driverVersionText, MdfMachineFileOps(), &origin);
      if (fresh) image = MdfListAdd(path, fresh);
    }
    MemFree(path);
  }
  if (held) LockReleaseMutex();
  return image;
}
