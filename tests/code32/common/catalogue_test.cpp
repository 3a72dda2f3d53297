// The built-in setting table: row set, storage places, store kinds, ini names,
// option lists and memberships.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "velm/devmode.h"
#include "velm/names.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"
#include "test_support.h"

namespace {

const SettingTable& Table() { return OptGetBuiltinTable(); }

const SettingRecord* Row(uint32_t id) {
  const SettingTable& t = Table();
  for (int i = 0; i < t.count; ++i) {
    if (t.rows[i].id == id) return &t.rows[i];
  }
  return nullptr;
}


uint32_t Region(const SettingRecord& r) { return DescRegion(r.descriptor); }
uint32_t Type(const SettingRecord& r) { return DescType(r.descriptor); }
uint32_t Size(const SettingRecord& r) { return DescSize(r.descriptor); }

// Entries of a list up to its end entry, and the entries after it (the second
// list of the four settings that carry one).
std::vector<OptionListEntry> FirstList(const OptionListEntry* l) {
  std::vector<OptionListEntry> out;
  for (; l && l->optionId != 0; ++l) out.push_back(*l);
  return out;
}
std::vector<OptionListEntry> SecondList(const OptionListEntry* l) {
  while (l->optionId != 0) ++l;
  return FirstList(l + 1);
}

TEST(SettingCatalogue, HoldsEveryIdOnceSortedById) {
  const SettingTable& t = Table();
  ASSERT_EQ(t.count, kSettingRowCount);
  ASSERT_EQ(t.count, 1239);
  for (int i = 0; i < 962; ++i) EXPECT_EQ(t.rows[i].id, i + 1) << "row " << i;
  for (int i = 962; i < t.count; ++i) EXPECT_EQ(t.rows[i].id, 10001 + (i - 962)) << "row " << i;
  for (int i = 1; i < t.count; ++i) EXPECT_LT(t.rows[i - 1].id, t.rows[i].id);
}

TEST(SettingCatalogue, RegionsFollowTheIdRanges) {
  const SettingTable& t = Table();
  for (int i = 0; i < t.count; ++i) {
    const SettingRecord& r = t.rows[i];
    uint32_t want = (r.id <= 730) ? 1 : (r.id <= 906 || (r.id >= 948 && r.id <= 962)) ? 3 : 2;
    EXPECT_EQ(Region(r), want) << r.id;
    EXPECT_EQ(r.descriptor & 0x00FF0000u, 0u) << r.id;
  }
}

TEST(SettingCatalogue, PublicFieldsLieAtTheirDevmodeOffsets) {
  struct Field {
    uint16_t id;
    size_t offset;
    size_t size;
  };
#define F(id, f) Field{id, offsetof(DEVMODEW, f), sizeof(DEVMODEW::f)}
  const Field fields[] = {
      F(1, dmDeviceName),      F(2, dmSpecVersion),   F(3, dmDriverVersion),    F(4, dmSize),
      F(5, dmDriverExtra),     F(6, dmFields),        F(7, dmOrientation),      F(8, dmPaperSize),
      F(9, dmPaperLength),     F(10, dmPaperWidth),   F(11, dmScale),           F(12, dmCopies),
      F(13, dmDefaultSource),  F(14, dmPrintQuality), F(15, dmColor),           F(16, dmDuplex),
      F(17, dmYResolution),    F(18, dmTTOption),     F(19, dmCollate),         F(20, dmFormName),
      F(21, dmLogPixels),      F(22, dmBitsPerPel),   F(23, dmPelsWidth),       F(24, dmPelsHeight),
      F(25, dmDisplayFlags),   F(26, dmDisplayFrequency), F(27, dmICMMethod),   F(28, dmICMIntent),
      F(29, dmMediaType),      F(30, dmDitherType),   F(31, dmReserved1),       F(32, dmReserved2),
      F(33, dmPanningWidth),   F(34, dmPanningHeight),
  };
#undef F
  for (const Field& f : fields) {
    const SettingRecord* r = Row(f.id);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(Region(*r), 1u) << f.id;
    EXPECT_EQ(r->offset, f.offset) << f.id;
    EXPECT_EQ(Size(*r), f.size) << f.id;
  }
}

// (Each row's id, name, region, type, size, offset and ini names are held by
// the reviewed dump, MatchesTheReviewedDump below.)
TEST(SettingCatalogue, PrivateHeaderConstantsNameTheirRows) {
  // The places named by the private-header constants.
  EXPECT_EQ(Row(714)->offset, dm::kJobLinker);
  EXPECT_EQ(Row(35)->offset, dm::kPrivateItems);
  EXPECT_EQ(Row(715)->offset, dm::kEnvironmentFlags);
}

TEST(SettingCatalogue, QualityWordHoldsItems381To396) {
  // The 16-bit word at DEVMODE byte 858; bit 0x2000 is item 394.
  for (uint32_t id = 381; id <= 396; ++id) {
    const SettingRecord* r = Row(id);
    EXPECT_EQ(r->offset, 858) << id;
    EXPECT_EQ(Size(*r), 2u) << id;
    EXPECT_EQ(Type(*r), 16 + (id - 381)) << id;
  }
  EXPECT_EQ(1u << (Type(*Row(394)) - 16), 0x2000u);
}

TEST(SettingCatalogue, BitWordsAreShared) {
  // 224-239: bits 0-15 of one 16-bit word; 58-89: bits 0-31 of one 32-bit word.
  for (uint32_t id = 224; id <= 239; ++id) {
    EXPECT_EQ(Row(id)->offset, Row(224)->offset) << id;
    EXPECT_EQ(Size(*Row(id)), 2u);
  }
  for (uint32_t id = 58; id <= 89; ++id) {
    EXPECT_EQ(Row(id)->offset, 436) << id;
    EXPECT_EQ(Type(*Row(id)), 16 + (id - 58)) << id;
  }
  // 281 (bit 31) and 282 (bit 0 again) lie in different words.
  EXPECT_NE(Row(281)->offset, Row(282)->offset);
  // 115 is bit 6 of the byte of 114.
  EXPECT_EQ(Row(115)->offset, Row(114)->offset);
  EXPECT_EQ(Type(*Row(115)), 22u);
  EXPECT_EQ(Type(*Row(114)), 4u);
}

TEST(SettingCatalogue, RangesStayWithinTheirBytes) {
  const SettingTable& t = Table();
  uint32_t work_end = 0;
  for (int i = 0; i < t.count; ++i) {
    const SettingRecord& r = t.rows[i];
    uint32_t end = r.offset + Size(r);
    ASSERT_NE(Region(r), 0u) << r.id;
    EXPECT_LE(end, kRegionSize[Region(r)]) << r.id;
    if (r.id >= 35 && r.id <= 429) {
      EXPECT_GE(r.offset, 368) << r.id;
      EXPECT_LE(end, 888u) << r.id;
    }
    if (r.id >= 430 && r.id <= 706) {
      EXPECT_GE(r.offset, 892) << r.id;
      EXPECT_LE(end, 1184u) << r.id;
    }
    if (r.id >= 10001) {
      EXPECT_LE(end, 292u) << r.id;
    }
    if (r.id >= 907 && r.id <= 947) {
      EXPECT_GE(r.offset, 349) << r.id;
    }
    if (Region(r) == 3) work_end = std::max(work_end, end);
  }
  EXPECT_EQ(work_end, 2040u);  // the work items fill their block exactly
}

TEST(SettingCatalogue, IntegersAndBitWordsAreAligned) {
  const SettingTable& t = Table();
  for (int i = 0; i < t.count; ++i) {
    const SettingRecord& r = t.rows[i];
    uint32_t type = Type(r), size = Size(r);
    bool aligned_kind = type == 2 || type == 3 || type == 5 || type == 6 || IsBitType(type);
    if (aligned_kind && (size == 2 || size == 4)) {
      EXPECT_EQ(r.offset % size, 0u) << r.id;
    }
  }
}

TEST(SettingCatalogue, NoTwoRowsOverlapExceptSharedWords) {
  const SettingTable& t = Table();
  for (int i = 0; i < t.count; ++i) {
    for (int j = i + 1; j < t.count; ++j) {
      const SettingRecord& a = t.rows[i];
      const SettingRecord& b = t.rows[j];
      if (Region(a) != Region(b)) continue;
      uint32_t a_end = a.offset + Size(a), b_end = b.offset + Size(b);
      if (a_end <= b.offset || b_end <= a.offset) continue;
      bool shared_word = IsBitType(Type(a)) && IsBitType(Type(b)) && a.offset == b.offset &&
                         Size(a) == Size(b) && Type(a) != Type(b);
      bool shared_byte = a.id == 114 && b.id == 115;
      EXPECT_TRUE(shared_word || shared_byte) << a.id << " overlaps " << b.id;
    }
  }
}

TEST(SettingCatalogue, MirrorsCopyThePrinterWideItems) {
  for (uint32_t k = 0; k < 277; ++k) {
    const SettingRecord* m = Row(430 + k);
    const SettingRecord* p = Row(10001 + k);
    ASSERT_TRUE(m && p);
    EXPECT_EQ(Type(*m), Type(*p)) << m->id;
    EXPECT_EQ(Size(*m), Size(*p)) << m->id;
    EXPECT_EQ(m->offset, 892 + p->offset) << m->id;
    EXPECT_EQ(m->itemName, nullptr) << m->id;
  }
}

TEST(SettingCatalogue, StoreKinds) {
  const std::pair<uint16_t, int16_t> kinds[] = {
      {222, 2}, {224, 2}, {226, 2}, {227, 1}, {230, 2}, {231, 1}, {247, 2}, {249, 2},
      {875, 2}, {737, 1}, {762, 1}, {763, 0}, {874, 1}, {880, 0}, {904, 1}, {905, 0},
      {731, 0}, {7, 1},   {430, 1}, {714, 1}, {10001, 1}, {907, 1}, {948, 0},
  };
  for (auto [id, kind] : kinds) EXPECT_EQ(Row(id)->storeKind, kind) << id;
}

TEST(SettingCatalogue, CountsOfTheRowFields) {
  const SettingTable& t = Table();
  int keys = 0, sections = 0, values = 0, lists = 0, commands = 0, presets = 0, quality = 0,
      stamps = 0, dirty = 0, flags = 0;
  for (int i = 0; i < t.count; ++i) {
    const SettingRecord& r = t.rows[i];
    keys += r.symbolKey != 0;
    sections += r.sectionName != nullptr;
    values += r.valueName != nullptr;
    lists += r.optionList != nullptr;
    commands += r.commandValueKind != 0;
    presets += r.presetMember != 0;
    quality += r.qualityMember != 0;
    stamps += r.stampMember != 0;
    dirty += r.dirty != 0;
    flags += r.flags != 0;
    // A row with a section also has a value name.
    if (r.sectionName) {
      EXPECT_NE(r.valueName, nullptr) << r.id;
    }
  }
  EXPECT_EQ(keys, 355);
  EXPECT_EQ(sections, 69);
  EXPECT_EQ(values, 79);
  EXPECT_EQ(lists, 59 + 6);  // and the six trays' orientation
  EXPECT_EQ(commands, 10);
  EXPECT_EQ(presets, 41);
  EXPECT_EQ(quality, 15);
  EXPECT_EQ(stamps, 25);
  EXPECT_EQ(dirty, 0);
  EXPECT_EQ(flags, 0);
}

TEST(SettingCatalogue, CommandValueKinds) {
  const std::map<uint16_t, uint32_t> kinds = {{1, 3},   {104, 9}, {105, 10}, {106, 2}, {107, 2},
                                              {223, 1}, {707, 5}, {883, 6},  {884, 7}, {906, 12}};
  const SettingTable& t = Table();
  for (int i = 0; i < t.count; ++i) {
    auto it = kinds.find(t.rows[i].id);
    EXPECT_EQ(t.rows[i].commandValueKind, it == kinds.end() ? 0u : it->second) << t.rows[i].id;
  }
}

TEST(SettingCatalogue, MembershipLists) {
  for (uint32_t id = 109; id <= 128; ++id) EXPECT_EQ(Row(id)->stampMember, 1u) << id;
  for (uint32_t id = 869; id <= 873; ++id) EXPECT_EQ(Row(id)->stampMember, 1u) << id;
  for (uint32_t id : {13u, 57u, 120u, 378u, 865u, 866u}) EXPECT_EQ(Row(id)->presetMember, 1u) << id;
  for (uint32_t id : {42u, 395u, 868u}) EXPECT_EQ(Row(id)->qualityMember, 1u) << id;
  EXPECT_EQ(Row(43)->presetMember, 0u);
  EXPECT_EQ(Row(129)->stampMember, 0u);
}

TEST(SettingCatalogue, SymbolKeysNameTheirSettingFirst) {
  // A row's key is the first feature-name row that names the setting.
  const UiSymbolTable& sym = MdfGetSymbolTable();
  std::map<uint16_t, uint16_t> first;
  for (int i = 0; i < sym.count; ++i) {
    if (sym.rows[i].settingId) first.emplace(sym.rows[i].settingId, sym.rows[i].key);
  }
  const SettingTable& t = Table();
  for (int i = 0; i < t.count; ++i) {
    auto it = first.find(t.rows[i].id);
    EXPECT_EQ(t.rows[i].symbolKey, it == first.end() ? 0 : it->second) << t.rows[i].id;
  }
  // dmOrientation through VPD_RADIOLIST_1 (347), not VPD_RADIOLIST_2 (395).
  EXPECT_EQ(Row(7)->symbolKey, 347);
  EXPECT_EQ(Row(43)->symbolKey, 55);     // VPD_DstResolutionH before VPD_DstPaperResolutionH
  EXPECT_EQ(Row(10207)->symbolKey, 46);  // VPD_Tray1MediaType before the cover/OHP/slip names
  EXPECT_EQ(Row(714)->symbolKey, 10);
}

TEST(SettingCatalogue, OptionListSamples) {
  auto value_to_option = [](const std::vector<OptionListEntry>& l, uint32_t v) -> int {
    for (const OptionListEntry& e : l)
      if (e.value == v && e.optionId != kNoOptionId) return e.optionId;
    return -1;
  };
  const SettingRecord* duplex = Row(102);
  EXPECT_EQ(value_to_option(FirstList(duplex->optionList), 1), 6329);
  EXPECT_EQ(value_to_option(SecondList(duplex->optionList), 1), 6343);
  EXPECT_EQ(value_to_option(SecondList(Row(134)->optionList), 1), 6403);
  EXPECT_EQ(value_to_option(SecondList(Row(95)->optionList), 33), 6292);

  std::vector<OptionListEntry> paper = FirstList(Row(8)->optionList);
  ASSERT_EQ(paper.size(), 23u);
  EXPECT_EQ(paper[0].value, 1u);
  EXPECT_EQ(paper[1].value, 2u);  // listed without an option of its own
  EXPECT_EQ(paper[1].optionId, kNoOptionId);
  EXPECT_EQ(value_to_option(paper, 2), -1);
  EXPECT_EQ(value_to_option(paper, 9), 41);
  EXPECT_EQ(paper.back().value, 256u);
  EXPECT_EQ(paper.back().optionId, 118);

  // wdmUserSetType: eight entries, value 0, option 6137.
  std::vector<OptionListEntry> user = FirstList(Row(868)->optionList);
  ASSERT_EQ(user.size(), 8u);
  for (const OptionListEntry& e : user) {
    EXPECT_EQ(e.value, 0u);
    EXPECT_EQ(e.optionId, 6137);
  }

  // Settings that share one line share one list.
  EXPECT_EQ(Row(138)->optionList, Row(10277)->optionList);
  EXPECT_EQ(Row(378)->optionList, Row(10234)->optionList);
  EXPECT_EQ(Row(10175)->optionList, Row(10202)->optionList);
  EXPECT_NE(Row(8)->optionList, Row(50)->optionList);
  for (int i = 0; i < Table().count; ++i) {
    for (const OptionListEntry& e : FirstList(Table().rows[i].optionList)) EXPECT_EQ(e.zero, 0);
  }
}

TEST(SettingCatalogue, LandscapeListsMatchTheirFirstLists) {
  for (uint32_t id : {95u, 102u, 134u, 136u}) {
    std::vector<OptionListEntry> a = FirstList(Row(id)->optionList);
    std::vector<OptionListEntry> b = SecondList(Row(id)->optionList);
    ASSERT_FALSE(a.empty()) << id;
    ASSERT_EQ(a.size(), b.size()) << id;
    bool differ = false;
    for (size_t i = 0; i < a.size(); ++i) {
      EXPECT_EQ(a[i].value, b[i].value) << id << " entry " << i;
      differ |= a[i].optionId != b[i].optionId;
    }
    EXPECT_TRUE(differ) << id;
  }
}

}  // namespace

namespace {

std::string Utf8(const char16_t* s) {
  std::string out;
  for (; s && *s; ++s) out += *s < 0x80 ? char(*s) : '?';
  return s ? out : "-";
}

// One line per setting row with every field, then its option lists: the text
// the golden dump holds.
std::string DumpSettings() {
  std::ostringstream out;
  const SettingTable& t = Table();
  for (int i = 0; i < t.count; ++i) {
    const SettingRecord& r = t.rows[i];
    out << r.id << ' ' << (r.itemName ? Utf8(r.itemName) : "-") << " key=" << r.symbolKey << " region=" << Region(r)
        << " type=" << Type(r) << " size=" << Size(r) << " offset=" << r.offset << " store=" << r.storeKind
        << " ini=" << (r.sectionName ? Utf8(r.sectionName) : "-") << '/' << (r.valueName ? Utf8(r.valueName) : "-")
        << " command=" << r.commandValueKind << " member=" << r.presetMember << r.qualityMember << r.stampMember;
    if (r.optionList) {
      out << " list=";
      for (const OptionListEntry& e : FirstList(r.optionList)) out << ' ' << e.value << ':' << e.optionId;
      if (r.id == 95 || r.id == 102 || r.id == 134 || r.id == 136) {
        out << " landscape=";
        for (const OptionListEntry& e : SecondList(r.optionList)) out << ' ' << e.value << ':' << e.optionId;
      }
    }
    out << '\n';
  }
  return out.str();
}

// The reviewed dump of the setting table (tests/data/golden/setting_table.txt;
// rewritten with VELM_UPDATE_GOLDEN=1 after review).
TEST(SettingCatalogue, MatchesTheReviewedDump) {
  const char* root = std::getenv("VELM_TEST_DATA");
  const std::string path = std::string(root ? root : "tests") + "/data/golden/setting_table.txt";
  const std::string dump = DumpSettings();
  if (std::getenv("VELM_UPDATE_GOLDEN")) std::ofstream(path, std::ios::binary) << dump;
  const std::string golden = test_support::ReadFile(path);
  ASSERT_FALSE(golden.empty()) << path;
  std::istringstream want(golden), got(dump);
  std::string a, b;
  for (int line = 1; std::getline(want, a) && std::getline(got, b); ++line)
    ASSERT_EQ(b, a) << "line " << line << " of " << path;
  EXPECT_EQ(dump, golden);
}

// Every option of a list is an option of the feature-name table for that
// setting, and every symbol key names a row of the feature-name table.
TEST(SettingCatalogue, EveryOptionAndKeyResolves) {
  const OptionNameTable& names = MdfGetOptionNameTable();
  std::set<std::pair<uint16_t, uint16_t>> known;
  for (int i = 0; i < names.count; ++i) known.insert({names.rows[i].settingId, names.rows[i].optionId});
  const UiSymbolTable& sym = MdfGetSymbolTable();
  std::set<uint16_t> keys;
  for (int i = 0; i < sym.count; ++i) keys.insert(sym.rows[i].key);
  const SettingTable& t = Table();
  int missing = 0;
  for (int i = 0; i < t.count; ++i) {
    const SettingRecord& r = t.rows[i];
    if (r.symbolKey) {
      EXPECT_TRUE(keys.count(uint16_t(r.symbolKey))) << r.id;
    }
    if (!r.optionList) continue;
    std::vector<OptionListEntry> all = FirstList(r.optionList);
    if (r.id == 95 || r.id == 102 || r.id == 134 || r.id == 136) {
      std::vector<OptionListEntry> second = SecondList(r.optionList);
      all.insert(all.end(), second.begin(), second.end());
    }
    for (const OptionListEntry& e : all) {
      if (e.optionId == kNoOptionId) continue;
      if (!known.count({r.id, e.optionId})) {
        ++missing;
        ADD_FAILURE() << "setting " << r.id << " option " << e.optionId << " has no name";
      }
    }
  }
  EXPECT_EQ(missing, 0);
}

// The named ids of velm/setting_ids.h are the table's item names and ids: every
// named row has its line, every line names a row, with the same id.
TEST(SettingCatalogue, NamedIdsHeaderMatchesTheTable) {
  static_assert(setting::vdmPresetNo == 41 && setting::vdmWmID == 120 && setting::vdmMediaType == 378);
  const char* root = std::getenv("VELM_TEST_DATA");
  const std::string path = std::string(root ? root : "tests") + "/../src/code32/common/include/velm/setting_ids.h";
  std::ifstream in(path);
  ASSERT_TRUE(in) << path;
  std::map<std::string, uint32_t> header;
  const std::string lead = "inline constexpr uint32_t ";
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(lead, 0) != 0) continue;
    const size_t eq = line.find(" = ");
    ASSERT_NE(eq, std::string::npos) << line;
    const std::string name = line.substr(lead.size(), eq - lead.size());
    EXPECT_TRUE(header.emplace(name, uint32_t(std::stoul(line.substr(eq + 3)))).second) << "twice: " << name;
  }
  size_t named = 0;
  for (const SettingRecord& r : std::span(Table().rows, size_t(Table().count))) {
    if (!r.itemName) continue;
    ++named;
    const std::u16string wide(r.itemName);
    const std::string name(wide.begin(), wide.end());
    const auto it = header.find(name);
    if (it == header.end()) {
      ADD_FAILURE() << "setting " << r.id << " (" << name << ") is missing from " << path;
    } else {
      EXPECT_EQ(it->second, r.id) << name;
    }
  }
  EXPECT_EQ(header.size(), named) << "the header names items the table does not have";
}


}  // namespace
