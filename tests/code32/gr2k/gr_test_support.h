// Shared chunks of the graphics-core tests: a PDEV whose stream writes to a
// recording double of the spool-side module, and small byte helpers.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "gr2k/dlrecords.h"
#include "gr2k/pdev.h"
#include "jobreader/jobreader.h"
#include "plat/kernel.h"

namespace grtest {

// Records what the stream writes, chunk by chunk; can fail or take only part
// of the n-th write.
struct SpoolRecorder {
  std::vector<uint8_t> bytes;
  std::vector<uint32_t> chunks;
  int calls = 0;
  int failAt = 0;   // 1-based call that fails
  int shortAt = 0;  // 1-based call that takes one byte less

  static BOOL Write(HANDLE document, LPVOID p, DWORD n, DWORD* written) {
    auto* self = static_cast<SpoolRecorder*>(document);
    ++self->calls;
    *written = 0;
    if (self->calls == self->failAt) return FALSE;
    DWORD take = self->calls == self->shortAt ? n - 1 : n;
    const auto* b = static_cast<const uint8_t*>(p);
    self->bytes.insert(self->bytes.end(), b, b + take);
    self->chunks.push_back(take);
    *written = take;
    return TRUE;
  }
};

inline std::vector<uint8_t> Hex(const std::string& text) {
  std::vector<uint8_t> out;
  int nibbles = 0;
  uint8_t cur = 0;
  for (char c : text) {
    int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (v < 0) continue;
    cur = uint8_t(cur << 4 | v);
    if (++nibbles == 2) {
      out.push_back(cur);
      nibbles = 0;
      cur = 0;
    }
  }
  return out;
}

inline std::vector<uint8_t> Span(const uint8_t* p, size_t n) { return std::vector<uint8_t>(p, p + n); }

inline void PutLe32(std::vector<uint8_t>* v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v->push_back(uint8_t(x >> (8 * i)));
}

class GrTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::ClearFaults();
    live_before_ = plat::LiveGlobalBlocks();
    pdev_ = PdevCreate(reinterpret_cast<HANDLE>(0x1234));
    ASSERT_NE(pdev_, nullptr);
    pdev_->machineColor = 1;
    pdev_->color = 2;
    pdev_->resolution = 600;
    Bind();
  }
  void TearDown() override {
    PdevDestroy(pdev_);
    plat::ClearFaults();
    EXPECT_EQ(plat::LiveGlobalBlocks(), live_before_) << "the pool left blocks behind";
  }

  void Bind() {
    stream()->spoolModule = reinterpret_cast<HMODULE>(&spool_);
    stream()->spoolDocument = &spool_;
    stream()->spoolWrite = &SpoolRecorder::Write;
  }

  DisplayListStream* stream() { return &pdev_->stream; }

  // Flushes and decodes everything written so far.
  jobread::Stream Flushed(bool* ok = nullptr) {
    EXPECT_TRUE(DlFlush(stream()));
    jobread::Stream out;
    jobread::Error error;
    bool read = jobread::ReadStream(spool_.bytes.data(), spool_.bytes.size(), &out, &error);
    if (ok) *ok = read;
    EXPECT_TRUE(read) << "offset " << error.offset << ": " << error.message;
    return out;
  }

  // The data of all data blocks written so far, concatenated.
  std::vector<uint8_t> DataBytes() const {
    std::vector<uint8_t> out;
    size_t pos = 0;
    const auto& b = spool_.bytes;
    while (pos + 8 <= b.size()) {
      uint32_t len = uint32_t(b[pos + 4]) | uint32_t(b[pos + 5]) << 8 | uint32_t(b[pos + 6]) << 16 |
                     uint32_t(b[pos + 7]) << 24;
      if (b[pos] == kBlockData) out.insert(out.end(), b.begin() + long(pos + 8), b.begin() + long(pos + 8 + len));
      pos += 8 + len;
    }
    return out;
  }

  // Kinds and lengths of the blocks written so far.
  std::vector<std::pair<uint8_t, uint32_t>> Blocks() const {
    std::vector<std::pair<uint8_t, uint32_t>> out;
    size_t pos = 0;
    const auto& b = spool_.bytes;
    while (pos + 8 <= b.size()) {
      uint32_t len = uint32_t(b[pos + 4]) | uint32_t(b[pos + 5]) << 8 | uint32_t(b[pos + 6]) << 16 |
                     uint32_t(b[pos + 7]) << 24;
      out.emplace_back(b[pos], len);
      pos += 8 + len;
    }
    return out;
  }

  Pdev* pdev_ = nullptr;
  SpoolRecorder spool_;
  long live_before_ = 0;
};

}  // namespace grtest
