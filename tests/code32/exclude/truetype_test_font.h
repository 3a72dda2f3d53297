// The smallest TrueType file the machine's font reader takes, for tests that
// need an installed family.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace truetype_test {

inline void Be16(std::string* s, uint32_t v) {
  s->push_back(char(v >> 8));
  s->push_back(char(v));
}
inline void Be32(std::string* s, uint32_t v) {
  Be16(s, v >> 16);
  Be16(s, v & 0xFFFF);
}

// The smallest TrueType file the font reader takes: header, metrics, one
// empty glyph and a name table with the family.
inline std::string TrueTypeFont(const std::string& family) {
  std::string head, hhea, maxp, hmtx, loca, name;
  Be32(&head, 0x10000); Be32(&head, 0x10000); Be32(&head, 0); Be32(&head, 0x5F0F3CF5);
  Be16(&head, 0); Be16(&head, 1000);
  head.append(16, '\0');  // created, modified
  for (uint32_t v : {0u, 0u, 500u, 500u, 0u, 8u, 2u, 0u, 0u}) Be16(&head, v);
  Be32(&hhea, 0x10000);
  for (uint32_t v : {800u, 0xFF38u, 0u, 500u, 0u, 0u, 500u, 1u, 0u, 0u, 0u, 0u, 0u, 0u, 0u, 1u}) Be16(&hhea, v);
  Be32(&maxp, 0x5000); Be16(&maxp, 1);
  Be16(&hmtx, 500); Be16(&hmtx, 0);
  Be16(&loca, 0); Be16(&loca, 0);
  std::string strings;
  std::string records;
  for (uint32_t id : {1u, 2u, 4u}) {
    std::string value = id == 2 ? "Regular" : family;
    std::string utf16;
    for (char c : value) { utf16.push_back('\0'); utf16.push_back(c); }
    for (uint32_t v : {3u, 1u, 0x409u, id, uint32_t(utf16.size()), uint32_t(strings.size())}) Be16(&records, v);
    strings += utf16;
  }
  Be16(&name, 0); Be16(&name, 3); Be16(&name, 6 + 12 * 3);
  name += records + strings;
  std::vector<std::pair<std::string, std::string>> tables = {
      {"head", head}, {"hhea", hhea}, {"hmtx", hmtx}, {"loca", loca}, {"maxp", maxp}, {"name", name}};
  std::string out;
  Be32(&out, 0x10000); Be16(&out, uint32_t(tables.size())); Be16(&out, 64); Be16(&out, 2);
  Be16(&out, uint32_t(tables.size()) * 16 - 64);
  uint32_t offset = 12 + 16 * uint32_t(tables.size());
  std::string data;
  for (auto& [tag, bytes] : tables) {
    out += tag;
    Be32(&out, 0);  // checksums are not checked by the reader
    Be32(&out, offset + uint32_t(data.size()));
    Be32(&out, uint32_t(bytes.size()));
    data += bytes;
    data.append((4 - data.size() % 4) % 4, '\0');
  }
  return out + data;
}

}  // namespace truetype_test
