// Steps of the DEVMODE merge that belong to areas still to come: the
// job-information provider. The public field
// merge, the derived items and the validation are in velm/dm_merge.h; the
// setting store's loads and saves in velm/store.h.
//
// Stand-ins until those areas land: each does nothing (or answers 1 as a
// caller needs to go on).
#pragma once

#include <cstdint>

#include "velm/dm_merge.h"
#include "velm/model_query.h"

struct DriverContext;

void JobInfoReadMaskIfEnabled(DriverContext* ctx, uint32_t mask);
