// DrvEscape: every code with buffers of the right size, and with buffers
// that are short, missing or unterminated (which get the escape's failure
// value and change nothing). Buffers are heap blocks of exactly the size
// passed, so a read or write past them is caught under AddressSanitizer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "doc_test_machine.h"

namespace {

using doc_test::Block;
using doc_test::DocMachine;

constexpr ULONG kFail = 0xFFFFFFFFu;

class Escape : public DocMachine {
 protected:
  void SetUp() override {
    DocMachine::SetUp();
    pdev_ = Enable();
    ASSERT_NE(pdev_, nullptr);
    so_ = Surface(pdev_);
  }
  ULONG Esc(ULONG code, std::vector<uint8_t>* in, std::vector<uint8_t>* out) {
    return DrvEscape(so_, code, in ? ULONG(in->size()) : 0, in && !in->empty() ? in->data() : nullptr,
                     out ? ULONG(out->size()) : 0, out && !out->empty() ? out->data() : nullptr);
  }
  static std::vector<uint8_t> U16(uint16_t v) {
    std::vector<uint8_t> b(2);
    std::memcpy(b.data(), &v, 2);
    return b;
  }
  static std::vector<uint8_t> U32(uint32_t v) {
    std::vector<uint8_t> b(4);
    std::memcpy(b.data(), &v, 4);
    return b;
  }
  static std::vector<uint8_t> Text(const std::string& s, bool terminated = true) {
    std::vector<uint8_t> b(s.begin(), s.end());
    if (terminated) b.push_back(0);
    return b;
  }
  std::string Item(uint32_t id) { return jobinfo_test::JobInfoMachine::Text(pdev_->context, id); }

  Pdev* pdev_ = nullptr;
  SURFOBJ* so_ = nullptr;
};

TEST_F(Escape, QuerySupportForEveryCode) {
  std::vector<ULONG> supported = {8, 17, 20, 42, 140, 141};
  for (ULONG c = 111; c <= 126; ++c) supported.push_back(c);
  for (ULONG code = 0; code < 300; ++code) {
    SCOPED_TRACE(code);
    std::vector<uint8_t> in = U16(uint16_t(code));
    ULONG expected = 0;
    if (code == 17) expected = 999;
    else if (std::find(supported.begin(), supported.end(), code) != supported.end()) expected = 1;
    EXPECT_EQ(Esc(kEscQuerySupport, &in, nullptr), expected);
  }
  // PASSTHROUGH only in pass-through mode.
  std::vector<uint8_t> in = U16(19);
  EXPECT_EQ(Esc(kEscQuerySupport, &in, nullptr), 0u);
  pdev_->passThrough = 1;
  EXPECT_EQ(Esc(kEscQuerySupport, &in, nullptr), 1u);
  // The code is a u16: a larger input reads only its first two bytes.
  std::vector<uint8_t> wide = U32(17 | 0x10000);
  EXPECT_EQ(Esc(kEscQuerySupport, &wide, nullptr), 999u);
  std::vector<uint8_t> one(1, 17);
  EXPECT_EQ(Esc(kEscQuerySupport, &one, nullptr), 0u);
  EXPECT_EQ(Esc(kEscQuerySupport, nullptr, nullptr), 0u);
  EXPECT_EQ(Esc(9, nullptr, nullptr), 0u);  // unsupported
}

TEST_F(Escape, SetCopyCount) {
  struct Case {
    uint32_t given;
    uint32_t stored;
  } cases[] = {{0, 1}, {1, 1}, {7, 7}, {998, 998}, {999, 999}, {5000, 999}, {0xFFFFFFFF, 999}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.given);
    std::vector<uint8_t> in = U32(c.given), out(4, 0xEE);
    EXPECT_EQ(Esc(kEscSetCopyCount, &in, &out), 1u);
    EXPECT_EQ(pdev_->copies, int16_t(c.stored));
    EXPECT_EQ(OptGetValueById(pdev_->context, 12), int32_t(c.stored));
    EXPECT_EQ(out, U32(c.stored));
    EXPECT_EQ(Esc(kEscSetCopyCount, &in, nullptr), 1u) << "the output is optional";
  }
  // Missing or short input, short output: -1 and the copies stay.
  std::vector<uint8_t> three(3, 5), in = U32(5), two(2, 0xEE);
  EXPECT_EQ(Esc(kEscSetCopyCount, nullptr, nullptr), kFail);
  EXPECT_EQ(Esc(kEscSetCopyCount, &three, nullptr), kFail);
  EXPECT_EQ(Esc(kEscSetCopyCount, &in, &two), kFail);
  EXPECT_EQ(two, std::vector<uint8_t>(2, 0xEE));
  EXPECT_EQ(pdev_->copies, 999);
  EXPECT_EQ(OptGetValueById(pdev_->context, 12), 999);
}

TEST_F(Escape, PassThrough) {
  const std::string data = "0123456789";
  std::vector<uint8_t> in = U16(uint16_t(data.size()));
  in.insert(in.end(), data.begin(), data.end());
  ASSERT_TRUE(DrvStartDoc(so_, nullptr, AddJob(u"")));
  ASSERT_TRUE(DrvStartPage(so_));

  // Outside pass-through mode: counted, nothing sent.
  const std::string before = Output();
  EXPECT_EQ(Esc(kEscPassThrough, &in, nullptr), data.size());
  EXPECT_EQ(Output(), before);

  // In the mode: the buffered records first, then exactly the bytes.
  pdev_->passThrough = 1;
  pdev_->pageCount = 2;  // a page after the first: its records are framed
  EXPECT_EQ(Esc(kEscPassThrough, &in, nullptr), data.size());
  const std::string after = Output().substr(before.size());
  std::vector<Block> blocks = Blocks(after);
  ASSERT_FALSE(blocks.empty());
  EXPECT_EQ(Name(blocks[0]), "F5[60]");
  EXPECT_EQ(after.substr(8 + blocks[0].data.size()), data);

  // A count beyond the input, or no count: -1 and nothing sent.
  std::vector<uint8_t> lying = U16(uint16_t(data.size() + 1));
  lying.insert(lying.end(), data.begin(), data.end());
  std::vector<uint8_t> one(1, 0);
  const std::string now = Output();
  EXPECT_EQ(Esc(kEscPassThrough, &lying, nullptr), kFail);
  EXPECT_EQ(Esc(kEscPassThrough, &one, nullptr), kFail);
  EXPECT_EQ(Esc(kEscPassThrough, nullptr, nullptr), kFail);
  EXPECT_EQ(Output(), now);
  std::vector<uint8_t> empty = U16(0);
  EXPECT_EQ(Esc(kEscPassThrough, &empty, nullptr), 0u);

  // A failing flush: -1.
  setenv("VELMOUT1_FAIL_WRITE", "1", 1);
  ASSERT_TRUE(DrvEndDoc(so_, 0));
  ASSERT_TRUE(DrvStartDoc(so_, nullptr, AddJob(u"")));
  EXPECT_FALSE(DrvStartPage(so_));
  EXPECT_EQ(Esc(kEscPassThrough, &in, nullptr), kFail);
  EXPECT_TRUE(DrvEndDoc(so_, 0));
}

TEST_F(Escape, TextAnswers) {
  struct Case {
    ULONG code;
    std::string text;
  } cases[] = {
      {kEscGetTechnology, "VELM"},
      {kEscCoreVersion, "IMGENG.LIB MASTER 1.26g"},
      {kEscSpoolDllName, "VELMOUT1.DLL"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<uint8_t> out(c.text.size() + 1, 0xEE);
    EXPECT_EQ(Esc(c.code, nullptr, &out), 1u);
    EXPECT_EQ(out, Text(c.text));
    std::vector<uint8_t> short_out(c.text.size(), 0xEE);
    EXPECT_EQ(Esc(c.code, nullptr, &short_out), 0u);
    EXPECT_EQ(short_out, std::vector<uint8_t>(c.text.size(), 0xEE));
    EXPECT_EQ(Esc(c.code, nullptr, nullptr), 0u);
  }
}

TEST_F(Escape, DeviceUnits) {
  std::vector<uint8_t> out(16);
  auto units = [&] {
    float f[4];
    std::memcpy(f, out.data(), sizeof f);
    return std::vector<float>(f, f + 4);
  };
  EXPECT_EQ(Esc(kEscGetDeviceUnits, nullptr, &out), 1u);
  EXPECT_EQ(units(), (std::vector<float>{4761, 6816, 0, 0})) << "no offsets before a page";
  ASSERT_TRUE(DrvStartDoc(so_, nullptr, AddJob(u"")));
  ASSERT_TRUE(DrvStartPage(so_));
  EXPECT_EQ(Esc(kEscGetDeviceUnits, nullptr, &out), 1u);
  EXPECT_EQ(units(), (std::vector<float>{4761, 6816, 100, 100}));
  std::vector<uint8_t> short_out(15, 0xEE);
  EXPECT_EQ(Esc(kEscGetDeviceUnits, nullptr, &short_out), 0u);
  EXPECT_EQ(short_out, std::vector<uint8_t>(15, 0xEE));
  EXPECT_EQ(Esc(kEscGetDeviceUnits, nullptr, nullptr), 0u);
  ASSERT_TRUE(DrvSendPage(so_));
  ASSERT_TRUE(DrvEndDoc(so_, 0));
}

TEST_F(Escape, UserInformation) {
  struct Case {
    ULONG code;
    uint32_t item;
    std::string given;
    std::string stored;
  } cases[] = {
      {kEscSetUserCode, 216, "U123", "U123"},
      {kEscSetUserCode, 216, "ABCDEFGHIJK", "ABCDEFGH"},  // cut to the 9-byte item
      {kEscSetOwnerName, 217, "Owner", "Owner"},
      {kEscSetJobPassword, 220, "1234", "1234"},
      {kEscSetUserId, 215, "uid", "uid"},
      {kEscSetDocumentName, 219, "Document", "Document"},
      {kEscSetTelNo, 243, "0312345678", "0312345678"},
      {kEscSetStoredPassword, 221, "9999", "9999"},
      // Double-byte characters stay whole: 4 fit in the 9-byte item.
      {kEscSetUserCode, 216, "\x93\xFA\x96\x7B\x8C\xEA\x93\xFA\x96\x7B", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE6\x97\xA5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.given);
    std::vector<uint8_t> in = Text(c.given);
    EXPECT_EQ(Esc(c.code, &in, nullptr), 1u);
    EXPECT_EQ(Item(c.item), c.stored);
    // Unterminated, empty or missing input: 0, the item unchanged.
    std::vector<uint8_t> raw = Text("XYZ", false);
    EXPECT_EQ(Esc(c.code, &raw, nullptr), 0u);
    EXPECT_EQ(Esc(c.code, nullptr, nullptr), 0u);
    EXPECT_EQ(Item(c.item), c.stored);
  }
  std::vector<uint8_t> line = Text("2");
  EXPECT_EQ(Esc(kEscSetTelLine, &line, nullptr), 1u);
  EXPECT_EQ(OptGetValueById(pdev_->context, 244), 2);
  std::vector<uint8_t> raw = Text("1", false);
  EXPECT_EQ(Esc(kEscSetTelLine, &raw, nullptr), 0u);
  EXPECT_EQ(OptGetValueById(pdev_->context, 244), 2);

  // What the escapes set before a document reaches its job-start text.
  std::vector<uint8_t> id = Text("UID42");
  EXPECT_EQ(Esc(kEscSetUserId, &id, nullptr), 1u);
  ASSERT_TRUE(DrvStartDoc(so_, nullptr, AddJob(u"")));
  ASSERT_TRUE(DrvStartPage(so_) && DrvSendPage(so_));
  ASSERT_TRUE(DrvEndDoc(so_, 0));
  std::vector<Block> blocks = Blocks(Output());
  ASSERT_FALSE(blocks.empty());
  EXPECT_NE(blocks[0].data.find("UID42"), std::string::npos) << blocks[0].data;
}

TEST_F(Escape, ItemReads) {
  OptSetValueById(pdev_->context, 13, 7);
  OptSetValueById(pdev_->context, 222, 3);
  OptSetValueById(pdev_->context, 247, 1);
  struct Case {
    ULONG code;
    int16_t value;
  } cases[] = {{kEscGetDefaultSource, 7}, {kEscGetPrintMethod, 3}, {kEscGetApiUseFlag, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    std::vector<uint8_t> out(2, 0xEE);
    EXPECT_EQ(Esc(c.code, nullptr, &out), 1u);
    int16_t v = 0;
    std::memcpy(&v, out.data(), 2);
    EXPECT_EQ(v, c.value);
    EXPECT_EQ(Esc(c.code, nullptr, nullptr), 1u) << "without an output nothing is written";
    std::vector<uint8_t> one(1, 0xEE);
    EXPECT_EQ(Esc(c.code, nullptr, &one), 0u);
    EXPECT_EQ(one[0], 0xEE);
  }
  for (ULONG code = 122; code <= 125; ++code) EXPECT_EQ(Esc(code, nullptr, nullptr), 1u) << code;
}

TEST_F(Escape, DriverIniPath) {
  auto wide = [](const std::u16string& s, bool terminated) {
    std::vector<uint8_t> b((s.size() + (terminated ? 1 : 0)) * 2, 0);
    std::memcpy(b.data(), s.data(), s.size() * 2);
    return b;
  };
  const std::u16string path = u"C:\\Temp\\other.ini";
  std::vector<uint8_t> in = wide(path, true);
  EXPECT_EQ(Esc(kEscSetDriverIni, &in, nullptr), 1u);
  EXPECT_EQ(std::u16string(pdev_->context->work->driverIni), path);
  const std::u16string longest(259, u'p'), too_long(260, u'p');
  std::vector<uint8_t> ok = wide(longest, true), bad = wide(too_long, true), raw = wide(u"C:\\x.ini", false);
  std::vector<uint8_t> odd(3, 'a');
  EXPECT_EQ(Esc(kEscSetDriverIni, &ok, nullptr), 1u);
  EXPECT_EQ(std::u16string(pdev_->context->work->driverIni), longest);
  for (std::vector<uint8_t>* refused : {&bad, &raw, &odd}) EXPECT_EQ(Esc(kEscSetDriverIni, refused, nullptr), 0u);
  EXPECT_EQ(Esc(kEscSetDriverIni, nullptr, nullptr), 0u);
  EXPECT_EQ(std::u16string(pdev_->context->work->driverIni), longest);
}

}  // namespace
