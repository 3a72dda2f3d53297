// A machine whose system directory holds the stand-in job-information module,
// with helpers to put the module's values, read what it was sent (its value
// file and its call log) and check that every load was paired with an unload
// and every session and interface given back.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "env_test_machine.h"
#include "plat/machineconf.h"
#include "velm/jobinfo.h"

namespace jobinfo_test {

class JobInfoMachine : public env_test::EnvMachine {
 protected:
  static constexpr const char16_t* kValues = u"C:\\Windows\\ORVJC32.DAT";
  static constexpr const char16_t* kLog = u"C:\\Windows\\Temp\\ORVJC32.LOG";

  void TearDown() override {
    // Checked after every case: nothing of the module is left held.
    EXPECT_EQ(Counter("loads"), Counter("unloads")) << "a load without its unload";
    EXPECT_EQ(Counter("sessions"), 0) << "a session left open";
    EXPECT_EQ(Counter("interfaces"), 0) << "an interface never disposed";
    env_test::EnvMachine::TearDown();
  }

  static int64_t Counter(const char* name) { return plat::GetMachineCounter(std::string("jobinfo.") + name); }

  // The value of a type for the printer "Office" (kind 1 text, 4 number).
  void PutValue(uint32_t type, const std::string& text, uint32_t kind = kJobInfoKindText,
                const std::string& user = "") {
    std::string all = Get(kValues);
    all += "Office\t" + user + "\t" + std::to_string(type) + "\t" + std::to_string(kind) + "\t" + text + "\n";
    Put(kValues, all);
  }
  // The values the module holds for "Office", by type.
  std::map<uint32_t, std::string> Values() {
    std::map<uint32_t, std::string> out;
    std::istringstream in(Get(kValues));
    std::string line;
    while (std::getline(in, line)) {
      std::vector<std::string> f;
      std::istringstream fields(line);
      std::string field;
      while (std::getline(fields, field, '\t')) f.push_back(field);
      if (f.size() == 4) f.push_back("");
      if (f.size() == 5 && f[0] == "Office" && f[1].empty()) out[uint32_t(std::stoul(f[2]))] = f[4];
    }
    return out;
  }
  // The module's call log, one call a line.
  std::vector<std::string> Calls() {
    std::vector<std::string> out;
    std::istringstream in(Get(kLog));
    std::string line;
    while (std::getline(in, line)) out.push_back(line);
    return out;
  }
  long CallsStartingWith(const std::string& prefix) {
    long n = 0;
    for (const std::string& c : Calls()) n += c.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
  }
  void ClearLog() { Put(kLog, ""); }

  static std::string Text(DriverContext* ctx, uint32_t id) {
    char16_t buffer[160] = {};
    OptGetText(ctx, OptFindSetting(ctx, id), buffer);
    return plat::ToUtf8(buffer);
  }
  static void SetText(DriverContext* ctx, uint32_t id, const char16_t* text) {
    ASSERT_NE(OptSetText(ctx, OptFindSetting(ctx, id), text), nullptr);
  }
};

}  // namespace jobinfo_test
