// The save stack of a context's settings and the settings-file mismatch
// flag.
#pragma once

#include <cstdint>

struct DriverContext;

// Pushes the working settings; a pop with restore 1 brings them back, with
// 0 drops the pushed copy.
void DmPushSettings(DriverContext* ctx);
void DmPopSettings(DriverContext* ctx, int32_t restore);
// 1 when the last settings-file load refused the file's header.
void CtxSetFileMismatch(DriverContext* ctx, int32_t value);
int32_t CtxGetFileMismatch(DriverContext* ctx);
