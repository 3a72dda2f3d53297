#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "plat/kernel.h"
#include "velm/devmode.h"

namespace {

// A DEVMODE buffer of `length` bytes declaring the given header words; the
// public bytes hold 0x11, the private bytes 0x22.
std::vector<uint8_t> Make(uint16_t size, uint16_t extra, uint16_t spec_version = 0x401, uint16_t driver = 0x400,
                          size_t length = 0) {
  std::vector<uint8_t> d(length ? length : size_t(size) + extra, 0);
  std::memset(d.data(), 0x11, std::min<size_t>(size, d.size()));
  if (d.size() > size) std::memset(d.data() + size, 0x22, std::min<size_t>(extra, d.size() - size));
  auto put = [&](size_t off, uint16_t v) {
    d[off] = uint8_t(v);
    d[off + 1] = uint8_t(v >> 8);
  };
  put(64, spec_version);
  put(66, driver);
  put(68, size);
  put(70, extra);
  return d;
}

uint16_t W(const std::vector<uint8_t>& d, size_t off) { return uint16_t(d[off] | d[off + 1] << 8); }

TEST(DevmodeVersions, SpecVersionBySize) {
  struct Case {
    uint16_t size, own_spec, expected;
  } cases[] = {{188, 0x300, 0x320}, {212, 0x300, 0x400}, {220, 0x300, 0x401}, {156, 0x300, 0x300}, {240, 0x500, 0x500}};
  for (const Case& c : cases) {
    auto d = Make(c.size, 0, c.own_spec);
    EXPECT_EQ(DmGetSpecVersion(d.data(), d.size()), c.expected) << c.size;
  }
  EXPECT_EQ(DmGetSpecVersion(nullptr, 0), 0);
  auto d = Make(220, 0);
  EXPECT_EQ(DmGetSpecVersion(d.data(), 71), 0);  // fewer bytes than the header
}

TEST(DevmodeCopies, PartsTakeTheSmallerSizes) {
  auto src = Make(220, 1040);
  auto dst = Make(188, 100, 0x320, 0x350);
  std::fill(dst.begin() + 72, dst.end(), 0);
  EXPECT_EQ(DmCopyDevmodeParts(src.data(), src.size(), dst.data(), dst.size()), 188 + 100);
  EXPECT_EQ(W(dst, 68), 188);
  EXPECT_EQ(W(dst, 70), 100);
  EXPECT_EQ(W(dst, 66), 0x350);
  EXPECT_EQ(W(dst, 64), 0x320);
  EXPECT_EQ(dst[187], 0x11);
  EXPECT_EQ(dst[188], 0x22);
  EXPECT_EQ(dst[287], 0x22);
}

TEST(DevmodeCopies, RefusedCopies) {
  auto dst = Make(220, 1040);
  auto small = Make(156, 0, 0x300);
  EXPECT_EQ(DmCopyDevmodeParts(small.data(), small.size(), dst.data(), dst.size()), -1);
  // The input copy takes the public part of any size, but not its private part.
  EXPECT_EQ(DmCopyInputDevmode(small.data(), small.size(), dst.data(), dst.size()), -1);
  EXPECT_EQ(W(dst, 68), 220);
  EXPECT_EQ(dst[100], 0x11);
  // Declared sizes beyond the bytes really held.
  auto liar = Make(220, 1040, 0x401, 0x400, 300);
  EXPECT_EQ(DmCopyDevmodeParts(liar.data(), liar.size(), dst.data(), dst.size()), -1);
  auto big_dst = Make(220, 1040, 0x401, 0x400, 500);
  auto src = Make(220, 1040);
  EXPECT_EQ(DmCopyDevmodeParts(src.data(), src.size(), big_dst.data(), big_dst.size()), -1);
  EXPECT_EQ(DmCopyDevmodeParts(nullptr, 0, dst.data(), dst.size()), -1);
}

TEST(DevmodeCopies, InputPrivatePartOnlyWhenItIsOurs) {
  struct Case {
    const char* name;
    uint16_t extra;
    uint16_t driver;
    int32_t result;
  } cases[] = {
      {"ours", 1040, 0x400, 220 + 1040},
      {"other private size", 1048, 0x400, -1},
      {"other driver version", 1040, 0x401, -1},
  };
  for (const Case& c : cases) {
    auto input = Make(220, c.extra, 0x401, c.driver);
    auto dst = Make(220, 1040);
    std::memset(dst.data() + 220, 0x33, 1040);
    EXPECT_EQ(DmCopyInputDevmode(input.data(), input.size(), dst.data(), dst.size()), c.result) << c.name;
    EXPECT_EQ(dst[220], c.result > 0 ? 0x22 : 0x33) << c.name;
  }
  auto v351 = Make(188, 1040, 0x320, 0x350);
  auto dst = Make(220, 1040);
  EXPECT_EQ(DmCopyInputDevmode(v351.data(), v351.size(), dst.data(), dst.size()), 188 + 1040);
}

TEST(DevmodeCopies, OutputInTheCallersSmallerSizes) {
  auto working = Make(220, 1040);
  auto input = Make(188, 1040, 0x320, 0x350);
  std::vector<uint8_t> out(1260, 0);
  EXPECT_EQ(DmCopyToOutput(working.data(), working.size(), input.data(), input.size(), out.data(), out.size()), 1);
  EXPECT_EQ(W(out, 68), 188);
  EXPECT_EQ(W(out, 64), 0x320);
  EXPECT_EQ(W(out, 70), 1040);
  EXPECT_EQ(W(out, 66), 0x400);  // the driver version of the working DEVMODE (private part not smaller)
  std::vector<uint8_t> whole(1260, 0);
  EXPECT_EQ(DmCopyToOutput(working.data(), working.size(), nullptr, 0, whole.data(), whole.size()), 1);
  EXPECT_EQ(whole, working);
  EXPECT_EQ(DmCopyToOutput(working.data(), working.size(), nullptr, 0, nullptr, 0), -1);
  std::vector<uint8_t> tiny(100, 0);
  EXPECT_EQ(DmCopyToOutput(working.data(), working.size(), nullptr, 0, tiny.data(), tiny.size()), 0);
}

TEST(DevmodeConvert, ModesAndSizes) {
  auto src = Make(220, 1040);
  struct Case {
    const char* name;
    uint32_t mode;
    bool with_dst;
    uint32_t size_in;
    int32_t result;
    uint32_t size_out;
    DWORD error;
  } cases[] = {
      {"convert", CDM_CONVERT, true, 1260, 1, 1260, 0},
      {"convert into too small a buffer", CDM_CONVERT, true, 1000, 0, 1000, ERROR_INVALID_PARAMETER},
      {"convert without output", CDM_CONVERT, false, 1260, 0, 1260, ERROR_INVALID_PARAMETER},
      {"351 too small", CDM_CONVERT351, true, 1000, 0, 1228, ERROR_INSUFFICIENT_BUFFER},
      {"351", CDM_CONVERT351, true, 1228, 1, 1228, 0},
      {"default 1259", CDM_DRIVER_DEFAULT, true, 1259, 0, 1260, ERROR_INSUFFICIENT_BUFFER},
      {"default 1260", CDM_DRIVER_DEFAULT, true, 1260, 2, 1260, 0},
      {"unknown mode", 8, true, 1260, 2, 1260, 0},
  };
  for (const Case& c : cases) {
    auto dst = Make(220, 1040, 0x401, 0x400, c.size_in);
    SetLastError(0);
    uint32_t size = c.size_in;
    EXPECT_EQ(DmConvertDevMode(src.data(), src.size(), c.with_dst ? dst.data() : nullptr, &size, c.mode), c.result)
        << c.name;
    EXPECT_EQ(size, c.size_out) << c.name;
    EXPECT_EQ(GetLastError(), c.error) << c.name;
  }
  auto dst = Make(220, 1040, 0x401, 0x400, 1228);
  uint32_t size = 1228;
  ASSERT_EQ(DmConvertDevMode(src.data(), src.size(), dst.data(), &size, CDM_CONVERT351), 1);
  EXPECT_EQ(W(dst, 68), 188);
  EXPECT_EQ(W(dst, 66), 0x350);
  EXPECT_EQ(DmConvertDevMode(src.data(), src.size(), dst.data(), nullptr, CDM_CONVERT), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

}  // namespace
