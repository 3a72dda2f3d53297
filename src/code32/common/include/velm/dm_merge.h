// The DEVMODE merge, its derived items and the private validation: only the
// declarations the rule and capability code calls.
#pragma once

#include <cstdint>

struct DriverContext;

void DmSetPaper(int32_t paper, uint32_t id, DriverContext* ctx, uint8_t* devmode);
void DmSetOutputPaper(int32_t paper, uint32_t id, DriverContext* ctx, uint8_t* devmode);
void DmSetCustomPaper(uint8_t* devmode, DriverContext* ctx);
void DmResolutionToPrivate(uint8_t* devmode, DriverContext* ctx);
void DmResolutionToPublic(uint8_t* devmode, DriverContext* ctx);
void RuleApplyAllTransacts(DriverContext* ctx);
