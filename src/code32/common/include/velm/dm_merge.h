// The DEVMODE merge, its derived items and the private validation.
#pragma once

#include <cstdint>

struct DriverContext;

void DmSetPaper(int32_t paper, uint32_t id, DriverContext* ctx, uint8_t* devmode);
void DmSetOutputPaper(int32_t paper, uint32_t id, DriverContext* ctx, uint8_t* devmode);
void DmSetCustomPaper(uint8_t* devmode, DriverContext* ctx);
void DmResolutionToPrivate(uint8_t* devmode, DriverContext* ctx);
void DmResolutionToPublic(uint8_t* devmode, DriverContext* ctx);
void RuleApplyAllTransacts(DriverContext* ctx);
// The user paper-size slot of the paper / of the output paper, -1 when the
// paper is not a user size.
int32_t FreeSizeGetPaperSlot(DriverContext* ctx);
int32_t FreeSizeGetOutPaperSlot(DriverContext* ctx);
void DmPrivateToPublic(uint8_t* devmode, DriverContext* ctx, int32_t mode);
