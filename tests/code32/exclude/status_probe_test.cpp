#include "status_test_machine.h"
using namespace status_test;
class Probe : public StatusMachine {};
TEST_F(Probe, Dump) {
  for (int id = 1; id <= 35; ++id) {
    uint8_t rec[816] = {};
    int32_t n = Read(id, rec);
    int32_t v[8];
    std::memcpy(v, rec, 32);
    printf("get %d -> %d : %d %d %d %d %d | %d\n", id, n, v[0], v[1], v[2], v[3], v[4], v[7]);
    if (n == 32) {
      uint8_t mask[32] = {};
      printf("   set same -> %d\n", Write(id, rec, mask));
    }
  }
}
