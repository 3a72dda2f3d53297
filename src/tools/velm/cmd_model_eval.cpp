// velm model eval FILE [--set NAME=KEYWORD ...]: compiles a model file and
// evaluates its rules over the model's default settings with the given
// settings changed: which features and options the rules hide and disable,
// which alert a change of each feature would raise, and what each feature's
// Transact list sets (each run from the same settings, which are put back
// after it). NAME is a feature name of the model file or an item name of the
// setting table; KEYWORD an option keyword, a number, True or False.
// FILE is a file of this computer, or a Windows path (C:\...) of the machine.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "command.h"
#include "plat/machine.h"
#include "plat/wstr.h"
#include "setting_text.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/mdf_records.h"
#include "velm/model_image.h"
#include "velm/model_query.h"
#include "velm/names.h"
#include "velm/rule_eval.h"

namespace {

int Fail(const std::string& why) {
  std::fprintf(stderr, "velm model eval: %s\n", why.c_str());
  return 1;
}

bool ReadModel(const std::string& arg, std::string* out) {
  std::u16string wide = plat::FromUtf8(arg);
  std::string path = plat::IsFullWindowsPath(wide.c_str()) ? plat::MapPath(wide) : arg;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad() && !out->empty();
}

std::string FeatureName(uint16_t key) {
  const UiSymbolRow* row = MdfFindFeatureByKey(key);
  return row ? row->name : "#" + std::to_string(key);
}

std::string OptionName(uint16_t setting_id, uint16_t option_id) {
  std::string keyword = velm_cli::OptionKeyword(setting_id, option_id);
  if (!keyword.empty()) return keyword;
  const OptionNameTable& table = MdfGetOptionNameTable();
  for (int i = 0; i < table.count; ++i)
    if (table.rows[i].optionId == option_id) return table.rows[i].keyword;
  return "#" + std::to_string(option_id);
}

struct RuledFeature {
  MdfItem item;
  ImgFeature f;
};

// Features with rules, one per key, in the order of the image's list.
std::vector<RuledFeature> RuledFeatures(DriverContext* ctx, uint32_t* feature_count) {
  std::vector<RuledFeature> out;
  std::set<uint16_t> seen;
  *feature_count = 0;
  ImgFeature f;
  uint32_t limit = MdfImageSize(ctx->image) / mdf_image::kFeatureSize;
  for (uint32_t at = MdfImgSlot(ctx->image, mdf_image::kSlotFeatures); at && limit--; at = f.next) {
    if (!MdfReadItem(ctx, at, &f)) break;
    ++*feature_count;
    if (f.exclusive && seen.insert(f.key).second) out.push_back({at, f});
  }
  return out;
}

std::vector<uint16_t> OptionsOf(DriverContext* ctx, const ImgFeature& f) {
  std::vector<uint16_t> ids;
  if (!MdfIsListType(f.type)) return ids;
  ImgOption o;
  uint32_t limit = MdfImageSize(ctx->image) / mdf_image::kOptionSize;
  for (uint32_t at = f.data; at && limit--; at = o.next) {
    if (!MdfImgReadOption(ctx->image, at, f.type, &o)) break;
    ids.push_back(o.optionId);
  }
  return ids;
}

void PrintJudges(DriverContext* ctx, const std::vector<RuledFeature>& features, const char* title,
                 uint32_t (*judge)(DriverContext*, MdfItem, uint16_t)) {
  std::printf("%s:\n", title);
  bool any = false;
  for (const RuledFeature& r : features) {
    std::string name = FeatureName(r.f.key);
    if (judge(ctx, r.item, 0)) {
      std::printf("  %s\n", name.c_str());
      any = true;
    }
    for (uint16_t option : OptionsOf(ctx, r.f)) {
      if (judge(ctx, r.item, option)) {
        std::printf("  %s %s\n", name.c_str(), OptionName(r.f.settingId, option).c_str());
        any = true;
      }
    }
  }
  if (!any) std::printf("  (none)\n");
}

void PrintAlerts(DriverContext* ctx, const std::vector<RuledFeature>& features) {
  std::printf("alerts:\n");
  bool any = false;
  for (const RuledFeature& r : features) {
    uint16_t message = RuleFindActiveAlert(ctx, r.item);
    if (!message) continue;
    const MessageNameRow* row = RuleFindAlertMessage(ctx, message);
    std::printf("  %s %s\n", FeatureName(r.f.key).c_str(), row ? row->name : std::to_string(message).c_str());
    any = true;
  }
  if (!any) std::printf("  (none)\n");
}

// Each feature's Transact list run from the same settings; what it changed.
void PrintTransacts(DriverContext* ctx, const std::vector<RuledFeature>& features) {
  std::printf("transacts:\n");
  bool any = false;
  uint8_t* working = ctx->devmode;
  std::vector<uint8_t> before(working, working + dm::kWorkBufferSize);
  for (const RuledFeature& r : features) {
    ImgExclusive x;
    if (!MdfImgReadExclusive(ctx->image, r.f.exclusive, &x) || !x.transacts) continue;
    any = true;
    uint16_t dialog = RuleApplyItemTransact(ctx, r.item);
    std::vector<uint8_t> after(working, working + dm::kWorkBufferSize);
    std::vector<std::string> changes;
    for (int i = 0; i < ctx->settings->count; ++i) {
      const SettingRecord* row = &ctx->settings->rows[i];
      if (!OptGetValueAddr(ctx, row)) continue;
      ctx->devmode = before.data();
      std::string old_text = velm_cli::SettingValueText(ctx, row);
      ctx->devmode = after.data();
      std::string new_text = velm_cli::SettingValueText(ctx, row);
      ctx->devmode = working;
      if (old_text != new_text) changes.push_back(velm_cli::SettingName(row) + " " + old_text + " -> " + new_text);
    }
    std::memcpy(working, before.data(), before.size());
    std::string text;
    for (const std::string& c : changes) text += (text.empty() ? "" : "; ") + c;
    if (dialog) {
      const DialogRecord* d = CtxFindDialog(ctx, dialog);
      text += (text.empty() ? "" : "; ") + std::string("opens dialog ") + (d && d->name ? d->name : std::to_string(dialog));
    }
    std::printf("  %s: %s\n", FeatureName(r.f.key).c_str(), text.empty() ? "sets nothing" : text.c_str());
  }
  if (!any) std::printf("  (none)\n");
}

int Eval(const std::string& file, const std::vector<std::string>& sets) {
  std::string text;
  if (!ReadModel(file, &text)) return Fail("cannot read " + file + " (missing, empty or unreadable)");
  ModelImage* image = MdfCompileBuffer(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  if (!image) return Fail(file + " could not be compiled (too large or out of memory)");
  // A context without a printer over the image, holding the model defaults.
  DriverContext* ctx = CtxOpenKind(nullptr, nullptr, 4, kOpenEntryPoint);
  int rc = 0;
  if (!ctx || !(ctx->devmode = static_cast<uint8_t*>(MemAllocZeroed(dm::kWorkBufferSize)))) {
    rc = Fail("out of memory");
  } else {
    ctx->image = image;
    if (RuleAllocEvalStack(ctx) != 0) rc = Fail("out of memory");
    if (rc == 0) DmSetDefaults(ctx);
    for (const std::string& s : sets) {
      if (rc) break;
      size_t eq = s.find('=');
      SettingRecord* row = eq == std::string::npos ? nullptr : velm_cli::FindSetting(ctx, s.substr(0, eq));
      if (eq == std::string::npos) rc = Fail("--set wants NAME=KEYWORD, not " + s);
      else if (!row) rc = Fail("no feature or setting named " + s.substr(0, eq));
      else if (!velm_cli::SetByKeyword(ctx, row, s.substr(eq + 1)))
        rc = Fail("'" + s.substr(eq + 1) + "' is no option, number, True or False for " + s.substr(0, eq));
    }
    if (rc == 0) {
      uint32_t count = 0;
      std::vector<RuledFeature> features = RuledFeatures(ctx, &count);
      std::printf("model %s: %u features, %zu with rules\n", file.c_str(), count, features.size());
      for (const std::string& s : sets) {
        SettingRecord* row = velm_cli::FindSetting(ctx, s.substr(0, s.find('=')));
        std::printf("set %s = %s\n", velm_cli::SettingName(row).c_str(), velm_cli::SettingValueText(ctx, row).c_str());
      }
      PrintJudges(ctx, features, "hidden", RuleIsItemHidden);
      PrintJudges(ctx, features, "disabled", RuleIsItemDisabled);
      PrintAlerts(ctx, features);
      PrintTransacts(ctx, features);
    }
  }
  CtxCloseAs(ctx, kCloseDestroy);
  MdfFreeImage(image);
  std::fflush(stdout);
  return rc;
}

}  // namespace

namespace velm_cli {

// args: FILE [--set NAME=KEYWORD ...]
int ModelEval(const Args& args) {
  std::vector<std::string> sets;
  std::string file;
  bool bad = false;
  for (size_t i = 0; i < args.size() && !bad; ++i) {
    if (args[i] == "--set" && i + 1 < args.size()) sets.push_back(args[++i]);
    else if (args[i].rfind("--set=", 0) == 0) sets.push_back(args[i].substr(6));
    else if (file.empty() && args[i].rfind("--", 0) != 0) file = args[i];
    else bad = true;
  }
  if (bad || file.empty()) {
    std::fprintf(stderr, "usage: velm model eval FILE [--set NAME=KEYWORD ...]\n");
    return 2;
  }
  return Eval(file, sets);
}

}  // namespace velm_cli
