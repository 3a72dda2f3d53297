// The model image as built: its exact layout (a hand-made golden image),
// field offsets, slots, sharing of option lists, reference resolution, and
// that every model the reader takes builds into an image that validates.
#include <gtest/gtest.h>

#include <dirent.h>

#include <cstring>
#include <string>
#include <vector>

#include "model_image_test_util.h"
#include "velm/model_image.h"

namespace {

using namespace image_test;
using mdf_test::Key;
using mdf_test::OptionId;

TEST(MdfImageLayout, HeaderConstants) {
  EXPECT_EQ(mdf_image::kHeaderSize, 4984u);
  EXPECT_EQ(mdf_image::kTotalSizeOffset, 32u);
  EXPECT_EQ(SlotAt(mdf_image::kSlotExclusive), 4980u);
  EXPECT_EQ(mdf_image::Link(4984), (4984u << 4) | 1);
  EXPECT_EQ(mdf_image::Link(0), 0u);
  struct Case {
    uint32_t setting;
    int32_t slot;
  } cases[] = {{1, 1}, {706, 706}, {707, 984}, {947, 1224}, {10001, 707}, {10277, 983},
               {0, 0}, {948, 0}, {10000, 0}, {10278, 0}};
  for (const Case& c : cases) EXPECT_EQ(MdfSlotOfSetting(c.setting), c.slot) << c.setting;
}

// A Boolean feature, one Judge and one Exclusive record, laid out by hand
// from the format: header, rule area (cells, the Exclusive array), feature
// area (texts, value record, node).
TEST(MdfBuildImage, GoldenBytesOfATinyModel) {
  Image image = Compile(
      "*FileVersion: 3.62\n"
      "*OpenUI *VPD_IDC_EDIT_CHOICE_DUPLEX: Boolean\n"
      "*DefaultVPD_IDC_EDIT_CHOICE_DUPLEX: True\n"
      "*VPD_IDC_EDIT_CHOICE_DUPLEX True: \"ON\"\n"
      "*VPD_IDC_EDIT_CHOICE_DUPLEX False: \"OFF\"\n"
      "*CloseUI: *VPD_IDC_EDIT_CHOICE_DUPLEX\n"
      "*Judge 1: VPD_IDC_EDIT_CHOICE_DUPLEX == 1\n"
      "*Exclusive: { VPD_IDC_EDIT_CHOICE_DUPLEX NULL Judge1 NULL NULL NULL NULL }\n");
  ASSERT_NE(image, nullptr);
  const uint16_t key = Key("VPD_IDC_EDIT_CHOICE_DUPLEX");
  std::vector<uint8_t> want(5079, 0);
  const char16_t version[] = u"3.62";
  for (int i = 0; i < 4; ++i) Put16(want, 2 * i, version[i]);
  Put32(want, 32, 5079);
  Put32(want, SlotAt(0), 5051);      // the feature list
  Put32(want, SlotAt(61), 5051);     // setting 61
  Put32(want, SlotAt(1236), 5000);   // the Exclusive array
  // 4984: the Judge's cells {1, 61} {2, 1} {3, ==} {3, end}
  const uint16_t cells[] = {1, 61, 2, 1, 3, 1, 3, 10};
  for (int i = 0; i < 8; ++i) Put16(want, 4984 + 2 * i, cells[i]);
  // 5000: the Exclusive record: no next, key, hide none, disable -> Judge 1
  Put16(want, 5004, key);
  Put32(want, 5012, (4984u << 4) | 1);
  // 5032: "ON", 5035: "OFF", 5039: the Boolean record {1, ON, OFF}
  const char on[] = "ON", off[] = "OFF";
  for (int i = 0; i < 3; ++i) want[5032 + i] = uint8_t(on[i]);
  for (int i = 0; i < 4; ++i) want[5035 + i] = uint8_t(off[i]);
  Put32(want, 5039, 1);
  Put32(want, 5043, 5032);
  Put32(want, 5047, 5035);
  // 5051: the node: next 0, key, sub-id 0, setting 61, type 4, default 0,
  // reserved, no command pair, Exclusive 5000, value record 5039
  Put16(want, 5055, key);
  Put16(want, 5059, 61);
  Put16(want, 5061, 4);
  Put32(want, 5071, 5000);
  Put32(want, 5075, 5039);
  std::vector<uint8_t> got = Bytes(image.get());
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) ASSERT_EQ(got[i], want[i]) << "byte " << i;
  EXPECT_TRUE(MdfValidateImage(got.data(), got.size()));
}

TEST(MdfBuildImage, FieldOffsetsOfTheSmallModel) {
  Image image = Compile(SmallModel());
  ASSERT_NE(image, nullptr);
  std::vector<uint8_t> b = Bytes(image.get());
  EXPECT_EQ(Get32(b, 32), b.size());
  EXPECT_EQ(Get16(b, 0), u'1');
  EXPECT_EQ(Get16(b, 6), u'5');
  EXPECT_EQ(Get16(b, 8), 0);

  // The paper feature (slot 8): a FeatureNode of 28 bytes.
  uint32_t paper = Get32(b, SlotAt(8));
  ASSERT_GE(paper, mdf_image::kHeaderSize);
  EXPECT_EQ(Get16(b, paper + 4), Key("VPD_IDC_PRESET_CHOICE_PAPERSIZE"));
  EXPECT_EQ(Get16(b, paper + 6), 0);
  EXPECT_EQ(Get16(b, paper + 8), 8);
  EXPECT_EQ(Get16(b, paper + 10), 257);
  EXPECT_EQ(Get16(b, paper + 12), 1);  // A4 is the second option
  EXPECT_EQ(Get32(b, paper + 16), 0u);
  EXPECT_EQ(Get32(b, paper + 20), 0u);
  // Its options (24 bytes each); the second is A4 with its size and two
  // PaperAreaEntry records (36 bytes each).
  uint32_t a3 = Get32(b, paper + 24);
  uint32_t a4 = Get32(b, a3);
  EXPECT_EQ(Get16(b, a3 + 4), OptionId("IDS_PAPERSIZE_A3"));
  EXPECT_EQ(Get16(b, a4 + 4), OptionId("IDS_PAPERSIZE_A4"));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[Get32(b, a4 + 8)])), "A4");
  EXPECT_EQ(Get32(b, a4 + 12), 2100u);
  EXPECT_EQ(Get32(b, a4 + 16), 2970u);
  uint32_t area = Get32(b, a4 + 20);
  const uint32_t want_area[] = {0, 0, 0, 100, 100, 4760, 6816, 4960, 7016};
  EXPECT_EQ(Get16(b, area + 4), OptionId("VDMRESO_600DPI"));
  EXPECT_EQ(Get16(b, area + 6), OptionId("IDC_PRESET_RADIO_PORTRAIT"));
  EXPECT_EQ(Get16(b, area + 8), 0);
  EXPECT_EQ(Get16(b, area + 10), 0);
  for (int i = 3; i < 9; ++i) EXPECT_EQ(Get32(b, area + 12 + 4 * (i - 3)), want_area[i]) << i;
  uint32_t second = Get32(b, area);
  EXPECT_EQ(Get16(b, second + 4), 1200);
  EXPECT_EQ(Get16(b, second + 8), Key("VPD_IDC_INIT_CHOICE_PRINTAREA"));
  EXPECT_EQ(Get16(b, second + 10), OptionId("IDS_PRINTAREA_EXTEND"));
  EXPECT_EQ(Get32(b, second + 24), 9728u);
  EXPECT_EQ(Get32(b, second), 0u);

  // The tray feature: PickSlot records of 20 bytes with their paper arrays.
  uint32_t tray = Get32(b, SlotAt(13));
  uint32_t tray1 = Get32(b, Get32(b, tray + 24));
  EXPECT_EQ(Get16(b, tray1 + 4), OptionId("IDS_SOURCE_TRAY1"));
  EXPECT_EQ(Get32(b, tray1 + 12), 2u);
  EXPECT_EQ(Get16(b, Get32(b, tray1 + 16)), OptionId("IDS_PAPERSIZE_A4"));
  EXPECT_EQ(Get16(b, Get32(b, tray1 + 16) + 2), OptionId("IDS_PAPERSIZE_LETTER"));

  // The numeric record of the copies (24 bytes) and the string record of the
  // password (8 bytes).
  uint32_t numeric = Get32(b, Get32(b, SlotAt(12)) + 24);
  const uint16_t want16[] = {300, 3, 1, 6, 7, 8};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(Get16(b, numeric + 2 * i), want16[i]) << i;
  EXPECT_EQ(Get32(b, numeric + 12), 1u);
  EXPECT_EQ(Get32(b, numeric + 16), 1u);
  EXPECT_EQ(Get32(b, numeric + 20), 999u);
  uint32_t string = Get32(b, Get32(b, SlotAt(220)) + 24);
  EXPECT_EQ(Get16(b, string), OptionId("IDS_PRINTTYPE_NORMAL"));
  EXPECT_EQ(Get16(b, string + 2), 8);
  EXPECT_EQ(Get16(b, string + 4), 4);
  EXPECT_EQ(Get16(b, string + 6), 0x100);

  // Fonts: count slots and arrays of 8-byte entries.
  EXPECT_EQ(Get32(b, SlotAt(1232)), 3u);
  EXPECT_EQ(Get32(b, SlotAt(1234)), 1u);
  uint32_t cartridge = Get32(b, Get32(b, SlotAt(1235)));
  EXPECT_EQ(Get32(b, cartridge), 101u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[Get32(b, cartridge + 4)])), "Barcode");
  // DLL names (wide).
  char16_t name[32];
  EXPECT_TRUE(MdfImgWideText(image.get(), Get32(b, SlotAt(1225)), name, 32));
  EXPECT_EQ(std::u16string(name), u"TESTUI");
  EXPECT_TRUE(MdfImgWideText(image.get(), Get32(b, SlotAt(1226)), name, 32));
  EXPECT_EQ(std::u16string(name), u"TESTEXC.DLL");
}

TEST(MdfBuildImage, CommandTreeConditionsWithoutExclusive) {
  Image image = Compile(SmallModel());
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(MdfImgSlot(image.get(), mdf_image::kSlotExclusive), 0u);
  ImgCommandBlock tree;
  ASSERT_TRUE(MdfImgReadBlock(image.get(), MdfImgSlot(image.get(), mdf_image::kSlotJobStart), &tree));
  EXPECT_EQ(tree.condition, 0u);
  std::vector<uint16_t> kinds;
  uint32_t condition = 0;
  for (uint32_t at = tree.first; at;) {
    ImgCommandNode n;
    ASSERT_TRUE(MdfImgReadNode(image.get(), at, &n));
    kinds.push_back(n.kind);
    if (n.kind == kCommandNodeCondition) {
      ImgCommandBlock block;
      ASSERT_TRUE(MdfImgReadBlock(image.get(), n.block, &block));
      condition = block.condition;
      EXPECT_NE(block.second, 0u);
    }
    if (n.kind == kCommandNodeStringType) {
      EXPECT_EQ(n.textLength, std::strlen(MdfImgText(image.get(), n.text)) + 1);
    }
    at = n.next;
  }
  EXPECT_EQ(kinds, (std::vector<uint16_t>{2, 1, 3, 2}));
  EXPECT_EQ(MdfDumpCondition(image.get(), condition), "VPD_IDC_EDIT_CHOICE_DUPLEX == 1");
  EXPECT_EQ(MdfImgSlot(image.get(), mdf_image::kSlotJobStart + kMdfJobEnd), 0u);
}

TEST(MdfBuildImage, FeatureListOrderAndSlots) {
  Image image = Compile(SmallModel());
  ASSERT_NE(image, nullptr);
  std::vector<Node> nodes = Features(image.get());
  std::vector<std::string> order;
  for (const Node& n : nodes) {
    const UiSymbolRow* row = MdfFindFeatureByKey(n.f.key);
    order.push_back(std::string(row ? row->name : "?") + "/" + std::to_string(n.f.subId));
  }
  // Nodes sharing options move to the front, each in turn; the ordinary
  // nodes keep the file order.
  std::vector<std::string> want = {
      "VPD_IDC_BASIC_CHOICE_COLOR/" + std::to_string(Key("VPD_IDC_PRESET_CHOICE_COLOR")),
      "VPD_IDC_PRESET_CHOICE_COLOR/1",
      "VPD_IDC_PRESET_CHOICE_COLOR/0",
      "VPD_IDC_OPTION_CHOICE_OPTION/0",
      "VPD_IDC_EDIT_CHOICE_DUPLEX/0",
      "VPD_IDC_PRESET_EDIT_COPIES/0",
      "VPD_IDC_PRINTTYPE_EDIT_PASSWORD/0",
      "VPD_IDC_PRINTTYPE_EDIT_DOCUMENT/0",
      "VPD_IDC_PRESET_CHOICE_PAPERSIZE/0",
      "VPD_IDC_PRESET_CHOICE_SOURCETRAY/0",
      "VPD_RADIOLIST_8/0",
  };
  EXPECT_EQ(order, want);
  // Every slotted node is in the slot of its setting id; the shared color
  // setting names the ordinary node.
  for (const Node& n : nodes) {
    if (int32_t slot = MdfSlotOfSetting(n.f.settingId); slot && n.f.subId == 0) {
      EXPECT_EQ(MdfImgSlot(image.get(), slot), n.offset) << n.f.settingId;
    }
  }
  EXPECT_EQ(MdfImgSlot(image.get(), 15), Find(nodes, "VPD_IDC_PRESET_CHOICE_COLOR")->offset);
}

TEST(MdfBuildImage, SlotsAtTheEdgesOfTheRanges) {
  const char* features[] = {"VPD_DeviceName", "VPD_IniFileName", "VPD_IDC_USERCODE_CHOICE_SERVER",
                            "VPD_MarkDefaultTray", "VPD_IDC_BASIC_BMP_PRINTER"};
  std::string text;
  for (const char* f : features) text += std::string("*OpenUI *") + f + ": Boolean\n*CloseUI: *" + f + "\n";
  Image image = Compile(text);
  ASSERT_NE(image, nullptr);
  std::vector<Node> nodes = Features(image.get());
  ASSERT_EQ(nodes.size(), 5u);
  EXPECT_EQ(MdfImgSlot(image.get(), 1), Find(nodes, "VPD_DeviceName")->offset);               // id 1
  EXPECT_EQ(MdfImgSlot(image.get(), 984), Find(nodes, "VPD_IniFileName")->offset);            // id 707
  EXPECT_EQ(MdfImgSlot(image.get(), 707), Find(nodes, "VPD_IDC_USERCODE_CHOICE_SERVER")->offset);  // 10001
  EXPECT_EQ(MdfImgSlot(image.get(), 983), Find(nodes, "VPD_MarkDefaultTray")->offset);        // 10277
  // Id 948 has no slot: it is only in the list.
  EXPECT_EQ(Find(nodes, "VPD_IDC_BASIC_BMP_PRINTER")->f.settingId, 948);
  int slotted = 0;
  for (int32_t slot = 1; slot < kMdfSettingSlotCount; ++slot) slotted += MdfImgSlot(image.get(), slot) != 0;
  EXPECT_EQ(slotted, 4);
}

TEST(MdfBuildImage, SharedOptionLists) {
  // B shares A's options, C shares B's (an Identity of an Identity), B2 is a
  // variant of the Identity B, A1 a variant of A; D is a second ordinary
  // feature of A's setting id.
  Image image = Compile(
      "*OpenUI *VPD_IDC_PRESET_CHOICE_COLOR: PickOne\n"
      "*VPD_IDC_PRESET_CHOICE_COLOR IDS_COLOR: \"C\"\n"
      "*VPD_IDC_PRESET_CHOICE_COLOR IDS_MONO: \"M\"\n"
      "*CloseUI: *VPD_IDC_PRESET_CHOICE_COLOR\n"
      "*OpenUI *VPD_IDC_PRESET_CHOICE_COLOR 1: PickOne\n"
      "*CloseUI: *VPD_IDC_PRESET_CHOICE_COLOR\n"
      "*OpenUI *VPD_IDC_BASIC_CHOICE_COLOR: Identity *VPD_IDC_PRESET_CHOICE_COLOR\n"
      "*CloseUI: *VPD_IDC_BASIC_CHOICE_COLOR\n"
      "*OpenUI *VPD_IDC_PRESET_CHOICE_MEDIATYPE: Identity *VPD_IDC_BASIC_CHOICE_COLOR\n"
      "*CloseUI: *VPD_IDC_PRESET_CHOICE_MEDIATYPE\n"
      "*OpenUI *VPD_IDC_BASIC_CHOICE_COLOR 2: PickOne\n"
      "*CloseUI: *VPD_IDC_BASIC_CHOICE_COLOR\n");
  ASSERT_NE(image, nullptr);
  std::vector<uint8_t> bytes = Bytes(image.get());
  // No parse-time address is left in the image: it validates in full.
  EXPECT_TRUE(MdfValidateImage(bytes.data(), bytes.size()));
  std::vector<Node> nodes = Features(image.get());
  const Node* a = Find(nodes, "VPD_IDC_PRESET_CHOICE_COLOR");
  const Node* a1 = Find(nodes, "VPD_IDC_PRESET_CHOICE_COLOR", 1);
  const Node* b = Find(nodes, "VPD_IDC_BASIC_CHOICE_COLOR", Key("VPD_IDC_PRESET_CHOICE_COLOR"));
  const Node* c = Find(nodes, "VPD_IDC_PRESET_CHOICE_MEDIATYPE", Key("VPD_IDC_BASIC_CHOICE_COLOR"));
  const Node* b2 = Find(nodes, "VPD_IDC_BASIC_CHOICE_COLOR", 2);
  ASSERT_TRUE(a && a1 && b && c && b2);
  ASSERT_NE(a->f.data, 0u);
  for (const Node* n : {a1, b, c, b2}) EXPECT_EQ(n->f.data, a->f.data) << n->f.key << "/" << n->f.subId;
  EXPECT_EQ(OptionIds(image.get(), c->f), (std::vector<uint16_t>{OptionId("IDS_COLOR"), OptionId("IDS_MONO")}));
  EXPECT_EQ(MdfImgSlot(image.get(), MdfSlotOfSetting(a->f.settingId)), a->offset);
}

TEST(MdfBuildImage, TwoOrdinaryFeaturesOfOneSetting) {
  Image image = Compile(
      "*OpenUI *VPD_IDC_PRESET_CHOICE_COLOR: PickOne\n*VPD_IDC_PRESET_CHOICE_COLOR IDS_COLOR: \"C\"\n"
      "*CloseUI: *VPD_IDC_PRESET_CHOICE_COLOR\n"
      "*OpenUI *VPD_IDC_BASIC_CHOICE_COLOR: PickOne\n*VPD_IDC_BASIC_CHOICE_COLOR IDS_MONO: \"M\"\n"
      "*CloseUI: *VPD_IDC_BASIC_CHOICE_COLOR\n");
  ASSERT_NE(image, nullptr);
  std::vector<Node> nodes = Features(image.get());
  ASSERT_EQ(nodes.size(), 2u);
  const Node* first = Find(nodes, "VPD_IDC_PRESET_CHOICE_COLOR");
  ASSERT_EQ(first->f.settingId, Find(nodes, "VPD_IDC_BASIC_CHOICE_COLOR")->f.settingId);
  EXPECT_EQ(MdfImgSlot(image.get(), MdfSlotOfSetting(first->f.settingId)), first->offset);
}

TEST(MdfBuildImage, RuleReferences) {
  Image image = Compile(
      "*Judge 1: VPD_IDC_EDIT_CHOICE_DUPLEX == 1\n"
      "*Judge 1: VPD_IDC_EDIT_CHOICE_DUPLEX == 0\n"
      "*Action 1: { VPD_IDC_EDIT_CHOICE_DUPLEX 0 VPD_IDD_DLG_STATUS 3 }\n"
      "*Transact 1: { Judge1 Action1 NULL Action9 }\n"
      "*Transact 2: { }\n"
      "*Transact 2: { NULL Action1 }\n"
      "*Exclusive: { VPD_IDC_EDIT_CHOICE_DUPLEX NULL NULL Item9 NULL Transact1 Transact2\n"
      "  VPD_IDC_FINISH_CHOICE_STAPLE Judge2 Judge1 NULL NULL Transact1 NULL }\n"
      "*OpenUI *VPD_IDC_EDIT_CHOICE_DUPLEX: Boolean\n*CloseUI: *VPD_IDC_EDIT_CHOICE_DUPLEX\n");
  ASSERT_NE(image, nullptr);
  std::vector<uint8_t> bytes = Bytes(image.get());
  EXPECT_TRUE(MdfValidateImage(bytes.data(), bytes.size()));
  uint32_t first = MdfImgSlot(image.get(), mdf_image::kSlotExclusive);
  ImgExclusive e1, e2;
  ASSERT_TRUE(MdfImgReadExclusive(image.get(), first, &e1));
  ASSERT_TRUE(MdfImgReadExclusive(image.get(), e1.next, &e2));
  EXPECT_EQ(e1.next, first + 32);
  EXPECT_EQ(e2.next, 0u);
  EXPECT_EQ(e1.items, 0u);       // no Item 9
  EXPECT_EQ(e1.transacts2, 0u);  // the first Transact 2 has no entries
  EXPECT_NE(e1.transacts, 0u);
  EXPECT_EQ(e2.transacts, e1.transacts);  // one list for both
  EXPECT_EQ(e2.hide, 0u);                 // no Judge 2
  EXPECT_EQ(MdfDumpCondition(image.get(), e2.disable), "VPD_IDC_EDIT_CHOICE_DUPLEX == 1");  // the first Judge 1
  ImgTransactEntry t1, t2;
  ASSERT_TRUE(MdfImgReadTransact(image.get(), e1.transacts, &t1));
  ASSERT_TRUE(MdfImgReadTransact(image.get(), t1.next, &t2));
  EXPECT_EQ(t1.condition, e2.disable);
  EXPECT_EQ(t2.condition, 0u);
  EXPECT_EQ(t2.actions, 0u);  // no Action 9
  ImgActionEntry a1, a2;
  ASSERT_TRUE(MdfImgReadAction(image.get(), t1.actions, &a1));
  ASSERT_TRUE(MdfImgReadAction(image.get(), a1.next, &a2));
  EXPECT_EQ(a1.target, 61);
  EXPECT_EQ(a2.target, 4006);
  EXPECT_EQ(a2.targetKind, kActionTargetDialog);
  EXPECT_EQ(a2.value, 3);
  // The feature points at its own Exclusive record.
  std::vector<Node> nodes = Features(image.get());
  EXPECT_EQ(Find(nodes, "VPD_IDC_EDIT_CHOICE_DUPLEX")->f.exclusive, first);
}

// Judges that were given but refused (a value above 65535, more than 128
// nested '(', a word that names nothing) are no "always": the Transact, Item
// and Alert entries and the conditional command blocks that name them, by
// number or by name, are left out. A Judge that was never given still leaves
// its Transact entry unconditional.
TEST(MdfBuildImage, EntriesNamingARefusedJudgeAreDropped) {
  std::string text = mdf_test::ReadFile(mdf_test::DataPath("data/models/regress/refused_judges.mdf"));
  ASSERT_FALSE(text.empty());
  Image image = Compile(text);
  ASSERT_NE(image, nullptr);
  std::vector<uint8_t> bytes = Bytes(image.get());
  EXPECT_TRUE(MdfValidateImage(bytes.data(), bytes.size()));
  ImgExclusive x;
  ASSERT_TRUE(MdfImgReadExclusive(image.get(), MdfImgSlot(image.get(), mdf_image::kSlotExclusive), &x));

  // Transact 1: only Good, NULL and the never-given Judge 9 stay.
  std::vector<std::string> conditions;
  ImgTransactEntry t;
  for (uint32_t at = x.transacts; at && conditions.size() < 10; at = t.next) {
    ASSERT_TRUE(MdfImgReadTransact(image.get(), at, &t));
    conditions.push_back(t.condition ? MdfDumpCondition(image.get(), t.condition) : "always");
  }
  EXPECT_EQ(conditions, (std::vector<std::string>{"VPD_IDC_EDIT_CHOICE_DUPLEX == 1", "always", "always"}));

  // Item 1: the entries whose hide or disable Judge was refused are gone.
  std::vector<uint16_t> options;
  ImgItemEntry item;
  for (uint32_t at = x.items; at && options.size() < 10; at = item.next) {
    ASSERT_TRUE(MdfImgReadItem(image.get(), at, &item));
    options.push_back(item.optionId);
  }
  EXPECT_EQ(options, (std::vector<uint16_t>{OptionId("IDS_PAPERSIZE_A3")}));

  // Alert 1: the entry under the refused Judge is gone.
  std::vector<uint16_t> icons;
  ImgAlertEntry alert;
  for (uint32_t at = x.alerts; at && icons.size() < 10; at = alert.next) {
    ASSERT_TRUE(MdfImgReadAlert(image.get(), at, &alert));
    icons.push_back(alert.icon);
  }
  EXPECT_EQ(icons, (std::vector<uint16_t>{0x40}));

  // JobStart: the conditional blocks under the refused Judges are gone (one
  // with its Else); the font line and the block under the good Judge stay.
  ImgCommandBlock tree;
  ASSERT_TRUE(MdfImgReadBlock(image.get(), MdfImgSlot(image.get(), mdf_image::kSlotJobStart), &tree));
  std::vector<uint16_t> kinds;
  ImgCommandNode node;
  for (uint32_t at = tree.first; at && kinds.size() < 10; at = node.next) {
    ASSERT_TRUE(MdfImgReadNode(image.get(), at, &node));
    kinds.push_back(node.kind);
  }
  EXPECT_EQ(kinds, (std::vector<uint16_t>{kCommandNodeFontType, kCommandNodeCondition}));
}

// A last record that the end of the file cuts off before its line break is
// kept like any other (the reader loses nothing at the end of a file).
TEST(MdfBuildImage, ALastRecordWithoutALineBreakIsKept) {
  struct Case {
    const char* name;
    std::string text;
    int32_t exclusives;  // records in the Exclusive array
    bool hide;           // the first one has its hide condition
  } cases[] = {
      {"Exclusive record at the end", Model("data/models/regress/last_record_no_newline.mdf"), 1, true},
      {"the same with a line break", Model("data/models/regress/last_record_no_newline.mdf") + "\n", 1, true},
      {"Judge at the end, named before it comes",
       "*Exclusive: { { VPD_IDC_EDIT_CHOICE_DUPLEX Judge1 NULL NULL NULL NULL NULL } }\n"
       "*Judge 1: VPD_IDC_EDIT_CHOICE_DUPLEX == 1",
       1, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_GT(c.text.size(), 1u);
    Image image = Compile(c.text);
    ASSERT_NE(image, nullptr);
    int32_t count = 0;
    ImgExclusive x{};
    uint32_t first = MdfImgSlot(image.get(), mdf_image::kSlotExclusive);
    for (uint32_t at = first; at && count < 10; at = x.next, ++count) {
      ASSERT_TRUE(MdfImgReadExclusive(image.get(), at, &x));
    }
    EXPECT_EQ(count, c.exclusives);
    ASSERT_TRUE(MdfImgReadExclusive(image.get(), first, &x));
    EXPECT_EQ(x.hide != 0, c.hide);
  }
}

TEST(MdfBuildImage, SameBytesEveryTime) {
  std::string text = ReferenceModel();
  Image a = Compile(text);
  Image b = Compile(text);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(Bytes(a.get()), Bytes(b.get()));
}

// Every model the reader takes builds into an image whose size is its
// header's and that validates in full: the writer and the validator agree on
// every record type.
TEST(MdfBuildImage, EveryModelBuildsAValidImage) {
  std::vector<std::string> files = {"data/models/small.mdf", "../models/reference.mdf"};
  if (DIR* d = opendir(mdf_test::DataPath("data/models/broken").c_str())) {
    while (dirent* e = readdir(d)) {
      std::string name = e->d_name;
      if (name.size() > 4 && name.substr(name.size() - 4) == ".mdf") files.push_back("data/models/broken/" + name);
    }
    closedir(d);
  }
  ASSERT_GT(files.size(), 5u);
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    std::string text = Model(file);
    ASSERT_FALSE(text.empty());
    Image image = Compile(text);
    if (!image) continue;  // a file the reader does not take
    std::vector<uint8_t> bytes = Bytes(image.get());
    EXPECT_EQ(Get32(bytes, 32), bytes.size());
    EXPECT_TRUE(MdfValidateImage(bytes.data(), bytes.size()));
  }
}

// A compile that lost an allocation gives no image at all, never a model
// with records missing; one that lost none gives the whole model. The small
// model is swept allocation by allocation, the reference model (thousands of
// allocations) at every seventh, in shards that CTest runs side by side.
void SweepAllocationFailures(const std::string& text, int first, int last, int step) {
  std::vector<uint8_t> whole = Bytes(Compile(text).get());
  mdf_test::BlockCount blocks;
  int refused = 0;
  for (int nth = first; nth < last; nth += step) {
    plat::FailNth("GlobalAlloc", nth);
    Image image = Compile(text);
    plat::ClearFaults();
    if (image) {
      ASSERT_EQ(Bytes(image.get()), whole) << "failure at allocation " << nth;
    } else {
      ++refused;
    }
  }
  EXPECT_GT(refused, 0);
  EXPECT_EQ(blocks.Delta(), 0);
}

TEST(MdfBuildImage, NoMemorySmallModel) { SweepAllocationFailures(SmallModel(), 1, 400, 1); }

constexpr int kReferenceShards = 8;
class MdfBuildImageNoMemory : public ::testing::TestWithParam<int> {};

TEST_P(MdfBuildImageNoMemory, ReferenceModel) {
  // Shard k takes the allocations 1 + 7k, 1 + 7(k + 8), ... below 6000.
  SweepAllocationFailures(ReferenceModel(), 1 + 7 * GetParam(), 6000, 7 * kReferenceShards);
}
INSTANTIATE_TEST_SUITE_P(Shards, MdfBuildImageNoMemory, ::testing::Range(0, kReferenceShards));

}  // namespace
