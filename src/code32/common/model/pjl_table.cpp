// Generated table data. Keep the tests beside it in step with any change.
//
// The PJL variable table: the settings that outside programs and the job
// language name directly, each with its variable name, its values and their
// value texts, the settings set together with a value and the installed
// options a value needs. Read-only and shared by every context.
#include "velm/selectable.h"

namespace {

// Action lists: settings set together with a value, first entry first.
const PjlAction kAct_a0 = {nullptr, 0u, 64u, 1};
const PjlAction kAct_b0 = {nullptr, 0u, 64u, 0};
const PjlAction kAct_c0 = {nullptr, 0u, 66u, 1};
const PjlAction kAct_d0 = {nullptr, 0u, 66u, 0};
const PjlAction kAct_e0 = {nullptr, 0u, 65u, 1};
const PjlAction kAct_f0 = {nullptr, 0u, 65u, 0};
const PjlAction kAct_g0 = {nullptr, 0u, 58u, 1};
const PjlAction kAct_h0 = {nullptr, 0u, 58u, 0};
const PjlAction kAct_i0 = {nullptr, 0u, 59u, 0};
const PjlAction kAct_j1 = {nullptr, 0u, 59u, 1};
const PjlAction kAct_j0 = {&kAct_j1, 1u, 94u, 1};
const PjlAction kAct_k1 = {nullptr, 0u, 59u, 1};
const PjlAction kAct_k0 = {&kAct_k1, 1u, 94u, 2};
const PjlAction kAct_l1 = {nullptr, 0u, 59u, 1};
const PjlAction kAct_l0 = {&kAct_l1, 1u, 94u, 3};
const PjlAction kAct_m1 = {nullptr, 0u, 59u, 1};
const PjlAction kAct_m0 = {&kAct_m1, 1u, 94u, 4};
const PjlAction kAct_n1 = {nullptr, 0u, 185u, 0};
const PjlAction kAct_n0 = {&kAct_n1, 1u, 187u, 17};

// Condition lists: when a value is available.
const PjlCondition kCond_C1_4 = {nullptr, 0u, 441, 0, 320};
const PjlCondition kCond_C1_3 = {&kCond_C1_4, 0u, 441, 0, 192};
const PjlCondition kCond_C1_2 = {&kCond_C1_3, 0u, 441, 0, 128};
const PjlCondition kCond_C1_1 = {&kCond_C1_2, 0u, 441, 0, 64};
const PjlCondition kCond_C1_0 = {&kCond_C1_1, 0u, 499, 0, 1};
const PjlCondition kCond_C2_0 = {nullptr, 0u, 479, 0, 1};
const PjlCondition kCond_C3_0 = {nullptr, 0u, 477, 0, 1};
const PjlCondition kCond_C4_0 = {nullptr, 0u, 449, 0, 1};
const PjlCondition kCond_C5_0 = {nullptr, 0u, 447, 0, 1};
const PjlCondition kCond_C6_0 = {nullptr, 0u, 450, 0, 1};
const PjlCondition kCond_C7_5 = {nullptr, 0u, 441, 0, 320};
const PjlCondition kCond_C7_4 = {&kCond_C7_5, 0u, 441, 0, 192};
const PjlCondition kCond_C7_3 = {&kCond_C7_4, 0u, 441, 0, 128};
const PjlCondition kCond_C7_2 = {&kCond_C7_3, 0u, 441, 0, 64};
const PjlCondition kCond_C7_1 = {&kCond_C7_2, 0u, 499, 0, 1};
const PjlCondition kCond_C7_0 = {&kCond_C7_1, 1u, 479, 0, 1};
const PjlCondition kCond_C8_0 = {nullptr, 0u, 443, 0, 1};
const PjlCondition kCond_C9_0 = {nullptr, 0u, 61, 0, 1};
const PjlCondition kCond_C10_0 = {nullptr, 0u, 61, 0, 0};
const PjlCondition kCond_C11_0 = {nullptr, 0u, 59, 0, 1};

// Shared value lists.
const PjlOptionRow kList1Rows[] = {
    {0x0u, 0, "NONE", 0, nullptr, nullptr, 0},
    {0x0u, 8, "A3", 0, nullptr, nullptr, 0},
    {0x0u, 9, "A4", 0, nullptr, nullptr, 0},
    {0x0u, 11, "A5", 0, nullptr, nullptr, 0},
    {0x0u, 12, "JISB4", 0, nullptr, nullptr, 0},
    {0x0u, 13, "JISB5", 0, nullptr, nullptr, 0},
    {0x0u, 1, "LETTER", 0, nullptr, nullptr, 0},
    {0x0u, 5, "LEGAL", 0, nullptr, nullptr, 0},
    {0x0u, 6, "HALFLETTER", 0, nullptr, nullptr, 0},
    {0x0u, 3, "LEDGER", 0, nullptr, nullptr, 0},
    {0x0u, 256, "CUSTOM", 0, nullptr, nullptr, 0},
};
const PjlOptionList kList1 = {11, kList1Rows};
const PjlOptionRow kList2Rows[] = {
    {0x0u, 0, "PORTRAIT", 0, nullptr, nullptr, 0},
    {0x0u, 1, "LANDSCAPE", 0, nullptr, nullptr, 0},
};
const PjlOptionList kList2 = {2, kList2Rows};
const PjlOptionRow kList3Rows[] = {
    {0x0u, 1, "PLAIN", 0, nullptr, nullptr, 0},
    {0x0u, 260, "RECYCLED", 0, nullptr, nullptr, 0},
    {0x0u, 264, "COLOR", 0, nullptr, nullptr, 0},
    {0x0u, 258, "SPECIAL", 0, nullptr, nullptr, 0},
    {0x0u, 265, "LETTERHEAD", 0, nullptr, nullptr, 0},
    {0x0u, 262, "LABELS", 0, nullptr, nullptr, 0},
    {0x0u, 2, "TRANSPARENCY", 0, nullptr, nullptr, 0},
    {0x0u, 257, "THICK", 0, nullptr, nullptr, 0},
};
const PjlOptionList kList3 = {8, kList3Rows};
const PjlOptionList kList4 = {0, nullptr};
const PjlOptionRow kList5Rows[] = {
    {0x0u, 600, "600", 0, &kAct_n0, nullptr, 0},
};
const PjlOptionList kList5 = {1, kList5Rows};

// Value lists of single variables.
const PjlOptionRow kRow0Rows[] = {
    {0x0u, 1, "SORT", 0, &kAct_a0, &kCond_C1_0, 0},
    {0x0u, 4, "SHIFT", 0, &kAct_a0, &kCond_C7_0, 0},
    {0x1u, 0, "OFF", 0, &kAct_b0, nullptr, 0},
};
const PjlOptionList kRow0 = {3, kRow0Rows};
const PjlOptionRow kRow1Rows[] = {
    {0x0u, 2, "UPPER", 0, nullptr, nullptr, 0},
    {0x0u, 7, "FINISHERSHIFT", 0, nullptr, &kCond_C2_0, 0},
    {0x0u, 14, "OPTIONALOUTPUTBIN1", 0, nullptr, &kCond_C3_0, 0},
    {0x0u, 15, "OPTIONALOUTPUTBIN2", 0, nullptr, &kCond_C3_0, 0},
    {0x0u, 16, "OPTIONALOUTPUTBIN3", 0, nullptr, &kCond_C3_0, 0},
    {0x0u, 17, "OPTIONALOUTPUTBIN4", 0, nullptr, &kCond_C3_0, 0},
    {0x0u, 18, "OPTIONALOUTPUTBIN5", 0, nullptr, &kCond_C3_0, 0},
    {0x0u, 19, "OPTIONALOUTPUTBIN6", 0, nullptr, &kCond_C3_0, 0},
    {0x0u, 20, "OPTIONALOUTPUTBIN7", 0, nullptr, &kCond_C3_0, 0},
    {0x0u, 21, "OPTIONALOUTPUTBIN8", 0, nullptr, &kCond_C3_0, 0},
    {0x0u, 22, "OPTIONALOUTPUTBIN9", 0, nullptr, &kCond_C3_0, 0},
    {0x0u, 23, "OPTIONALOUTPUTBIN10", 0, nullptr, &kCond_C3_0, 0},
    {0x10u, 0, "UPPER", 0, nullptr, nullptr, 0},
};
const PjlOptionList kRow1 = {13, kRow1Rows};
const PjlOptionRow kRow2Rows[] = {
    {0x0u, 7, "ALL", 0, nullptr, nullptr, 0},
    {0x0u, 1, "TRAY1", 0, nullptr, nullptr, 0},
    {0x0u, 3, "TRAY2", 0, nullptr, nullptr, 0},
    {0x0u, 2, "TRAY3", 0, nullptr, &kCond_C4_0, 0},
    {0x0u, 256, "TRAY4", 0, nullptr, &kCond_C4_0, 0},
    {0x0u, 11, "LCT", 0, nullptr, &kCond_C5_0, 0},
    {0x0u, 4, "MANUAL", 0, nullptr, &kCond_C6_0, 0},
};
const PjlOptionList kRow2 = {7, kRow2Rows};
const PjlOptionRow kRow3Rows[] = {
    {0x0u, 1, "ON", 0, nullptr, &kCond_C8_0, 0},
    {0x0u, 0, "OFF", 0, nullptr, nullptr, 0},
};
const PjlOptionList kRow3 = {2, kRow3Rows};
const PjlOptionRow kRow4Rows[] = {
    {0x0u, 34, "LEFTTOPSLANT", 0, &kAct_c0, &kCond_C7_0, 0},
    {0x0u, 33, "RIGHTTOPSLANT", 0, &kAct_c0, &kCond_C7_0, 0},
    {0x0u, 65, "TOP2", 0, &kAct_c0, &kCond_C7_0, 0},
    {0x0u, 67, "LEFT2", 0, &kAct_c0, &kCond_C7_0, 0},
    {0x0u, 66, "RIGHT2", 0, &kAct_c0, &kCond_C7_0, 0},
    {0x0u, 50, "LEFTTOP", 0, &kAct_c0, &kCond_C7_0, 0},
    {0x0u, 49, "RIGHTTOP", 0, &kAct_c0, &kCond_C7_0, 0},
    {0x1u, 0, "OFF", 0, &kAct_d0, nullptr, 0},
};
const PjlOptionList kRow4 = {8, kRow4Rows};
const PjlOptionRow kRow5Rows[] = {
    {0x0u, 1, "TOP", 0, &kAct_e0, &kCond_C2_0, 0},
    {0x0u, 2, "RIGHT", 0, &kAct_e0, &kCond_C2_0, 0},
    {0x0u, 3, "LEFT", 0, &kAct_e0, &kCond_C2_0, 0},
    {0x1u, 0, "OFF", 0, &kAct_f0, nullptr, 0},
};
const PjlOptionList kRow5 = {4, kRow5Rows};
const PjlOptionRow kRow13Rows[] = {
    {0x0u, 0, "NONE", 0, nullptr, nullptr, 0},
    {0x0u, 8, "A3", 0, nullptr, nullptr, 0},
    {0x0u, 9, "A4", 0, nullptr, nullptr, 0},
    {0x0u, 11, "A5", 0, nullptr, nullptr, 0},
    {0x0u, 70, "A6", 0, nullptr, nullptr, 0},
    {0x0u, 43, "JPOST", 0, nullptr, nullptr, 0},
    {0x0u, 12, "JISB4", 0, nullptr, nullptr, 0},
    {0x0u, 13, "JISB5", 0, nullptr, nullptr, 0},
    {0x0u, 88, "JISB6", 0, nullptr, nullptr, 0},
    {0x0u, 1, "LETTER", 0, nullptr, nullptr, 0},
    {0x0u, 5, "LEGAL", 0, nullptr, nullptr, 0},
    {0x0u, 6, "HALFLETTER", 0, nullptr, nullptr, 0},
    {0x0u, 3, "LEDGER", 0, nullptr, nullptr, 0},
    {0x0u, 256, "CUSTOM", 0, nullptr, nullptr, 0},
};
const PjlOptionList kRow13 = {14, kRow13Rows};
const PjlOptionRow kRow26Rows[] = {
    {0x0u, 8, "A3", 0, nullptr, nullptr, 0},
    {0x0u, 9, "A4", 0, nullptr, nullptr, 0},
    {0x0u, 11, "A5", 0, nullptr, nullptr, 0},
    {0x0u, 70, "A6", 0, nullptr, nullptr, 0},
    {0x0u, 43, "JPOST", 0, nullptr, nullptr, 0},
    {0x0u, 12, "JISB4", 0, nullptr, nullptr, 0},
    {0x0u, 13, "JISB5", 0, nullptr, nullptr, 0},
    {0x0u, 88, "JISB6", 0, nullptr, nullptr, 0},
    {0x0u, 1, "LETTER", 0, nullptr, nullptr, 0},
    {0x0u, 5, "LEGAL", 0, nullptr, nullptr, 0},
    {0x0u, 6, "HALFLETTER", 0, nullptr, nullptr, 0},
    {0x0u, 3, "LEDGER", 0, nullptr, nullptr, 0},
    {0x0u, 256, "CUSTOM", 0, nullptr, nullptr, 0},
};
const PjlOptionList kRow26 = {13, kRow26Rows};
const PjlOptionRow kRow27Rows[] = {
    {0x0u, 1, "PORTRAIT", 0, nullptr, nullptr, 0},
    {0x0u, 2, "LANDSCAPE", 0, nullptr, nullptr, 0},
};
const PjlOptionList kRow27 = {2, kRow27Rows};
const PjlOptionRow kRow28Rows[] = {
    {0x0u, 1024, "SAME", 0, nullptr, nullptr, 0},
    {0x0u, 8, "A3", 0, nullptr, nullptr, 0},
    {0x0u, 9, "A4", 0, nullptr, nullptr, 0},
    {0x0u, 11, "A5", 0, nullptr, nullptr, 0},
    {0x0u, 70, "A6", 0, nullptr, &kCond_C6_0, 0},
    {0x0u, 43, "JPOST", 0, nullptr, &kCond_C6_0, 0},
    {0x0u, 12, "JISB4", 0, nullptr, nullptr, 0},
    {0x0u, 13, "JISB5", 0, nullptr, nullptr, 0},
    {0x0u, 88, "JISB6", 0, nullptr, &kCond_C6_0, 0},
    {0x0u, 1, "LETTER", 0, nullptr, nullptr, 0},
    {0x0u, 5, "LEGAL", 0, nullptr, nullptr, 0},
    {0x0u, 6, "HALFLETTER", 0, nullptr, nullptr, 0},
    {0x0u, 3, "LEDGER", 0, nullptr, nullptr, 0},
    {0x0u, 256, "CUSTOM", 0, nullptr, &kCond_C6_0, 0},
    {0x10u, 384, "CUSTOM", 0, nullptr, &kCond_C6_0, 0},
    {0x10u, 385, "CUSTOM", 0, nullptr, &kCond_C6_0, 0},
    {0x10u, 386, "CUSTOM", 0, nullptr, &kCond_C6_0, 0},
    {0x10u, 387, "CUSTOM", 0, nullptr, &kCond_C6_0, 0},
    {0x10u, 388, "CUSTOM", 0, nullptr, &kCond_C6_0, 0},
    {0x10u, 389, "CUSTOM", 0, nullptr, &kCond_C6_0, 0},
    {0x10u, 390, "CUSTOM", 0, nullptr, &kCond_C6_0, 0},
    {0x10u, 391, "CUSTOM", 0, nullptr, &kCond_C6_0, 0},
    {0x10u, 392, "CUSTOM", 0, nullptr, &kCond_C6_0, 0},
};
const PjlOptionList kRow28 = {23, kRow28Rows};
const PjlOptionRow kRow30Rows[] = {
    {0x0u, 2, "PAPERDEFSCALE", 0, &kAct_g0, nullptr, 0},
    {0x0u, 1, "PAPERSCALE", 0, &kAct_g0, nullptr, 0},
    {0x1u, 0, "OFF", 0, &kAct_h0, nullptr, 0},
};
const PjlOptionList kRow30 = {3, kRow30Rows};
const PjlOptionRow kRow33Rows[] = {
    {0x0u, 3, "LEFT", 0, nullptr, &kCond_C9_0, 0},
    {0x0u, 2, "RIGHT", 0, nullptr, &kCond_C9_0, 0},
    {0x0u, 1, "TOP", 0, nullptr, &kCond_C9_0, 0},
    {0x10u, 19, "LEFT", 0, nullptr, &kCond_C9_0, 0},
    {0x10u, 18, "RIGHT", 0, nullptr, &kCond_C9_0, 0},
    {0x10u, 17, "TOP", 0, nullptr, &kCond_C9_0, 0},
    {0x10u, 22, "LEFT", 0, nullptr, &kCond_C9_0, 0},
    {0x10u, 21, "RIGHT", 0, nullptr, &kCond_C9_0, 0},
    {0x10u, 20, "TOP", 0, nullptr, &kCond_C9_0, 0},
};
const PjlOptionList kRow33 = {9, kRow33Rows};
const PjlOptionRow kRow36Rows[] = {
    {0x0u, 1, "2IN1P1", 0, &kAct_j0, nullptr, 0},
    {0x0u, 2, "2IN1P2", 0, &kAct_j0, nullptr, 0},
    {0x10u, 3, "2IN1P1", 0, &kAct_j0, nullptr, 0},
    {0x0u, 33, "4IN1P1", 0, &kAct_k0, nullptr, 0},
    {0x0u, 37, "4IN1P2", 0, &kAct_k0, nullptr, 0},
    {0x0u, 34, "4IN1P3", 0, &kAct_k0, nullptr, 0},
    {0x0u, 38, "4IN1P4", 0, &kAct_k0, nullptr, 0},
    {0x0u, 65, "9IN1P1", 0, &kAct_l0, nullptr, 0},
    {0x0u, 69, "9IN1P2", 0, &kAct_l0, nullptr, 0},
    {0x0u, 66, "9IN1P3", 0, &kAct_l0, nullptr, 0},
    {0x0u, 70, "9IN1P4", 0, &kAct_l0, nullptr, 0},
    {0x0u, 97, "16IN1P1", 0, &kAct_m0, nullptr, 0},
    {0x0u, 101, "16IN1P2", 0, &kAct_m0, nullptr, 0},
    {0x0u, 98, "16IN1P3", 0, &kAct_m0, nullptr, 0},
    {0x0u, 102, "16IN1P4", 0, &kAct_m0, nullptr, 0},
    {0x1u, 0, "OFF", 0, &kAct_i0, nullptr, 0},
};
const PjlOptionList kRow36 = {16, kRow36Rows};
const PjlOptionRow kRow37Rows[] = {
    {0x0u, 1, "CHAINSTITCH", 0, nullptr, &kCond_C11_0, 0},
    {0x0u, 0, "OFF", 0, nullptr, &kCond_C11_0, 0},
};
const PjlOptionList kRow37 = {2, kRow37Rows};
const PjlOptionRow kRow40Rows[] = {
    {0x0u, 600, "600", 0, &kAct_n0, nullptr, 0},
};
const PjlOptionList kRow40 = {1, kRow40Rows};
const PjlOptionRow kRow43Rows[] = {
    {0x0u, 1, "MONO", 0, nullptr, nullptr, 0},
};
const PjlOptionList kRow43 = {1, kRow43Rows};
const PjlOptionRow kRow44Rows[] = {
    {0x0u, 3, "LEFT", 0, nullptr, &kCond_C10_0, 0},
    {0x0u, 2, "RIGHT", 0, nullptr, &kCond_C10_0, 0},
    {0x0u, 1, "TOP", 0, nullptr, &kCond_C10_0, 0},
    {0x0u, 4, "BOTTOM", 0, nullptr, &kCond_C10_0, 0},
};
const PjlOptionList kRow44 = {4, kRow44Rows};
const PjlOptionRow kRow46Rows[] = {
    {0x1u, 0, "JP2", 0, nullptr, &kCond_C2_0, 0},
};
const PjlOptionList kRow46 = {1, kRow46Rows};
const PjlOptionRow kRow47Rows[] = {
    {0x0u, 2, "BOOKLETF", 0, nullptr, &kCond_C9_0, 0},
    {0x0u, 1, "BOOKLETC", 0, nullptr, &kCond_C9_0, 0},
    {0x0u, 0, "OFF", 0, nullptr, nullptr, 0},
};
const PjlOptionList kRow47 = {3, kRow47Rows};

const PjlVariableRow kRows[] = {
    {129u, 0, 0x1u, 3u, 1u, "COLLATE", nullptr, &kRow0, nullptr},  // 0
    {57u, 0, 0x1u, 3u, 1u, "OUTBIN", nullptr, &kRow1, nullptr},  // 1
    {13u, 0, 0x1u, 3u, 1u, "TRAY", nullptr, &kRow2, nullptr},  // 2
    {61u, 0, 0x1u, 3u, 1u, "DUPLEX", nullptr, &kRow3, nullptr},  // 3
    {136u, 0, 0x1u, 3u, 1u, "STAPLE", nullptr, &kRow4, nullptr},  // 4
    {134u, 0, 0x1u, 3u, 1u, "PUNCH", nullptr, &kRow5, nullptr},  // 5
    {10012u, 0, 0x2u, 4u, 1u, "MEMORYSIZE", nullptr, nullptr, nullptr},  // 6
    {216u, 0, 0x2u, 4u, 16u, "USERCODE", nullptr, nullptr, nullptr},  // 7
    {604u, 0, 0x1u, 4u, 1u, "TRAYPAPER1", nullptr, &kList1, nullptr},  // 8
    {605u, 0, 0x1u, 4u, 1u, "TRAYPAPER2", nullptr, &kList1, nullptr},  // 9
    {606u, 0, 0x1u, 4u, 1u, "TRAYPAPER3", nullptr, &kList1, nullptr},  // 10
    {607u, 0, 0x1u, 4u, 1u, "TRAYPAPER4", nullptr, &kList1, nullptr},  // 11
    {629u, 0, 0x1u, 4u, 1u, "LCTPAPER1", nullptr, &kList1, nullptr},  // 12
    {631u, 0, 0x1u, 4u, 1u, "MANUALPAPER", nullptr, &kRow13, nullptr},  // 13
    {572u, 0, 0x1u, 4u, 1u, "TRAYPAPERORIENT1", nullptr, &kList2, nullptr},  // 14
    {573u, 0, 0x1u, 4u, 1u, "TRAYPAPERORIENT2", nullptr, &kList2, nullptr},  // 15
    {574u, 0, 0x1u, 4u, 1u, "TRAYPAPERORIENT3", nullptr, &kList2, nullptr},  // 16
    {575u, 0, 0x1u, 4u, 1u, "TRAYPAPERORIENT4", nullptr, &kList2, nullptr},  // 17
    {597u, 0, 0x1u, 4u, 1u, "LCTPAPERORIENT1", nullptr, &kList2, nullptr},  // 18
    {599u, 0, 0x1u, 4u, 1u, "MANUALPAPERORIENT", nullptr, &kList2, nullptr},  // 19
    {636u, 0, 0x1u, 4u, 1u, "TRAYPAPERMEDIA1", nullptr, &kList3, nullptr},  // 20
    {637u, 0, 0x1u, 4u, 1u, "TRAYPAPERMEDIA2", nullptr, &kList3, nullptr},  // 21
    {638u, 0, 0x1u, 4u, 1u, "TRAYPAPERMEDIA3", nullptr, &kList3, nullptr},  // 22
    {639u, 0, 0x1u, 4u, 1u, "TRAYPAPERMEDIA4", nullptr, &kList3, nullptr},  // 23
    {661u, 0, 0x1u, 4u, 1u, "LCTPAPERMEDIA1", nullptr, &kList3, nullptr},  // 24
    {663u, 0, 0x1u, 4u, 1u, "MANUALPAPERMEDIA", nullptr, &kList3, nullptr},  // 25
    {8u, 0, 0x1u, 1u, 1u, "APLPAGESIZE", nullptr, &kRow26, nullptr},  // 26
    {7u, 0, 0x1u, 1u, 1u, "APLPAGELAYOUT", nullptr, &kRow27, nullptr},  // 27
    {50u, 0, 0x1u, 3u, 1u, "PAPER", nullptr, &kRow28, nullptr},  // 28
    {12u, 0, 0x2u, 1u, 8u, "COPIES", nullptr, nullptr, nullptr},  // 29
    {90u, 0, 0x1u, 1u, 1u, "SCALETYPE", nullptr, &kRow30, nullptr},  // 30
    {93u, 0, 0x2u, 1u, 8u, "PAPERSCALEH", nullptr, &kList4, nullptr},  // 31
    {92u, 0, 0x2u, 1u, 8u, "PAPERSCALEW", nullptr, &kList4, nullptr},  // 32
    {102u, 0, 0x10801u, 1u, 1u, "BINDING", nullptr, &kRow33, nullptr},  // 33
    {106u, 0, 0x2u, 1u, 8u, "MARGINODD", nullptr, nullptr, nullptr},  // 34
    {107u, 0, 0x2u, 1u, 8u, "MARGINEVEN", nullptr, nullptr, nullptr},  // 35
    {95u, 0, 0x1u, 1u, 1u, "NUP", nullptr, &kRow36, nullptr},  // 36
    {96u, 0, 0x1u, 1u, 1u, "NUPENCLOSURE", nullptr, &kRow37, nullptr},  // 37
    {378u, 0, 0x1u, 1u, 1u, "MEDIATYPE", nullptr, &kList3, nullptr},  // 38
    {43u, 0, 0x1u, 1u, 1u, "DSTRESOLUTIONH", nullptr, &kList5, nullptr},  // 39
    {42u, 0, 0x1u, 1u, 1u, "DSTRESOLUTIONW", nullptr, &kRow40, nullptr},  // 40
    {17u, 0, 0x1u, 1u, 1u, "SRCRESOLUTIONH", nullptr, &kList5, nullptr},  // 41
    {14u, 0, 0x1u, 1u, 1u, "SRCRESOLUTIONW", nullptr, &kList5, nullptr},  // 42
    {15u, 0, 0x1u, 1u, 1u, "COLORSELECT", nullptr, &kRow43, nullptr},  // 43
    {103u, 0, 0x1u, 1u, 1u, "SIMPLEXBINDING", nullptr, &kRow44, nullptr},  // 44
    {0u, 0, 0x10100u, 1u, 1u, "FORCEFEED", nullptr, nullptr, nullptr},  // 45
    {65u, 0, 0x1u, 3u, 1u, "PUNCHHOLE", nullptr, &kRow46, nullptr},  // 46
    {732u, 0, 0x11001u, 1u, 1u, "BOOKLET", nullptr, &kRow47, nullptr},  // 47
};
static_assert(sizeof(kRows) / sizeof(kRows[0]) == kPjlVariableCount);

const PjlVariableTable kTable = {kPjlVariableCount, kRows};

}  // namespace

const PjlVariableTable* OptGetSelectableTable() { return &kTable; }
