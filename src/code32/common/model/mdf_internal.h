// Helpers shared by the model reader's own files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "velm/mdf_records.h"
#include "velm/rules.h"

// The memory of one parse: zeroed blocks carved one after the other from
// chunks taken with MemAllocZeroed, never given back one by one but all at
// once with the parse context. A parse makes thousands of small records and
// strings and frees them together, so this costs a pointer bump each.
class MdfArena {
 public:
  MdfArena() = default;
  MdfArena(const MdfArena&) = delete;
  MdfArena& operator=(const MdfArena&) = delete;
  ~MdfArena();

  // A zeroed block of n bytes (at least 1), aligned for any record; null
  // when memory runs out.
  void* Allocate(size_t n);
  template <typename T>
  T* New() {
    return static_cast<T*>(Allocate(sizeof(T)));
  }
  // A zeroed copy of n bytes with a NUL after them; null when memory runs out.
  char* CopyText(const char* text, size_t n);
  // Frees every block; the arena can be used again.
  void Release();

 private:
  struct Chunk {
    Chunk* next;
    size_t size;
  };
  static constexpr size_t kAlign = alignof(std::max_align_t);
  Chunk* chunks_ = nullptr;
  char* next_ = nullptr;
  char* end_ = nullptr;
  size_t nextChunk_ = 0;  // the size of the next chunk
};

// A map of integer (or pointer) keys by open addressing over one
// power-of-two table: an entry costs no allocation of its own, which
// matters to the parse and the image build that make thousands of them.
// Values move when the table grows: a pointer from Find lasts until the
// next Emplace or Set.
template <typename K, typename V>
class MdfFlatMap {
 public:
  // Adds the key with the value unless the key is there (the first value
  // stays, as with std::unordered_map::emplace); true when added.
  bool Emplace(K key, V value) {
    Slot* s = Place(key);
    if (s->used) return false;
    *s = Slot{key, true, std::move(value)};
    ++count_;
    return true;
  }
  // Adds the key or replaces its value.
  void Set(K key, V value) {
    Slot* s = Place(key);
    if (!s->used) ++count_;
    *s = Slot{key, true, std::move(value)};
  }
  const V* Find(K key) const {
    if (slots_.empty()) return nullptr;
    for (size_t i = Hash(key) & mask_;; i = (i + 1) & mask_) {
      const Slot& s = slots_[i];
      if (!s.used) return nullptr;
      if (s.key == key) return &s.value;
    }
  }
  bool Contains(K key) const { return Find(key) != nullptr; }
  // Room for n keys at once, so that adding them grows the table no more.
  void Reserve(size_t n) {
    size_t size = slots_.empty() ? 64 : slots_.size();
    while (4 * n > 3 * size) size *= 2;
    if (size == slots_.size()) return;
    Rehash(size);
  }
  void Clear() {
    slots_.clear();
    count_ = 0;
    mask_ = 0;
  }

 private:
  struct Slot {
    K key{};
    bool used = false;
    V value{};
  };
  static size_t Hash(K key) {
    uint64_t h = static_cast<uint64_t>(key) * UINT64_C(0x9E3779B97F4A7C15);
    return static_cast<size_t>(h >> 32);
  }
  // The slot of the key, or the free slot where it goes (the table grown
  // first when it would be more than three quarters full).
  Slot* Place(K key) {
    if (4 * (count_ + 1) > 3 * slots_.size()) Grow();
    for (size_t i = Hash(key) & mask_;; i = (i + 1) & mask_) {
      Slot& s = slots_[i];
      if (!s.used || s.key == key) return &s;
    }
  }
  void Grow() { Rehash(slots_.empty() ? 64 : 2 * slots_.size()); }
  void Rehash(size_t size) {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(size, Slot{});
    mask_ = slots_.size() - 1;
    for (Slot& s : old) {
      if (!s.used) continue;
      size_t i = Hash(s.key) & mask_;
      while (slots_[i].used) i = (i + 1) & mask_;
      slots_[i] = std::move(s);
    }
  }
  std::vector<Slot> slots_;
  size_t mask_ = 0;
  size_t count_ = 0;
};

struct MdfParseIndex {
  // An option list: its members in order and the position of each id (the
  // first member with it). A usual list is short and searched member by
  // member; a longer one keeps a map of the positions.
  struct OptionList {
    static constexpr size_t kScanned = 16;
    std::vector<MdfOption*> members;
    MdfFlatMap<uint16_t, uint32_t> position;  // for lists of more than kScanned

    void Add(MdfOption* option) {
      members.push_back(option);
      const size_t n = members.size();
      if (n <= kScanned) return;
      if (n == kScanned + 1) {
        for (uint32_t i = 0; i < kScanned; ++i) position.Emplace(members[i]->optionId, i);
      }
      position.Emplace(option->optionId, static_cast<uint32_t>(n - 1));
    }
    bool Find(uint16_t option_id, uint32_t* at) const {
      if (members.size() > kScanned) {
        const uint32_t* found = position.Find(option_id);
        if (found) *at = *found;
        return found != nullptr;
      }
      for (uint32_t i = 0; i < members.size(); ++i) {
        if (members[i]->optionId == option_id) {
          *at = i;
          return true;
        }
      }
      return false;
    }
  };
  MdfFlatMap<uint16_t, FeatureNode*> firstByKey;
  MdfFlatMap<uint32_t, FeatureNode*> firstByVariant;  // key << 16 | sub-id
  MdfFlatMap<uint32_t, FeatureNode*> firstBySetting;
  std::unordered_map<const void*, OptionList> lists;  // by the list's first member
  // The list OptionIndex gave last and its key (a member of lists: its
  // address stays as the map grows).
  const void* lastListKey = nullptr;
  OptionList* lastList = nullptr;
  MdfFlatMap<uint16_t, JudgeRecord*> firstJudge;
  // Numbers of Judges that were given but refused. A reference to one that
  // no accepted Judge answers drops what holds it.
  MdfFlatMap<uint16_t, bool> refusedJudges;
  // Where the parse's records and their texts live (see MdfArena).
  MdfArena arena;
};

namespace mdf {

// The list steps of this thread's parses (MdfGetParseSteps).
extern thread_local uint64_t t_parseSteps;
inline void Step() { ++t_parseSteps; }

// Appends an item to a list whose last member is kept in *last. A list that
// has members but no recorded last one (built elsewhere) is walked once.
template <typename T>
void AppendLast(T** head, T** last, T* item) {
  item->next = nullptr;
  if (!*head) {
    *head = item;
  } else if (*last) {
    (*last)->next = item;
  } else {
    T* p = *head;
    while (p->next) {
      Step();
      p = p->next;
    }
    p->next = item;
  }
  *last = item;
}

// The index of a feature's option list (null when the node has no list);
// a list the index does not know yet is entered by one walk.
MdfParseIndex::OptionList* OptionIndex(ModelParseContext* ctx, const FeatureNode* node);
// The option with the id in a feature's list, through the index.
MdfOption* FindOption(ModelParseContext* ctx, const FeatureNode* node, uint16_t option_id);
// The default of a setting as compiled so far (MdfGetDefaultFromHeader),
// through the index.
int32_t DefaultOf(ModelParseContext* ctx, uint32_t setting_id);

// True for a lead byte of the system code page (always 0x80 or more; the
// scanners ask for nearly every byte, so that test stays inline).
bool IsHighLeadByte(uint8_t c);
inline bool IsLeadByte(uint8_t c) { return c >= 0x80 && IsHighLeadByte(c); }

inline uint8_t At(const MdfTextBuffer* b, uint32_t i) { return static_cast<uint8_t>(b->data[i]); }
inline uint8_t Here(const MdfTextBuffer* b) { return At(b, b->length); }

// The word at the cursor after blanks and line breaks (a leading '*'
// dropped), up to a blank, line break, delimiter or NUL. Unlike MdfScanWord
// the terminator is neither replaced nor consumed: the cursor stays on it.
// False (and an empty word) at the end of the text.
bool TakeWord(MdfTextBuffer* b, std::string* word);

// Passes over blanks only (not line breaks); returns the byte at the cursor.
uint8_t SkipBlanks(MdfTextBuffer* b);

// Reads up to max numbers of a quoted number list, as the value records
// write them; stops at the end of the text, after a number followed by the
// closing double quote, and at anything that is not a number. Returns how
// many were read.
int32_t ReadNumbers(MdfTextBuffer* b, int32_t* out, int32_t max);

// The number made of every digit of a word; a '-' anywhere makes it
// negative. Accumulated in 64 bits, clamped to 32 bits.
int32_t WordDigits(const char* word);
int32_t WordDigits(std::string_view word);

// Moves the cursor past the next occurrence of c that stands outside a
// quoted string (a '%' inside quotes escapes the byte after it; a double-byte
// character is passed whole). Null, with the cursor at the end, when the text
// ends first.
char* SkipPastUnquoted(MdfTextBuffer* b, char c);
// The braced entries of a list from the cursor on (the cursor stays): each
// '{' and the '}' after it make one entry, whatever stands between the
// entries; after an entry, blanks and line breaks are passed over and a '}'
// (the list's own) ends the count. Braces inside quoted strings and second
// bytes of double-byte characters are not counted.
uint32_t CountBracedEntries(const MdfTextBuffer* b);

// Decodes the next quoted string (as MdfScanQuoted) into a new zeroed copy
// and gives its length without the NUL; null for an empty string or none.
// The copy is made in the arena when one is given, else with MemAllocZeroed.
char* ScanQuotedLength(MdfTextBuffer* b, char* terminator, uint32_t* length, MdfArena* arena = nullptr);

// RuleCompileCondition with the cells made in the arena when one is given.
JudgeCell* CompileCondition(ModelParseContext* ctx, MdfTextBuffer* text, uint32_t* count, MdfArena* arena);

// The arena of a parse context.
inline MdfArena& Arena(ModelParseContext* ctx) { return ctx->index->arena; }

// A read-only view of a whole file of the machine.
struct FileView {
  const uint8_t* data = nullptr;
  size_t size = 0;
};
bool OpenFileView(const char16_t* path, FileView* view);
void CloseFileView(FileView* view);

}  // namespace mdf
