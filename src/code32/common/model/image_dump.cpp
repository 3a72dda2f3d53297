// The model image in readable form, read through the bounded accessors: the
// header fields, the features with their options, the Exclusive records with
// the rules they reach (conditions in infix), the command trees and the
// fonts. Every walk has a step budget, so even a damaged image ends.
#include <cstdio>
#include <string>
#include <vector>

#include "image_internal.h"
#include "plat/wstr.h"
#include "velm/dialogs.h"
#include "velm/names.h"
#include "velm/setting_ids.h"

namespace {

using namespace mdf_image;

std::string Num(int64_t v) { return std::to_string(v); }

std::string Hex(uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%X", v);
  return buf;
}

// Text bytes as they stand, with quotes, backslashes and bytes outside
// printable ASCII escaped.
std::string Quote(const char* text) {
  if (!text) return "-";
  std::string out = "\"";
  for (const char* p = text; *p; ++p) {
    auto c = static_cast<uint8_t>(*p);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string FeatureName(uint16_t key) {
  const UiSymbolRow* row = MdfFindFeatureByKey(key);
  return row && row->name ? row->name : "#" + Num(key);
}

std::string SettingName(uint16_t setting_id) {
  const UiSymbolTable& table = MdfGetSymbolTable();
  for (int16_t i = 0; i < table.count; ++i) {
    if (table.rows[i].settingId == setting_id && table.rows[i].name) return table.rows[i].name;
  }
  return "setting" + Num(setting_id);
}

std::string OptionName(uint16_t setting_id, uint16_t option_id) {
  if (const OptionNameRow* row = MdfFindOptionById(setting_id, option_id)) return row->keyword;
  const OptionNameTable& table = MdfGetOptionNameTable();
  for (int16_t i = 0; i < table.count; ++i) {
    if (table.rows[i].optionId == option_id && table.rows[i].keyword) return table.rows[i].keyword;
  }
  return "#" + Num(option_id);
}

std::string DialogName(uint16_t dialog_id) {
  const DialogTable& table = DlgGetBuiltinTable();
  for (int16_t i = 0; i < table.count; ++i) {
    if (table.rows[i].dialogId == dialog_id && table.rows[i].name) return table.rows[i].name;
  }
  return "dialog" + Num(dialog_id);
}

std::string MessageName(uint16_t id) {
  const MessageNameRow* row = RuleFindAlertMessage(nullptr, id);
  return row && row->name ? row->name : "#" + Num(id);
}


// The settings whose options papers and orientations are (dmPaperSize,
// dmOrientation).

const char* OperatorText(uint16_t code) {
  static const char* const kText[] = {"?", "==", "!=", "&&", "||", "!", ">", "<", ">=", "<="};
  return code < sizeof kText / sizeof kText[0] ? kText[code] : "?";
}

class Dumper {
 public:
  explicit Dumper(const ModelImage* image) : img_(image), budget_(image ? image->size : 0) {}

  std::string Run() {
    char16_t version[16];
    MdfImgFileVersion(img_, version);
    Line(0, "file version: " + plat::ToUtf8(version));
    Line(0, "total size: " + Num(MdfImageSize(img_)));
    Line(0, "ui resource dll: " + Wide(MdfImgSlot(img_, kSlotUiResDll)));
    Line(0, "constraint dll: " + Wide(MdfImgSlot(img_, kSlotExcDepDll)));
    Features();
    Exclusives();
    static const char* const kTrees[kMdfCommandSlotCount] = {"JobStart", "JobEnd", "DocReset", "PageStart",
                                                            "PageEnd"};
    for (int32_t i = 0; i < kMdfCommandSlotCount; ++i) {
      uint32_t block = MdfImgSlot(img_, kSlotJobStart + i);
      Line(0, std::string("commands ") + kTrees[i] + (block ? "" : ": none"));
      if (block) Block(block, 1);
    }
    Fonts("device fonts", kSlotDeviceFontCount, kSlotDeviceFonts);
    Fonts("cartridge fonts", kSlotCartridgeFontCount, kSlotCartridgeFonts);
    return out_;
  }

  std::string Condition(uint32_t offset) {
    if (!offset) return "always";
    std::vector<std::string> stack;
    for (uint32_t i = 0; i < kRuleMaxCells; ++i) {
      JudgeCell cell;
      if (!MdfImgReadCell(img_, offset + 4 * i, &cell)) break;
      if (cell.kind == kCellSetting) {
        stack.push_back(SettingName(cell.value));
      } else if (cell.kind == kCellConstant) {
        stack.push_back(Num(cell.value));
      } else if (cell.kind == kCellOperator && cell.value == kOpEnd) {
        return stack.size() == 1 ? Strip(stack.back()) : "?";
      } else if (cell.kind == kCellOperator && cell.value == kOpNot && !stack.empty()) {
        stack.back() = "!" + stack.back();
      } else if (cell.kind == kCellOperator && stack.size() >= 2) {
        std::string right = stack.back();
        stack.pop_back();
        stack.back() = "(" + stack.back() + " " + OperatorText(cell.value) + " " + right + ")";
      } else {
        break;
      }
    }
    return "?";
  }

 private:
  static std::string Strip(const std::string& s) {
    return s.size() > 2 && s.front() == '(' && s.back() == ')' ? s.substr(1, s.size() - 2) : s;
  }
  void Line(int indent, const std::string& text) {
    out_.append(static_cast<size_t>(indent) * 2, ' ');
    out_ += text;
    out_ += '\n';
  }
  // One step of a walk; false once the budget is spent.
  bool Step() { return budget_ > 0 && --budget_ >= 0; }

  std::string Wide(uint32_t offset) {
    if (!offset) return "-";
    char16_t text[300];
    bool whole = MdfImgWideText(img_, offset, text, 300);
    return plat::ToUtf8(text) + (whole ? "" : "...");
  }

  void Features() {
    int count = 0;
    for (uint32_t at = MdfImgSlot(img_, kSlotFeatures); at && Step(); ++count) {
      ImgFeature f;
      if (!MdfImgReadFeature(img_, at, &f)) break;
      at = f.next;
    }
    Line(0, "features: " + Num(count));
    for (uint32_t at = MdfImgSlot(img_, kSlotFeatures); at && Step();) {
      ImgFeature f;
      if (!MdfImgReadFeature(img_, at, &f)) break;
      Feature(f);
      at = f.next;
    }
  }

  void Feature(const ImgFeature& f) {
    std::string line = "feature " + FeatureName(f.key) + " setting=" + Num(f.settingId) + " type=" + MdfFeatureTypeName(f.type);
    if (f.type & kFeatureIdentity) {
      line += " shares=" + FeatureName(f.subId);
    } else if (f.subId) {
      line += " variant=" + Num(f.subId);
    }
    line += " default=" + Num(f.defaultValue);
    if (f.exclusive) line += " rules";
    Line(0, line);
    if (f.commands) {
      ImgCommandPair pair;
      MdfImgReadCommandPair(img_, f.commands, &pair);
      Line(1, "command " + Quote(MdfImgText(img_, pair.first)) + " | " + Quote(MdfImgText(img_, pair.second)));
    }
    if (!f.data) return;
    switch (MdfDataKindOf(f.type)) {
      case MdfDataKind::kList:
        Options(f);
        break;
      case MdfDataKind::kBoolean: {
        ImgBoolean b;
        MdfImgReadBoolean(img_, f.data, &b);
        Line(1, "boolean default=" + Num(b.defaultValue) + " true=" + Quote(MdfImgText(img_, b.trueText)) +
                    " false=" + Quote(MdfImgText(img_, b.falseText)));
        break;
      }
      case MdfDataKind::kNumeric: {
        ImgNumeric n;
        MdfImgReadNumeric(img_, f.data, &n);
        Line(1, "numeric unit=" + Num(n.unitId) + " chars=" + Num(n.maxChars) + " default=" + Num(n.defaultValue) +
                    " min=" + Num(n.minimum) + " max=" + Num(n.maximum) + " scale=" + Num(n.scale) + " more=" +
                    Num(n.sixth) + "/" + Num(n.seventh) + "/" + Num(n.eighth));
        break;
      }
      case MdfDataKind::kString: {
        ImgString s;
        MdfImgReadString(img_, f.data, &s);
        Line(1, "string default=" + (s.defaultOption ? OptionName(f.settingId, s.defaultOption) : "-") +
                    " max=" + Num(s.maxLength) + " kind=" + Num(s.kind) + " show=" + Hex(s.showKind));
        break;
      }
      default:
        break;
    }
  }

  void Options(const ImgFeature& f) {
    uint16_t storage = MdfStorageType(f.type);
    for (uint32_t at = f.data; at && Step();) {
      ImgOption o;
      if (!MdfImgReadOption(img_, at, storage, &o)) break;
      std::string line = "option " + OptionName(f.settingId, o.optionId);
      if (o.text) line += " text=" + Quote(MdfImgText(img_, o.text));
      if (storage == kFeaturePickPage) line += " size=" + Num(o.paperWidth) + "x" + Num(o.paperLength);
      if (storage == kFeaturePickSlot && o.count) {
        line += " papers=";
        for (uint32_t i = 0; i < o.count && Step(); ++i) {
          line += (i ? "," : "") + OptionName(setting::dmPaperSize, MdfImgPaperAt(img_, o.array1, i));
        }
      }
      Line(1, line);
      for (uint32_t a = o.areas; a && Step();) {
        ImgPaperArea area;
        if (!MdfImgReadPaperArea(img_, a, &area)) break;
        std::string text = "area res=" + Num(area.resolution) +
                           " orient=" + OptionName(setting::dmOrientation, area.orientation) +
                           " rect=" + Num(area.left) + "," + Num(area.top) + "," + Num(area.width) + "," +
                           Num(area.height) + " paper=" + Num(area.paperWidth) + "," + Num(area.paperLength);
        if (area.conditionKey) {
          const UiSymbolRow* row = MdfFindFeatureByKey(area.conditionKey);
          text += " if=" + FeatureName(area.conditionKey) + ":" +
                  OptionName(row ? row->settingId : 0, area.conditionOption);
        }
        Line(2, text);
        a = area.next;
      }
      if (storage == kFeatureFontTbl) {
        for (uint32_t i = 0; i < o.count && Step(); ++i) {
          Line(2, "pair " + Quote(MdfImgText(img_, MdfImgNameAt(img_, o.array1, i))) + " -> " +
                      Quote(MdfImgText(img_, MdfImgNameAt(img_, o.array2, i))));
        }
      }
      at = o.next;
    }
  }

  void Exclusives() {
    int count = 0;
    for (uint32_t at = MdfImgSlot(img_, kSlotExclusive); at && Step(); ++count) {
      ImgExclusive e;
      if (!MdfImgReadExclusive(img_, at, &e)) break;
      at = e.next;
    }
    Line(0, "exclusives: " + Num(count));
    for (uint32_t at = MdfImgSlot(img_, kSlotExclusive); at && Step();) {
      ImgExclusive e;
      if (!MdfImgReadExclusive(img_, at, &e)) break;
      Line(0, "exclusive " + FeatureName(e.featureKey) + " hide=" + Optional(e.hide) +
                  " disable=" + Optional(e.disable));
      uint16_t setting = 0;
      if (const UiSymbolRow* row = MdfFindFeatureByKey(e.featureKey)) setting = row->settingId;
      for (uint32_t i = e.items; i && Step();) {
        ImgItemEntry item;
        if (!MdfImgReadItem(img_, i, &item)) break;
        Line(1, "item " + OptionName(setting, item.optionId) + " hide=" + Optional(item.hide) +
                    " disable=" + Optional(item.disable));
        i = item.next;
      }
      Alerts(e.alerts, 1);
      Transacts("transact", e.transacts, 1);
      Transacts("second transact", e.transacts2, 1);
      at = e.next;
    }
  }

  std::string Optional(uint32_t condition) { return condition ? "(" + Condition(condition) + ")" : "-"; }

  void Alerts(uint32_t at, int indent) {
    while (at && Step()) {
      ImgAlertEntry a;
      if (!MdfImgReadAlert(img_, at, &a)) return;
      Line(indent, "alert if " + Optional(a.condition) + " message=" + MessageName(a.message) +
                       " icon=" + Hex(a.icon) + " buttons=" + Num(a.buttons) + " when=" + Num(a.when));
      for (uint32_t aa = a.alertActions; aa && Step();) {
        ImgAlertActionEntry answer;
        if (!MdfImgReadAlertAction(img_, aa, &answer)) break;
        Line(indent + 1, "answer " + FeatureName(answer.button));
        Transacts("transact", answer.transacts, indent + 2);
        aa = answer.next;
      }
      at = a.next;
    }
  }

  void Transacts(const char* title, uint32_t at, int indent) {
    while (at && Step()) {
      ImgTransactEntry t;
      if (!MdfImgReadTransact(img_, at, &t)) return;
      Line(indent, std::string(title) + " if " + (t.condition ? "(" + Condition(t.condition) + ")" : "always"));
      for (uint32_t a = t.actions; a && Step();) {
        ImgActionEntry action;
        if (!MdfImgReadAction(img_, a, &action)) break;
        std::string target = action.targetKind == kActionTargetDialog ? "dialog " + DialogName(action.target)
                             : action.target ? SettingName(action.target)
                                             : "-";
        Line(indent + 1, "action " + target + " = " + Num(action.value));
        a = action.next;
      }
      at = t.next;
    }
  }

  void Block(uint32_t at, int indent) {
    ImgCommandBlock b;
    if (!Step() || !MdfImgReadBlock(img_, at, &b)) return;
    if (!b.condition) {
      Nodes(b.first, indent);
      return;
    }
    Line(indent, "if " + Condition(b.condition));
    Nodes(b.first, indent + 1);
    if (b.second) {
      Line(indent, "else");
      Nodes(b.second, indent + 1);
    }
  }

  void Nodes(uint32_t at, int indent) {
    while (at && Step()) {
      ImgCommandNode n;
      if (!MdfImgReadNode(img_, at, &n)) return;
      switch (n.kind) {
        case kCommandNodeGroupType:
          Line(indent, "group " + FeatureName(n.featureKey) + (n.number ? " " + Num(n.number) : ""));
          break;
        case kCommandNodeStringType:
          Line(indent, "string " + (n.text ? Quote(MdfImgText(img_, n.text)) : "-"));
          break;
        case kCommandNodeCondition:
          Block(n.block, indent);
          break;
        case kCommandNodeFontType:
          Line(indent, "device fonts");
          break;
        default:
          break;
      }
      at = n.next;
    }
  }

  void Fonts(const char* title, int32_t count_slot, int32_t array_slot) {
    uint32_t count = MdfImgSlot(img_, count_slot);
    uint32_t array = MdfImgSlot(img_, array_slot);
    Line(0, std::string(title) + ": " + Num(count));
    for (uint32_t i = 0; i < count && Step(); ++i) {
      ImgFontEntry e;
      if (!MdfImgReadFontEntry(img_, MdfImgFontAt(img_, array, i), &e)) break;
      Line(1, "font " + Num(e.id) + " " + Quote(MdfImgText(img_, e.name)));
    }
  }

  const ModelImage* img_;
  int64_t budget_;
  std::string out_;
};

}  // namespace

std::string MdfDumpImage(const ModelImage* image) {
  if (!image) return std::string();
  return Dumper(image).Run();
}

std::string MdfDumpCondition(const ModelImage* image, uint32_t offset) { return Dumper(image).Condition(offset); }
