// Steps of the DEVMODE merge that belong to areas still to come: the public
// field merge and derived items, the settings-request block, the setting
// store's loads and saves, the job-information provider, the rule transacts
// and the model defaults.
//
// Stand-ins until those areas land: each does nothing (or answers 0/1 as a
// caller needs to go on), so a merge takes the private part and keeps the
// working public fields.
#pragma once

#include <cstdint>

struct DriverContext;

int32_t DmApplyExchangeRequest(DriverContext* ctx, uint8_t* devmode);  // 1 applied or nothing to do, 0 out of memory
void DmMergePublicFields(DriverContext* ctx, uint8_t* working, const uint8_t* input);
void DmPublicToPrivate(DriverContext* ctx, const uint8_t* input);
void DmPrivateToPublic(uint8_t* devmode, DriverContext* ctx, int32_t mode);
void DmSetOutputPaper(DriverContext* ctx, int32_t paper);
void RuleApplyAllTransacts(DriverContext* ctx);
void JobInfoReadMaskIfEnabled(DriverContext* ctx, uint32_t mask);
void StoreLoadItems(DriverContext* ctx, int32_t region);
void StoreSaveActionWord(DriverContext* ctx);
int32_t MdfGetItemDefault(DriverContext* ctx, uint32_t setting_id);
