// Loading a model image from outside: a valid image round-trips, and every
// damage the loader must catch is refused without a crash or a stray read
// (the tests run under AddressSanitizer and UBSan in the sanitizer build).
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "model_image_test_util.h"
#include "velm/model_image.h"

namespace {

using namespace image_test;

// An exact-size copy, so that a read past the end is caught by the
// sanitizers even where the vector has spare room.
bool Validates(const std::vector<uint8_t>& bytes) {
  std::unique_ptr<uint8_t[]> copy(new uint8_t[bytes.size() ? bytes.size() : 1]);
  std::copy(bytes.begin(), bytes.end(), copy.get());
  return MdfValidateImage(copy.get(), bytes.size());
}

TEST(MdfLoadImage, RoundTrip) {
  for (const std::string& text : {SmallModel(), ReferenceModel()}) {
    Image built = Compile(text);
    ASSERT_NE(built, nullptr);
    std::vector<uint8_t> bytes = Bytes(built.get());
    Image loaded(MdfLoadImage(bytes.data(), bytes.size()));
    ASSERT_NE(loaded, nullptr);
    EXPECT_NE(MdfImageBytes(loaded.get()), MdfImageBytes(built.get()));
    EXPECT_EQ(Bytes(loaded.get()), bytes);
    std::string dump = MdfDumpImage(built.get());
    EXPECT_EQ(MdfDumpImage(loaded.get()), dump);
    EXPECT_NE(dump.find("file version: "), std::string::npos);
  }
}

TEST(MdfDumpImage, ReferenceModel) {
  Image image = Compile(ReferenceModel());
  ASSERT_NE(image, nullptr);
  std::string dump = MdfDumpImage(image.get());
  auto count = [&](const std::string& prefix) {
    size_t n = 0;
    for (size_t at = 0; (at = dump.find("\n" + prefix, at)) != std::string::npos; ++at) ++n;
    return n;
  };
  EXPECT_EQ(dump.substr(0, 19), "file version: 3.62\n");
  EXPECT_NE(dump.find("\nfeatures: 272\n"), std::string::npos);
  EXPECT_EQ(count("feature "), 272u);
  EXPECT_NE(dump.find("\nexclusives: 44\n"), std::string::npos);
  EXPECT_EQ(count("exclusive "), 44u);
  // Conditions in infix, named Judges inlined.
  EXPECT_NE(dump.find("exclusive VPD_IDC_FREESIZE_EDIT_WIDTH_MM hide=(VPD_RADIOLIST_6 == 2183) disable=-\n"
                      "  alert if ((VPD_IDC_FREESIZE_EDIT_WIDTH_MM < 4331) || (VPD_IDC_FREESIZE_EDIT_WIDTH_MM > 14031)) "
                      "message=VPD_FreeSizeIllegalMessage icon=0x30 buttons=0 when=0\n"),
            std::string::npos);
  EXPECT_NE(dump.find("exclusive VPD_IDC_FINISH_CHOICE_PUNCH hide=(((VPD_OptionFin1000 == 0) && "
                      "(VPD_OptionFin3000 == 0)) || (VPD_OptionFin3000NoPunch == 1)) disable=-"),
            std::string::npos);
  EXPECT_NE(dump.find("    answer IDCANCELBUTTON\n      transact if always\n"
                      "        action VPD_IDC_EDIT_CHOICE_DUPLEX = 0\n"),
            std::string::npos);
  EXPECT_NE(dump.find("\ncommands JobStart\n"), std::string::npos);
  EXPECT_NE(dump.find("\ncartridge fonts: 3\n"), std::string::npos);
}

TEST(MdfValidateImage, RefusesEveryCorruption) {
  Image image = Compile(ReferenceModel());
  ASSERT_NE(image, nullptr);
  ASSERT_TRUE(Validates(Bytes(image.get())));
  std::vector<Corruption> table = Corruptions(image.get());
  ASSERT_GE(table.size(), 40u);
  for (const Corruption& c : table) {
    SCOPED_TRACE(c.name);
    EXPECT_NE(c.bytes, Bytes(image.get())) << "the row changes nothing";
    EXPECT_FALSE(Validates(c.bytes));
    EXPECT_EQ(MdfLoadImage(c.bytes.data(), c.bytes.size()), nullptr);
  }
}

TEST(MdfValidateImage, EveryCutIsRefused) {
  Image image = Compile(SmallModel());
  ASSERT_NE(image, nullptr);
  std::vector<uint8_t> bytes = Bytes(image.get());
  for (uint32_t size = 0; size < bytes.size(); ++size) {
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + size);
    if (size >= 36) Put32(cut, 32, size);
    ASSERT_FALSE(Validates(cut)) << size;
  }
  EXPECT_FALSE(MdfValidateImage(nullptr, 0));
}

// Random damage never crashes the loader, and whatever it accepts reads
// back through the accessors without leaving the image.
TEST(MdfValidateImage, RandomDamage) {
  std::mt19937 random(20240607);
  for (const std::string& text : {SmallModel(), ReferenceModel()}) {
    Image image = Compile(text);
    ASSERT_NE(image, nullptr);
    const std::vector<uint8_t> valid = Bytes(image.get());
    int accepted = 0;
    for (int round = 0; round < 3000; ++round) {
      std::vector<uint8_t> bytes = valid;
      int flips = 1 + static_cast<int>(random() % 8);
      for (int i = 0; i < flips; ++i) {
        // Mostly in the records, sometimes in the header's slots.
        uint32_t at = random() % 4 == 0 ? static_cast<uint32_t>(random() % mdf_image::kHeaderSize)
                                        : static_cast<uint32_t>(random() % bytes.size());
        bytes[at] = static_cast<uint8_t>(random());
      }
      if (!Validates(bytes)) continue;
      ++accepted;
      Image loaded(MdfLoadImage(bytes.data(), bytes.size()));
      ASSERT_NE(loaded, nullptr);
      EXPECT_FALSE(MdfDumpImage(loaded.get()).empty());
    }
    EXPECT_GT(accepted, 0) << "some damage (in texts, numbers) leaves a valid image";
  }
}

TEST(MdfImageAccessors, StayInsideTheImage) {
  Image image = Compile(SmallModel());
  ASSERT_NE(image, nullptr);
  const uint32_t size = MdfImageSize(image.get());
  ImgFeature f;
  EXPECT_FALSE(MdfImgReadFeature(image.get(), 0, &f));
  EXPECT_FALSE(MdfImgReadFeature(image.get(), size - 27, &f));
  EXPECT_EQ(f.next, 0u);
  EXPECT_FALSE(MdfImgReadFeature(image.get(), 0xFFFFFFF0u, &f));
  ImgExclusive e;
  EXPECT_FALSE(MdfImgReadExclusive(image.get(), size - 4, &e));
  JudgeCell cell;
  EXPECT_FALSE(MdfImgReadCell(image.get(), size - 2, &cell));
  EXPECT_EQ(MdfImgText(image.get(), 0), nullptr);
  EXPECT_EQ(MdfImgText(image.get(), size), nullptr);
  EXPECT_EQ(MdfImgSlot(image.get(), -1), 0u);
  EXPECT_EQ(MdfImgSlot(image.get(), mdf_image::kSlotCount), 0u);
  EXPECT_EQ(MdfImgSlot(nullptr, 0), 0u);
  EXPECT_EQ(MdfImgNameAt(image.get(), size - 2, 0), 0u);
  EXPECT_EQ(MdfImgNameAt(image.get(), 5000, 0x7FFFFFFF), 0u);
  char16_t text[4];
  EXPECT_FALSE(MdfImgWideText(image.get(), MdfImgSlot(image.get(), mdf_image::kSlotUiResDll), text, 4));
  EXPECT_EQ(std::u16string(text), u"TES");  // cut, and terminated
  ImgCommandNode node;
  EXPECT_FALSE(MdfImgReadNode(image.get(), 4984, &node) && node.kind > 4);
  EXPECT_EQ(MdfDumpImage(nullptr), "");
}

}  // namespace
