// Stand-ins until the public field merge, the settings-request block, the
// setting store's loads and saves, the job-information provider, the rule
// transacts and the model queries land. Each leaves the DEVMODE as it is.
#include "velm/devmode_standins.h"

int32_t DmApplyExchangeRequest(DriverContext*, uint8_t*) { return 1; }
void DmMergePublicFields(DriverContext*, uint8_t*, const uint8_t*) {}
void DmPublicToPrivate(DriverContext*, const uint8_t*) {}
void DmPrivateToPublic(uint8_t*, DriverContext*, int32_t) {}
void DmSetOutputPaper(DriverContext*, int32_t) {}
void RuleApplyAllTransacts(DriverContext*) {}
void JobInfoReadMaskIfEnabled(DriverContext*, uint32_t) {}
void StoreLoadItems(DriverContext*, int32_t) {}
void StoreSaveActionWord(DriverContext*) {}
int32_t MdfGetItemDefault(DriverContext*, uint32_t) { return 0; }
