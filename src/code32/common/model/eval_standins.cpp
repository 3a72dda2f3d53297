// Stand-in until the built-in computed condition items land: every computed
// item (731-858) answers 0 to a condition.
#include "velm/rule_eval.h"

uint32_t RuleGetComputedItem(DriverContext*, uint32_t) { return 0; }
