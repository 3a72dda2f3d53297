// velm model pjl FILE [--set NAME=KEYWORD ...]: the same settings, and the
// PJL variable table with the values selectable under them.
// velm model eval FILE [--set NAME=KEYWORD ...]: compiles a model file and
// evaluates its rules over the model's default settings with the given
// settings changed: which features and options the rules hide and disable,
// which alert a change of each feature would raise, and what each feature's
// Transact list sets (each run from the same settings, which are put back
// after it). NAME is a feature name of the model file or an item name of the
// setting table; KEYWORD an option keyword, a number, True or False.
// The computed condition items that the rules read are printed too, one
// "computed ID NAME VALUE" line each, with their values under those settings.
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
#include "velm/rule_computed.h"
#include "velm/rule_eval.h"
#include "velm/selectable.h"

namespace {

const char* g_verb = "eval";  // the subcommand, for messages

int Fail(const std::string& why) {
  std::fprintf(stderr, "velm model %s: %s\n", g_verb, why.c_str());
  return 1;
}

bool ReadModel(const std::string& arg, std::string* out) {
  std::u16string wide = plat::FromUtf8(arg);
  std::string path = plat::IsFullWindowsPath(wide.c_str()) ? plat::MapPath(wide) : arg;
  return velm_cli::ReadHostBytes(path, out) && !out->empty();
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

// The computed items a condition reads.
void CollectComputed(DriverContext* ctx, uint32_t condition, std::set<uint16_t>* out) {
  JudgeCell cell;
  for (uint32_t i = 0; condition && i < kRuleMaxCells; ++i) {
    if (!MdfImgReadCell(ctx->image, condition + 4 * i, &cell)) return;
    if (cell.kind == kCellOperator && cell.value == kOpEnd) return;
    if (cell.kind == kCellSetting && cell.value >= kComputedItemFirst && cell.value <= kComputedItemLast)
      out->insert(cell.value);
  }
}

void CollectTransacts(DriverContext* ctx, uint32_t list, std::set<uint16_t>* out) {
  ImgTransactEntry t;
  for (uint32_t n = 0; list && n < kRuleMaxCells && MdfImgReadTransact(ctx->image, list, &t); ++n, list = t.next)
    CollectComputed(ctx, t.condition, out);
}

// Every condition the features' rules hold: hide and disable judges of the
// features and of their options, alerts, and the Transact lists they reach.
std::set<uint16_t> ComputedItemsUsed(DriverContext* ctx, const std::vector<RuledFeature>& features) {
  std::set<uint16_t> ids;
  const uint32_t limit = kRuleMaxCells;
  for (const RuledFeature& r : features) {
    ImgExclusive x;
    if (!MdfImgReadExclusive(ctx->image, r.f.exclusive, &x)) continue;
    CollectComputed(ctx, x.hide, &ids);
    CollectComputed(ctx, x.disable, &ids);
    ImgItemEntry item;
    uint32_t n = 0;
    for (uint32_t at = x.items; at && n++ < limit && MdfImgReadItem(ctx->image, at, &item); at = item.next) {
      CollectComputed(ctx, item.hide, &ids);
      CollectComputed(ctx, item.disable, &ids);
    }
    ImgAlertEntry alert;
    n = 0;
    for (uint32_t at = x.alerts; at && n++ < limit && MdfImgReadAlert(ctx->image, at, &alert); at = alert.next) {
      CollectComputed(ctx, alert.condition, &ids);
      ImgAlertActionEntry answer;
      uint32_t m = 0;
      for (uint32_t a = alert.alertActions; a && m++ < limit && MdfImgReadAlertAction(ctx->image, a, &answer);
           a = answer.next)
        CollectTransacts(ctx, answer.transacts, &ids);
    }
    CollectTransacts(ctx, x.transacts, &ids);
    CollectTransacts(ctx, x.transacts2, &ids);
  }
  return ids;
}

// The page dot limit derives the paper geometry as it computes: the
// settings are put back afterwards, so the other sections see them as set.
void PrintComputed(DriverContext* ctx, const std::vector<RuledFeature>& features) {
  std::vector<uint8_t> before(ctx->devmode, ctx->devmode + dm::kWorkBufferSize);
  for (uint16_t id : ComputedItemsUsed(ctx, features)) {
    const SettingRecord* row = OptFindSetting(ctx, id);
    std::string name = row && row->itemName ? velm_cli::SettingName(row) : "-";
    std::printf("computed %u %s %d\n", id, name.c_str(), RuleComputeItem(ctx, id));
  }
  std::memcpy(ctx->devmode, before.data(), before.size());
}

// The PJL variable table, one line per row: name, setting id, and each
// value of the row whose condition holds now as TEXT=VALUE (default rows
// marked with a '*'); "-" for a row without values.
void PrintPjlTable(DriverContext* ctx) {
  const PjlVariableTable* table = OptGetSelectableTable();
  for (uint32_t i = 0; i < table->count; ++i) {
    const PjlVariableRow& row = table->rows[i];
    std::string line = std::string(row.name) + " " + std::to_string(row.settingId);
    bool any = false;
    for (uint32_t k = 0; row.options && k < row.options->count; ++k) {
      const PjlOptionRow& o = row.options->rows[k];
      if (!OptCheckConditions(ctx, o.conditions)) continue;
      line += std::string(" ") + ((o.flags & kPjlOptionDefault) ? "*" : "") + o.text + "=" + std::to_string(o.value);
      any = true;
    }
    if (!any) line += " -";
    std::printf("%s\n", line.c_str());
  }
}

int Eval(const std::string& file, const std::vector<std::string>& sets, bool pjl) {
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
      else if (row->id >= kComputedItemFirst && row->id <= kComputedItemLast)
        rc = Fail(s.substr(0, eq) + " is computed from other settings and cannot be set");
      else if (!velm_cli::SetByKeyword(ctx, row, s.substr(eq + 1)))
        rc = Fail("'" + s.substr(eq + 1) + "' is no option, number, True or False for " + s.substr(0, eq));
    }
    if (rc == 0) {
      uint32_t count = 0;
      std::vector<RuledFeature> features = RuledFeatures(ctx, &count);
      if (!pjl) std::printf("model %s: %u features, %zu with rules\n", file.c_str(), count, features.size());
      for (const std::string& s : sets) {
        SettingRecord* row = velm_cli::FindSetting(ctx, s.substr(0, s.find('=')));
        std::printf("set %s = %s\n", velm_cli::SettingName(row).c_str(), velm_cli::SettingValueText(ctx, row).c_str());
      }
    }
    if (rc == 0 && pjl) {
      PrintPjlTable(ctx);
    } else if (rc == 0) {
      uint32_t count = 0;
      std::vector<RuledFeature> features = RuledFeatures(ctx, &count);
      PrintComputed(ctx, features);
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

// args: FILE [--set NAME=KEYWORD ...]; pjl: print the PJL variable table
// in place of the rule outcomes.
int ModelEvalOrPjl(const Args& args, bool pjl) {
  g_verb = pjl ? "pjl" : "eval";
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
    std::fprintf(stderr, "usage: velm model %s FILE [--set NAME=KEYWORD ...]\n", g_verb);
    return 2;
  }
  return Eval(file, sets, pjl);
}

int ModelEval(const Args& args) { return ModelEvalOrPjl(args, false); }
int ModelPjl(const Args& args) { return ModelEvalOrPjl(args, true); }

}  // namespace velm_cli
