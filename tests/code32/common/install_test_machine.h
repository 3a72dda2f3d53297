// A machine whose small model has condition options (Opt_Duplex hidden while
// duplex is on, Opt_HDD while it is off), a UI resource module with the
// installation's strings, and helpers for the installation tests: files of
// the driver and data directories, the preset and quality lists, and a
// default settings bundle of three presets (the third disabled for this
// driver) and two quality sets.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/resources.h"
#include "plat/wstr.h"
#include "qst_test_machine.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/model_cache.h"
#include "velm/presets.h"

namespace install_test {

inline std::u16string W(const std::string& s) { return plat::FromUtf8(s); }

using qst_test::QstMachine;


// Condition options of the small model: Opt_Duplex is hidden while duplex is
// on (the default), Opt_HDD while it is off, Opt_Bank never.
inline constexpr const char* kConditionModel = R"(
*OpenUI *VPD_ConditionOption: PickOne
*DefaultVPD_ConditionOption: Opt_Bank
*VPD_ConditionOption Opt_Duplex: "D"
*VPD_ConditionOption Opt_HDD: "H"
*VPD_ConditionOption Opt_Bank: "B"
*CloseUI: *VPD_ConditionOption
*Judge 2=DuplexOff: VPD_IDC_EDIT_CHOICE_DUPLEX == 0
*Item 1=Conditions: { Opt_Duplex DuplexOn NULL Opt_HDD DuplexOff NULL }
*Exclusive: {
  VPD_ConditionOption NULL NULL Conditions NULL NULL NULL
}
)";

class Install : public QstMachine {
 protected:
  void SetUp() override {
    QstMachine::SetUp();
    Close(ctx_);
    UseModelText(ReadData("data/models/small.mdf") + kConditionModel);
    (void)DeleteFileW((std::u16string(env_test::kDriverDir) + u"model.BCS").c_str());  // may be absent already
    MdfFreeModelList();
    std::vector<plat::ResourceEntry> strings = {plat::StringResource(10017, u"Some presets do not fit."),
                                                plat::StringResource(10023, W(qst_test::kMismatchText))};
    ASSERT_TRUE(plat::WriteResourceModule(plat::MapPath(std::u16string(env_test::kDriverDir) + u"TESTUI"),
                                          plat::StandinModuleDir() + "/velmres.dll", strings));
    ctx_ = Open();
    ASSERT_NE(ctx_, nullptr);
    lang_ = plat::ToUtf8(InstGetLanguageSectionName(ctx_));
    ASSERT_FALSE(lang_.empty());
  }

  static std::u16string Driver(const std::string& name) { return std::u16string(env_test::kDriverDir) + W(name); }
  static std::u16string Data(const std::string& name) { return u"C:\\_velm\\" + W(name); }
  std::string IniValue(const std::u16string& file, const std::string& section, const std::string& key) {
    char16_t buf[600] = {};
    IniGetString(W(section).c_str(), W(key).c_str(), u"<none>", buf, 600, file.c_str());
    return plat::ToUtf8(buf);
  }
  std::string Names() {
    std::string out;
    for (int32_t n = 0; n < PresetGetCount(ctx_); ++n) {
      char16_t buf[600] = {};
      PresetGetEntryText(ctx_, n, 1, buf);
      out += (n ? "," : "") + plat::ToUtf8(buf);
    }
    return out;
  }
  std::string Files() {
    std::string out;
    for (int32_t n = 0; n < PresetGetCount(ctx_); ++n) {
      char16_t buf[600] = {};
      PresetGetEntryText(ctx_, n, 0, buf);
      out += (n ? "," : "") + plat::ToUtf8(PathGetFileNamePart(buf));
    }
    return out;
  }
  std::string Qualities() {
    std::string out;
    const int32_t count = PresetGetQualityCount(ctx_);
    for (int32_t n = 0; n < count; ++n) {
      char16_t key[32] = {};
      PresetFormatQualityKeyEx(key, n, 1);
      out += (n ? "," : "") + IniValue(PathGetDriverIni(ctx_), "Office", plat::ToUtf8(key));
    }
    return out;
  }
  // A default preset file in the driver directory: its name, comment and
  // filter sections.
  void PutPreset(const std::string& file, const std::string& name, const std::string& extra = "") {
    Put(Driver(file), "[" + lang_ + "]\r\nsetname=" + name + "\r\nsetcomment=" + name + " note\r\n" + extra);
  }
  // Three default presets (P3 disabled for this driver) and two quality sets.
  std::u16string PutBundle() {
    PutPreset("P1.qsd", "One");
    PutPreset("P2.qsd", "Two");
    PutPreset("P3.qsd", "Three", "[disable]\r\nVELM Driver=1\r\n");
    Put(Driver("Q1.qsq"), "[" + lang_ + "]\r\nqualityname=Fine\r\n");
    Put(Driver("Q2.qsq"), "[" + lang_ + "]\r\n");
    std::u16string qsb = Driver("defaults.qsb");
    Put(qsb, "[" + lang_ +
                 "]\r\nNumDeficonfiles=3\r\nDeficonfiles1=P1.qsd\r\nDeficonfiles2=.\\P2.qsd\r\n"
                 "Deficonfiles3=P3.qsd\r\nNumDefqualityfiles=2\r\nDefqualityfiles1=Q1.qsq\r\n"
                 "Defqualityfiles2=Q2.qsq\r\n");
    return qsb;
  }
  bool Exists(const std::u16string& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

  std::string lang_;
};

}  // namespace install_test
