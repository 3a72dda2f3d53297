// The built-in dialog table: dialog records, item rows and static extra-data
// blocks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <set>
#include <string>
#include <utility>

#include "mdf_test_util.h"
#include "velm/context.h"
#include "velm/dialog_blocks.h"
#include "velm/dialogs.h"
#include "velm/names.h"

namespace {

const UiSymbolRow* SymbolByKey(uint16_t key) {
  const UiSymbolTable& t = MdfGetSymbolTable();
  for (int i = 0; i < t.count; ++i)
    if (t.rows[i].key == key) return &t.rows[i];
  return nullptr;
}

const DialogRecord* Dialog(uint16_t id) {
  const DialogTable& t = DlgGetBuiltinTable();
  for (int i = 0; i < t.count; ++i)
    if (t.rows[i].dialogId == id) return &t.rows[i];
  return nullptr;
}
const DialogItemRecord* Item(uint16_t dialog, uint16_t control) {
  const DialogRecord* d = Dialog(dialog);
  if (!d) return nullptr;
  for (uint32_t i = 0; i < d->itemCount; ++i)
    if (d->items[i].controlId == control) return &d->items[i];
  return nullptr;
}
int16_t Tag(const DialogItemRecord* item) {
  if (!item || !item->extraData) return 0;
  int16_t tag;
  std::memcpy(&tag, item->extraData, sizeof tag);
  return tag;
}

std::string NameOf(uint16_t key) {
  if (key == 0) return "-";
  const UiSymbolRow* sym = SymbolByKey(key);
  return sym ? sym->name : "?" + std::to_string(key);
}

// One line per dialog and per item, every field of the built-in rows and
// every static block: the text the golden dump holds.
std::string Dump() {
  std::ostringstream out;
  const DialogTable& t = DlgGetBuiltinTable();
  for (int i = 0; i < t.count; ++i) {
    const DialogRecord& d = t.rows[i];
    out << "dialog " << d.dialogId << ' ' << d.name << " symbol=" << d.symbol << " flags=0x" << std::hex << d.flags
        << std::dec << " help=" << d.helpId << " items=" << d.itemCount << '\n';
    for (uint32_t k = 0; k < d.itemCount; ++k) {
      const DialogItemRecord& it = d.items[k];
      const UiSymbolRow* sym = SymbolByKey(it.symbol);
      out << "  item " << it.controlId << ' ' << (sym ? sym->name : "?") << " key=" << it.symbol
          << " setting=" << (sym ? sym->settingId : 0) << " kind=" << it.kind << " help=" << it.helpId
          << " tip=" << it.tipId << " msg=" << it.messageId << " link=" << it.linkedControl
          << " paper=" << it.paperFlag << " flags=0x" << std::hex << it.flags << std::dec;
      switch (Tag(&it)) {
        case 0: break;
        case kCtlTagSample: {
          auto* b = static_cast<const CtlSampleBlock*>(it.extraData);
          out << " sample=" << b->reserved[0] << ',' << b->reserved[1];
          for (int16_t e : b->entries) out << ',' << e;
          break;
        }
        case kCtlTagSlider: {
          auto* b = static_cast<const CtlSliderBlock*>(it.extraData);
          out << " slider=" << b->lineStep << ',' << b->pageStep << ',' << b->pictureId;
          break;
        }
        case kCtlTagList: {
          auto* b = static_cast<const CtlListBlock*>(it.extraData);
          out << " list=" << b->refuseFlag << ',' << b->pictureId << ',' << b->ten << ',' << b->rowCount;
          for (int r = 0; r < b->rowCount; ++r)
            out << " [" << b->rows[r].labelId << ' ' << NameOf(b->rows[r].keyA) << ' ' << NameOf(b->rows[r].keyB) << ']';
          break;
        }
        case kCtlTagRepeat: {
          auto* b = static_cast<const CtlRepeatBlock*>(it.extraData);
          out << " repeat=" << b->rowCount;
          for (int r = 0; r < b->rowCount; ++r)
            out << " [" << b->rows[r].controlId << ' ' << b->rows[r].zero << ' ' << b->rows[r].reserved << ' '
                << b->rows[r].step << ']';
          break;
        }
        case kCtlTagPreview: {
          auto* b = static_cast<const CtlPreviewBlock*>(it.extraData);
          out << " preview=";
          for (int e = 0; e < 14; ++e) out << (e ? "," : "") << NameOf(uint16_t(b->entries[e]));
          break;
        }
        default: out << " tag=" << Tag(&it); break;
      }
      out << '\n';
    }
  }
  return out.str();
}

// The reviewed dump of the table (tests/data/golden/dialog_table.txt). A
// change of the table shows here as a changed line; after review, rewrite
// the file with VELM_UPDATE_GOLDEN=1.
TEST(DialogTable, MatchesTheReviewedDump) {
  const std::string path = mdf_test::DataPath("data/golden/dialog_table.txt");
  const std::string dump = Dump();
  if (std::getenv("VELM_UPDATE_GOLDEN")) std::ofstream(path, std::ios::binary) << dump;
  const std::string golden = mdf_test::ReadFile(path);
  ASSERT_FALSE(golden.empty()) << path;
  // The first line that differs, then the whole text.
  std::istringstream want(golden), got(dump);
  std::string a, b;
  for (int line = 1; std::getline(want, a) && std::getline(got, b); ++line)
    ASSERT_EQ(b, a) << "line " << line << " of " << path;
  EXPECT_EQ(dump, golden);
}

// Every reference of the table lands on something that exists: dialog and
// item symbols, the settings they name, linked controls, and the controls
// and symbols the static blocks name.
TEST(DialogTable, EveryReferenceResolves) {
  const DialogTable& t = DlgGetBuiltinTable();
  ASSERT_EQ(t.count, kDialogCount);
  DriverContext* tmpl = CtxGetTemplate();
  std::set<uint16_t> dialogs, controls;
  for (int i = 0; i < t.count; ++i)
    for (uint32_t k = 0; k < t.rows[i].itemCount; ++k) controls.insert(t.rows[i].items[k].controlId);
  for (int i = 0; i < t.count; ++i) {
    const DialogRecord& d = t.rows[i];
    EXPECT_TRUE(dialogs.insert(d.dialogId).second) << "dialog " << d.dialogId << " twice";
    const UiSymbolRow* dsym = SymbolByKey(d.symbol);
    ASSERT_NE(dsym, nullptr) << d.name;
    EXPECT_STREQ(dsym->name, d.name);
    ASSERT_GT(d.itemCount, 0u) << d.name;
    ASSERT_NE(d.items, nullptr) << d.name;
    std::set<uint16_t> own;
    for (uint32_t k = 0; k < d.itemCount; ++k) own.insert(d.items[k].controlId);
    for (uint32_t k = 0; k < d.itemCount; ++k) {
      const DialogItemRecord& it = d.items[k];
      const std::string where = std::to_string(d.dialogId) + "/" + std::to_string(it.controlId);
      const UiSymbolRow* sym = SymbolByKey(it.symbol);
      ASSERT_NE(sym, nullptr) << where;
      if (sym->settingId) {
        EXPECT_NE(OptFindSetting(tmpl, sym->settingId), nullptr) << where << " " << sym->name;
      }
      // A link names a control of the table or a symbol.
      if (it.linkedControl) {
        EXPECT_TRUE(controls.count(it.linkedControl) || SymbolByKey(it.linkedControl)) << where << " link";
      }
      switch (Tag(&it)) {
        case kCtlTagRepeat: {
          auto* b = static_cast<const CtlRepeatBlock*>(it.extraData);
          for (int r = 0; r < b->rowCount; ++r) EXPECT_TRUE(own.count(b->rows[r].controlId)) << where;
          break;
        }
        case kCtlTagSample: {
          auto* b = static_cast<const CtlSampleBlock*>(it.extraData);
          for (int16_t e : b->entries)
            if (e) {
              EXPECT_TRUE(own.count(uint16_t(e))) << where;
            }
          break;
        }
        case kCtlTagList: {
          auto* b = static_cast<const CtlListBlock*>(it.extraData);
          EXPECT_EQ(b->ten, 10) << where;
          for (int r = 0; r < b->rowCount; ++r) {
            if (b->rows[r].keyA) {
              EXPECT_NE(SymbolByKey(b->rows[r].keyA), nullptr) << where;
            }
            if (b->rows[r].keyB) {
              EXPECT_NE(SymbolByKey(b->rows[r].keyB), nullptr) << where;
            }
          }
          break;
        }
        case kCtlTagPreview: {
          auto* b = static_cast<const CtlPreviewBlock*>(it.extraData);
          for (int16_t e : b->entries) EXPECT_NE(SymbolByKey(uint16_t(e)), nullptr) << where << " preview " << e;
          break;
        }
        default: break;
      }
    }
  }
}

TEST(DialogTable, ItemsStartCleanAndNameKnownSymbols) {
  const DialogTable& t = DlgGetBuiltinTable();
  for (int i = 0; i < t.count; ++i) {
    const DialogRecord& d = t.rows[i];
    for (uint32_t k = 0; k < d.itemCount; ++k) {
      const DialogItemRecord& it = d.items[k];
      EXPECT_NE(SymbolByKey(it.symbol), nullptr) << d.dialogId << "/" << it.controlId;
      EXPECT_EQ(it.controlIdCopy, 0);
      EXPECT_EQ(it.hidden, 0u);
      EXPECT_EQ(it.disabled, 0u);
      EXPECT_EQ(it.window, nullptr);
      EXPECT_EQ(it.feature, nullptr);
      EXPECT_EQ(it.setting, nullptr);
      EXPECT_EQ(it.previousWndProc, nullptr);
      EXPECT_TRUE(it.flags == 0 || it.flags == kItemLengthUnit) << it.controlId;
      EXPECT_TRUE(it.paperFlag == 0 || it.paperFlag == 1) << it.controlId;
    }
  }
}

TEST(DialogTable, HelpIds) {
  // Items take the dialog's help id less 10000 plus their 1-based place;
  // OK, Cancel and Help buttons 101-103, Default buttons 104.
  EXPECT_EQ(Dialog(1001)->items[0].helpId, 20101 - 10000 + 1);
  EXPECT_EQ(Dialog(1001)->items[38].helpId, 20101 - 10000 + 39);
  EXPECT_EQ(Item(1001, 2034)->helpId, 104);  // VPD_IDC_PRESET_BUTTON_DEFAULT
  EXPECT_EQ(Item(1010, 1)->helpId, 101);
  EXPECT_EQ(Item(1010, 2)->helpId, 102);
  EXPECT_EQ(Item(1010, 9)->helpId, 103);
  EXPECT_EQ(Item(1010, 2161)->helpId, 104);
  EXPECT_EQ(Item(1010, 2152)->helpId, 20301 - 10000 + 3);
  // A dialog without a help topic has none on its items.
  for (uint16_t id : {1020, 1036, 1065, 1025, 4001, 4015}) {
    const DialogRecord* d = Dialog(id);
    for (uint32_t k = 0; k < d->itemCount; ++k) EXPECT_EQ(d->items[k].helpId, 0) << id;
  }
}

}  // namespace
