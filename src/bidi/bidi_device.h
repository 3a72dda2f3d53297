// The device description that the stand-in bidirectional library answers
// from: one text file per printer in the machine,
// C:\Windows\System32\spool\devices\<printer>.txt, one entry per line
// ('#' starts a comment):
//
//   model NAME                      the device's model name
//   tray CODE PAPER MEDIA STATUS    one tray: device tray, paper and media
//                                   codes, status bits (1 lock, 4 cover, 8 mark)
//   options CODE,CODE,...           installed-option codes
//   memory BYTES                    item 11 (absent: not reported)
//   memtype N                       category item 258
//   data8 HEX / data2 HEX           device data blocks (item 8, category item 2)
//   other TEXT                      category item 259
//   fail STEP                       STEP fails: open, okflag (Open succeeds with
//                                   ok 0), model, begin, category, item:N, catitem:N
//   error102 STEP                   begin or category fails with last error 102
//   malformed KIND [N]              count N (item 1 answers N trays), entries N
//                                   (items 20, 21, 23 hold N entries), options N
//                                   (item 2 answers N), memory N (item 11 holds
//                                   N bytes), name (model name unterminated)
//   raw ITEM RESULT HEX             item ITEM (cN: category item N) answers
//                                   exactly these bytes ('-': none) and this
//                                   result, whatever else the description says
//   rawname HEX                     the model name as these UTF-16LE bytes, as
//                                   many as fit the caller's buffer, unterminated
//
// The host (velm device) and the library share this reader and writer.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace bidi_device {

struct Tray {
  int32_t code = 0, paper = 0, media = 0, status = 0;
};

struct Device {
  std::string model;
  std::vector<Tray> trays;
  std::vector<int32_t> options;
  bool hasMemory = false;
  int64_t memory = 0;
  bool hasMemType = false;
  int32_t memType = 0;
  bool hasData8 = false, hasData2 = false, hasOther = false;
  std::vector<uint8_t> data8, data2;
  std::string other;
  std::set<std::string> fail, error102;
  int32_t badCount = -1, badEntries = -1, badOptions = -1, badMemory = -1;
  bool badName = false;
  struct Raw {
    int32_t result = 0;
    std::vector<uint8_t> bytes;
  };
  std::map<int32_t, Raw> raw;  // category items as kCategoryRaw + item
  bool hasRawName = false;
  std::vector<uint8_t> rawName;
};
constexpr int32_t kCategoryRaw = 0x10000;

inline std::u16string FileName(const std::u16string& printer) {
  std::u16string name;
  for (char16_t c : printer) name.push_back(c == u'\\' || c == u'/' || c == u':' ? u'_' : c);
  return u"C:\\Windows\\System32\\spool\\devices\\" + name + u".txt";
}
constexpr const char16_t* kFolder = u"C:\\Windows\\System32\\spool\\devices";
constexpr const char16_t* kCounters = u"C:\\Windows\\System32\\spool\\devices\\counters.txt";

inline bool ParseInt(const std::string& text, int64_t* out) {
  if (text.empty()) return false;
  char* end = nullptr;
  long long v = std::strtoll(text.c_str(), &end, 0);
  if (*end || v < -2147483648LL || v > 4294967295LL) return false;
  *out = v;
  return true;
}
inline bool ParseInt32(const std::string& text, int32_t* out) {
  int64_t v = 0;
  if (!ParseInt(text, &v)) return false;
  *out = int32_t(uint32_t(v));
  return true;
}

inline bool ParseHex(const std::string& text, std::vector<uint8_t>* out) {
  out->clear();
  std::string digits;
  for (char c : text)
    if (c != ' ') digits.push_back(c);
  if (digits.size() % 2 || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return false;
  for (size_t i = 0; i < digits.size(); i += 2) out->push_back(uint8_t(std::stoul(digits.substr(i, 2), nullptr, 16)));
  return true;
}

inline std::string Hex(const std::vector<uint8_t>& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (uint8_t b : bytes) {
    out.push_back(digits[b >> 4]);
    out.push_back(digits[b & 15]);
  }
  return out;
}

inline bool IsStep(const std::string& s) {
  if (s == "open" || s == "okflag" || s == "model" || s == "begin" || s == "category") return true;
  int32_t n = 0;
  if (s.rfind("item:", 0) == 0) return ParseInt32(s.substr(5), &n);
  if (s.rfind("catitem:", 0) == 0) return ParseInt32(s.substr(8), &n);
  return false;
}

// Applies one entry (a line's words) to the description; false with a
// reason for anything malformed. "none" as the value of tray CODE, fail,
// error102 and malformed removes the entry.
inline bool Apply(Device* d, const std::vector<std::string>& w, std::string* why) {
  auto bad = [&](const std::string& text) {
    *why = text;
    return false;
  };
  if (w.empty()) return true;
  const std::string& key = w[0];
  auto rest = [&](size_t from) {
    std::string s;
    for (size_t i = from; i < w.size(); ++i) s += (i > from ? " " : "") + w[i];
    return s;
  };
  int32_t n = 0;
  if (key == "model") {
    d->model = rest(1);
  } else if (key == "tray") {
    if (w.size() == 3 && w[2] == "none" && ParseInt32(w[1], &n)) {
      for (size_t i = 0; i < d->trays.size(); ++i)
        if (d->trays[i].code == n) d->trays.erase(d->trays.begin() + long(i--));
      return true;
    }
    Tray t;
    if (w.size() != 5 || !ParseInt32(w[1], &t.code) || !ParseInt32(w[2], &t.paper) || !ParseInt32(w[3], &t.media) ||
        !ParseInt32(w[4], &t.status))
      return bad("tray wants CODE PAPER MEDIA STATUS (numbers) or CODE none");
    for (Tray& old : d->trays)
      if (old.code == t.code) {
        old = t;
        return true;
      }
    d->trays.push_back(t);
  } else if (key == "options") {
    d->options.clear();
    std::string list = rest(1), item;
    if (list == "none") return true;
    std::stringstream in(list);
    while (std::getline(in, item, ',')) {
      if (!ParseInt32(item, &n)) return bad("options wants codes separated by commas, not '" + item + "'");
      d->options.push_back(n);
    }
  } else if (key == "memory") {
    if (w.size() == 2 && w[1] == "none") {
      d->hasMemory = false;
      return true;
    }
    if (w.size() != 2 || !ParseInt(w[1], &d->memory)) return bad("memory wants a number of bytes or none");
    d->hasMemory = true;
  } else if (key == "memtype") {
    if (w.size() == 2 && w[1] == "none") {
      d->hasMemType = false;
      return true;
    }
    if (w.size() != 2 || !ParseInt32(w[1], &d->memType)) return bad("memtype wants a number or none");
    d->hasMemType = true;
  } else if (key == "data8" || key == "data2") {
    std::vector<uint8_t>& data = key == "data8" ? d->data8 : d->data2;
    bool& has = key == "data8" ? d->hasData8 : d->hasData2;
    if (rest(1) == "none") {
      has = false;
      data.clear();
      return true;
    }
    if (!ParseHex(rest(1), &data) || data.empty()) return bad(key + " wants hex bytes or none");
    has = true;
  } else if (key == "other") {
    d->other = rest(1);
    d->hasOther = d->other != "none";
    if (!d->hasOther) d->other.clear();
  } else if (key == "fail" || key == "error102") {
    std::set<std::string>& set = key == "fail" ? d->fail : d->error102;
    if (w.size() != 2) return bad(key + " wants one step");
    if (w[1] == "none") {
      set.clear();
      return true;
    }
    if (key == "fail" ? !IsStep(w[1]) : (w[1] != "begin" && w[1] != "category"))
      return bad("unknown step '" + w[1] + "'");
    set.insert(w[1]);
  } else if (key == "malformed") {
    if (w.size() == 2 && w[1] == "none") {
      d->badCount = d->badEntries = d->badOptions = d->badMemory = -1;
      d->badName = false;
    } else if (w.size() == 2 && w[1] == "name") {
      d->badName = true;
    } else if (w.size() == 3 && ParseInt32(w[2], &n) && n >= 0) {
      if (w[1] == "count") d->badCount = n;
      else if (w[1] == "entries") d->badEntries = n;
      else if (w[1] == "options") d->badOptions = n;
      else if (w[1] == "memory") d->badMemory = n;
      else return bad("malformed wants count|entries|options|memory N, name or none");
    } else {
      return bad("malformed wants count|entries|options|memory N, name or none");
    }
  } else if (key == "raw") {
    Device::Raw raw;
    std::string item = w.size() == 4 ? w[1] : std::string();
    const bool category = !item.empty() && item[0] == 'c';
    if (w.size() != 4 || !ParseInt32(category ? item.substr(1) : item, &n) || !ParseInt32(w[2], &raw.result) ||
        (w[3] != "-" && !ParseHex(w[3], &raw.bytes)))
      return bad("raw wants ITEM RESULT HEX (ITEM cN for a category item, HEX - for none)");
    d->raw[category ? kCategoryRaw + n : n] = raw;
  } else if (key == "rawname") {
    if (w.size() != 2 || (w[1] != "-" && !ParseHex(w[1], &d->rawName)))
      return bad("rawname wants HEX or -");
    if (w[1] == "-") d->rawName.clear();
    d->hasRawName = true;
  } else {
    return bad("unknown entry '" + key + "'");
  }
  return true;
}

inline std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> w;
  std::stringstream in(line.substr(0, line.find('#')));
  std::string word;
  while (in >> word) w.push_back(word);
  return w;
}

// The whole text; false with the line and reason of the first bad line.
inline bool Parse(const std::string& text, Device* d, std::string* why) {
  *d = Device();
  std::stringstream in(text);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string reason;
    if (!Apply(d, Words(line), &reason)) {
      *why = "line " + std::to_string(number) + ": " + reason;
      return false;
    }
  }
  return true;
}

inline std::string Format(const Device& d) {
  std::string out;
  if (!d.model.empty()) out += "model " + d.model + "\n";
  for (const Tray& t : d.trays)
    out += "tray " + std::to_string(t.code) + " " + std::to_string(t.paper) + " " + std::to_string(t.media) + " " +
           std::to_string(t.status) + "\n";
  if (!d.options.empty()) {
    out += "options ";
    for (size_t i = 0; i < d.options.size(); ++i) out += (i ? "," : "") + std::to_string(d.options[i]);
    out += "\n";
  }
  if (d.hasMemory) out += "memory " + std::to_string(d.memory) + "\n";
  if (d.hasMemType) out += "memtype " + std::to_string(d.memType) + "\n";
  if (d.hasData8) out += "data8 " + Hex(d.data8) + "\n";
  if (d.hasData2) out += "data2 " + Hex(d.data2) + "\n";
  if (d.hasOther) out += "other " + d.other + "\n";
  for (const std::string& s : d.fail) out += "fail " + s + "\n";
  for (const std::string& s : d.error102) out += "error102 " + s + "\n";
  if (d.badCount >= 0) out += "malformed count " + std::to_string(d.badCount) + "\n";
  if (d.badEntries >= 0) out += "malformed entries " + std::to_string(d.badEntries) + "\n";
  if (d.badOptions >= 0) out += "malformed options " + std::to_string(d.badOptions) + "\n";
  if (d.badMemory >= 0) out += "malformed memory " + std::to_string(d.badMemory) + "\n";
  if (d.badName) out += "malformed name\n";
  for (const auto& [item, raw] : d.raw) {
    std::string name = item >= kCategoryRaw ? "c" + std::to_string(item - kCategoryRaw) : std::to_string(item);
    out += "raw " + name + " " + std::to_string(raw.result) + " " + (raw.bytes.empty() ? "-" : Hex(raw.bytes)) + "\n";
  }
  if (d.hasRawName) out += "rawname " + (d.rawName.empty() ? std::string("-") : Hex(d.rawName)) + "\n";
  return out;
}

}  // namespace bidi_device
