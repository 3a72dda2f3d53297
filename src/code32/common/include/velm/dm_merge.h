// The DEVMODE merge, public field handlers and private validation: what the
// settings files need of them.
#pragma once

#include <cstdint>

struct DriverContext;

// The user paper-size slot of the paper / of the output paper, -1 when the
// paper is not a user size.
int32_t FreeSizeGetPaperSlot(DriverContext* ctx);
int32_t FreeSizeGetOutPaperSlot(DriverContext* ctx);
void DmPrivateToPublic(uint8_t* devmode, DriverContext* ctx, int32_t mode);
