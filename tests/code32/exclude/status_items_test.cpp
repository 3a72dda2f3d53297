// Setters, verifiers and getters of single status items: accepted and
// refused values, the custom paper bounds, the watermark fields by kind and
// version, watermark entries, the function switch.
#include "api/api_support.h"
#include "status_test_machine.h"
#include "truetype_test_font.h"
#include "velm/caps.h"
#include "velm/presets.h"

namespace {

using status_test::StatusMachine;

class StatusItems : public StatusMachine {
 protected:
  void SetUp() override {
    StatusMachine::SetUp();
    ASSERT_TRUE(plat::EnsureWindowsDir(u"C:\\Windows\\Fonts"));
    Put(u"C:\\Windows\\Fonts\\gothic.ttf", truetype_test::TrueTypeFont("Test Gothic"));
    ASSERT_TRUE(plat::EnsureWindowsDir(u"C:\\Images"));
    Put(u"C:\\Images\\logo.bmp", "BM picture");
  }
  // The smallest (index 4) or largest custom size: {width, length} in 0.1 mm.
  std::pair<int32_t, int32_t> Extent(int32_t index) {
    EXPECT_EQ(ApiOpenPrinter(ctx_), 1);
    const int32_t packed = CapsGetExtent(ctx_, nullptr, index);
    ApiClosePrinter(ctx_);
    ctx_->queryPrinter = nullptr;
    return {packed & 0xFFFF, int32_t(uint32_t(packed) >> 16)};
  }
  static VELM_STATUS_WATERMARK_RECORD TextMark() {
    VELM_STATUS_WATERMARK_RECORD w{};
    w.version = 2;
    w.kind = 1;
    w.position = 0;
    w.opaque = 1;
    w.firstPageOnly = 0;
    w.fontStyle = 1;
    w.effect = 2;
    w.colour = 3;
    w.density = 50;
    w.size = 36;
    w.angle = 45;
    std::strcpy(w.text, "Secret");
    std::strcpy(w.fontName, "Test Gothic");
    return w;
  }
};

TEST_F(StatusItems, CustomPaperWithinTheCustomSizes) {
  const auto [min_w, min_l] = Extent(kCapsMinExtent);
  const auto [max_w, max_l] = Extent(kCapsMinExtent + 1);
  ASSERT_GT(max_w, min_w);
  ASSERT_GT(max_l, min_l);
  const struct {
    int32_t width, length, answer;
  } cases[] = {{min_w - 1, min_l, -1}, {min_w, min_l, 0},     {max_w, max_l, 0},     {max_w + 1, max_l, -1},
               {min_w, min_l - 1, -1}, {max_w, max_l + 1, -1}, {max_w + 65536, max_l, -1}, {min_w, min_l + 65536, -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.length));
    VELM_STATUS_RECORD r = Record(256, c.width, c.length);
    ASSERT_EQ(Write(7, &r), c.answer);
    if (c.answer != 0) continue;
    const auto* d = reinterpret_cast<const DEVMODEW*>(ctx_->devmode);
    EXPECT_EQ(d->dmFields & 0xE, 0xCu) << "width and length set, paper size cleared";
    const VELM_STATUS_RECORD back = Current(7);
    EXPECT_EQ(back.value[0], 256);
    EXPECT_EQ(back.value[1], c.width);
    EXPECT_EQ(back.value[2], c.length);
  }
  VELM_STATUS_RECORD a4 = Record(9);
  ASSERT_EQ(Write(7, &a4), 0);
  EXPECT_EQ(reinterpret_cast<const DEVMODEW*>(ctx_->devmode)->dmFields & 0xE, 0x2u);
}

// Each item takes the value it reports and refuses one the model lacks;
// what is read back is what was written.
TEST_F(StatusItems, SimpleItemsRoundTrip) {
  for (int32_t id : {2, 3, 4, 5, 6, 8, 9, 22, 23, 24, 25, 27, 28, 30, 31, 32, 33, 34}) {
    SCOPED_TRACE(id);
    VELM_STATUS_RECORD now = Current(id);
    ASSERT_EQ(Write(id, &now), 0);
    EXPECT_EQ(Current(id).value[0], now.value[0]);
  }
  VELM_STATUS_RECORD copies = Record(5);
  ASSERT_EQ(Write(9, &copies), 0);
  EXPECT_EQ(Current(9).value[0], 5);
  EXPECT_NE(reinterpret_cast<const DEVMODEW*>(ctx_->devmode)->dmFields & 0x100, 0u);
}

// Scaling and binding margins: each value of the record passes the model
// (scales 25-400 %; margins up to 300/1200 inch, given in 0.1 mm); what is
// accepted reads back as written, the margins to within the conversion.
TEST_F(StatusItems, ScalingAndBindingMargins) {
  constexpr int32_t kZoom = 1, kFitPaper = 2, kIndependent = 3, kLeftBottom = 2;
  const struct {
    int32_t id;
    const char* what;
    int32_t a, b, c, function, answer;
  } cases[] = {
      {11, "zoom 150 %", kZoom, 150, 0, 1, 0},
      {11, "zoom 25 %", kZoom, 25, 0, 1, 0},
      {11, "zoom 24 %", kZoom, 24, 0, 1, -1},
      {11, "zoom 401 %", kZoom, 401, 0, 1, -1},
      {11, "150 % by 80 %", kIndependent, 150, 80, 1, 0},
      {11, "150 % by 401 %", kIndependent, 150, 401, 1, -1},
      {11, "fit to the paper", kFitPaper, 0, 0, 1, 0},
      {11, "an unknown scale type", 4, 100, 100, 1, -1},
      {18, "no margins", kLeftBottom, 0, 0, 0, 0},
      {18, "6 and 3 mm", kLeftBottom, 60, 30, 0, 0},
      {18, "7 mm, above 300/1200 inch", kLeftBottom, 70, 0, 0, -1},
      {18, "a negative second margin", kLeftBottom, 0, -10, 0, -1},
      {18, "an unknown binding side", 5, 0, 0, 0, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.id) + ": " + c.what);
    VELM_STATUS_RECORD r = Record(c.a, c.b, c.c, 0, c.function);
    if (c.answer == -1) {
      ExpectRefusedChangesNothing(c.id, &r);
      continue;
    }
    ASSERT_EQ(Write(c.id, &r), 0);
    const VELM_STATUS_RECORD back = Current(c.id);
    EXPECT_EQ(back.value[0], c.a);
    if (c.id == 11) {
      EXPECT_EQ(back.function, 1);
      if (c.a != kFitPaper) {
        EXPECT_EQ(back.value[1], c.b);
      }
      if (c.a == kIndependent) {
        EXPECT_EQ(back.value[2], c.c);
      }
    } else {
      EXPECT_EQ(OptGetValueById(ctx_, 70), 1) << "binding margins on";
      EXPECT_NEAR(back.value[1], c.b, 1);
      EXPECT_NEAR(back.value[2], c.c, 1);
    }
  }
}

TEST_F(StatusItems, FunctionSwitchZeroOnlyTurnsTheFunctionOff) {
  for (int32_t id : {11, 14, 19}) {
    SCOPED_TRACE(id);
    VELM_STATUS_RECORD r = Current(id);
    r.function = 0;
    r.value[0] = 31999;  // not looked at while the function goes off
    ASSERT_EQ(Write(id, &r), 0);
    EXPECT_EQ(Current(id).function, 0);
  }
}

TEST_F(StatusItems, WatermarkRangesByKind) {
  struct Case {
    const char* what;
    void (*edit)(VELM_STATUS_WATERMARK_RECORD*);
    int32_t answer;
  } cases[] = {
      {"the text mark as is", [](VELM_STATUS_WATERMARK_RECORD*) {}, 0},
      {"angle 359", [](VELM_STATUS_WATERMARK_RECORD* w) { w->angle = 359; }, 0},
      {"angle 360", [](VELM_STATUS_WATERMARK_RECORD* w) { w->angle = 360; }, -1},
      {"font point 5", [](VELM_STATUS_WATERMARK_RECORD* w) { w->size = 5; }, -1},
      {"font point 6", [](VELM_STATUS_WATERMARK_RECORD* w) { w->size = 6; }, 0},
      {"font point 999", [](VELM_STATUS_WATERMARK_RECORD* w) { w->size = 999; }, 0},
      {"font point 1000", [](VELM_STATUS_WATERMARK_RECORD* w) { w->size = 1000; }, -1},
      {"density 0", [](VELM_STATUS_WATERMARK_RECORD* w) { w->density = 0; }, 0},
      {"density 1", [](VELM_STATUS_WATERMARK_RECORD* w) { w->density = 1; }, 0},
      {"density 100", [](VELM_STATUS_WATERMARK_RECORD* w) { w->density = 100; }, 0},
      {"density 101", [](VELM_STATUS_WATERMARK_RECORD* w) { w->density = 101; }, -1},
      {"an angle with position 2", [](VELM_STATUS_WATERMARK_RECORD* w) { w->position = 2; }, -1},
      {"an angle with position 64", [](VELM_STATUS_WATERMARK_RECORD* w) { w->position = 64; }, 0},
      {"position 3", [](VELM_STATUS_WATERMARK_RECORD* w) { w->position = 3; w->angle = 0; }, -1},
      {"colour 7", [](VELM_STATUS_WATERMARK_RECORD* w) { w->colour = 7; }, -1},
      {"a font not installed", [](VELM_STATUS_WATERMARK_RECORD* w) { std::strcpy(w->fontName, "No Such Face"); }, -1},
      {"an empty text", [](VELM_STATUS_WATERMARK_RECORD* w) { w->text[0] = 0; }, -1},
      {"kind 4", [](VELM_STATUS_WATERMARK_RECORD* w) { w->kind = 4; }, -1},
      {"kind 128 without the switch", [](VELM_STATUS_WATERMARK_RECORD* w) { w->kind = 128; }, -1},
      {"an image at scale 30",
       [](VELM_STATUS_WATERMARK_RECORD* w) { w->kind = 2; w->size = 30; std::strcpy(w->image, "C:\\Images\\logo.bmp"); }, 0},
      {"an image at scale 29",
       [](VELM_STATUS_WATERMARK_RECORD* w) { w->kind = 2; w->size = 29; std::strcpy(w->image, "C:\\Images\\logo.bmp"); }, -1},
      {"a missing image",
       [](VELM_STATUS_WATERMARK_RECORD* w) { w->kind = 2; w->size = 100; std::strcpy(w->image, "C:\\Images\\none.bmp"); }, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    VELM_STATUS_WATERMARK_RECORD w = TextMark();
    c.edit(&w);
    EXPECT_EQ(Write(16, &w), c.answer);
  }
}

TEST_F(StatusItems, WatermarkRoundTripForBothVersions) {
  EXPECT_EQ(Read(16, nullptr), -1) << "no working entry yet";
  const int32_t kind = OptGetValueById(ctx_, 109);
  VELM_STATUS_WATERMARK_RECORD w = TextMark();
  ASSERT_EQ(Write(16, &w), 0);
  EXPECT_EQ(OptGetValueById(ctx_, 109), kind) << "the working entry is stored, the handle's watermark stays";
  EXPECT_EQ(Read(16, nullptr, 0), 412);
  EXPECT_EQ(Read(16, nullptr, 1), 372);
  EXPECT_EQ(Read(16, nullptr, 2), 412);
  EXPECT_EQ(Read(16, nullptr, 3), -1);

  VELM_STATUS_WATERMARK_RECORD back{};
  ASSERT_EQ(Read(16, &back), 412);
  EXPECT_EQ(back.version, 2);
  EXPECT_EQ(back.kind, 1);
  EXPECT_EQ(back.fontStyle, 1);
  EXPECT_EQ(back.effect, 2);
  EXPECT_EQ(back.colour, 3);
  EXPECT_EQ(back.density, 50);
  EXPECT_EQ(back.size, 36);
  EXPECT_EQ(back.angle, 45);
  EXPECT_STREQ(back.text, "Secret");
  EXPECT_STREQ(back.fontName, "Test Gothic");
  EXPECT_EQ(back.tileDensity, 100);

  // A version-1 caller gets 372 bytes and nothing after them.
  std::vector<uint8_t> v1(VELM_STATUS_WATERMARK_V1_SIZE + 8, 0xEE);
  ASSERT_EQ(Read(16, v1.data(), 1), 372);
  int32_t version;
  std::memcpy(&version, v1.data(), 4);
  EXPECT_EQ(version, 1);
  EXPECT_EQ(std::memcmp(v1.data() + 44, "Secret", 7), 0);
  EXPECT_EQ(v1[372], 0xEE);

  // A version-1 record is read only up to its size.
  std::unique_ptr<uint8_t[]> exact(new uint8_t[VELM_STATUS_WATERMARK_V1_SIZE]);
  VELM_STATUS_WATERMARK_RECORD image = TextMark();
  image.version = 1;
  image.kind = 2;
  image.size = 120;
  image.angle = 0;
  std::strcpy(image.image, "C:\\Images\\logo.bmp");
  std::memcpy(exact.get(), &image, VELM_STATUS_WATERMARK_V1_SIZE);
  ASSERT_EQ(Write(16, exact.get()), 0);
  ASSERT_EQ(Read(16, &back, 2), 412);
  EXPECT_EQ(back.kind, 2);
  EXPECT_EQ(back.size, 120);
  EXPECT_STREQ(back.image, "C:\\Images\\logo.bmp");
  EXPECT_STREQ(back.text, "") << "fields the kind does not use are empty";
}

TEST_F(StatusItems, WatermarkEntries) {
  VELM_STATUS_RECORD beyond = Record(StampGetCount(ctx_) + 1, 0, 0, 0, 1);
  EXPECT_EQ(Write(17, &beyond), -1);
  VELM_STATUS_RECORD working = Record(256, 0, 0, 0, 1);
  EXPECT_EQ(Write(17, &working), -1) << "no working entry stored";
  VELM_STATUS_WATERMARK_RECORD w = TextMark();
  ASSERT_EQ(Write(16, &w), 0);
  const int32_t answer = Write(17, &working);
  if (answer == 0) {
    EXPECT_EQ(Current(17).value[0], 256);
    EXPECT_EQ(OptGetValueById(ctx_, 120), 256);
  }
}

TEST_F(StatusItems, PrintMethodRecords) {
  const struct {
    const char* what;
    int32_t method;
    uint32_t flags;
    const char *user, *job, *stored, *owner;
    int32_t answer;
  } cases[] = {
      {"normal with an empty user id", 0, 1, "", "", "", "", 0},
      {"normal with a user id", 0, 1, "Abc12", "", "", "", 0},
      {"locked with four digits", 1, 3, "abc1", "1234", "", "", 0},
      {"locked with 12a4", 1, 3, "abc1", "12a4", "", "", -1},
      {"locked with 123", 1, 3, "abc1", "123", "", "", -1},
      {"stored with an empty password", 3, 5, "abc1", "", "", "", 0},
      {"stored with a three-digit password", 3, 5, "abc1", "", "123", "", -1},
      {"stored with a quote in the owner", 3, 9, "abc1", "", "", "a\"b", -1},
      {"method 4", 4, 0, "", "", "", "", -1},
      {"method 6", 6, 0, "", "", "", "", -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    VELM_STATUS_PRINT_METHOD_RECORD r{};
    r.version = 3;
    r.method = c.method;
    r.flags = c.flags;
    std::strcpy(r.userId, c.user);
    std::strcpy(r.jobPassword, c.job);
    std::strcpy(r.storedPassword, c.stored);
    std::strcpy(r.owner, c.owner);
    const auto files = Files();
    const int32_t answer = Write(10, &r);
    if (c.method == 0) {
      EXPECT_EQ(answer, c.answer);
    }
    if (c.answer == -1) {
      EXPECT_EQ(answer, -1);
      EXPECT_TRUE(Files() == files);
    } else if (answer == 0) {
      VELM_STATUS_PRINT_METHOD_RECORD back{};
      ASSERT_EQ(Read(10, &back), 392);
      EXPECT_EQ(back.method, c.method);
      if (c.flags & VELM_PM_USER_ID) {
        EXPECT_STREQ(back.userId, c.user);
      }
    }
  }
}

TEST_F(StatusItems, PresetFilePaths) {
  VELM_STATUS_PRESET_RECORD r{};
  r.version = 3;
  for (const char* path : {"", "office.qst", "C:office.qst", "C:\\Missing\\office.qst", "C:\\Windows"}) {
    SCOPED_TRACE(path);
    std::strcpy(r.path, path);
    EXPECT_EQ(Write(1, &r), -1);
    EXPECT_EQ(Read(1, &r), -1);
  }
}

}  // namespace
