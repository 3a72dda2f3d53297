// Steps of the DEVMODE merge and defaults that belong to areas still to
// come: the public field merge, handlers and derived items, the private
// validation, the settings-request block, the job-information provider and
// the rule transacts.
//
// Stand-ins until those areas land: each does nothing (or answers 0/1 as a
// caller needs to go on), so a merge takes the private part and keeps the
// working public fields. The model defaults come from the model queries.
#pragma once

#include <cstdint>

#include "velm/model_query.h"

struct DriverContext;

int32_t DmApplyExchangeRequest(DriverContext* ctx, uint8_t* devmode);  // 1 applied or nothing to do, 0 out of memory
void DmMergePublicFields(DriverContext* ctx, uint8_t* working, const uint8_t* input);
void DmPublicToPrivate(DriverContext* ctx, const uint8_t* input);
void DmPrivateToPublic(uint8_t* devmode, DriverContext* ctx, int32_t mode);
void DmSetOutputPaper(DriverContext* ctx, int32_t paper);
void RuleApplyAllTransacts(DriverContext* ctx);
void JobInfoReadMaskIfEnabled(DriverContext* ctx, uint32_t mask);
// The public fields after the item defaults: the header fields their fixed
// values, the others kept or given the model record's default.
void DmResetPublicFields(uint8_t* devmode, int32_t mode, DriverContext* ctx);
// Private validation, derived items and the private header after defaults.
void DmFinishDefaults(uint8_t* devmode, DriverContext* ctx);
void DmRefreshDerivedItems(uint8_t* devmode, DriverContext* ctx, int32_t mode);
