// A file of typed values under keys, the backing of the registry and of the
// spooler's catalogue and printer data (internal).
//
// The file is text, one record per line:
//   K<TAB>key path
//   V<TAB>key path<TAB>value name<TAB>type<TAB>data as hex bytes
// with names in UTF-8 and '%', TAB, CR, LF and other control bytes written
// as %XX. Key paths are '\'-separated; names compare ignoring case.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "plat/wintypes.h"

namespace plat::detail {

struct StoreValue {
  std::u16string name;
  DWORD type = 0;
  std::vector<uint8_t> data;
};

// A key and its values. The values are read here and changed only through
// TypedStore's value functions, which keep the index of their names right:
// a look-up of one of a thousand values of a printer's data is one hash.
class StoreKey {
 public:
  StoreKey() = default;
  explicit StoreKey(std::u16string key_path) : path(std::move(key_path)) {}

  std::u16string path;
  const std::vector<StoreValue>& values() const { return values_; }

 private:
  friend class TypedStore;
  std::vector<StoreValue> values_;
  // Position in values_ of each value by its case-folded name.
  std::unordered_map<std::u16string, size_t> index_;
};

class TypedStore {
 public:
  // Keys ignore case and surplus backslashes.
  StoreKey* FindKey(const std::u16string& path);
  const StoreKey* FindKey(const std::u16string& path) const;
  // Creates the key and every missing parent.
  StoreKey* CreateKey(const std::u16string& path);
  // Removes the key and its subkeys; false when missing.
  bool DeleteKey(const std::u16string& path);
  // Direct subkeys' last components.
  std::vector<std::u16string> SubKeys(const std::u16string& path) const;

  // Values ignore case too; a null key has none.
  static const StoreValue* FindValue(const StoreKey* key, const std::u16string& name);
  // Adds the value, or replaces the one of its name (ignoring case) in its place.
  static void PutValue(StoreKey* key, StoreValue value);
  // Removes the value of that name; false when there is none.
  static bool RemoveValue(StoreKey* key, const std::u16string& name);
  static void ClearValues(StoreKey* key);
  // Gives key a copy of the values of from, in their order.
  static void CopyValues(StoreKey* key, const StoreKey& from);

  std::string Serialize() const;
  static TypedStore Parse(const std::string& text);

  std::vector<StoreKey> keys;

 private:
  // Position in keys of each key by its case-folded path, so that a look-up
  // does not scan every key (a store of many printers loads in linear time).
  // Rebuilt when keys was changed around it.
  std::unordered_map<std::u16string, size_t> index_;
  void Reindex();
};

std::u16string NormalizeKeyPath(const std::u16string& path);

// A store file at a host path, shared by processes: the cached reading (an
// empty store when the file is missing) and an update under the file's
// machine lock on a fresh copy, written atomically; change is told whether
// the file existed and answers whether it changed the store. A reading
// while the machine's change board shows no change since the last one
// answers from the cache without looking at the file; exists, when given,
// tells whether the file was there.
std::shared_ptr<const TypedStore> ReadStoreFile(const std::string& host, bool* exists);
bool UpdateStoreFile(const std::string& host, const std::function<bool(TypedStore&, bool existed)>& change,
                     DWORD* error);
// The same change written beside the file only (see PrepareHostFile); out
// keeps the file locked until it is committed or dropped.
bool PrepareStoreFile(const std::string& host, const std::function<bool(TypedStore&, bool existed)>& change,
                      struct PreparedWrite* out, DWORD* error);

// A store file shared by processes: reads are cached by the file's stamp,
// updates run under a machine-wide lock on a fresh copy and are written
// atomically. Update's function answers whether it changed the store.
class StoreFile {
 public:
  explicit StoreFile(std::string (*host_path)()) : host_path_(host_path) {}
  std::shared_ptr<const TypedStore> Read();
  bool Update(const std::function<bool(TypedStore&)>& change, DWORD* error);
  // The same change written beside the file only (see PrepareHostFile); out
  // keeps the file locked until it is committed or dropped.
  bool Prepare(const std::function<bool(TypedStore&)>& change, struct PreparedWrite* out, DWORD* error);

 private:
  std::string (*host_path_)();
};

}  // namespace plat::detail
