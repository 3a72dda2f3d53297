// A machine with the printer "Office" of the small model, its data
// directory, a UI resource module with the strings the settings files and
// the user paper sizes show, and a kind-0 context; plus helpers to write and
// read the machine's files and the settings of a context.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ctx_test_machine.h"
#include "plat/resources.h"
#include "plat/user.h"
#include "plat/wstr.h"
#include "velm/paths.h"
#include "velm/presets.h"
#include "velm/qst.h"
#include "velm/save_stack.h"
#include "velm/settings.h"

namespace qst_test {

constexpr const char16_t* kFile = u"C:\\Users\\user\\set.qst";
constexpr const char* kMismatchText = "The settings file %s does not fit this printer.";

class QstMachine : public ctx_test::ModelMachine {
 protected:
  void SetUp() override {
    ModelMachine::SetUp();
    UseModel("data/models/small.mdf");
    std::vector<plat::ResourceEntry> strings = {
        plat::StringResource(10023, plat::FromUtf8(kMismatchText)),
        plat::StringResource(200, u"%d of %u (%x) %s 100%%")};
    for (int n = 0; n < 10; ++n)
      strings.push_back(plat::StringResource(uint32_t(109 + n), u"User size " + plat::FromUtf8(std::to_string(n + 1))));
    ASSERT_TRUE(plat::WriteResourceModule(plat::MapPath(std::u16string(env_test::kDriverDir) + u"TESTUI"),
                                          plat::StandinModuleDir() + "/velmres.dll", strings));
    ASSERT_EQ(PathCreateDataDir(), 1);
    plat::ClearMessageBoxLog();
    ctx_ = Open();
    ASSERT_NE(ctx_, nullptr);
  }
  void TearDown() override {
    for (DriverContext* c : opened_) CtxCloseAs(c, kCloseDestroy);
    plat::ClearMessageBoxLog();
    ModelMachine::TearDown();
  }

  DriverContext* Open() {
    DriverContext* c = OpenKind(0);
    if (c) opened_.push_back(c);
    return c;
  }
  void Close(DriverContext* c) {
    for (auto it = opened_.begin(); it != opened_.end(); ++it)
      if (*it == c) {
        opened_.erase(it);
        break;
      }
    CtxCloseAs(c, kCloseDestroy);
  }

  static std::u16string W(const std::string& s) { return plat::FromUtf8(s); }
  // The lines of a file's section (without the header line), or none.
  static std::vector<std::string> SectionLines(const std::string& text, const std::string& name) {
    std::vector<std::string> out;
    bool in = false;
    size_t pos = 0;
    while (pos < text.size()) {
      size_t end = text.find('\n', pos);
      std::string line = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      pos = end == std::string::npos ? text.size() : end + 1;
      if (!line.empty() && line[0] == '[') {
        in = line == "[" + name + "]";
        continue;
      }
      if (in && !line.empty()) out.push_back(line);
    }
    return out;
  }
  static std::vector<std::string> Keys(const std::vector<std::string>& lines) {
    std::vector<std::string> keys;
    for (const std::string& l : lines) keys.push_back(l.substr(0, l.find('=')));
    return keys;
  }
  std::string Text(DriverContext* c, uint32_t id) {
    SettingRecord* row = OptFindSetting(c, id);
    std::vector<char16_t> buf(DescSize(row->descriptor) + 8, 0);
    OptGetText(c, row, buf.data());
    return plat::ToUtf8(buf.data());
  }
  std::vector<uint8_t> Bytes(DriverContext* c, uint32_t id) {
    SettingRecord* row = OptFindSetting(c, id);
    const uint8_t* p = OptGetValueAddr(c, row);
    return p ? std::vector<uint8_t>(p, p + DescSize(row->descriptor)) : std::vector<uint8_t>();
  }
  std::string Ini() { return Get(PathGetDriverIni(ctx_)); }

  DriverContext* ctx_ = nullptr;
  std::vector<DriverContext*> opened_;
};

}  // namespace qst_test
