// Writing status items: a refused write changes nothing (settings, files,
// printer data, job information), versions, the reload of the stored
// settings at every write, and the changed-items mask.
#include <memory>

#include "api/api_support.h"
#include "plat/machine.h"
#include "status_test_machine.h"
#include "velm/caps.h"
#include "velm/rule_eval.h"
#include "velm/store.h"

namespace {

using status_test::MaskHas;
using status_test::StatusMachine;

class StatusWrite : public StatusMachine {
 protected:
  // A tray the model offers other than the current one (0 when none).
  int32_t OtherTray() {
    uint16_t bins[64] = {};
    ApiOpenPrinter(ctx_);
    const int32_t n = CapsGetBins(ctx_, nullptr) <= 64 ? CapsGetBins(ctx_, bins) : 0;
    ApiClosePrinter(ctx_);
    ctx_->queryPrinter = nullptr;
    const int32_t now = Current(2).value[0];
    for (int32_t i = 0; i < n; ++i) {
      VELM_STATUS_RECORD r = Record(bins[i]);
      if (bins[i] != now && Write(2, &r) == 0) {
        VELM_STATUS_RECORD back = Record(now);
        EXPECT_EQ(Write(2, &back), 0);
        return bins[i];
      }
    }
    return 0;
  }
};

struct Refusal {
  int32_t id;
  const char* what;
  int32_t a, b, c, function;
};

// One refused record per 32-byte item.
constexpr Refusal kRefusals[] = {
    {2, "a tray the model lacks", 9999, 0, 0, 0},
    {3, "an unknown media type", 123456, 0, 0, 0},
    {4, "an unknown output tray", 9999, 0, 0, 0},
    {5, "an unknown colour mode", 77, 0, 0, 0},
    {6, "an unknown orientation", 9, 0, 0, 0},
    {7, "a custom width below the smallest", 256, 1, 2970, 0},
    {7, "a custom width 65536 above a valid one", 256, 65536 + 2100, 2970, 0},
    {7, "an unknown paper", 31999, 0, 0, 0},
    {8, "an unknown output paper", 31999, 0, 0, 0},
    {9, "no copies", 0, 0, 0, 0},
    {11, "an unknown scale type", 99, 100, 100, 1},
    {12, "an unknown cover type", 99, 1, 0, 1},
    {13, "an unknown mark-sheet type", 99, 1, 0, 1},
    {14, "an N-up value outside the map", 5, 0, 0, 1},
    {15, "an unknown duplex type", 99, 0, 0, 1},
    {17, "an entry beyond the stored ones", 99, 0, 0, 1},
    {18, "an unknown binding type", 99, 0, 0, 0},
    {18, "a negative margin", 2, -10, 0, 0},
    {19, "an unknown sort type", 99, 0, 0, 1},
    {20, "an unknown staple type", 99, 0, 0, 1},
    {21, "an unknown punch type", 99, 0, 0, 1},
    {22, "an unknown output direction", 99, 0, 0, 0},
    {23, "an unknown output order", 99, 0, 0, 0},
    {24, "an unknown white-paper choice", 99, 0, 0, 0},
    {25, "an unknown emulation", 99, 0, 0, 0},
    {27, "an unknown print area", 99, 0, 0, 0},
    {28, "an unknown rotation", 99, 0, 0, 0},
    {29, "job binding without its add-on", 1, 0, 0, 0},
    {30, "an unknown proof action", 99, 0, 0, 0},
    {31, "an unknown security action", 99, 0, 0, 0},
    {32, "an unknown stored action", 99, 0, 0, 0},
    {33, "an unknown overlay action", 99, 0, 0, 0},
    {34, "a resolution the table lacks", 0xFFFF, 0, 0, 0},
    {35, "all planes off", 0, 0, 0, 0},
};

// A refused write leaves the work buffer byte for byte as it was (an
// earlier unsaved change included), clears the mask and writes no file.
TEST_F(StatusWrite, RefusedWriteOfEveryItemChangesNothing) {
  const int32_t tray = OtherTray();
  ASSERT_NE(tray, 0);
  OptSetValueById(ctx_, 13, tray);  // unsaved: the reload at the write must not survive a refusal
  for (const Refusal& r : kRefusals) {
    SCOPED_TRACE(std::to_string(r.id) + ": " + r.what);
    VELM_STATUS_RECORD record = Record(r.a, r.b, r.c, 0, r.function);
    ExpectRefusedChangesNothing(r.id, &record);
  }
  EXPECT_EQ(OptGetValueById(ctx_, 13), tray);
}

TEST_F(StatusWrite, RefusedTextRecordsChangeNothing) {
  const std::vector<uint8_t> buffer = WorkBuffer();
  const auto files = Files();
  {
    VELM_STATUS_PRESET_RECORD r{};
    r.version = 3;
    std::strcpy(r.path, "settings\\office.qst");  // not a full path
    EXPECT_EQ(Write(1, &r), -1);
    std::strcpy(r.path, "C:\\missing\\office.qst");
    EXPECT_EQ(Write(1, &r), -1);
  }
  struct Method {
    const char* what;
    int32_t method;
    uint32_t flags;
    const char *user, *job, *merge;
  } methods[] = {
      {"a job password with a letter", 1, 3, "abc1", "12a4", ""},
      {"a job password of three digits", 1, 3, "abc1", "123", ""},
      {"a user id with an underscore", 0, 1, "ab_1", "", ""},
      {"locked print without a user id", 1, 3, "", "1234", ""},
      {"a merge file name with a colon", 5, 0x20, "", "", "a:b"},
      {"an unknown print method", 4, 0, "", "", ""},
  };
  for (const Method& m : methods) {
    SCOPED_TRACE(m.what);
    VELM_STATUS_PRINT_METHOD_RECORD r{};
    r.version = 3;
    r.method = m.method;
    r.flags = m.flags;
    std::strcpy(r.userId, m.user);
    std::strcpy(r.jobPassword, m.job);
    std::strcpy(r.mergeFile, m.merge);
    EXPECT_EQ(Write(10, &r), -1);
  }
  {
    VELM_STATUS_PRINT_METHOD_RECORD r{};
    r.version = 3;
    r.flags = VELM_PM_USER_ID;
    std::strcpy(r.userId, "ab_1");
    EXPECT_EQ(Write(26, &r), -1);
  }
  {
    VELM_STATUS_WATERMARK_RECORD r{};
    r.version = 2;
    r.kind = 5;
    EXPECT_EQ(Write(16, &r), -1);
  }
  EXPECT_TRUE(WorkBuffer() == buffer);
  EXPECT_TRUE(Files() == files);
}

// Text fields must end inside their field; records are allocated at their
// exact size so that a read past the end shows under the address sanitizer.
TEST_F(StatusWrite, UnterminatedTextFieldsAreRefused) {
  {
    auto r = std::make_unique<VELM_STATUS_PRINT_METHOD_RECORD>();
    std::memset(r.get(), 'a', sizeof *r);
    r->version = 3;
    r->method = 0;
    r->flags = VELM_PM_USER_ID;
    EXPECT_EQ(Write(10, r.get()), -1);
    r->method = 5;
    r->flags = VELM_PM_MERGE_FILE;
    EXPECT_EQ(Write(10, r.get()), -1);
    EXPECT_EQ(Write(26, r.get()), -1);
    r->method = 255;
    r->flags = VELM_PM_OVERLAY_PATH;
    EXPECT_EQ(Write(10, r.get()), -1);
  }
  {
    auto r = std::make_unique<VELM_STATUS_PRESET_RECORD>();
    std::memset(r.get(), 'C', sizeof *r);
    r->version = 3;
    EXPECT_EQ(Write(1, r.get()), -1);
  }
  {
    // A version-1 watermark ends at 372 bytes.
    std::unique_ptr<uint8_t[]> r(new uint8_t[VELM_STATUS_WATERMARK_V1_SIZE]);
    std::memset(r.get(), 'x', VELM_STATUS_WATERMARK_V1_SIZE);
    const int32_t head[] = {1, 1, 0, 0, 0, 0, 0, 0, 50, 36, 0};
    std::memcpy(r.get(), head, sizeof head);
    EXPECT_EQ(Write(16, r.get()), -1);
    const int32_t off[] = {1, 0};
    std::memcpy(r.get(), off, sizeof off);
    EXPECT_EQ(Write(16, r.get()), -1);  // kind 0, but its texts are still unterminated
  }
  EXPECT_EQ(Read(16, nullptr), -1);  // no working entry was stored
}

TEST_F(StatusWrite, VersionsAndTheCheckOnlyMode) {
  const int32_t tray = OtherTray();
  ASSERT_NE(tray, 0);
  const auto files = Files();
  const std::vector<uint8_t> buffer = WorkBuffer();
  VELM_STATUS_RECORD r = Record(tray);
  r.version = 4;
  EXPECT_EQ(Write(2, &r, nullptr, VELM_STATUS_CHECK_VERSION), 3);
  EXPECT_TRUE(WorkBuffer() == buffer);
  EXPECT_TRUE(Files() == files);
  EXPECT_EQ(Write(2, &r, nullptr, 0), 3);
  EXPECT_EQ(Current(2).value[0], tray);
  r.version = 3;
  EXPECT_EQ(Write(2, &r), 0);
  r.version = 1;
  EXPECT_EQ(Write(2, &r), 0);

  EXPECT_EQ(ApiSetStatusItem(nullptr, nullptr, 2, &r, nullptr, 0), -1);
  for (int32_t id : {0, 36, -1}) EXPECT_EQ(Write(id, &r), -1);
  EXPECT_EQ(Write(2, nullptr), -1);
  for (int32_t id : {0, 36}) EXPECT_EQ(Read(id, nullptr), -1);
  EXPECT_EQ(ApiGetStatusItem(nullptr, 2, nullptr, 0), -1);
  EXPECT_EQ(Read(2, nullptr, 4), -1);
  EXPECT_EQ(Read(9, nullptr), 32);
  EXPECT_EQ(Read(10, nullptr), 392);
  EXPECT_EQ(Read(1, nullptr), 816);
  VELM_STATUS_RECORD old{};
  EXPECT_EQ(Read(2, &old, 1), 32);
  EXPECT_EQ(old.version, 1);
  EXPECT_EQ(Read(2, &old, 0), 32);
  EXPECT_EQ(old.version, 3);
}

// Each write starts again from the stored settings that the document side
// reloads (those kept in the driver ini): a change of one of them on the
// handle that was not stored is lost at the next write of any item. The
// input tray is not among them (it lives in the DEVMODE and printer data),
// so an earlier write of the tray survives a later write of another item.
TEST_F(StatusWrite, EachWriteStartsFromTheStoredSettings) {
  StoreSettings();
  const int32_t stored_method = OptGetValueById(ctx_, 222);
  OptSetValueById(ctx_, 222, stored_method == 2 ? 1 : 2);  // unsaved
  VELM_STATUS_RECORD orientation = Current(6);
  ASSERT_EQ(Write(6, &orientation), 0);
  EXPECT_EQ(OptGetValueById(ctx_, 222), stored_method);

  const int32_t tray = OtherTray();
  ASSERT_NE(tray, 0);
  VELM_STATUS_RECORD r = Record(tray);
  ASSERT_EQ(Write(2, &r), 0);
  ASSERT_EQ(Write(6, &orientation), 0);
  EXPECT_EQ(Current(2).value[0], tray);
}

TEST_F(StatusWrite, NupOutsideTheMapKeepsItsKind) {
  const int32_t kind = OptGetValueById(ctx_, 94);
  for (int32_t value : {0, 4, 5, 36, 32768, 32773, -1}) {
    SCOPED_TRACE(value);
    EXPECT_EQ(StatusNupKind(value), 0);
    VELM_STATUS_RECORD r = Record(value, 0, 0, 0, 1);
    Write(14, &r);
    EXPECT_EQ(OptGetValueById(ctx_, 94), kind);
  }
  const struct {
    int32_t first, last, kind;
  } map[] = {{1, 3, 1}, {33, 34, 2}, {37, 38, 2}, {65, 66, 3}, {69, 70, 3},
             {97, 98, 4}, {101, 102, 4}, {32769, 32772, 9}};
  for (const auto& m : map)
    for (int32_t v = m.first; v <= m.last; ++v) EXPECT_EQ(StatusNupKind(v), m.kind) << v;
}

TEST_F(StatusWrite, SuccessfulPrintMethodPushesAfterTheWrite) {
  VELM_STATUS_PRINT_METHOD_RECORD r{};
  r.version = 3;
  r.method = 0;
  r.flags = VELM_PM_USER_ID;
  std::strcpy(r.userId, "abc1");
  ClearLog();
  EXPECT_EQ(Write(10, &r), 0);
  EXPECT_GT(CallsStartingWith("set "), 0);
  VELM_STATUS_PRINT_METHOD_RECORD back{};
  EXPECT_EQ(Read(10, &back), 392);
  EXPECT_STREQ(back.userId, "abc1");
  EXPECT_EQ(back.flags, 0x7Fu);
}

// A print method whose user id or job password the job-information module
// fails to store answers -1, and nothing of it reads back.
TEST_F(StatusWrite, PrintMethodWhoseJobInformationIsNotStoredFails) {
  struct Case {
    int32_t method;
    uint32_t flags;
    const char* password;
  };
  for (const Case& k : {Case{0, VELM_PM_USER_ID, ""}, Case{1, VELM_PM_USER_ID | VELM_PM_JOB_PASSWORD, "1234"}}) {
    SCOPED_TRACE(k.method);
    VELM_STATUS_PRINT_METHOD_RECORD r{};
    r.version = 3;
    r.method = k.method;
    r.flags = k.flags;
    std::strcpy(r.userId, "fail9");
    std::strcpy(r.jobPassword, k.password);
    ASSERT_TRUE(plat::SetMachineSetting("jobinfo.fail", "6"));  // the set slot
    EXPECT_EQ(Write(10, &r), -1);
    ASSERT_TRUE(plat::ResetMachineSetting("jobinfo.fail"));
    VELM_STATUS_PRINT_METHOD_RECORD back{};
    EXPECT_EQ(Read(10, &back), 392);
    EXPECT_STRNE(back.userId, "fail9");
  }
}

TEST_F(StatusWrite, MaskOfAPaperChange) {
  uint8_t mask[32];
  std::memset(mask, 0xFF, sizeof mask);
  VELM_STATUS_RECORD r = Record(8);  // A3
  ASSERT_EQ(Write(7, &r, mask), 0);
  EXPECT_FALSE(MaskHas(mask, 7)) << "the written item itself";
  for (int32_t bit = 36; bit <= 256; ++bit) EXPECT_FALSE(MaskHas(mask, bit)) << bit;
  const bool followed = OptGetSavedValueById(ctx_, 50) != OptGetValueById(ctx_, 50);
  EXPECT_EQ(MaskHas(mask, 8), followed);
  // The same paper again changes nothing else.
  VELM_STATUS_RECORD same = Current(6);
  ASSERT_EQ(Write(6, &same, mask), 0);
  EXPECT_EQ(std::count(mask, mask + 32, 0), 32);
}

}  // namespace

namespace {

// The very first write of a fresh printer, refused: not even the reload of
// the stored settings may leave a file behind.
TEST_F(StatusWrite, FirstRefusedWriteOfAFreshPrinterWritesNothing) {
  const auto files = Files();
  VELM_STATUS_RECORD r = Record(9999);
  EXPECT_EQ(Write(2, &r), -1);
  const auto after = Files();
  for (const auto& [path, bytes] : after) {
    auto it = files.find(path);
    EXPECT_TRUE(it != files.end() && it->second == bytes) << path;
  }
  EXPECT_EQ(after.size(), files.size());
}

}  // namespace

namespace {

// A write of an item whose key setting the rules disable or hide is refused,
// whatever the record holds (sorting has its own exception, not met here:
// the function switch is 0).
TEST_F(StatusWrite, LockedKeyFeatureRefusesTheItem) {
  ASSERT_EQ(ApiOpenPrinter(ctx_), 1);
  std::vector<int32_t> locked;
  for (int32_t id = 2; id <= 35; ++id) {
    const StatusRow* row = StatusFindRow(id);
    MdfItem f = row->key ? ApiFindFeatureNode(ctx_, row->key) : 0;
    if (f && (RuleIsItemDisabled(ctx_, f, 0) || RuleIsItemHidden(ctx_, f, 0))) locked.push_back(id);
  }
  ApiClosePrinter(ctx_);
  ctx_->queryPrinter = nullptr;
  ASSERT_FALSE(locked.empty()) << "the reference model locks its finishing without a finisher";
  for (int32_t id : locked) {
    SCOPED_TRACE(id);
    VELM_STATUS_RECORD r{};
    ASSERT_EQ(Read(id, &r), 32);
    r.function = 0;
    EXPECT_EQ(Write(id, &r), -1);
  }
}

}  // namespace
