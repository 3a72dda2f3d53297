// Typed value stores on disk.
#include "typedstore.h"

#include <sys/stat.h>

#include <cstdio>
#include <map>
#include <mutex>

#include "changeboard.h"
#include "hostfs.h"
#include "plat/wstr.h"

namespace plat::detail {

namespace {

std::string Escape(const std::u16string& s) {
  std::string utf8 = ToUtf8(s), out;
  for (unsigned char c : utf8) {
    if (c < 0x20 || c == '%' || c == 0x7F) {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", c);
      out += buf;
    } else {
      out.push_back(char(c));
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::u16string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && HexDigit(s[i + 1]) >= 0 && HexDigit(s[i + 2]) >= 0) {
      out.push_back(char(HexDigit(s[i + 1]) * 16 + HexDigit(s[i + 2])));
      i += 2;
    } else {
      out.push_back(s[i]);
    }
  }
  return FromUtf8(out);
}

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> parts;
  size_t pos = 0;
  for (;;) {
    size_t tab = line.find('\t', pos);
    parts.push_back(line.substr(pos, tab == std::string::npos ? std::string::npos : tab - pos));
    if (tab == std::string::npos) break;
    pos = tab + 1;
  }
  return parts;
}

bool SameName(const std::u16string& a, const std::u16string& b) { return WCmpI(a.c_str(), b.c_str()) == 0; }

std::u16string Parent(const std::u16string& path) {
  size_t slash = path.find_last_of(u'\\');
  return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash);
}

}  // namespace

std::u16string NormalizeKeyPath(const std::u16string& path) {
  std::u16string out;
  for (char16_t c : path) {
    if (c == u'\\' && (out.empty() || out.back() == u'\\')) continue;
    out.push_back(c);
  }
  while (!out.empty() && out.back() == u'\\') out.pop_back();
  return out;
}

namespace {
std::u16string Folded(const std::u16string& path) {
  std::u16string out(path);
  for (char16_t& c : out) c = WToLower(c);
  return out;
}
}  // namespace

void TypedStore::Reindex() {
  index_.clear();
  for (size_t i = 0; i < keys.size(); ++i) index_.emplace(Folded(keys[i].path), i);
}

StoreKey* TypedStore::FindKey(const std::u16string& path) {
  if (index_.size() != keys.size()) Reindex();
  return const_cast<StoreKey*>(static_cast<const TypedStore*>(this)->FindKey(path));
}

// A store shared for reading is never changed here: an index that does not
// match the keys (changed around it) falls back to a scan.
const StoreKey* TypedStore::FindKey(const std::u16string& path) const {
  std::u16string p = NormalizeKeyPath(path);
  if (index_.size() == keys.size()) {
    auto it = index_.find(Folded(p));
    if (it == index_.end()) return nullptr;
    if (it->second < keys.size() && SameName(keys[it->second].path, p)) return &keys[it->second];
  }
  for (const StoreKey& k : keys)
    if (SameName(k.path, p)) return &k;
  return nullptr;
}

StoreKey* TypedStore::CreateKey(const std::u16string& path) {
  std::u16string p = NormalizeKeyPath(path);
  if (StoreKey* k = FindKey(p)) return k;
  if (!Parent(p).empty()) CreateKey(Parent(p));
  keys.emplace_back(p);
  index_.emplace(Folded(p), keys.size() - 1);
  return &keys.back();
}

bool TypedStore::DeleteKey(const std::u16string& path) {
  std::u16string p = NormalizeKeyPath(path);
  if (!FindKey(p)) return false;
  std::u16string prefix = p + u"\\";
  std::vector<StoreKey> kept;
  for (StoreKey& k : keys) {
    bool below = k.path.size() > prefix.size() && WCmpNI(k.path.c_str(), prefix.c_str(), prefix.size()) == 0;
    if (!SameName(k.path, p) && !below) kept.push_back(std::move(k));
  }
  keys = std::move(kept);
  Reindex();
  return true;
}

std::vector<std::u16string> TypedStore::SubKeys(const std::u16string& path) const {
  std::u16string p = NormalizeKeyPath(path);
  std::vector<std::u16string> out;
  for (const StoreKey& k : keys) {
    if (SameName(Parent(k.path), p) && !k.path.empty()) out.push_back(k.path.substr(p.empty() ? 0 : p.size() + 1));
  }
  return out;
}

const StoreValue* TypedStore::FindValue(const StoreKey* key, const std::u16string& name) {
  if (!key) return nullptr;
  auto it = key->index_.find(Folded(name));
  return it == key->index_.end() ? nullptr : &key->values_[it->second];
}

void TypedStore::PutValue(StoreKey* key, StoreValue value) {
  auto [it, added] = key->index_.emplace(Folded(value.name), key->values_.size());
  if (added) key->values_.push_back(std::move(value));
  else key->values_[it->second] = std::move(value);
}

bool TypedStore::RemoveValue(StoreKey* key, const std::u16string& name) {
  auto it = key->index_.find(Folded(name));
  if (it == key->index_.end()) return false;
  const size_t at = it->second;
  key->index_.erase(it);
  key->values_.erase(key->values_.begin() + std::ptrdiff_t(at));
  // The values after it moved up one place.
  for (auto& [folded, pos] : key->index_)
    if (pos > at) --pos;
  return true;
}

void TypedStore::ClearValues(StoreKey* key) {
  key->values_.clear();
  key->index_.clear();
}

void TypedStore::CopyValues(StoreKey* key, const StoreKey& from) {
  key->values_ = from.values_;
  key->index_ = from.index_;
}

std::string TypedStore::Serialize() const {
  std::string out = "VELMSTORE\t1\n";
  for (const StoreKey& k : keys) {
    out += "K\t" + Escape(k.path) + "\n";
    for (const StoreValue& v : k.values()) {
      out += "V\t" + Escape(k.path) + "\t" + Escape(v.name) + "\t" + std::to_string(v.type) + "\t";
      static const char* hex = "0123456789abcdef";
      for (uint8_t b : v.data) {
        out.push_back(hex[b >> 4]);
        out.push_back(hex[b & 15]);
      }
      out += "\n";
    }
  }
  return out;
}

TypedStore TypedStore::Parse(const std::string& text) {
  TypedStore store;
  // The values of a key are written one after another: the key of the last
  // value line is reused while the next names it with the same bytes.
  std::string last_key_text;
  size_t last_key = 0;
  bool has_last = false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::vector<std::string> f = SplitTabs(text.substr(pos, end - pos));
    pos = end + 1;
    if (f[0] == "K" && f.size() == 2) {
      store.CreateKey(Unescape(f[1]));
    } else if (f[0] == "V" && f.size() == 5) {
      if (!has_last || f[1] != last_key_text) {
        last_key = size_t(store.CreateKey(Unescape(f[1])) - store.keys.data());
        last_key_text = f[1];
        has_last = true;
      }
      StoreKey* key = &store.keys[last_key];
      StoreValue v;
      v.name = Unescape(f[2]);
      v.type = DWORD(std::strtoul(f[3].c_str(), nullptr, 10));
      const std::string& hex = f[4];
      bool ok = hex.size() % 2 == 0;
      v.data.reserve(hex.size() / 2);
      for (size_t i = 0; ok && i < hex.size(); i += 2) {
        int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
        ok = hi >= 0 && lo >= 0;
        if (ok) v.data.push_back(uint8_t(hi * 16 + lo));
      }
      if (!ok) continue;  // a damaged record is dropped, the rest stays readable
      PutValue(key, std::move(v));
    }
  }
  return store;
}

namespace {
std::mutex g_cache_mutex;
struct Cached {
  FileStamp stamp;
  uint64_t token = 0;  // the machine's change token when the file was read
  std::shared_ptr<const TypedStore> store;
};
std::map<std::string, Cached>& Cache() {
  static std::map<std::string, Cached> cache;
  return cache;
}
}  // namespace

std::shared_ptr<const TypedStore> ReadStoreFile(const std::string& host, bool* exists) {
  // Taken before the file is looked at: a change after it changes it.
  const uint64_t token = MachineChangeToken();
  {
    std::lock_guard<std::mutex> lock(g_cache_mutex);
    auto it = Cache().find(host);
    if (it != Cache().end() && token != 0 && it->second.token == token) {
      if (exists) *exists = it->second.stamp.exists;
      return it->second.store;
    }
  }
  FileStamp stamp = StampOf(host);
  if (exists) *exists = stamp.exists;
  {
    std::lock_guard<std::mutex> lock(g_cache_mutex);
    auto it = Cache().find(host);
    if (it != Cache().end() && it->second.stamp == stamp) {
      it->second.token = token;
      return it->second.store;
    }
  }
  std::string text;
  auto store = std::make_shared<TypedStore>();
  if (stamp.exists && ReadHostFile(host, &text, nullptr)) *store = TypedStore::Parse(text);
  std::lock_guard<std::mutex> lock(g_cache_mutex);
  Cache()[host] = {stamp, token, store};
  return store;
}

bool UpdateStoreFile(const std::string& host, const std::function<bool(TypedStore&, bool existed)>& change,
                     DWORD* error) {
  ::mkdir(HostDirName(host).c_str(), 0777);
  MachineLock lock(host);
  std::string text;
  TypedStore store;
  bool existed = IsHostFile(host);
  if (existed) {
    if (!ReadHostFile(host, &text, error)) return false;
    store = TypedStore::Parse(text);
  }
  if (!change(store, existed)) return true;
  bool ok = ReplaceHostFile(host, store.Serialize(), error);
  std::lock_guard<std::mutex> cache_lock(g_cache_mutex);
  Cache().erase(host);
  return ok;
}

std::shared_ptr<const TypedStore> StoreFile::Read() { return ReadStoreFile(host_path_(), nullptr); }

bool StoreFile::Update(const std::function<bool(TypedStore&)>& change, DWORD* error) {
  return UpdateStoreFile(host_path_(), [&](TypedStore& s, bool) { return change(s); }, error);
}

bool PrepareStoreFile(const std::string& host, const std::function<bool(TypedStore&, bool existed)>& change,
                      PreparedWrite* out, DWORD* error) {
  ::mkdir(HostDirName(host).c_str(), 0777);
  out->key = host;
  out->host = host;
  out->lock = std::make_shared<MachineLock>(host);
  std::string text;
  TypedStore store;
  bool existed = IsHostFile(host);
  if (existed) {
    if (!ReadHostFile(host, &text, error)) return false;
    store = TypedStore::Parse(text);
  }
  if (!change(store, existed)) return true;
  bool ok = PrepareHostFile(host, store.Serialize(), &out->temp, error);
  std::lock_guard<std::mutex> cache_lock(g_cache_mutex);
  Cache().erase(host);
  return ok;
}

bool StoreFile::Prepare(const std::function<bool(TypedStore&)>& change, PreparedWrite* out, DWORD* error) {
  return PrepareStoreFile(host_path_(), [&](TypedStore& s, bool) { return change(s); }, out, error);
}

}  // namespace plat::detail
