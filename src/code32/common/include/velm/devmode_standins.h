// Steps of the DEVMODE merge that belong to areas still to come: the
// settings-request block (the job-information provider is in velm/jobinfo.h). The public field
// merge, the derived items and the validation are in velm/dm_merge.h; the
// setting store's loads and saves in velm/store.h.
//
// Stand-ins until those areas land: each does nothing (or answers 1 as a
// caller needs to go on).
#pragma once

#include <cstdint>

#include "velm/dm_merge.h"
#include "velm/jobinfo.h"
#include "velm/model_query.h"

struct DriverContext;

int32_t DmApplyExchangeRequest(DriverContext* ctx, uint8_t* devmode);  // 1 applied or nothing to do, 0 out of memory
