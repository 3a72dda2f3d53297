// Stand-in until the stamp preview painter lands: no stamp is drawn.
#include "ui2k/preview.h"

void PrevPaintStamp(DriverContext*, DialogItemRecord*, int32_t, int32_t, const RECT*, const RECT*) {}
