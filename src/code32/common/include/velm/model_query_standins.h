// What the setting store asks of the model description and the rules: the
// model queries themselves (velm/model_query.h), whether the page image lies
// landscape on the sheet, and the UI strings.
#pragma once

#include <cstdint>

#include "velm/model_query.h"
#include "velm/rule_computed.h"

struct DriverContext;

// (RuleIsSheetLandscape comes from velm/rule_computed.h.)

// A UI string by id into buffer (capacity in characters), with its suffix
// when suffix is non-zero; returns its length, 0 when there is none.
int32_t ResLoadString(DriverContext* ctx, uint32_t id, char16_t* buffer, uint32_t capacity, int32_t suffix);
