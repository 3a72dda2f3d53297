// Helpers shared by the installation sources (see inst_internal.h).
#include "inst_internal.h"

#include <vector>

#include "plat/kernel.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/files.h"
#include "velm/ini.h"
#include "velm/ini_fast.h"

namespace inst {

namespace {
constexpr const char16_t* kAbsent = u"\x01\x02";

std::string Ansi(const char16_t* text) {
  std::string out(plat::WLen(text) * 2 + 1, '\0');
  out.resize(plat::WideToAnsi(text, plat::WLen(text), out.data(), out.size()));
  return out;
}
}  // namespace

std::u16string ReadString(const char16_t* section, const char16_t* key, const char16_t* file, uint32_t max_chars,
                          const char16_t* def) {
  std::vector<char16_t> buffer(size_t(max_chars) + 1, 0);
  IniGetString(section, key, def, buffer.data(), max_chars + 1, file);
  return buffer.data();
}

bool KeyPresent(const char16_t* section, const char16_t* key, const char16_t* file) {
  char16_t buffer[4] = {};
  IniGetString(section, key, kAbsent, buffer, 4, file);
  return plat::WCmp(buffer, kAbsent) != 0;
}

bool IsAbsolute(const char16_t* path) { return path && path[0] && path[1] == u':'; }

std::u16string NumberedKey(const char16_t* base, uint32_t n) {
  char16_t key[64];
  plat::WFormat(key, 64, u"%s%u", base, n);
  return key;
}

bool ReadSectionBody(const char16_t* file, const char16_t* section, std::string* body, bool* found) {
  body->clear();
  *found = false;
  if (!IsAbsolute(file) || !section || !FileExists(file)) return true;
  char16_t name[kPathChars] = {};
  plat::WCopy(name, kPathChars, section);
  IniSanitizeSection(name);
  uint32_t length = 0;
  char* image = IniFastReadFile(file);
  if (!image) return false;
  // The image is terminated; its length is that of the text read.
  for (const char* p = image; *p; ++p) ++length;
  uint32_t span_length = 0;
  const char* span = IniFastFindSectionSpan(Ansi(name).c_str(), image, length, &span_length);
  if (span) {
    const char* end = span + span_length;
    const char* line = IniFastNextLine(span);
    if (line > end) line = end;
    body->assign(line, size_t(end - line));
    *found = true;
  }
  IniFastFreeFile(image);
  return true;
}

int32_t WriteSectionBody(const char16_t* target, const char16_t* section, const std::string& body) {
  if (!IsAbsolute(target) || !section) return 0;
  char16_t name[kPathChars] = {};
  plat::WCopy(name, kPathChars, section);
  IniSanitizeSection(name);
  FileClearReadOnly(target);
  if (body.empty()) return FileExists(target) ? IniWriteString(name, nullptr, nullptr, target) : 1;
  std::string text = "[" + Ansi(name) + "]\r\n" + body;
  if (text.back() != '\n') text += "\r\n";
  return IniFastReplaceSection(target, name, text.data(), uint32_t(text.size()));
}

int32_t CopySection(const char16_t* source, const char16_t* source_section, const char16_t* target,
                    const char16_t* target_section) {
  std::string body;
  bool found = false;
  if (!ReadSectionBody(source, source_section, &body, &found)) return 0;
  return WriteSectionBody(target, target_section, body);
}

int32_t WriteKeyWritable(const char16_t* section, const char16_t* key, const char16_t* value, const char16_t* file) {
  FileClearReadOnly(file);
  return IniWriteString(section, key, value, file) ? 1 : 0;
}

}  // namespace inst
