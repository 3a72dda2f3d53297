// Stand-ins until the handlers of text and numeric edits, scroll bars,
// sliders, trackbars, tabs and the item tree land. Each does nothing and
// answers "not handled".
#include "ui2k/controls.h"

#define VELM_STANDIN_ITEM_HANDLER(name) \
  int32_t name(DriverContext*, DialogRecord*, DialogItemRecord*) { return 0; }
#define VELM_STANDIN_EVENT_HANDLER(name) \
  LRESULT name(DriverContext*, DialogRecord*, DialogItemRecord*, uintptr_t, uintptr_t, intptr_t) { return 0; }

VELM_STANDIN_ITEM_HANDLER(CtlEditInit)
VELM_STANDIN_ITEM_HANDLER(CtlNumInit)
VELM_STANDIN_ITEM_HANDLER(CtlSpinInit)
VELM_STANDIN_ITEM_HANDLER(CtlSliderInit)
VELM_STANDIN_ITEM_HANDLER(CtlTrackbarInit)
VELM_STANDIN_ITEM_HANDLER(CtlTabInit)
VELM_STANDIN_ITEM_HANDLER(CtlTreeInit)

VELM_STANDIN_ITEM_HANDLER(CtlEditRefresh)
VELM_STANDIN_ITEM_HANDLER(CtlNumRefresh)
VELM_STANDIN_ITEM_HANDLER(CtlSpinRefresh)
VELM_STANDIN_ITEM_HANDLER(CtlSliderRefresh)
VELM_STANDIN_ITEM_HANDLER(CtlDrawnSliderRefresh)
VELM_STANDIN_ITEM_HANDLER(CtlTrackbarRefresh)

VELM_STANDIN_EVENT_HANDLER(CtlEditCommand)
VELM_STANDIN_EVENT_HANDLER(CtlNumCommand)

VELM_STANDIN_EVENT_HANDLER(CtlNumMessage)
VELM_STANDIN_EVENT_HANDLER(CtlSpinMessage)
VELM_STANDIN_EVENT_HANDLER(CtlSliderMessage)
VELM_STANDIN_EVENT_HANDLER(CtlTrackbarMessage)
VELM_STANDIN_EVENT_HANDLER(CtlTabMessage)
VELM_STANDIN_EVENT_HANDLER(CtlNoMessage)

#undef VELM_STANDIN_ITEM_HANDLER
#undef VELM_STANDIN_EVENT_HANDLER
