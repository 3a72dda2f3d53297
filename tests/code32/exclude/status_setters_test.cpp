// Status items on a model that has the layout, finishing and print-method
// settings they write, with rules that turn a request back: the N-up and
// duplex pairs of the changed-items mask, a write whose setter accepts it
// but whose verifier finds it undone by the rules, the function trial, and
// every setter's accepted and refused values (each refusal leaves the
// settings, the files of the machine and the job information untouched).
#include "plat/registry.h"
#include "status_test_machine.h"

namespace {

using status_test::MaskHas;
using status_test::StatusMachine;

// Option values of the test model.
constexpr int32_t kColour = 2, kMono = 1;
constexpr int32_t kNineUp = 65;      // turned off again by the model's rules
constexpr int32_t kMiddleStaple = 68;  // likewise
constexpr int32_t kTray1 = 1, kTray2 = 3;

class StatusSetters : public StatusMachine {
 protected:
  const char* ModelFile() const override { return "data/models/status.mdf"; }

  // Writes a record that must be accepted, then stores the settings so that
  // the next write starts from them.
  void Establish(int32_t id, const VELM_STATUS_RECORD& r) {
    ASSERT_EQ(Write(id, &r), 0) << "item " << id;
    StoreSettings();
  }

  static VELM_STATUS_PRINT_METHOD_RECORD Method(int32_t method, uint32_t flags) {
    VELM_STATUS_PRINT_METHOD_RECORD r{};
    r.version = 3;
    r.method = method;
    r.flags = flags;
    return r;
  }

  void SetFunc1(const char* value) {
    Put(std::u16string(env_test::kDriverDir) + u"velmsetup.ini", std::string("[VELMAPI]\r\nVELMAPIFunc1=") + value + "\r\n");
  }

  void InstallJobLinker() {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, u"Software\\ORVEK\\ToolDeck\\JobLinker", &key), ERROR_SUCCESS);
    const DWORD count = 1;
    ASSERT_EQ(RegSetValueExW(key, u"INSTALL_COUNT", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), 4),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
};

// The written item's own bit is set only for the pairs of layouts that swap
// the page order: N-up 1 and 3 (either way) and 3 to 2; the booklet duplex
// types 18 and 17, 17 to 19, 21 and 20, 20 to 22.
TEST_F(StatusSetters, MaskPairsOfNupAndDuplex) {
  const struct {
    int32_t id, from, to;
    bool reported;
  } cases[] = {
      {14, 1, 3, true},   {14, 3, 1, true},   {14, 3, 2, true},   {14, 1, 2, false},  {14, 2, 3, false},
      {14, 2, 1, false},  {14, 1, 33, false}, {14, 3, 33, false}, {14, 1, 1, false},
      {15, 18, 17, true}, {15, 17, 18, true}, {15, 17, 19, true}, {15, 21, 20, true}, {15, 20, 21, true},
      {15, 20, 22, true}, {15, 18, 19, false}, {15, 19, 17, false}, {15, 17, 20, false}, {15, 22, 20, false},
      {15, 21, 22, false}, {15, 18, 18, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.id) + ": " + std::to_string(c.from) + " to " + std::to_string(c.to));
    Establish(c.id, Record(c.from, 0, 0, 0, 1));
    uint8_t mask[kStatusMaskBytes];
    std::memset(mask, 0xFF, sizeof mask);
    VELM_STATUS_RECORD r = Record(c.to, 0, 0, 0, 1);
    ASSERT_EQ(Write(c.id, &r, mask), 0);
    EXPECT_EQ(MaskHas(mask, c.id), c.reported);
    EXPECT_EQ(Current(c.id).value[0], c.to);
  }
}

// Proof print is turned back to normal print by the model's rules while
// colour is chosen: the setter accepts the record and asks for the print
// method to be saved and the user id pushed, the verifier then refuses the
// write, and none of that work may run.
TEST_F(StatusSetters, WriteUndoneByTheRulesIsRolledBack) {
  VELM_STATUS_PRINT_METHOD_RECORD proof = Method(2, VELM_PM_USER_ID);
  std::strcpy(proof.userId, "abc1");

  Establish(5, Record(kColour));
  ExpectRefusedChangesNothing(10, &proof);
  EXPECT_EQ(OptGetValueById(ctx_, 222), 0);

  // The same record in black and white stands, and only then is the work done.
  Establish(5, Record(kMono));
  ClearLog();
  const auto files = Files();
  ASSERT_EQ(Write(10, &proof), 0);
  EXPECT_GT(CallsStartingWith("set "), 0);
  EXPECT_FALSE(Files() == files);
  EXPECT_EQ(OptGetValueById(ctx_, 222), 2);

  // Nine-up while N-up is already on: the function trial passes at once, the
  // rules then turn N-up off, and the verifier refuses.
  Establish(14, Record(1, 0, 0, 0, 1));
  VELM_STATUS_RECORD nine = Record(kNineUp, 0, 0, 0, 1);
  ExpectRefusedChangesNothing(14, &nine);
  EXPECT_EQ(Current(14).value[0], 1);
  EXPECT_EQ(Current(14).function, 1);
}

// A print method stored by one write is replaced by the next: the after-write
// rules reload the stored settings, and must not take back the method whose
// save waits for the verifier.
TEST_F(StatusSetters, WriteReplacesAStoredPrintMethod) {
  VELM_STATUS_PRINT_METHOD_RECORD normal = Method(0, 0);
  ASSERT_EQ(Write(10, &normal), 0);
  VELM_STATUS_PRINT_METHOD_RECORD proof = Method(2, VELM_PM_USER_ID);
  std::strcpy(proof.userId, "abc1");
  ASSERT_EQ(Write(10, &proof), 0);
  EXPECT_EQ(OptGetValueById(ctx_, 222), 2);
  ctx_ = OpenHandle();
  ASSERT_NE(ctx_, nullptr);
  VELM_STATUS_PRINT_METHOD_RECORD back{};
  ASSERT_EQ(Read(10, &back), 392);
  EXPECT_EQ(back.method, 2) << "the new handle reads the stored method";
  VELM_STATUS_RECORD on = Record(1);
  InstallJobLinker();
  ctx_ = OpenHandle();
  ASSERT_EQ(Write(29, &on), 0);
  VELM_STATUS_RECORD off = Record(0);
  ASSERT_EQ(Write(29, &off), 0);
  EXPECT_EQ(Current(29).value[0], 0);
}

// With N-up off the trial runs the rules on a copy: nine-up would turn N-up
// off again, so the write is refused and the N-up kind keeps its value.
TEST_F(StatusSetters, FailedFunctionTrialKeepsTheNupKind) {
  Establish(14, Record(1, 0, 0, 0, 0));
  ASSERT_EQ(OptGetValueById(ctx_, 59), 0);
  const int32_t kind = OptGetValueById(ctx_, 94);
  ASSERT_NE(StatusNupKind(kNineUp), kind) << "the map would change the kind";
  VELM_STATUS_RECORD nine = Record(kNineUp, 0, 0, 0, 1);
  ExpectRefusedChangesNothing(14, &nine);
  EXPECT_EQ(OptGetValueById(ctx_, 94), kind);
  VELM_STATUS_RECORD four = Record(33, 0, 0, 0, 1);
  ASSERT_EQ(Write(14, &four), 0);
  EXPECT_EQ(OptGetValueById(ctx_, 94), StatusNupKind(33));
}

// Accepted and refused values of the items with a type, a tray or a
// switch; what is accepted reads back as written.
TEST_F(StatusSetters, CoverMarkStaplePunchMergeAndPlanes) {
  InstallJobLinker();
  const struct {
    int32_t id;
    const char* what;
    int32_t a, b, c, d, function, answer;
  } cases[] = {
      {12, "a one-sided cover from tray 2", 2, kTray2, 0, 0, 1, 0},
      {12, "a two-sided cover without duplex", 3, kTray1, 0, 0, 1, -1},
      {12, "a cover tray the model lacks", 2, 99, 0, 0, 1, -1},
      {12, "an unknown cover type", 9, kTray1, 0, 0, 1, -1},
      {12, "cover sheets off", 99, 99, 0, 0, 0, 0},
      {13, "a mark sheet from tray 2", 2, kTray2, 0, 0, 1, 0},
      {13, "an unknown mark-sheet type", 3, kTray1, 0, 0, 1, -1},
      {13, "a mark-sheet tray the model lacks", 2, 4, 0, 0, 1, -1},
      {20, "two staples on the left", 67, 0, 0, 0, 1, 0},
      {20, "a middle staple the rules take back", kMiddleStaple, 0, 0, 0, 1, -1},
      {20, "an unknown staple", 49, 0, 0, 0, 1, -1},
      {20, "stapling off", 49, 0, 0, 0, 0, 0},
      {21, "a punch at the top", 1, 0, 0, 0, 1, 0},
      {21, "a punch position the model lacks", 2, 0, 0, 0, 1, -1},
      {29, "the merge action on", 1, 0, 0, 0, 0, 0},
      {29, "a merge action value out of range", 2, 0, 0, 0, 0, -1},
      {29, "the merge action off", 0, 0, 0, 0, 0, 0},
      // The colour-plane items have no name a model can give a feature, so
      // the model check refuses every value.
      {35, "cyan only", 1, 0, 0, 0, 0, -1},
      {35, "all four planes", 1, 2, 4, 8, 0, -1},
      {35, "no plane at all", 0, 0, 0, 0, 0, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.id) + ": " + c.what);
    VELM_STATUS_RECORD r = Record(c.a, c.b, c.c, c.d, c.function);
    if (c.answer == -1) {
      ExpectRefusedChangesNothing(c.id, &r);
      continue;
    }
    ASSERT_EQ(Write(c.id, &r), 0);
    const VELM_STATUS_RECORD back = Current(c.id);
    EXPECT_EQ(back.function, c.function);
    if (c.function == 0 && c.id != 29) continue;
    EXPECT_EQ(back.value[0], c.a);
    if (c.id == 12 || c.id == 13) {
      EXPECT_EQ(back.value[1], c.b);
    }
  }

  // A two-sided cover is offered once duplex is on.
  Establish(15, Record(18, 0, 0, 0, 1));
  VELM_STATUS_RECORD two_sided = Record(3, kTray1, 0, 0, 1);
  ASSERT_EQ(Write(12, &two_sided), 0);
  EXPECT_EQ(Current(12).value[0], 3);
}

// Duplex: the margins of a left, right or top binding (0.1 mm in the
// record) pass the model and turn binding margins on; a booklet takes none.
TEST_F(StatusSetters, DuplexWithItsMargins) {
  constexpr int32_t kLeft = 3, kBooklet = 18;
  const struct {
    const char* what;
    int32_t type, odd, even, answer;
  } cases[] = {
      {"left binding, 6 and 3 mm", kLeft, 60, 30, 0},
      {"top binding, no margins", 1, 0, 0, 0},
      {"left binding, 7 mm, above 300/1200 inch", kLeft, 70, 0, -1},
      {"left binding, a negative margin", kLeft, 0, -1, -1},
      {"a booklet, its margins not read", kBooklet, 999, -5, 0},
      {"a binding the model lacks", 4, 0, 0, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    VELM_STATUS_RECORD r = Record(c.type, c.odd, c.even, 0, 1);
    if (c.answer == -1) {
      ExpectRefusedChangesNothing(15, &r);
      continue;
    }
    ASSERT_EQ(Write(15, &r), 0);
    const VELM_STATUS_RECORD back = Current(15);
    EXPECT_EQ(back.value[0], c.type);
    EXPECT_EQ(back.function, 1);
    if (c.type == kBooklet) continue;
    EXPECT_EQ(OptGetValueById(ctx_, 70), 1) << "binding margins on";
    EXPECT_NEAR(back.value[1], c.odd, 1);
    EXPECT_NEAR(back.value[2], c.even, 1);
  }
}

TEST_F(StatusSetters, MergeActionNeedsTheJobBindingAddOn) {
  VELM_STATUS_RECORD on = Record(1);
  ExpectRefusedChangesNothing(29, &on);
  InstallJobLinker();
  const auto files = Files();
  ASSERT_EQ(Write(29, &on), 0);
  EXPECT_FALSE(Files() == files) << "the action item is saved";
}

// Print method by field: the user id, job password, stored password, owner,
// document and merge file name, the overlay path and the tracking text.
TEST_F(StatusSetters, PrintMethodFields) {
  ASSERT_TRUE(plat::EnsureWindowsDir(u"C:\\Forms"));
  struct Case {
    const char* what;
    int32_t method;
    uint32_t flags;
    const char *user, *job, *stored, *owner, *document, *merge, *path;
    int32_t answer;
  };
  // The first rows run before any user id or job password is known.
  const Case cases[] = {
      {"proof print without a user id, none known", 2, 0, "", "", "", "", "", "", "", -1},
      {"locked print without a job password, none known", 1, 0x1, "abc1", "", "", "", "", "", "", -1},
      {"normal with an empty user id", 0, 0x1, "", "", "", "", "", "", "", 0},
      {"normal with a user id", 0, 0x1, "Abc12", "", "", "", "", "", "", 0},
      {"normal with user id ab_1", 0, 0x1, "ab_1", "", "", "", "", "", "", -1},
      {"locked with 1234", 1, 0x3, "abc1", "1234", "", "", "", "", "", 0},
      {"locked with 12a4", 1, 0x3, "abc1", "12a4", "", "", "", "", "", -1},
      {"locked with 123", 1, 0x3, "abc1", "123", "", "", "", "", "", -1},
      {"locked with an empty user id", 1, 0x3, "", "1234", "", "", "", "", "", -1},
      {"locked with user id ab_1", 1, 0x3, "ab_1", "1234", "", "", "", "", "", -1},
      {"locked with the known user id and password", 1, 0, "", "", "", "", "", "", "", 0},
      {"proof with a user id", 2, 0x1, "abc1", "", "", "", "", "", "", 0},
      {"proof with user id ab_1", 2, 0x1, "ab_1", "", "", "", "", "", "", -1},
      {"stored with an empty password", 3, 0x5, "abc1", "", "", "", "", "", "", 0},
      {"stored with 1234", 3, 0x5, "abc1", "", "1234", "", "", "", "", 0},
      {"stored with 123", 3, 0x5, "abc1", "", "123", "", "", "", "", -1},
      {"stored with 12a4", 3, 0x5, "abc1", "", "12a4", "", "", "", "", -1},
      {"stored with owner and document", 3, 0x19, "abc1", "", "", "Ann", "Report", "", "", 0},
      {"stored with a quote in the owner", 3, 0x9, "abc1", "", "", "a\"b", "", "", "", -1},
      {"stored with a quote in the document", 3, 0x11, "abc1", "", "", "", "a\"b", "", "", -1},
      {"merge with a plain name", 5, 0x20, "", "", "", "", "", "report", "", 0},
      {"merge with a:b", 5, 0x20, "", "", "", "", "", "a:b", "", -1},
      {"merge with a/b", 5, 0x20, "", "", "", "", "", "a/b", "", -1},
      {"merge with a|b", 5, 0x20, "", "", "", "", "", "a|b", "", -1},
      {"overlay with a .vpo file", 7, 0x40, "", "", "", "", "", "", "C:\\Forms\\letter.VPO", 0},
      {"overlay with the known path", 7, 0, "", "", "", "", "", "", "", 0},
      {"overlay with a .txt file", 7, 0x40, "", "", "", "", "", "", "C:\\Forms\\letter.txt", -1},
      {"overlay in a folder that cannot be made", 7, 0x40, "", "", "", "", "", "", "C:\\No\\Such\\letter.vpo", -1},
      {"method 4", 4, 0, "", "", "", "", "", "", "", -1},
      {"method 6", 6, 0, "", "", "", "", "", "", "", -1},
      {"tracking text without its switch", 255, 0x40, "", "", "", "", "", "", "job 7", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    VELM_STATUS_PRINT_METHOD_RECORD r = Method(c.method, c.flags);
    std::strcpy(r.userId, c.user);
    std::strcpy(r.jobPassword, c.job);
    std::strcpy(r.storedPassword, c.stored);
    std::strcpy(r.owner, c.owner);
    std::strcpy(r.document, c.document);
    std::strcpy(r.mergeFile, c.merge);
    std::strcpy(r.overlayPath, c.path);
    if (c.answer == -1) {
      ExpectRefusedChangesNothing(10, &r);
      continue;
    }
    ASSERT_EQ(Write(10, &r), 0);
    VELM_STATUS_PRINT_METHOD_RECORD back{};
    ASSERT_EQ(Read(10, &back), 392);
    EXPECT_EQ(back.method, c.method);
    if (c.flags & VELM_PM_USER_ID) {
      EXPECT_STREQ(back.userId, c.user);
    }
    if (c.flags & VELM_PM_JOB_PASSWORD) {
      EXPECT_STREQ(back.jobPassword, c.job);
    }
    if (c.flags & VELM_PM_STORED_PASSWORD) {
      EXPECT_STREQ(back.storedPassword, c.stored);
    }
    if (c.flags & VELM_PM_OWNER) {
      EXPECT_STREQ(back.owner, c.owner);
    }
    if (c.flags & VELM_PM_DOCUMENT) {
      EXPECT_STREQ(back.document, c.document);
    }
    if (c.flags & VELM_PM_MERGE_FILE) {
      EXPECT_STREQ(back.mergeFile, c.merge);
    }
    if (c.flags & VELM_PM_OVERLAY_PATH) {
      EXPECT_STREQ(back.overlayPath, c.path);
    }
  }

  // Overlay print is refused while a watermark is on.
  OptSetValueById(ctx_, 63, 1);
  StoreSettings();
  VELM_STATUS_PRINT_METHOD_RECORD overlay = Method(7, VELM_PM_OVERLAY_PATH);
  std::strcpy(overlay.overlayPath, "C:\\Forms\\letter.vpo");
  ExpectRefusedChangesNothing(10, &overlay);

  // The tracking text: its first 20 bytes, with the switch on.
  SetFunc1("8");
  VELM_STATUS_PRINT_METHOD_RECORD trail = Method(255, 0x40);
  std::strcpy(trail.overlayPath, "tracking text of thirty bytes.");
  ASSERT_EQ(Write(10, &trail), 0);
  VELM_STATUS_PRINT_METHOD_RECORD back = Method(255, 0);
  ASSERT_EQ(Read(10, &back), 392);
  EXPECT_EQ(back.method, 255);
  EXPECT_STREQ(back.overlayPath, "tracking text of thi");
}

}  // namespace
