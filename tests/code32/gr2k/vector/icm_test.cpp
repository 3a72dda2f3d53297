// The colour transform VELMPD0 makes for the engine: a profile from memory,
// a transform kept in the Pdev, both released on delete and at the end.
#include "eng/icm.h"
#include "vector/icm.h"
#include "image_test_support.h"

namespace {

std::vector<uint8_t> Profile(uint32_t declared, size_t buffer, const char* signature = "acsp") {
  std::vector<uint8_t> p(buffer, 0);
  if (buffer >= 4) {
    p[0] = uint8_t(declared >> 24);
    p[1] = uint8_t(declared >> 16);
    p[2] = uint8_t(declared >> 8);
    p[3] = uint8_t(declared);
  }
  if (buffer >= 40) std::memcpy(p.data() + 36, signature, 4);
  return p;
}

class ColourTransform : public vtest::VectorPage {};

TEST_F(ColourTransform, CreatedFromAProfileInMemoryAndDeleted) {
  const int profiles = eng::IcmOpenProfiles(), transforms = eng::IcmOpenTransforms();
  auto data = Profile(200, 200);
  LOGCOLORSPACEW* space = reinterpret_cast<LOGCOLORSPACEW*>(data.data());  // any colour space
  HANDLE t = DrvIcmCreateColorTransform(reinterpret_cast<DHPDEV>(pdev_), space, nullptr, 0, data.data(),
                                        ULONG(data.size()), nullptr, 0, 0);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(pdev_->colorTransform, t);
  EXPECT_NE(pdev_->colorProfile, nullptr);
  EXPECT_EQ(eng::IcmOpenProfiles(), profiles + 1);
  EXPECT_EQ(eng::IcmOpenTransforms(), transforms + 1);
  // A second transform replaces the first.
  HANDLE t2 = DrvIcmCreateColorTransform(reinterpret_cast<DHPDEV>(pdev_), space, nullptr, 0, data.data(),
                                         ULONG(data.size()), nullptr, 0, 0);
  ASSERT_NE(t2, nullptr);
  EXPECT_EQ(eng::IcmOpenTransforms(), transforms + 1);
  EXPECT_TRUE(DrvIcmDeleteColorTransform(reinterpret_cast<DHPDEV>(pdev_), t2));
  EXPECT_EQ(pdev_->colorTransform, nullptr);
  EXPECT_EQ(eng::IcmOpenProfiles(), profiles);
  EXPECT_EQ(eng::IcmOpenTransforms(), transforms);
}

TEST_F(ColourTransform, BadProfilesAreRefused) {
  const int profiles = eng::IcmOpenProfiles();
  std::vector<std::vector<uint8_t>> bad = {
      Profile(200, 100),           // shorter than a header
      Profile(400, 200),           // declares more than the buffer holds
      Profile(200, 200, "nope"),  // no signature
      Profile(20, 200),            // declares less than a header
  };
  LOGCOLORSPACEW* space = reinterpret_cast<LOGCOLORSPACEW*>(bad[0].data());
  for (auto& data : bad) {
    EXPECT_EQ(DrvIcmCreateColorTransform(reinterpret_cast<DHPDEV>(pdev_), space, nullptr, 0, data.data(),
                                         ULONG(data.size()), nullptr, 0, 0),
              nullptr);
  }
  EXPECT_EQ(DrvIcmCreateColorTransform(reinterpret_cast<DHPDEV>(pdev_), space, nullptr, 0, nullptr, 300, nullptr, 0, 0),
            nullptr);
  EXPECT_EQ(pdev_->colorTransform, nullptr);
  EXPECT_EQ(eng::IcmOpenProfiles(), profiles);
  // Handles never given out are refused, not followed.
  EXPECT_FALSE(DeleteColorTransform(reinterpret_cast<HANDLE>(0x71)));
  EXPECT_FALSE(CloseColorProfile(reinterpret_cast<HANDLE>(0x72)));
}

}  // namespace
