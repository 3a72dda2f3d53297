// Shared pieces of the vector-mode tests: a Pdev fixture whose surface
// reaches the DDI entries, and readers of the records written.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "eng/dc.h"
#include "eng/objects.h"
#include "gr2k/vector.h"
#include "gr2k/ddi_entries.h"
#include "gr_test_support.h"

namespace vectest {

class VectorTest : public grtest::GrTest {
 protected:
  void SetUp() override {
    GrTest::SetUp();
    surface_.dhpdev = pdev_;
  }

  // Records written since the last look (flushes the buffer).
  std::vector<jobread::Record> Records() {
    std::vector<jobread::Record> out = Flushed().records;
    spool_.bytes.clear();
    return out;
  }
  std::vector<uint8_t> Opcodes() {
    std::vector<uint8_t> out;
    for (const jobread::Record& r : Records()) out.push_back(r.opcode);
    return out;
  }
  // Bytes buffered in the display list and not yet flushed.
  uint64_t Buffered() {
    uint64_t n = 0;
    for (DlBlock* b = stream()->head; b; b = b->next) n += DlBlockUsed(b);
    return n;
  }

  SURFOBJ surface_{};
};

inline size_t Count(const std::vector<uint8_t>& ops, uint8_t op) {
  size_t n = 0;
  for (uint8_t o : ops) n += o == op;
  return n;
}

inline eng::Path Rect(double l, double t, double r, double b) {
  eng::Path p;
  p.Rectangle(l, t, r, b);
  return p;
}

}  // namespace vectest
