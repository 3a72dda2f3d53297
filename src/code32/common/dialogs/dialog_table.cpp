// Generated table data. Keep the tests beside it in step with any change.
//
// The built-in dialog table: one record per dialog of the property sheets, in
// the order pages are added and dialogs searched, and one item row per control.
// The run-time fields start at zero; each context works on its own copy.
#include "velm/dialog_blocks.h"
#include "velm/dialogs.h"

namespace {

// ---- static extra-data blocks ----
constexpr CtlRepeatRow kRepeat2502Rows[] = {{2273, 0, 0, -1}, {2275, 0, 0, -1}, {2277, 0, 0, -1}};
constexpr CtlRepeatBlock kRepeat2502 = {kCtlTagRepeat, 3, kRepeat2502Rows};
constexpr CtlRepeatRow kRepeat2503Rows[] = {{2273, 0, 0, 1}, {2275, 0, 0, 1}, {2277, 0, 0, 1}};
constexpr CtlRepeatBlock kRepeat2503 = {kCtlTagRepeat, 3, kRepeat2503Rows};
constexpr CtlSliderBlock kSlider2264 = {kCtlTagSlider, 1, 10, 6162};
constexpr CtlSliderBlock kSlider2267 = {kCtlTagSlider, 1, 10, 6163};
constexpr CtlSliderBlock kSliderDefault = {kCtlTagSlider, 1, 10, 0};
constexpr CtlSampleBlock kSample2249 = {kCtlTagSample, {0, 0}, {2264, 2267, 0, 0, 0, 0}};
constexpr CtlListBlock kListRefuse = {kCtlTagList, 0, 1, 7005, 0, 0, 10, {}, nullptr};
// The settings whose change repaints the page preview, by symbol key.
constexpr CtlPreviewBlock kPreview = {kCtlTagPreview, {781, 62, 785, 787, 789, 791, 797, 794, 812, 814, 774, 775, 776, 777}};
// label string id, key A, key B (symbol keys)
constexpr CtlListRow kSummary2148Rows[] = {{253, 387, 388}, {254, 439, 440}, {255, 445, 446}, {256, 449, 450}, {257, 466, 0}, {258, 428, 0}, {259, 467, 468}, {260, 471, 472}};
constexpr CtlListBlock kSummary2148 = {kCtlTagList, 0, 0, 0, 0, 8, 10, {}, kSummary2148Rows};
// label string id, key A, key B (symbol keys)
constexpr CtlListRow kSummary2248Rows[] = {{240, 0, 745}, {241, 0, 747}, {242, 0, 752}, {388, 0, 749}, {13041, 771, 0}};
constexpr CtlListBlock kSummary2248 = {kCtlTagList, 0, 0, 0, 0, 5, 10, {}, kSummary2248Rows};

// symbol, control id, kind, control id copy, help id, tip, message, linked
// control, hidden, disabled, window, feature, setting, previous procedure,
// extra data, paper flag, flags
constexpr DialogItemRecord kItems1001[] = {  // VPD_IDD_PRESET
    {330, 2001, 50, 0, 10102, 0, 0, 2039, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 1, 0},  // VPD_IDC_PRESET_ICONLIST
    {331, 2558, 4, 0, 10103, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRESET_GROUP_COPIES
    {332, 2003, 21, 0, 10104, 2503, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRESET_BUTTON_CHANGE
    {333, 2008, 1, 0, 10105, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRESET_STATIC_MEDIATYPE
    {334, 2009, 48, 0, 10106, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, &kListRefuse, 0, 0},  // VPD_IDC_PRESET_CHOICE_MEDIATYPE
    {335, 2006, 1, 0, 10107, 0, 2004, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRESET_STATIC_SOURCETRAY
    {336, 2007, 48, 0, 10108, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, &kListRefuse, 0, 0},  // VPD_IDC_PRESET_CHOICE_SOURCETRAY
    {337, 2010, 1, 0, 10109, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRESET_STATIC_OUTPUT
    {338, 2011, 48, 0, 10110, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, &kListRefuse, 0, 0},  // VPD_IDC_PRESET_CHOICE_OUTPUT
    {339, 2014, 21, 0, 10111, 2502, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRESET_BUTTON_INIT
    {340, 2016, 1, 0, 10112, 2504, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRESET_STATIC_PAPERSIZE
    {341, 2017, 48, 0, 10113, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 1, 0},  // VPD_IDC_PRESET_CHOICE_PAPERSIZE
    {342, 2019, 1, 0, 10114, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRESET_STATIC_SCALE
    {343, 2020, 63, 0, 10115, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRESET_EDIT_SCALE
    {344, 2022, 1, 0, 10116, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRESET_STATIC_PRINTSIZE
    {345, 2023, 48, 0, 10117, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, &kListRefuse, 1, 0},  // VPD_IDC_PRESET_CHOICE_PRINTSIZE
    {346, 2024, 4, 0, 10118, 2504, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRESET_GROUP_ORIENTATION
    {347, 2026, 41, 0, 10119, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_RADIOLIST_1
    {347, 2027, 41, 0, 10120, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_RADIOLIST_1
    {348, 2025, 2, 0, 10121, 0, 0, 347, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRESET_BMP_ORIENTATION
    {349, 2028, 1, 0, 10122, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRESET_STATIC_COPIES
    {350, 2029, 63, 0, 10123, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRESET_EDIT_COPIES
    {351, 2030, 23, 0, 10124, 0, 0, 2029, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRESET_SPIN_COPIES
    {352, 2031, 1, 0, 10125, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRESET_STATIC_PRINTTYPE
    {353, 2032, 48, 0, 10126, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, &kListRefuse, 0, 0},  // VPD_IDC_PRESET_CHOICE_PRINTTYPE
    {354, 2033, 21, 0, 10127, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRESET_BUTTON_PRINTTYPE
    {355, 2034, 21, 0, 104, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 1, 0},  // VPD_IDC_PRESET_BUTTON_DEFAULT
    {356, 2012, 1, 0, 10129, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRESET_STATIC_COLOR
    {357, 2013, 48, 0, 10130, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRESET_CHOICE_COLOR
    {358, 2414, 1, 0, 10131, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRESET_STATIC_SCALE_V
    {359, 2415, 63, 0, 10132, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRESET_EDIT_SCALE_V
    {360, 2416, 1, 0, 10133, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRESET_STATIC_SCALE_H
    {361, 2417, 63, 0, 10134, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRESET_EDIT_SCALE_H
    {362, 2005, 1, 0, 10135, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRESET_STATIC_PRESETNAME
    {363, 2408, 61, 0, 10136, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRESET_EDIT_PRESETNAME
    {364, 2002, 21, 0, 10137, 2501, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRESET_BUTTON_MAINTENANCE
    {365, 2015, 2, 0, 10138, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRESET_BMP_PAPERSIZE
    {366, 2021, 2, 0, 10139, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRESET_BMP_PRINTSIZE
    {367, 2018, 2, 0, 10140, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRESET_BMP_ARROW_SCALE
};
constexpr DialogItemRecord kItems1002[] = {  // VPD_IDD_BASIC
    {368, 2036, 48, 0, 12002, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_CHOICE_PRESETNAME
    {369, 2037, 21, 0, 12003, 2501, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_BUTTON_MAINTENANCE
    {370, 2038, 21, 0, 12004, 2511, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_BUTTON_PRESETSAVE
    {371, 2039, 2, 0, 12005, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, &kPreview, 0, 0},  // VPD_IDC_BASIC_STATIC_PREVIEW
    {372, 2040, 1, 0, 12006, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_STATIC_PRINT_TYPE
    {373, 2041, 48, 0, 12007, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_CHOICE_PRINT_TYPE
    {374, 2042, 21, 0, 12008, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_BUTTON_PRINT_TYPE
    {375, 2043, 1, 0, 12009, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_STATIC_COLOR
    {376, 2044, 48, 0, 12010, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_CHOICE_COLOR
    {377, 2046, 1, 0, 12011, 2504, 265, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_STATIC_PAPERSIZE
    {378, 2017, 48, 0, 12012, 0, 0, 2017, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 1, 0},  // VPD_IDC_PRESET_CHOICE_PAPERSIZE2
    {379, 2045, 2, 0, 12013, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_BMP_PAPERSIZE
    {380, 2068, 2, 0, 12014, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_BMP_ARROW_SCALE
    {381, 2048, 1, 0, 12015, 264, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_STATIC_SCALE
    {382, 2049, 63, 0, 12016, 264, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_EDIT_SCALE
    {383, 2050, 23, 0, 12017, 264, 0, 2049, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_SPIN_SCALE
    {384, 2052, 1, 0, 12018, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_STATIC_PRINTSIZE
    {385, 2053, 48, 0, 12019, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 1, 0},  // VPD_IDC_BASIC_CHOICE_PRINTSIZE
    {386, 2051, 2, 0, 12020, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_BMP_PRINTSIZE
    {387, 2069, 22, 0, 12021, 264, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 1, 0},  // VPD_IDC_BASIC_CHOICE_SCALE
    {388, 2070, 48, 0, 12022, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 1, 0},  // VPD_IDC_BASIC_CHOICE_SCALE_TYPE
    {389, 2067, 2, 0, 12023, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_BMP_PRINTER
    {390, 2071, 22, 0, 12024, 2512, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_CHOICE_COVER
    {391, 2072, 21, 0, 12025, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_BUTTON_COVER
    {392, 2073, 22, 0, 12026, 2513, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_CHOICE_MARKPAPER
    {393, 2074, 21, 0, 12027, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_BUTTON_MARKPAPER
    {394, 2054, 4, 0, 12028, 2504, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_GROUP_ORIENTATION
    {395, 2026, 41, 0, 12029, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_RADIOLIST_2
    {395, 2027, 41, 0, 12030, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_RADIOLIST_2
    {396, 2559, 4, 0, 12031, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_GROUP_COPIES
    {397, 2055, 2, 0, 12032, 0, 0, 395, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_BMP_ORIENTATION
    {398, 2058, 1, 0, 12033, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_STATIC_COPIES
    {399, 2059, 63, 0, 12034, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_EDIT_COPIES
    {400, 2060, 23, 0, 12035, 0, 0, 2059, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_SPIN_COPIES
    {401, 2075, 22, 0, 12036, 0, 2005, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_CHOICE_CENTERING
    {402, 2063, 1, 0, 12037, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_STATIC_MEDIATYPE
    {403, 2064, 48, 0, 12038, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_CHOICE_MEDIATYPE
    {404, 2061, 1, 0, 12039, 0, 2004, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_STATIC_SOURCETRAY
    {405, 2007, 48, 0, 12040, 0, 0, 2007, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 1, 0},  // VPD_IDC_PRESET_CHOICE_SOURCETRAY2
    {406, 2065, 1, 0, 12041, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_STATIC_OUTPUT
    {407, 2066, 48, 0, 12042, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_CHOICE_OUTPUT
    {408, 2076, 21, 0, 104, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 1, 0},  // VPD_IDC_BASIC_BUTTON_DEFAULT
    {409, 2056, 2, 0, 12044, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_BMP_INPUT
    {410, 2057, 2, 0, 12045, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_BMP_OUTPUT
    {411, 2418, 1, 0, 12046, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_STATIC_SCALE_V
    {412, 2420, 1, 0, 12047, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_STATIC_SCALE_H
    {413, 2419, 63, 0, 12048, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_EDIT_SCALE_V
    {414, 2421, 63, 0, 12049, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_EDIT_SCALE_H
    {415, 2388, 61, 0, 12050, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_EDIT_NAME
    {416, 2035, 1, 0, 12051, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BASIC_STATIC_PRESETNAME
};
constexpr DialogItemRecord kItems1003[] = {  // VPD_IDD_EDIT
    {417, 2078, 48, 0, 12302, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_EDIT_CHOICE_PRESETNAME
    {418, 2079, 21, 0, 12303, 2501, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_EDIT_BUTTON_MAINTENANCE
    {419, 2080, 21, 0, 12304, 2511, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_EDIT_BUTTON_PRESETSAVE
    {371, 2039, 2, 0, 12305, 0, 0, 2039, 0, 0, nullptr, nullptr, nullptr, nullptr, &kPreview, 0, 0},  // VPD_IDC_BASIC_STATIC_PREVIEW
    {421, 2093, 21, 0, 104, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 1, 0},  // VPD_IDC_EDIT_BUTTON_DEFAULT
    {422, 2473, 1, 0, 12307, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_EDIT_STATIC_MARGIN_POSITION
    {423, 2470, 63, 0, 12308, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0x80000000u},  // VPD_IDC_EDIT_EDIT_MARGIN
    {424, 2601, 1, 0, 12309, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_EDIT_STATIC_SHIFT_Y
    {425, 2602, 63, 0, 12310, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0x80000000u},  // VPD_IDC_EDIT_EDIT_SHIFT_Y
    {426, 2522, 1, 0, 12311, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_EDIT_STATIC_NUP_TERM
    {427, 2523, 1, 0, 12312, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_EDIT_STATIC_DUPLEX_TERM
    {428, 2103, 22, 0, 12313, 2516, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FINISH_CHOICE_MARGIN
    {429, 2471, 1, 0, 12314, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_EDIT_STATIC_MARGIN_FACE
    {430, 2468, 63, 0, 12315, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0x80000000u},  // VPD_IDC_EDIT_EDIT_MARGIN_FACE
    {431, 2472, 1, 0, 12316, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_EDIT_STATIC_MARGIN_BACK
    {432, 2469, 63, 0, 12317, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0x80000000u},  // VPD_IDC_EDIT_EDIT_MARGIN_BACK
    {433, 2104, 21, 0, 12318, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FINISH_BUTTON_MARGIN
    {434, 2424, 1, 0, 12319, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_EDIT_STATIC_PAPERSIZE
    {435, 2425, 1, 0, 12320, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_EDIT_STATUS_PAPERSIZE
    {436, 2426, 2, 0, 12321, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_EDIT_BMP_ARROW_SCALE
    {437, 2427, 1, 0, 12322, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_EDIT_STATIC_PRINTSIZE
    {438, 2428, 1, 0, 12323, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_EDIT_STATUS_PRINTSIZE
    {439, 2082, 22, 0, 12324, 264, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 1, 0},  // VPD_IDC_EDIT_CHOICE_NUP
    {440, 2403, 1, 0, 12325, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_EDIT_STATIC_NUP
    {441, 2083, 48, 0, 12326, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_EDIT_CHOICE_NUP_KIND
    {442, 2084, 22, 0, 12327, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_EDIT_CHOICE_NUP_LINE
    {443, 2085, 47, 0, 12328, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_EDIT_CHOICE_NUP_TYPE
    {444, 2466, 47, 0, 12329, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_EDIT_CHOICE_NUP_TYPE_LAND
    {445, 2086, 22, 0, 12330, 264, 2001, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 1, 0},  // VPD_IDC_EDIT_CHOICE_DUPLEX
    {446, 2404, 1, 0, 12331, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_EDIT_STATIC_DUPLEX
    {447, 2087, 47, 0, 12332, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 1, 0},  // VPD_IDC_EDIT_CHOICE_DUPLEX_TYPE
    {448, 2467, 47, 0, 12333, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_EDIT_CHOICE_DUPLEX_TYPE_LAND
    {449, 2088, 22, 0, 12334, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_EDIT_CHOICE_STAMP
    {450, 2089, 48, 0, 12335, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_EDIT_CHOICE_STAMP_TYPE
    {451, 2090, 21, 0, 12336, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_EDIT_BUTTON_STAMP
    {452, 2406, 21, 0, 12337, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_EDIT_BUTTON_STAMP_DEL
    {453, 2407, 21, 0, 12338, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_EDIT_BUTTON_OVERLAY
    {454, 2091, 21, 0, 12339, 2515, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_EDIT_BUTTON_CHARSTAMP
    {455, 2092, 21, 0, 12340, 2514, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_EDIT_BUTTON_IMAGESTAMP
    {456, 2389, 61, 0, 12341, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_EDIT_EDIT_NAME
    {457, 2077, 1, 0, 12342, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_EDIT_STATIC_PRESETNAME
};
constexpr DialogItemRecord kItems1004[] = {  // VPD_IDD_FINISH
    {458, 2095, 48, 0, 12702, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FINISH_CHOICE_PRESETNAME
    {459, 2096, 21, 0, 12703, 2501, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FINISH_BUTTON_MAINTENANCE
    {460, 2097, 21, 0, 12704, 2511, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FINISH_BUTTON_PRESETSAVE
    {371, 2039, 2, 0, 12705, 0, 0, 2039, 0, 0, nullptr, nullptr, nullptr, nullptr, &kPreview, 0, 0},  // VPD_IDC_BASIC_STATIC_PREVIEW
    {462, 2107, 21, 0, 104, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FINISH_BUTTON_DEFAULT
    {463, 2524, 1, 0, 12707, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FINISH_STATIC_STAPLE_TERM
    {464, 2525, 1, 0, 12708, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FINISH_STATIC_PUNCH_TERM
    {465, 2105, 2, 0, 12709, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FINISH_BMP_SORT
    {466, 2106, 22, 0, 12710, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FINISH_CHOICE_SORT
    {467, 2099, 22, 0, 12711, 0, 2002, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FINISH_CHOICE_STAPLE
    {468, 2474, 1, 0, 12712, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FINISH_STATIC_STAPLE
    {469, 2100, 47, 0, 12713, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FINISH_CHOICE_STAPLE_TYPE
    {470, 2476, 47, 0, 12714, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FINISH_CHOICE_STAPLE_TYPE_LAND
    {471, 2101, 22, 0, 12715, 0, 2003, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FINISH_CHOICE_PUNCH
    {472, 2475, 1, 0, 12716, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FINISH_STATIC_PUNCH
    {473, 2102, 47, 0, 12717, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FINISH_CHOICE_PUNCH_TYPE
    {474, 2477, 47, 0, 12718, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FINISH_CHOICE_PUNCH_TYPE_LAND
    {475, 2390, 61, 0, 12719, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FINISH_EDIT_NAME
    {476, 2094, 1, 0, 12720, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FINISH_STATIC_PRESETNAME
};
constexpr DialogItemRecord kItems1005[] = {  // VPD_IDD_OTHERS
    {477, 2109, 48, 0, 12802, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OTHERS_CHOICE_PRESETNAME
    {478, 2114, 21, 0, 12803, 2501, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OTHERS_BUTTON_MAINTENANCE
    {479, 2115, 21, 0, 12804, 2511, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OTHERS_BUTTON_PRESETSAVE
    {371, 2039, 2, 0, 12805, 0, 0, 2039, 0, 0, nullptr, nullptr, nullptr, nullptr, &kPreview, 0, 0},  // VPD_IDC_BASIC_STATIC_PREVIEW
    {481, 2119, 21, 0, 104, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OTHERS_BUTTON_DEFAULT
    {482, 2110, 22, 0, 12807, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OTHERS_CHOICE_DIRECTION
    {483, 2111, 22, 0, 12808, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OTHERS_CHOICE_ORDER
    {484, 2116, 22, 0, 12809, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OTHERS_CHOICE_APPLICATIONSORT
    {485, 2870, 22, 0, 12810, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OTHERS_CHOICE_JAMBACKUPOFF
    {486, 2478, 22, 0, 12811, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OTHERS_CHOICE_EMFSPOOL
    {487, 2479, 22, 0, 12812, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OTHERS_CHOICE_REVERSAL
    {488, 2113, 21, 0, 12813, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OTHERS_BUTTON_SAVE_RESTORE
    {489, 2118, 1, 0, 12814, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OTHERS_STATIC_EMULATION
    {490, 2117, 48, 0, 12815, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OTHERS_CHOICE_EMULATION
    {491, 2391, 61, 0, 12816, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OTHERS_EDIT_NAME
    {492, 2108, 1, 0, 12817, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OTHERS_STATIC_PRESETNAME
};
constexpr DialogItemRecord kItems1006[] = {  // VPD_IDD_PRINTQUALITY
    {493, 2120, 4, 0, 11402, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTQUALITY_GROUP_PRINTMODE
    {494, 2121, 2, 0, 11403, 0, 0, 2122, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTQUALITY_BMP_STANDARD
    {495, 2123, 2, 0, 11404, 0, 0, 2126, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTQUALITY_BMP_PHOTO
    {496, 2480, 2, 0, 11405, 0, 0, 2481, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTQUALITY_BMP_TONERSAVE
    {497, 2124, 2, 0, 11406, 0, 0, 2127, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTQUALITY_BMP_DTP
    {498, 2125, 2, 0, 11407, 0, 0, 2128, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTQUALITY_BMP_CAD
    {499, 2122, 41, 0, 11408, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_RADIOLIST_3
    {499, 2126, 41, 0, 11409, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_RADIOLIST_3
    {499, 2481, 41, 0, 11410, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_RADIOLIST_3
    {499, 2127, 41, 0, 11411, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_RADIOLIST_3
    {499, 2128, 41, 0, 11412, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_RADIOLIST_3
    {499, 2565, 41, 0, 11413, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_RADIOLIST_3
    {500, 2129, 1, 0, 11414, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTQUALITY_HELP
    {501, 2130, 4, 0, 11415, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTQUALITY_GROUP_BALANCE
    {502, 2131, 41, 0, 11416, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 1, 0},  // VPD_RADIOLIST_4
    {502, 2132, 41, 0, 11417, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 1, 0},  // VPD_RADIOLIST_4
    {503, 2405, 22, 0, 11418, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTQUALITY_CHOICE_TONERSAVE_MODE
    {504, 2133, 22, 0, 11419, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 1, 0},  // VPD_IDC_PRINTQUALITY_CHOICE_USER
    {505, 2136, 21, 0, 11420, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTQUALITY_BUTTON_USER
    {506, 2138, 21, 0, 104, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 1, 0},  // VPD_IDC_PRINTQUALITY_BUTTON_DEFAULT
    {507, 2564, 2, 0, 11422, 0, 0, 2565, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTQUALITY_BMP_SPEED
    {508, 2134, 47, 0, 11423, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 1, 0},  // VPD_IDC_PRINTQUALITY_CHOICE_USER_TYPE
    {509, 2137, 21, 0, 11424, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTQUALITY_BUTTON_STATUS
    {510, 2135, 48, 0, 11425, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTQUALITY_CHOICE_TONERSAVE
};
constexpr DialogItemRecord kItems1010[] = {  // VPD_IDD_DIALOG_INIT
    {511, 2151, 1, 0, 10302, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_INIT_STATIC_PRINTAREA
    {512, 2517, 4, 0, 10303, 2506, 2007, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_INIT_GROUP_SHOWTYPE
    {513, 2152, 48, 0, 10304, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_INIT_CHOICE_PRINTAREA
    {514, 2570, 21, 0, 10305, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_INIT_BUTTON_USERCODE
    {515, 2153, 21, 0, 10306, 2507, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_INIT_BUTTON_ROTATION
    {516, 2154, 21, 0, 10307, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_INIT_BUTTON_UNIT
    {517, 2155, 21, 0, 10308, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_INIT_BUTTON_SORT
    {518, 2156, 21, 0, 10309, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_INIT_BUTTON_PRINTPOST
    {519, 2157, 21, 0, 10310, 2508, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_INIT_BUTTON_ACTION
    {520, 2158, 21, 0, 10311, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_INIT_BUTTON_FREESIZE
    {521, 2159, 4, 0, 10312, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_INIT_GROUP_OPTION
    {522, 2150, 2, 0, 10313, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_INIT_BMP_PRINTER
    {523, 2160, 21, 0, 10314, 2502, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_INIT_BUTTON_OPTION
    {524, 1, 21, 0, 101, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_INIT_OK
    {525, 2886, 21, 0, 10316, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_INIT_BUTTON_MIDFILES
    {526, 2, 21, 0, 102, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_INIT_CANCEL
    {527, 2161, 21, 0, 104, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_INIT_BUTTON_DEFAULT
    {528, 2516, 1, 0, 10319, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_INIT_STATIC_RAMTYPE
    {529, 2613, 1, 0, 10320, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_INIT_STATIC_TOTALRAM
    {530, 2614, 1, 0, 10321, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_INIT_STATIC_OPTIONRAM
    {531, 2615, 1, 0, 10322, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_INIT_STATIC_OPTIONRAM_TYPE
    {532, 2616, 1, 0, 10323, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_INIT_STATIC_OPTIONRAM_SUB
    {533, 2538, 1, 0, 10324, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_INIT_STATIC_TRAY4
    {534, 2539, 1, 0, 10325, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_INIT_STATIC_LCTTRAY
    {535, 2540, 1, 0, 10326, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_INIT_STATIC_MANUALTRAY
    {536, 2512, 2, 0, 10327, 2506, 0, 2514, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_INIT_BMP_SHOWTYPE_PRESET
    {537, 2513, 2, 0, 10328, 2506, 0, 2515, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_INIT_BMP_SHOWTYPE_TAB
    {538, 2514, 41, 0, 10329, 2506, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_RADIOLIST_12
    {538, 2515, 41, 0, 10330, 2506, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_RADIOLIST_12
    {539, 9, 21, 0, 103, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_INIT_HELP
    {540, 2112, 21, 0, 10332, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OTHERS_BUTTON_VERSION
    {541, 2410, 1, 0, 10333, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_INIT_STATIC_TRAY1
    {542, 2411, 1, 0, 10334, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_INIT_STATIC_MULTITRAY
    {543, 2566, 1, 0, 10335, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_INIT_STATIC_TRAY5
    {544, 2412, 1, 0, 10336, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_INIT_STATIC_TRAY2
    {545, 2413, 1, 0, 10337, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_INIT_STATIC_TRAY3
    {546, 2240, 1, 0, 10338, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTTYPE_STATIC_USERID
    {547, 2241, 61, 0, 10339, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTTYPE_EDIT_USERID
    {548, 2409, 61, 0, 10340, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTTYPE_EDIT_USERID_PROOF
};
constexpr DialogItemRecord kItems1011[] = {  // VPD_IDD_DIALOG_OPTION
    {549, 2162, 2, 0, 11002, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OPTION_BMP_PRINTER
    {550, 2163, 1, 0, 11003, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OPTION_STATIC_OPTION
    {551, 2164, 47, 0, 11004, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OPTION_CHOICE_OPTION
    {552, 2618, 1, 0, 11005, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OPTION_STATIC_TOTALRAM
    {553, 2617, 48, 0, 11006, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OPTION_CHOICE_TOTALRAM
    {554, 2619, 1, 0, 11007, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OPTION_STATIC_OPTIONRAM
    {555, 2620, 1, 0, 11008, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OPTION_STATIC_OPTIONRAM_TYPE
    {556, 2621, 1, 0, 11009, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OPTION_STATIC_OPTIONRAM_SUB
    {557, 2165, 1, 0, 11010, 2509, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OPTION_STATIC_SOURCE
    {558, 2166, 105, 0, 11011, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OPTION_CHOICE_SOURCE
    {559, 2167, 1, 0, 11012, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OPTION_STATIC_PAPERSIZE
    {560, 2168, 48, 0, 11013, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OPTION_CHOICE_PAPERSIZE
    {561, 2169, 1, 0, 11014, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OPTION_STATIC_PAPERMEDIA
    {562, 2170, 48, 0, 11015, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OPTION_CHOICE_PAPERMEDIA
    {563, 2171, 4, 0, 11016, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OPTION_GROUP_ORIENTATION
    {564, 2172, 2, 0, 11017, 0, 0, 2173, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OPTION_BMP_PORTLAIT
    {565, 2173, 41, 0, 11018, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_RADIOLIST_5
    {565, 2175, 41, 0, 11019, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_RADIOLIST_5
    {566, 1, 21, 0, 101, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_OPTION_OK
    {567, 2, 21, 0, 102, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_OPTION_CANCEL
    {568, 2174, 2, 0, 11022, 0, 0, 2175, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OPTION_BMP_LANDSCAPE
    {569, 2176, 21, 0, 104, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OPTION_BUTTON_DEFAULT
    {570, 9, 21, 0, 103, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_OPTION_HELP
    {571, 2551, 22, 0, 11025, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OPTION_CHOICE_TRAYLOCK
};
constexpr DialogItemRecord kItems1009[] = {  // VPD_IDD_TTF
    {572, 2380, 1, 0, 13202, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_TTF_STATIC_LIST
    {573, 2381, 1, 0, 13203, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_TTF_STATIC_DEVICE
    {574, 2383, 61, 0, 13204, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_TTF_SELECT_TTF
    {575, 2385, 47, 0, 13205, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_TTF_CHOICE_TTF
    {576, 2382, 1, 0, 13206, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_TTF_STATIC_TTF
    {577, 2384, 47, 0, 13207, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_TTF_CHOICE_DEVICEFONT
    {578, 2386, 21, 0, 104, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_TTF_BUTTON_DEFAULT
};
constexpr DialogItemRecord kItems1008[] = {  // VPD_IDD_USER_CODE
    {579, 2367, 22, 0, 13302, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USERCODE_CHOICE_SERVER
    {580, 2368, 22, 0, 13303, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USERCODE_CHOICE_USERCODE
    {581, 2369, 1, 0, 13304, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USERCODE_STATIC_USERCODE
    {582, 2370, 61, 0, 13305, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USERCODE_EDIT_USERCODE
    {583, 2371, 21, 0, 13306, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USERCODE_BUTTON_CHANGE
};
constexpr DialogItemRecord kItems1015[] = {  // VPD_IDD_DIALOG_PRINTPOST
    {584, 2191, 2, 0, 10802, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTPOST_BMP_PRINTER
    {585, 2192, 1, 0, 10803, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTPOST_STATIC_TRAY1
    {586, 2193, 61, 0, 10804, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTPOST_EDIT_TRAYNAME1
    {587, 2194, 1, 0, 10805, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTPOST_STATIC_TRAY2
    {588, 2195, 61, 0, 10806, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTPOST_EDIT_TRAYNAME2
    {589, 2196, 1, 0, 10807, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTPOST_STATIC_TRAY3
    {590, 2197, 61, 0, 10808, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTPOST_EDIT_TRAYNAME3
    {591, 2198, 1, 0, 10809, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTPOST_STATIC_TRAY4
    {592, 2199, 61, 0, 10810, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTPOST_EDIT_TRAYNAME4
    {593, 2200, 1, 0, 10811, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTPOST_STATIC_TRAY5
    {594, 2201, 61, 0, 10812, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTPOST_EDIT_TRAYNAME5
    {595, 2202, 1, 0, 10813, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTPOST_STATIC_TRAY6
    {596, 2203, 61, 0, 10814, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTPOST_EDIT_TRAYNAME6
    {597, 2204, 1, 0, 10815, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTPOST_STATIC_TRAY7
    {598, 2205, 61, 0, 10816, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTPOST_EDIT_TRAYNAME7
    {599, 2206, 1, 0, 10817, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTPOST_STATIC_TRAY8
    {600, 2207, 61, 0, 10818, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTPOST_EDIT_TRAYNAME8
    {601, 2208, 1, 0, 10819, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTPOST_STATIC_TRAY9
    {602, 2209, 61, 0, 10820, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTPOST_EDIT_TRAYNAME9
    {603, 1, 21, 0, 101, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_PRINTPOST_OK
    {604, 2, 21, 0, 102, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_PRINTPOST_CANCEL
    {605, 9, 21, 0, 103, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_PRINTPOST_HELP
    {606, 2210, 21, 0, 104, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTPOST_BUTTON_DEFAULT
};
constexpr DialogItemRecord kItems1007[] = {  // VPD_IDD_MAINTENANCE
    {607, 2139, 50, 0, 10202, 0, 0, 2039, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 1, 0},  // VPD_IDC_MAINTENANCE_ICONLIST
    {608, 2149, 1, 0, 10203, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MAINTENANCE_STATIC_STATUS
    {609, 2141, 21, 0, 10204, 2505, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MAINTENANCE_BUTTON_REFRESH
    {610, 2140, 21, 0, 10205, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MAINTENANCE_BUTTON_PRESET_DELETE
    {611, 2147, 1, 0, 10206, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MAINTENANCE_STATIC_PRESETNAME
    {612, 2145, 61, 0, 10207, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MAINTENANCE_EDIT_PRESETNAME
    {613, 2142, 21, 0, 10208, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MAINTENANCE_BUTTON_PRESET_LOAD
    {614, 8, 21, 0, 10209, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_MAINTENANCE_CLOSE
    {615, 9, 21, 0, 103, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_MAINTENANCE_HELP
    {616, 2143, 21, 0, 10211, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MAINTENANCE_BUTTON_MOVEBACK
    {617, 2144, 21, 0, 10212, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MAINTENANCE_BUTTON_MOVENEXT
    {618, 2148, 61, 0, 10213, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, &kSummary2148, 0, 0},  // VPD_IDC_MAINTENANCE_STATUS
    {619, 2146, 61, 0, 10214, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MAINTENANCE_EDIT_HELP
};
constexpr DialogItemRecord kItems1012[] = {  // VPD_IDD_DIALOG_ROTATION
    {620, 2177, 1, 0, 10402, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_ROTATION_STATIC_PORTRAIT
    {621, 2178, 1, 0, 10403, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_ROTATION_STATIC_LANDSCAPE
    {622, 2179, 2, 0, 10404, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_ROTATION_BMP_ILLUSTRATION1
    {623, 2180, 2, 0, 10405, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_ROTATION_BMP_ILLUSTRATION2
    {624, 2181, 22, 0, 10406, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_ROTATION_CHOICE_DIRECTION
    {625, 1, 21, 0, 101, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_ROTATION_OK
    {626, 2, 21, 0, 102, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_ROTATION_CANCEL
    {627, 9, 21, 0, 103, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_ROTATION_HELP
};
constexpr DialogItemRecord kItems1014[] = {  // VPD_IDD_DIALOG_SORT
    {628, 2561, 4, 0, 10602, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_SORT_GROUP_SORT
    {629, 2184, 41, 0, 10603, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_RADIOLIST_7
    {629, 2186, 41, 0, 10604, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_RADIOLIST_7
    {629, 2185, 41, 0, 10605, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_RADIOLIST_7
    {630, 1, 21, 0, 101, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_SORT_OK
    {631, 2, 21, 0, 102, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_SORT_CANCEL
    {632, 2187, 2, 0, 10608, 0, 0, 2184, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_SORT_BMP_STANDARD
    {633, 2189, 2, 0, 10609, 0, 0, 2186, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_SORT_BMP_ROTATION
    {634, 2188, 2, 0, 10610, 0, 0, 2185, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_SORT_BMP_SHIFT
    {635, 2190, 21, 0, 104, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_SORT_BUTTON_DEFAULT
    {636, 9, 21, 0, 103, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_SORT_HELP
};
constexpr DialogItemRecord kItems1013[] = {  // VPD_IDD_DIALOG_UNIT
    {637, 2560, 4, 0, 10502, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_UNIT_GROUP_UNIT
    {638, 2182, 41, 0, 10503, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_RADIOLIST_6
    {638, 2183, 41, 0, 10504, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_RADIOLIST_6
    {639, 1, 21, 0, 101, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_UNIT_OK
    {640, 2, 21, 0, 102, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_UNIT_CANCEL
    {641, 9, 21, 0, 103, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_UNIT_HELP
};
constexpr DialogItemRecord kItems1016[] = {  // VPD_IDD_DIALOG_ACTION
    {642, 2211, 22, 0, 10702, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_ACTION_CHOICE_MERGE
    {643, 2212, 22, 0, 10703, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_ACTION_CHOICE_PROOF
    {644, 2213, 22, 0, 10704, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_ACTION_CHOICE_STORED
    {645, 2589, 22, 0, 10705, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_ACTION_CHOICE_OVERLAY
    {646, 2429, 22, 0, 10706, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_ACTION_CHOICE_REMOTE
    {647, 1, 21, 0, 101, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_ACTION_OK
    {648, 2, 21, 0, 102, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_ACTION_CANCEL
    {649, 2214, 21, 0, 104, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_ACTION_BUTTON_DEFAULT
    {650, 9, 21, 0, 103, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_ACTION_HELP
    {651, 2215, 22, 0, 10711, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_ACTION_CHOICE_SECURITY
};
constexpr DialogItemRecord kItems1017[] = {  // VPD_IDD_DIALOG_FREESIZE
    {652, 2218, 2, 0, 10902, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FREESIZE_BMP_TRAY
    {653, 2216, 1, 0, 10903, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FREESIZE_STATIC_SOURCETRAY
    {654, 2217, 48, 0, 10904, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FREESIZE_CHOICE_SOURCETRAY
    {655, 2219, 1, 0, 10905, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FREESIZE_STATIC_LENGTH
    {656, 2220, 63, 0, 10906, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0x80000000u},  // VPD_IDC_FREESIZE_EDIT_LENGTH_MM
    {657, 2221, 23, 0, 10907, 0, 0, 2220, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0x80000000u},  // VPD_IDC_FREESIZE_SPIN_LENGTH_MM
    {658, 2222, 1, 0, 10908, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FREESIZE_STATIC_LENGTHRANGE
    {659, 2223, 1, 0, 10909, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FREESIZE_STATIC_WIDTH
    {660, 2224, 63, 0, 10910, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0x80000000u},  // VPD_IDC_FREESIZE_EDIT_WIDTH_MM
    {661, 2225, 23, 0, 10911, 0, 0, 2224, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0x80000000u},  // VPD_IDC_FREESIZE_SPIN_WIDTH_MM
    {662, 2226, 1, 0, 10912, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FREESIZE_STATIC_WIDTHRANGE
    {663, 2227, 21, 0, 104, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FREESIZE_BUTTON_DEFAULT
    {664, 2228, 1, 0, 10914, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FREESIZE_STATIC_ENTRY
    {665, 2364, 47, 0, 10915, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FREESIZE_CHOICE_ENTRY
    {666, 2229, 1, 0, 10916, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FREESIZE_STATIC_NAME
    {667, 2365, 61, 0, 10917, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FREESIZE_EDIT_NAME
    {668, 2366, 21, 0, 10918, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FREESIZE_BUTTON_UNIT
    {669, 1, 21, 0, 101, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_FREESIZE_OK
    {670, 2, 21, 0, 102, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_FREESIZE_CANCEL
    {671, 9, 21, 0, 103, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_FREESIZE_HELP
    {672, 2392, 63, 0, 10922, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0x80000000u},  // VPD_IDC_FREESIZE_EDIT_LENGTH_INCH
    {673, 2393, 23, 0, 10923, 0, 0, 2392, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0x80000000u},  // VPD_IDC_FREESIZE_SPIN_LENGTH_INCH
    {674, 2400, 63, 0, 10924, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FREESIZE_EDIT_LENGTH_MISC
    {675, 2401, 23, 0, 10925, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FREESIZE_SPIN_LENGTH_MISC
    {676, 2394, 63, 0, 10926, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0x80000000u},  // VPD_IDC_FREESIZE_EDIT_WIDTH_INCH
    {677, 2395, 23, 0, 10927, 0, 0, 2394, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0x80000000u},  // VPD_IDC_FREESIZE_SPIN_WIDTH_INCH
    {678, 2398, 63, 0, 10928, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FREESIZE_EDIT_WIDTH_MISC
    {679, 2399, 23, 0, 10929, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_FREESIZE_SPIN_WIDTH_MISC
};
constexpr DialogItemRecord kItems1018[] = {  // VPD_IDD_DIALOG_SCALE
    {680, 2230, 4, 0, 11102, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_SCALE_GROUP_SCALE
    {681, 2231, 2, 0, 11103, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_SCALE_BMP_LENGTH
    {682, 2232, 1, 0, 11104, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_SCALE_STATIC_LENGTH
    {683, 2233, 63, 0, 11105, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_SCALE_EDIT_LENGTH
    {684, 2234, 23, 0, 11106, 0, 0, 2233, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_SCALE_SPIN_LENGTH
    {685, 2235, 2, 0, 11107, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_SCALE_BMP_WIDTH
    {686, 2236, 1, 0, 11108, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_SCALE_STATIC_WIDTH
    {687, 2237, 63, 0, 11109, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_SCALE_EDIT_WIDTH
    {688, 2238, 23, 0, 11110, 0, 0, 2237, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_SCALE_SPIN_WIDTH
    {689, 1, 21, 0, 101, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_SCALE_OK
    {690, 2, 21, 0, 102, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_SCALE_CANCEL
    {691, 9, 21, 0, 103, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_SCALE_HELP
    {692, 2239, 2, 0, 11114, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_SCALE_BMP_ILLUSTRATION
};
constexpr DialogItemRecord kItems1019[] = {  // VPD_IDD_DIALOG_PRINTTYPE
    {693, 2242, 1, 0, 11202, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTTYPE_STATIC_NAME
    {694, 2611, 1, 0, 11203, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTTYPE_STATIC_USER_ID
    {695, 2241, 61, 0, 11204, 0, 0, 2241, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTTYPE_EDIT_USERID2
    {696, 2612, 1, 0, 11205, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTTYPE_STATIC_USERID_HELP
    {697, 2243, 61, 0, 11206, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTTYPE_EDIT_NAME
    {698, 2244, 1, 0, 11207, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTTYPE_STATIC_PASSWORD
    {699, 2245, 61, 0, 11208, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTTYPE_EDIT_PASSWORD
    {700, 1, 21, 0, 101, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_PRINTTYPE_OK
    {701, 2, 21, 0, 102, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_PRINTTYPE_CANCEL
    {702, 9, 21, 0, 103, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_PRINTTYPE_HELP
    {703, 2246, 21, 0, 104, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTTYPE_BUTTON_DEFAULT
    {704, 2533, 61, 0, 11213, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTTYPE_EDIT_PASSWORD_STORED
    {705, 2534, 1, 0, 11214, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTTYPE_STATIC_OWNER_HELP
    {706, 2535, 1, 0, 11215, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTTYPE_STATIC_DOCUMENT_HELP
    {707, 2536, 1, 0, 11216, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTTYPE_STATIC_FILE_HELP
    {708, 2537, 1, 0, 11217, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTTYPE_STATIC_PASSWORD_HELP
    {709, 2532, 61, 0, 11218, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTTYPE_EDIT_DOCUMENT
    {710, 2422, 1, 0, 11219, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTTYPE_STATIC_OWNER
    {711, 2423, 61, 0, 11220, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PRINTTYPE_EDIT_OWNER
};
constexpr DialogItemRecord kItems1020[] = {  // VPD_IDD_DIALOG_STATUS
    {712, 2247, 1, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STATUS_STATIC_LIST
    {713, 2248, 61, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, &kSummary2248, 0, 0},  // VPD_IDC_STATUS_LIST
    {714, 1, 21, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_STATUS_OK
};
constexpr DialogItemRecord kItems1021[] = {  // VPD_IDD_DIALOG_USER_PQC
    {715, 2261, 4, 0, 11602, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_QUALITY_GROUP_SETTING
    {716, 2280, 1, 0, 11603, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_QUALITY_STATIC_NAME
    {717, 2281, 61, 0, 11604, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_QUALITY_EDIT_NAME
    {718, 2249, 2, 0, 11605, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, &kSample2249, 0, 0},  // VPD_IDC_USER_QUALITY_SAMPLE
    {719, 2262, 1, 0, 11606, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_QUALITY_STATIC_BRIGHTNESS
    {720, 2263, 63, 0, 11607, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_QUALITY_EDIT_BRIGHTNESS
    {721, 2264, 84, 0, 11608, 0, 0, 2263, 0, 0, nullptr, nullptr, nullptr, nullptr, &kSlider2264, 0, 0},  // VPD_IDC_USER_QUALITY_SCROLLBAR_BRIGHTNESS
    {722, 2265, 1, 0, 11609, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_QUALITY_STATIC_CONTRAST
    {723, 2266, 63, 0, 11610, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_QUALITY_EDIT_CONTRAST
    {724, 2267, 84, 0, 11611, 0, 0, 2266, 0, 0, nullptr, nullptr, nullptr, nullptr, &kSlider2267, 0, 0},  // VPD_IDC_USER_QUALITY_SCROLLBAR_CONTRAST
    {725, 2268, 1, 0, 11612, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_QUALITY_STATIC_SATURATION
    {726, 2269, 63, 0, 11613, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_QUALITY_EDIT_SATURATION
    {727, 2270, 84, 0, 11614, 0, 0, 2269, 0, 0, nullptr, nullptr, nullptr, nullptr, &kSliderDefault, 0, 0},  // VPD_IDC_USER_QUALITY_SCROLLBAR_SATURATION
    {728, 2271, 1, 0, 11615, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_QUALITY_STATIC_COLORBALANCE
    {729, 2272, 63, 0, 11616, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_QUALITY_EDIT_COLORBALANCER
    {730, 2273, 84, 0, 11617, 0, 0, 2272, 0, 0, nullptr, nullptr, nullptr, nullptr, &kSliderDefault, 0, 0},  // VPD_IDC_USER_QUALITY_SCROLLBAR_COLORBALANCER
    {731, 2274, 63, 0, 11618, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_QUALITY_EDIT_COLORBALANCEG
    {732, 2275, 84, 0, 11619, 0, 0, 2274, 0, 0, nullptr, nullptr, nullptr, nullptr, &kSliderDefault, 0, 0},  // VPD_IDC_USER_QUALITY_SCROLLBAR_COLORBALANCEG
    {733, 2276, 63, 0, 11620, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_QUALITY_EDIT_COLORBALANCEB
    {734, 2277, 84, 0, 11621, 0, 0, 2276, 0, 0, nullptr, nullptr, nullptr, nullptr, &kSliderDefault, 0, 0},  // VPD_IDC_USER_QUALITY_SCROLLBAR_COLORBALANCEB
    {735, 2502, 21, 0, 11622, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, &kRepeat2502, 0, 0},  // VPD_IDC_USER_QUALITY_BUTTON_COLORBALANCEDOWN
    {736, 2503, 21, 0, 11623, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, &kRepeat2503, 0, 0},  // VPD_IDC_USER_QUALITY_BUTTON_COLORBALANCEUP
    {737, 2255, 1, 0, 11624, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_QUALITY_STATIC_ICMMODE
    {738, 2256, 48, 0, 11625, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_QUALITY_CHOICE_ICMMODE
    {739, 2259, 1, 0, 11626, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_QUALITY_STATIC_GLAYMODE
    {740, 2260, 48, 0, 11627, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_QUALITY_CHOICE_GLAYMODE
    {741, 2283, 22, 0, 11628, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_QUALITY_CHOICE_ICMPROGRAM
    {742, 2279, 21, 0, 11629, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_QUALITY_BUTTON_ICM
    {743, 2282, 22, 0, 11630, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_QUALITY_CHOICE_CHARBLACK
    {744, 2250, 1, 0, 11631, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_QUALITY_STATIC_RESOLUTION
    {745, 2251, 48, 0, 11632, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_QUALITY_CHOICE_RESOLUTION
    {746, 2252, 1, 0, 11633, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_QUALITY_STATIC_IMAGE
    {747, 2253, 48, 0, 11634, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_QUALITY_CHOICE_IMAGE
    {748, 2257, 1, 0, 11635, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_QUALITY_STATIC_DITHERING
    {749, 2258, 48, 0, 11636, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_QUALITY_CHOICE_DITHERING
    {750, 2254, 21, 0, 104, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_QUALITY_BUTTON_DEFAULT
    {751, 2278, 48, 0, 11638, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_QUALITY_CHOICE_IMAGE600
};
constexpr DialogItemRecord kItems4004[] = {  // VPD_IDD_DIALOG_USER_TTF
    {752, 2284, 41, 0, 11702, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_RADIOLIST_8
    {752, 2285, 41, 0, 11703, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_RADIOLIST_8
    {752, 2286, 41, 0, 11704, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_RADIOLIST_8
    {753, 2289, 1, 0, 11705, 2510, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_TTF_STATIC_DEVICE
    {575, 2385, 47, 0, 11706, 0, 0, 2385, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_TTF_CHOICE_TTF
    {755, 2288, 1, 0, 11707, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_TTF_STATIC_LIST
    {756, 2291, 61, 0, 11708, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_TTF_SELECT_TTF
    {757, 2290, 1, 0, 11709, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_TTF_STATIC_TTF
    {577, 2384, 47, 0, 11710, 0, 0, 2384, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_TTF_CHOICE_DEVICEFONT
    {759, 2287, 21, 0, 104, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_TTF_BUTTON_DEFAULT
};
constexpr DialogItemRecord kItems1029[] = {  // VPD_IDD_DIALOG_USER_OTHERS
    {760, 2293, 22, 0, 11802, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_OTHERS_CHOICE_IMAGE
    {761, 2294, 22, 0, 11803, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_OTHERS_CHOICE_APPLICATION
    {762, 2301, 21, 0, 104, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_OTHERS_BUTTON_DEFAULT
    {763, 2295, 4, 0, 11805, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_OTHERS_GROUP_CMYK
    {764, 2296, 22, 0, 11806, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_OTHERS_CHOICE_C
    {765, 2297, 22, 0, 11807, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_OTHERS_CHOICE_Y
    {766, 2298, 22, 0, 11808, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_OTHERS_CHOICE_M
    {767, 2299, 22, 0, 11809, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_OTHERS_CHOICE_K
    {768, 2302, 22, 0, 11810, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_OTHERS_CHOICE_TONERSAVE_MODE
    {769, 2303, 48, 0, 11811, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_OTHERS_CHOICE_TONERSAVE
    {770, 2300, 22, 0, 11812, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_OTHERS_CHOICE_LINE168
    {771, 2889, 22, 0, 11813, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USER_OTHERS_CHOICE_TTF
};
constexpr DialogItemRecord kItems1022[] = {  // VPD_IDD_DIALOG_STAMP_CHAR
    {371, 2039, 2, 0, 12402, 0, 0, 2039, 0, 0, nullptr, nullptr, nullptr, nullptr, &kPreview, 0, 0},  // VPD_IDC_BASIC_STATIC_PREVIEW
    {773, 2304, 1, 0, 12403, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_CHAR_STATIC_POSITION
    {774, 2305, 48, 0, 12404, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_CHAR_CHOICE_POSITION
    {775, 2306, 22, 0, 12405, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_CHAR_CHOICE_TILING
    {776, 2307, 22, 0, 12406, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_CHAR_CHOICE_OPAQUE
    {777, 2308, 22, 0, 12407, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_CHAR_CHOICE_PAGE
    {778, 2309, 1, 0, 12408, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_CHAR_STATIC_NAME
    {779, 2310, 61, 0, 12409, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_CHAR_EDIT_NAME
    {780, 2311, 1, 0, 12410, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_CHAR_STATIC_CHAR
    {781, 2312, 61, 0, 12411, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_CHAR_EDIT_CHAR
    {782, 2313, 1, 0, 12412, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_CHAR_STATIC_FONT
    {783, 2314, 48, 0, 12413, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_CHAR_CHOICE_FONT
    {784, 2315, 1, 0, 12414, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_CHAR_STATIC_FONTSTYLE
    {785, 2316, 48, 0, 12415, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_CHAR_CHOICE_FONTSTYLE
    {786, 2317, 1, 0, 12416, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_CHAR_STATIC_EFFECT
    {787, 2318, 48, 0, 12417, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_CHAR_CHOICE_EFFECT
    {788, 2319, 1, 0, 12418, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_CHAR_STATIC_COLOR
    {789, 2320, 48, 0, 12419, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_CHAR_CHOICE_COLOR
    {790, 2321, 1, 0, 12420, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_CHAR_STATIC_DENSITY
    {791, 2322, 63, 0, 12421, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_CHAR_EDIT_DENSITY
    {792, 2323, 84, 0, 12422, 0, 0, 2322, 0, 0, nullptr, nullptr, nullptr, nullptr, &kSliderDefault, 0, 0},  // VPD_IDC_STAMP_CHAR_SCROLLBAR_DENSITY
    {793, 2324, 1, 0, 12423, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_CHAR_STATIC_SIZE
    {794, 2325, 63, 0, 12424, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_CHAR_EDIT_SIZE
    {795, 2326, 84, 0, 12425, 0, 0, 2325, 0, 0, nullptr, nullptr, nullptr, nullptr, &kSliderDefault, 0, 0},  // VPD_IDC_STAMP_CHAR_SCROLLBAR_SIZE
    {796, 2327, 1, 0, 12426, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_CHAR_STATIC_ANGLE
    {797, 2328, 63, 0, 12427, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_CHAR_EDIT_ANGLE
    {798, 2329, 84, 0, 12428, 0, 0, 2328, 0, 0, nullptr, nullptr, nullptr, nullptr, &kSliderDefault, 0, 0},  // VPD_IDC_STAMP_CHAR_SCROLLBAR_ANGLE
    {799, 1, 21, 0, 101, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_STAMP_CHAR_OK
    {800, 2, 21, 0, 102, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_STAMP_CHAR_CANCEL
    {801, 2330, 21, 0, 104, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_CHAR_BUTTON_DEFAULT
    {802, 9, 21, 0, 103, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_STAMP_CHAR_HELP
};
constexpr DialogItemRecord kItems1023[] = {  // VPD_IDD_DIALOG_STAMP_IMAGE
    {371, 2039, 2, 0, 12502, 0, 0, 2039, 0, 0, nullptr, nullptr, nullptr, nullptr, &kPreview, 0, 0},  // VPD_IDC_BASIC_STATIC_PREVIEW
    {804, 2333, 1, 0, 12503, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_IMAGE_STATIC_POSITION
    {805, 2334, 48, 0, 12504, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_IMAGE_CHOICE_POSITION
    {806, 2335, 22, 0, 12505, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_IMAGE_CHOICE_TILING
    {807, 2336, 22, 0, 12506, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_IMAGE_CHOICE_OPAQUE
    {808, 2337, 22, 0, 12507, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_IMAGE_CHOICE_PAGE
    {809, 2338, 1, 0, 12508, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_IMAGE_STATIC_NAME
    {810, 2339, 61, 0, 12509, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_IMAGE_EDIT_NAME
    {811, 2340, 1, 0, 12510, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_IMAGE_STATIC_FILE
    {812, 2341, 61, 0, 12511, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_IMAGE_EDIT_FILE
    {813, 2343, 1, 0, 12512, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_IMAGE_STATIC_SIZE
    {814, 2344, 63, 0, 12513, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_IMAGE_EDIT_SIZE
    {815, 2345, 84, 0, 12514, 0, 0, 2344, 0, 0, nullptr, nullptr, nullptr, nullptr, &kSliderDefault, 0, 0},  // VPD_IDC_STAMP_IMAGE_SCROLLBAR_SIZE
    {816, 1, 21, 0, 101, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_STAMP_IMAGE_OK
    {817, 2, 21, 0, 102, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_STAMP_IMAGE_CANCEL
    {818, 2347, 21, 0, 104, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_IMAGE_BUTTON_DEFAULT
    {819, 9, 21, 0, 103, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_STAMP_IMAGE_HELP
    {820, 2342, 21, 0, 12519, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STAMP_IMAGE_BUTTON_REFERENCE
};
constexpr DialogItemRecord kItems1024[] = {  // VPD_IDD_DIALOG_MARGIN
    {821, 2348, 1, 0, 12602, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARGIN_STATIC_POSITION
    {822, 2603, 4, 0, 12603, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARGIN_GROUP_SIMPLEX_MARGIN
    {823, 2504, 2, 0, 12604, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARGIN_BMP_SIMPLEX
    {824, 1, 21, 0, 101, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_MARGIN_OK
    {825, 2, 21, 0, 102, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_MARGIN_CANCEL
    {826, 2349, 48, 0, 12607, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARGIN_CHOICE_POSITION
    {827, 2358, 1, 0, 12608, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARGIN_STATIC_MARGIN
    {828, 2396, 63, 0, 12609, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0x80000000u},  // VPD_IDC_MARGIN_EDIT_MARGIN
    {829, 2397, 23, 0, 12610, 0, 0, 2396, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0x80000000u},  // VPD_IDC_MARGIN_SPIN_MARGIN
    {830, 2506, 1, 0, 12611, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARGIN_STATIC_MARGIN_WIDTHRANGE
    {831, 2604, 1, 0, 12612, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARGIN_STATIC_MARGIN_TB
    {832, 2605, 63, 0, 12613, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0x80000000u},  // VPD_IDC_MARGIN_EDIT_MARGIN_TB
    {833, 2606, 23, 0, 12614, 0, 0, 2605, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0x80000000u},  // VPD_IDC_MARGIN_SPIN_MARGIN_TB
    {834, 2607, 1, 0, 12615, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARGIN_STATIC_MARGIN_WIDTHRANGE_TB
    {835, 2510, 4, 0, 12616, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARGIN_GROUP_DUPLEX_MARGIN
    {836, 2507, 2, 0, 12617, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARGIN_BMP_DUPLEX
    {837, 2350, 1, 0, 12618, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARGIN_STATIC_POSITION_HELP
    {838, 2505, 21, 0, 12619, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARGIN_BUTTON_UNIT
    {839, 2351, 1, 0, 12620, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARGIN_STATIC_FACE
    {840, 2352, 63, 0, 12621, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0x80000000u},  // VPD_IDC_MARGIN_EDIT_FACE_MM
    {841, 2353, 23, 0, 12622, 0, 0, 2352, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0x80000000u},  // VPD_IDC_MARGIN_SPIN_FACE_MM
    {842, 2508, 1, 0, 12623, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARGIN_STATIC_MARGIN_FACERANGE
    {843, 2354, 1, 0, 12624, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARGIN_STATIC_BACK
    {844, 2355, 63, 0, 12625, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0x80000000u},  // VPD_IDC_MARGIN_EDIT_BACK_MM
    {845, 2356, 23, 0, 12626, 0, 0, 2355, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0x80000000u},  // VPD_IDC_MARGIN_SPIN_BACK_MM
    {846, 2509, 1, 0, 12627, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARGIN_STATIC_MARGIN_BACKRANGE
    {847, 2357, 21, 0, 104, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARGIN_BUTTON_DEFAULT
    {848, 9, 21, 0, 103, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_MARGIN_HELP
};
constexpr DialogItemRecord kItems1030[] = {  // VPD_IDD_DIALOG_COVER
    {849, 2430, 2, 0, 12102, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_BMP_PRINTER
    {850, 2438, 1, 0, 12103, 2512, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_STATIC_TRAYC
    {851, 2440, 48, 0, 12104, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_CHOICE_TRAY
    {852, 2439, 1, 0, 12105, 2512, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_STATIC_TRAYN
    {853, 2562, 4, 0, 12106, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_GROUP_PRINTTYPE
    {854, 2432, 2, 0, 12107, 0, 0, 2431, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_BMP_NOPRINT
    {855, 2433, 2, 0, 12108, 0, 0, 2435, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_BMP_SPRINT
    {856, 2434, 2, 0, 12109, 0, 0, 2436, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_BMP_DPRINT
    {857, 2431, 41, 0, 12110, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_RADIOLIST_9
    {857, 2435, 41, 0, 12111, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_RADIOLIST_9
    {857, 2436, 41, 0, 12112, 0, 2006, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_RADIOLIST_9
    {858, 1, 21, 0, 101, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_COVER_OK
    {859, 2, 21, 0, 102, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_COVER_CANCEL
    {860, 2437, 21, 0, 104, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_BUTTON_DEFAULT
    {861, 9, 21, 0, 103, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_COVER_HELP
    {862, 2528, 2, 0, 12117, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_BMP_COVER
    {863, 2529, 2, 0, 12118, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_BMP_INPUT
    {864, 2541, 1, 0, 12119, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_STATIC_TRAY4_COVER
    {865, 2568, 1, 0, 12120, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_STATIC_TRAY5_COVER
    {866, 2542, 1, 0, 12121, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_STATIC_LCTTRAY_COVER
    {867, 2543, 1, 0, 12122, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_STATIC_MANUALTRAY_COVER
    {868, 2544, 1, 0, 12123, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_STATIC_TRAY4_NORMAL
    {869, 2567, 1, 0, 12124, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_STATIC_TRAY5_NORMAL
    {870, 2545, 1, 0, 12125, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_STATIC_LCTTRAY_NORMAL
    {871, 2546, 1, 0, 12126, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_STATIC_MANUALTRAY_NORMAL
    {872, 2458, 1, 0, 12127, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_STATIC_TRAY1_COVER
    {873, 2462, 1, 0, 12128, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_STATIC_TRAY1_NORMAL
    {874, 2459, 1, 0, 12129, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_STATIC_TRAY2_COVER
    {875, 2463, 1, 0, 12130, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_STATIC_TRAY2_NORMAL
    {876, 2460, 1, 0, 12131, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_STATIC_TRAY3_COVER
    {877, 2464, 1, 0, 12132, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_STATIC_TRAY3_NORMAL
    {878, 2461, 1, 0, 12133, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_STATIC_MULTITRAY_COVER
    {879, 2465, 1, 0, 12134, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_STATIC_MULTITRAY_NORMAL
};
constexpr DialogItemRecord kItems1031[] = {  // VPD_IDD_DIALOG_MARK
    {880, 2441, 2, 0, 12202, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARK_BMP_PRINTER
    {881, 2442, 1, 0, 12203, 2513, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARK_STATIC_TRAYM
    {882, 2443, 48, 0, 12204, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARK_CHOICE_TRAY
    {883, 2518, 1, 0, 12205, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARK_STATIC_TRAY1_MARK
    {884, 2519, 1, 0, 12206, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARK_STATIC_TRAY2_MARK
    {885, 2520, 1, 0, 12207, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARK_STATIC_TRAY3_MARK
    {886, 2521, 1, 0, 12208, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARK_STATIC_MULTITRAY_MARK
    {887, 2444, 1, 0, 12209, 2513, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARK_STATIC_TRAYN
    {888, 2563, 4, 0, 12210, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARK_GROUP_PRINTTYPE
    {889, 2445, 2, 0, 12211, 0, 0, 2447, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARK_BMP_NOPRINT
    {890, 2446, 2, 0, 12212, 0, 0, 2448, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARK_BMP_PRINT
    {891, 2447, 41, 0, 12213, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_RADIOLIST_10
    {891, 2448, 41, 0, 12214, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_RADIOLIST_10
    {892, 1, 21, 0, 101, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_MARK_OK
    {893, 2, 21, 0, 102, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_MARK_CANCEL
    {894, 2449, 21, 0, 104, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARK_BUTTON_DEFAULT
    {895, 9, 21, 0, 103, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_MARK_HELP
    {896, 2530, 2, 0, 12219, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARK_BMP_MARK
    {897, 2531, 2, 0, 12220, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARK_BMP_INPUT
    {898, 2547, 1, 0, 12221, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARK_STATIC_TRAY4_MARK
    {899, 2569, 1, 0, 12222, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARK_STATIC_TRAY5_MARK
    {900, 2548, 1, 0, 12223, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARK_STATIC_LCTTRAY_MARK
    {901, 2549, 1, 0, 12224, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_MARK_STATIC_MANUALTRAY_MARK
    {868, 2544, 1, 0, 12225, 0, 0, 2544, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_STATIC_TRAY4_NORMAL
    {869, 2567, 1, 0, 12226, 0, 0, 2567, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_STATIC_TRAY5_NORMAL
    {870, 2545, 1, 0, 12227, 0, 0, 2545, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_STATIC_LCTTRAY_NORMAL
    {871, 2546, 1, 0, 12228, 0, 0, 2546, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_STATIC_MANUALTRAY_NORMAL
    {873, 2462, 1, 0, 12229, 0, 0, 2462, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_STATIC_TRAY1_NORMAL
    {875, 2463, 1, 0, 12230, 0, 0, 2463, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_STATIC_TRAY2_NORMAL
    {877, 2464, 1, 0, 12231, 0, 0, 2464, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_STATIC_TRAY3_NORMAL
    {879, 2465, 1, 0, 12232, 0, 0, 2465, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_COVER_STATIC_MULTITRAY_NORMAL
};
constexpr DialogItemRecord kItems1034[] = {  // VPD_IDD_DIALOG_REMOTE
    {910, 2482, 41, 0, 13002, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_RADIOLIST_11
    {910, 2483, 41, 0, 13003, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_RADIOLIST_11
    {911, 2486, 61, 0, 13004, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_REMOTE_EDIT_TELNO
    {912, 2488, 1, 0, 13005, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_REMOTE_STATIC_TELLINE
    {913, 2485, 48, 0, 13006, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_REMOTE_CHOICE_TELLINE
    {914, 2484, 48, 0, 13007, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_REMOTE_CHOICE_ADDRESS
    {915, 1, 21, 0, 101, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_REMOTE_OK
    {916, 2, 21, 0, 102, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_REMOTE_CANCEL
    {917, 2487, 21, 0, 13010, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_REMOTE_BUTTON_ADDRESS
    {918, 9, 21, 0, 103, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_REMOTE_HELP
};
constexpr DialogItemRecord kItems1035[] = {  // VPD_IDD_DIALOG_ADDRESS
    {919, 2496, 1, 0, 13102, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_ADDRESS_STATIC_NAME
    {920, 2494, 61, 0, 13103, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_ADDRESS_EDIT_NAME
    {921, 2497, 1, 0, 13104, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_ADDRESS_STATIC_TELNO
    {922, 2489, 61, 0, 13105, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_ADDRESS_EDIT_TELNO
    {923, 2492, 1, 0, 13106, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_ADDRESS_STATIC_TELLINE
    {924, 2491, 48, 0, 13107, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_ADDRESS_CHOICE_TELLINE
    {925, 2493, 1, 0, 13108, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_ADDRESS_STATIC_ADDRESS
    {926, 2490, 105, 0, 13109, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_ADDRESS_ADDRESSLIST
    {927, 2499, 21, 0, 13110, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_ADDRESS_BUTTON_ADD
    {928, 2500, 21, 0, 13111, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_ADDRESS_BUTTON_WRITE
    {929, 2501, 21, 0, 13112, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_ADDRESS_BUTTON_DELETE
    {930, 8, 21, 0, 13113, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_ADDRESS_CLOSE
    {931, 9, 21, 0, 103, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_ADDRESS_HELP
};
constexpr DialogItemRecord kItems1036[] = {  // VPD_IDD_DIALOG_ICM
    {932, 2571, 1, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_ICM_STATIC_TYPE
    {933, 2572, 48, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_ICM_CHOICE_TYPE
    {934, 2573, 1, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_ICM_STATIC_INTENT
    {935, 2574, 48, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_ICM_CHOICE_INTENT
    {936, 2575, 21, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_ICM_BUTTON_DEFAULT
    {937, 1, 21, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_ICM_OK
    {938, 2, 21, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_ICM_CANCEL
    {939, 9, 21, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_ICM_HELP
};
constexpr DialogItemRecord kItems1037[] = {  // VPD_IDD_DIALOG_OVERLAY
    {371, 2039, 2, 0, 13502, 0, 0, 2039, 0, 0, nullptr, nullptr, nullptr, nullptr, &kPreview, 0, 0},  // VPD_IDC_BASIC_STATIC_PREVIEW
    {941, 2588, 22, 0, 13503, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OVERLAY_CHOICE_FRONT
    {942, 2587, 22, 0, 13504, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OVERLAY_CHOICE_PAGE
    {943, 2583, 1, 0, 13505, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OVERLAY_STATIC_NAME
    {944, 2584, 61, 0, 13506, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OVERLAY_EDIT_NAME
    {945, 2585, 1, 0, 13507, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OVERLAY_STATIC_FILE
    {946, 2586, 61, 0, 13508, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OVERLAY_EDIT_FILE
    {947, 2582, 21, 0, 13509, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OVERLAY_BUTTON_REFERENCE
    {948, 1, 21, 0, 101, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_OVERLAY_OK
    {949, 2, 21, 0, 102, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_OVERLAY_CANCEL
    {950, 2581, 21, 0, 104, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_OVERLAY_BUTTON_DEFAULT
    {951, 9, 21, 0, 103, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_OVERLAY_HELP
};
constexpr DialogItemRecord kItems1065[] = {  // VPD_IDD_DIALOG_HIDDEN_FUNC
    {952, 1, 21, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_HIDDEN_FUNC_OK
    {953, 2, 21, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_HIDDEN_FUNC_CANCEL
    {954, 2817, 47, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_HIDDEN_FUNC
};
constexpr DialogItemRecord kItems1032[] = {  // VPD_IDD_DIALOG_SAVE_PRESET
    {955, 2450, 1, 0, 11302, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_SAVE_PRESET_STATIC_PRESETNAME
    {956, 2452, 61, 0, 11303, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_SAVE_PRESET_EDIT_PRESETNAME
    {957, 2451, 1, 0, 11304, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_SAVE_PRESET_STATIC_PRESETHELP
    {958, 2453, 61, 0, 11305, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_SAVE_PRESET_EDIT_HELP
    {959, 1, 21, 0, 101, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_SAVE_PRESET_OK
    {960, 2, 21, 0, 102, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_SAVE_PRESET_CANCEL
    {961, 9, 21, 0, 103, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_SAVE_PRESET_HELP
};
constexpr DialogItemRecord kItems1033[] = {  // VPD_IDD_DIALOG_SAVE_USER
    {962, 2454, 1, 0, 11902, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_SAVE_USER_STATIC_NAME
    {963, 2455, 61, 0, 11903, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_SAVE_USER_EDIT_NAME
    {964, 2456, 1, 0, 11904, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_SAVE_USER_STATIC_ICON
    {965, 2457, 47, 0, 11905, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_SAVE_USER_CHOICE_USER_TYPE
    {966, 2511, 1, 0, 11906, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_SAVE_USER_STATIC_POSITION_HELP
    {967, 1, 21, 0, 101, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_SAVE_USER_OK
    {968, 2, 21, 0, 102, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_SAVE_USER_CANCEL
    {969, 9, 21, 0, 103, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_SAVE_USER_HELP
};
constexpr DialogItemRecord kItems1025[] = {  // VPD_IDD_DIALOG_VERSION
    {970, 2360, 1, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_VERSION_STATIC_DRIVER_NAME
    {971, 1, 21, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_VERSION_OK
    {972, 2361, 1, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_VERSION_STATIC_DRIVER_VERSION
    {973, 2558, 61, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_VERSION_EDIT_DRIVER_VERSION
    {974, 2362, 1, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_VERSION_STATIC_COPYRIGHT_MS
    {975, 2363, 1, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_VERSION_STATIC_COPYRIGHT_ORVEK
    {976, 2552, 1, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_VERSION_STATIC_USERCODE
    {977, 2553, 61, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_VERSION_EDIT_USERCODE
    {978, 2554, 1, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_VERSION_STATIC_SYSTEM
    {979, 2556, 1, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_VERSION_STATIC_VELM
    {980, 2555, 61, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_VERSION_EDIT_SYSTEM
    {981, 2557, 61, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_VERSION_EDIT_VELM
};
constexpr DialogItemRecord kItems1026[] = {  // VPD_IDD_DIALOG_USERCODE_CHANGE
    {982, 2372, 1, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USERCODE_CHANGE_STATIC_CONFIRMATION
    {983, 6, 21, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_USERCODE_CHANGE_YES
    {984, 7, 21, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_USERCODE_CHANGE_NO
};
constexpr DialogItemRecord kItems1027[] = {  // VPD_IDD_DIALOG_USERCODE_INPUT
    {985, 2373, 1, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USERCODE_INPUT_STATIC_INPUT
    {986, 2374, 1, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USERCODE_INPUT_STATIC_USERCODE
    {987, 2375, 61, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USERCODE_INPUT_EDIT_USERCODE
    {988, 2376, 1, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USERCODE_INPUT_STATIC_MAX
    {989, 1, 21, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_USERCODE_INPUT_OK
    {990, 2, 21, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_USERCODE_INPUT_CANCEL
};
constexpr DialogItemRecord kItems1028[] = {  // VPD_IDD_DIALOG_USERCODE_CONFIRMATION
    {991, 2377, 1, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USERCODE_CONFIRMATION_STATIC_USERCODE
    {992, 2378, 61, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USERCODE_CONFIRMATION_USERCODE
    {993, 2379, 1, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_USERCODE_CONFIRMATION_STATIC_CONFIRMATION
    {994, 6, 21, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_USERCODE_CONFIRMATION_YES
    {995, 7, 21, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_USERCODE_CONFIRMATION_NO
};
constexpr DialogItemRecord kItems4005[] = {  // VPD_IDD_DIALOG_PASSWORD_INPUT
    {996, 2526, 1, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PASSWORD_INPUT_STATIC_INPUT
    {997, 2550, 1, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PASSWORD_INPUT_STATIC_INPUT2
    {998, 2527, 61, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_PASSWORD_INPUT_EDIT_PASSWORD
    {999, 1, 21, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_PASSWORD_INPUT_OK
    {1000, 2, 21, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_PASSWORD_INPUT_CANCEL
};
constexpr DialogItemRecord kItems4006[] = {  // VPD_IDD_DLG_STATUS
    {1001, 5005, 1, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_STATUS_MESSAGE
};
constexpr DialogItemRecord kItems4001[] = {  // VPD_FILEOPEN
    {1002, 1090, 1, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1090
    {1003, 1152, 61, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1152
    {1004, 1120, 42, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1120
    {1005, 1088, 1, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1088
    {1006, 1121, 47, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1121
    {1007, 1089, 1, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1089
    {1008, 1136, 43, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1136
    {1009, 1091, 1, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1091
    {1010, 1137, 48, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1137
    {1011, 1, 21, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_FILEOPEN_OK
    {1012, 2, 21, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_FILEOPEN_CANCEL
    {1013, 1037, 21, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1037
};
constexpr DialogItemRecord kItems4002[] = {  // VPD_QSTOPENSAVE
    {1002, 1090, 1, 0, 0, 0, 0, 1090, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1090
    {1003, 1152, 61, 0, 0, 0, 0, 1152, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1152
    {1004, 1120, 42, 0, 0, 0, 0, 1120, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1120
    {1005, 1088, 1, 0, 0, 0, 0, 1088, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1088
    {1006, 1121, 47, 0, 0, 0, 0, 1121, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1121
    {1007, 1089, 1, 0, 0, 0, 0, 1089, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1089
    {1008, 1136, 43, 0, 0, 0, 0, 1136, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1136
    {1009, 1091, 1, 0, 0, 0, 0, 1091, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1091
    {1010, 1137, 48, 0, 0, 0, 0, 1137, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1137
    {1023, 5001, 21, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BUTTON_NEW
    {1024, 5002, 21, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BUTTON_READ
    {1025, 5003, 21, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BUTTON_DEL
    {1026, 1, 21, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_QSTOPENSAVE_OK
    {1027, 2, 21, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_QSTOPENSAVE_CANCEL
    {1013, 1037, 21, 0, 0, 0, 0, 1037, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1037
};
constexpr DialogItemRecord kItems4003[] = {  // VPD_FILEREFER
    {1002, 1090, 1, 0, 0, 0, 0, 1090, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1090
    {1003, 1152, 61, 0, 0, 0, 0, 1152, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1152
    {1004, 1120, 42, 0, 0, 0, 0, 1120, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1120
    {1005, 1088, 1, 0, 0, 0, 0, 1088, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1088
    {1006, 1121, 47, 0, 0, 0, 0, 1121, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1121
    {1007, 1089, 1, 0, 0, 0, 0, 1089, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1089
    {1008, 1136, 43, 0, 0, 0, 0, 1136, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1136
    {1009, 1091, 1, 0, 0, 0, 0, 1091, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1091
    {1010, 1137, 48, 0, 0, 0, 0, 1137, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1137
    {1038, 1, 21, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_FILEREFER_OK
    {1039, 2, 21, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_FILEREFER_CANCEL
    {1013, 1037, 21, 0, 0, 0, 0, 1037, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1037
};
constexpr DialogItemRecord kItems4007[] = {  // VPD_VPOSAVE
    {1002, 1090, 1, 0, 0, 0, 0, 1090, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1090
    {1003, 1152, 61, 0, 0, 0, 0, 1152, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1152
    {1004, 1120, 42, 0, 0, 0, 0, 1120, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1120
    {1005, 1088, 1, 0, 0, 0, 0, 1088, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1088
    {1006, 1121, 47, 0, 0, 0, 0, 1121, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1121
    {1007, 1089, 1, 0, 0, 0, 0, 1089, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1089
    {1008, 1136, 43, 0, 0, 0, 0, 1136, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1136
    {1009, 1091, 1, 0, 0, 0, 0, 1091, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1091
    {1010, 1137, 48, 0, 0, 0, 0, 1137, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1137
    {1025, 5003, 21, 0, 0, 0, 0, 5003, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_BUTTON_DEL
    {1051, 1, 21, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_VPOSAVE_OK
    {1052, 2, 21, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_VPOSAVE_CANCEL
    {1013, 1037, 21, 0, 0, 0, 0, 1037, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1037
};
constexpr DialogItemRecord kItems4008[] = {  // VPD_VPOREFER
    {1002, 1090, 1, 0, 0, 0, 0, 1090, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1090
    {1003, 1152, 61, 0, 0, 0, 0, 1152, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1152
    {1004, 1120, 42, 0, 0, 0, 0, 1120, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1120
    {1005, 1088, 1, 0, 0, 0, 0, 1088, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1088
    {1006, 1121, 47, 0, 0, 0, 0, 1121, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1121
    {1007, 1089, 1, 0, 0, 0, 0, 1089, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1089
    {1008, 1136, 43, 0, 0, 0, 0, 1136, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1136
    {1009, 1091, 1, 0, 0, 0, 0, 1091, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1091
    {1010, 1137, 48, 0, 0, 0, 0, 1137, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1137
    {1063, 1, 21, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_VPOREFER_OK
    {1064, 2, 21, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_VPOREFER_CANCEL
    {1013, 1037, 21, 0, 0, 0, 0, 1037, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1037
};
constexpr DialogItemRecord kItems4015[] = {  // VPD_IDD_DIALOG_CREATE_MIDFILES
    {1005, 1088, 1, 0, 0, 0, 0, 1088, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1088
    {1006, 1121, 47, 0, 0, 0, 0, 1121, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1121
    {1068, 2897, 22, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_CREATE_MIDFILES_CHOICE_ALL_PRINTERS
    {1009, 1091, 1, 0, 0, 0, 0, 1091, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1091
    {1010, 1137, 48, 0, 0, 0, 0, 1137, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1137
    {1071, 1, 21, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_CREATE_MIDFILES_OK
    {1072, 2, 21, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDD_DIALOG_CREATE_MIDFILES_CANCEL
    {1013, 1037, 21, 0, 0, 0, 0, 1037, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1037
    {1074, 2887, 21, 0, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_IDC_CREATE_MIDFILES_BUTTON_DEFAULT
    {1003, 1152, 61, 0, 0, 0, 0, 1152, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0},  // VPD_ITEM_1152
};

// dialog id, symbol, flags, name, help id, item count, items, window, run-time
constexpr DialogRecord kDialogs[] = {
    {1001, 283, 0x1, "VPD_IDD_PRESET", 20101, 39, const_cast<DialogItemRecord*>(kItems1001), nullptr, {}},
    {1002, 284, 0x11, "VPD_IDD_BASIC", 22001, 50, const_cast<DialogItemRecord*>(kItems1002), nullptr, {}},
    {1003, 285, 0x11, "VPD_IDD_EDIT", 22301, 41, const_cast<DialogItemRecord*>(kItems1003), nullptr, {}},
    {1004, 286, 0x11, "VPD_IDD_FINISH", 22701, 19, const_cast<DialogItemRecord*>(kItems1004), nullptr, {}},
    {1005, 287, 0x11, "VPD_IDD_OTHERS", 22801, 16, const_cast<DialogItemRecord*>(kItems1005), nullptr, {}},
    {1006, 288, 0x1, "VPD_IDD_PRINTQUALITY", 21401, 24, const_cast<DialogItemRecord*>(kItems1006), nullptr, {}},
    {1010, 289, 0x5, "VPD_IDD_DIALOG_INIT", 20301, 39, const_cast<DialogItemRecord*>(kItems1010), nullptr, {}},
    {1011, 290, 0x6, "VPD_IDD_DIALOG_OPTION", 21001, 24, const_cast<DialogItemRecord*>(kItems1011), nullptr, {}},
    {1009, 291, 0x2, "VPD_IDD_TTF", 23201, 7, const_cast<DialogItemRecord*>(kItems1009), nullptr, {}},
    {1008, 292, 0x2, "VPD_IDD_USER_CODE", 23301, 5, const_cast<DialogItemRecord*>(kItems1008), nullptr, {}},
    {1015, 293, 0x6, "VPD_IDD_DIALOG_PRINTPOST", 20801, 23, const_cast<DialogItemRecord*>(kItems1015), nullptr, {}},
    {1007, 294, 0x4, "VPD_IDD_MAINTENANCE", 20201, 13, const_cast<DialogItemRecord*>(kItems1007), nullptr, {}},
    {1012, 295, 0x4, "VPD_IDD_DIALOG_ROTATION", 20401, 8, const_cast<DialogItemRecord*>(kItems1012), nullptr, {}},
    {1014, 296, 0x4, "VPD_IDD_DIALOG_SORT", 20601, 11, const_cast<DialogItemRecord*>(kItems1014), nullptr, {}},
    {1013, 297, 0x4, "VPD_IDD_DIALOG_UNIT", 20501, 6, const_cast<DialogItemRecord*>(kItems1013), nullptr, {}},
    {1016, 298, 0x4, "VPD_IDD_DIALOG_ACTION", 20701, 10, const_cast<DialogItemRecord*>(kItems1016), nullptr, {}},
    {1017, 299, 0x4, "VPD_IDD_DIALOG_FREESIZE", 20901, 28, const_cast<DialogItemRecord*>(kItems1017), nullptr, {}},
    {1018, 300, 0x4, "VPD_IDD_DIALOG_SCALE", 21101, 13, const_cast<DialogItemRecord*>(kItems1018), nullptr, {}},
    {1019, 301, 0x4, "VPD_IDD_DIALOG_PRINTTYPE", 21201, 19, const_cast<DialogItemRecord*>(kItems1019), nullptr, {}},
    {1020, 302, 0x4, "VPD_IDD_DIALOG_STATUS", 0, 3, const_cast<DialogItemRecord*>(kItems1020), nullptr, {}},
    {1021, 303, 0x20, "VPD_IDD_DIALOG_USER_PQC", 21601, 37, const_cast<DialogItemRecord*>(kItems1021), nullptr, {}},
    {4004, 304, 0x20, "VPD_IDD_DIALOG_USER_TTF", 21701, 10, const_cast<DialogItemRecord*>(kItems4004), nullptr, {}},
    {1029, 305, 0x20, "VPD_IDD_DIALOG_USER_OTHERS", 21801, 12, const_cast<DialogItemRecord*>(kItems1029), nullptr, {}},
    {1022, 306, 0x4, "VPD_IDD_DIALOG_STAMP_CHAR", 22401, 31, const_cast<DialogItemRecord*>(kItems1022), nullptr, {}},
    {1023, 307, 0x4, "VPD_IDD_DIALOG_STAMP_IMAGE", 22501, 18, const_cast<DialogItemRecord*>(kItems1023), nullptr, {}},
    {1024, 308, 0x4, "VPD_IDD_DIALOG_MARGIN", 22601, 28, const_cast<DialogItemRecord*>(kItems1024), nullptr, {}},
    {1030, 309, 0x4, "VPD_IDD_DIALOG_COVER", 22101, 33, const_cast<DialogItemRecord*>(kItems1030), nullptr, {}},
    {1031, 310, 0x4, "VPD_IDD_DIALOG_MARK", 22201, 31, const_cast<DialogItemRecord*>(kItems1031), nullptr, {}},
    {1034, 311, 0x4, "VPD_IDD_DIALOG_REMOTE", 23001, 10, const_cast<DialogItemRecord*>(kItems1034), nullptr, {}},
    {1035, 312, 0x4, "VPD_IDD_DIALOG_ADDRESS", 23101, 13, const_cast<DialogItemRecord*>(kItems1035), nullptr, {}},
    {1036, 313, 0x4, "VPD_IDD_DIALOG_ICM", 0, 8, const_cast<DialogItemRecord*>(kItems1036), nullptr, {}},
    {1037, 314, 0x4, "VPD_IDD_DIALOG_OVERLAY", 23501, 12, const_cast<DialogItemRecord*>(kItems1037), nullptr, {}},
    {1065, 315, 0x4, "VPD_IDD_DIALOG_HIDDEN_FUNC", 0, 3, const_cast<DialogItemRecord*>(kItems1065), nullptr, {}},
    {1032, 316, 0x4, "VPD_IDD_DIALOG_SAVE_PRESET", 21301, 7, const_cast<DialogItemRecord*>(kItems1032), nullptr, {}},
    {1033, 317, 0x4, "VPD_IDD_DIALOG_SAVE_USER", 21901, 8, const_cast<DialogItemRecord*>(kItems1033), nullptr, {}},
    {1025, 318, 0x4, "VPD_IDD_DIALOG_VERSION", 0, 12, const_cast<DialogItemRecord*>(kItems1025), nullptr, {}},
    {1026, 319, 0x4, "VPD_IDD_DIALOG_USERCODE_CHANGE", 0, 3, const_cast<DialogItemRecord*>(kItems1026), nullptr, {}},
    {1027, 320, 0x4, "VPD_IDD_DIALOG_USERCODE_INPUT", 0, 6, const_cast<DialogItemRecord*>(kItems1027), nullptr, {}},
    {1028, 321, 0x4, "VPD_IDD_DIALOG_USERCODE_CONFIRMATION", 0, 5, const_cast<DialogItemRecord*>(kItems1028), nullptr, {}},
    {4005, 322, 0x4, "VPD_IDD_DIALOG_PASSWORD_INPUT", 0, 5, const_cast<DialogItemRecord*>(kItems4005), nullptr, {}},
    {4006, 323, 0x4, "VPD_IDD_DLG_STATUS", 0, 1, const_cast<DialogItemRecord*>(kItems4006), nullptr, {}},
    {4001, 324, 0x100, "VPD_FILEOPEN", 0, 12, const_cast<DialogItemRecord*>(kItems4001), nullptr, {}},
    {4002, 325, 0x200, "VPD_QSTOPENSAVE", 0, 15, const_cast<DialogItemRecord*>(kItems4002), nullptr, {}},
    {4003, 326, 0x400, "VPD_FILEREFER", 0, 12, const_cast<DialogItemRecord*>(kItems4003), nullptr, {}},
    {4007, 327, 0x800, "VPD_VPOSAVE", 0, 13, const_cast<DialogItemRecord*>(kItems4007), nullptr, {}},
    {4008, 328, 0x1000, "VPD_VPOREFER", 0, 12, const_cast<DialogItemRecord*>(kItems4008), nullptr, {}},
    {4015, 329, 0x8000, "VPD_IDD_DIALOG_CREATE_MIDFILES", 0, 10, const_cast<DialogItemRecord*>(kItems4015), nullptr, {}},
};
static_assert(sizeof(kDialogs) / sizeof(kDialogs[0]) == kDialogCount);

// The rows are never written through the table pointer: every context works
// on its own copy.
const DialogTable kTable = {kDialogCount, const_cast<DialogRecord*>(kDialogs)};

}  // namespace

const DialogTable& DlgGetBuiltinTable() { return kTable; }
