// The table of control kinds: for each kind its click, init, refresh,
// command and message handlers and the window procedure installed on its
// controls. Searched linearly by kind.
#include "ui2k/controls.h"

namespace {

constexpr CtlKindRow Passive(uint32_t kind) {
  return {kind, nullptr, nullptr, CtlTextRefresh, nullptr, nullptr, CtlItemWndProc};
}

constexpr CtlKindRow kKinds[kCtlKindCount] = {
    // Static texts, pictures and group boxes.
    {1, nullptr, nullptr, CtlTextRefresh, nullptr, nullptr, CtlItemWndProc},
    {2, CtlPictureClick, nullptr, CtlPictureRefresh, nullptr, nullptr, CtlItemWndProc},
    {3, CtlPictureClick, nullptr, CtlIconRefresh, nullptr, nullptr, CtlItemWndProc},
    {4, nullptr, nullptr, CtlTextRefresh, nullptr, nullptr, CtlItemWndProc},
    Passive(5),
    Passive(6),
    // Buttons.
    {21, nullptr, CtlButtonInit, CtlTextRefresh, CtlButtonCommand, CtlButtonMessage, CtlButtonWndProc},
    {22, CtlCheckClick, nullptr, CtlCheckRefresh, CtlCheckCommand, nullptr, CtlItemWndProc},
    // Radio lists, lists and combo boxes.
    {41, CtlRadioClick, nullptr, CtlRadioRefresh, CtlRadioCommand, nullptr, CtlItemWndProc},
    {42, nullptr, CtlListInit, CtlListRefresh, CtlListCommand, nullptr, CtlItemWndProc},
    {43, nullptr, CtlComboInit, CtlComboRefresh, CtlComboCommand, nullptr, CtlItemWndProc},
    Passive(44),
    Passive(45),
    Passive(46),
    {47, nullptr, CtlOwnerListInit, nullptr, CtlListCommand, CtlOwnerListMessage, CtlItemWndProc},
    {48, nullptr, CtlComboInit, CtlIconComboRefresh, CtlComboCommand, CtlIconComboMessage, CtlItemWndProc},
    {49, nullptr, CtlOwnerListInit, nullptr, CtlListCommand, CtlCheckListMessage, CtlItemWndProc},
    {50, nullptr, CtlPresetListInit, nullptr, CtlPresetListCommand, CtlPresetListMessage, CtlItemWndProc},
    // Edits.
    {61, nullptr, CtlEditInit, CtlEditRefresh, CtlEditCommand, nullptr, CtlItemWndProc},
    {62, nullptr, CtlEditInit, CtlEditRefresh, CtlEditCommand, nullptr, CtlItemWndProc},
    {63, nullptr, CtlNumInit, CtlNumRefresh, CtlNumCommand, CtlNumMessage, CtlItemWndProc},
    // Scroll bars, sliders, trackbars, tabs and trees.
    {23, nullptr, CtlSpinInit, CtlSpinRefresh, nullptr, CtlSpinMessage, CtlItemWndProc},
    Passive(64),
    Passive(65),
    {81, nullptr, CtlSpinInit, CtlSpinRefresh, nullptr, CtlSpinMessage, CtlItemWndProc},
    {82, nullptr, CtlSliderInit, CtlSliderRefresh, nullptr, CtlSliderMessage, CtlItemWndProc},
    Passive(83),
    {84, nullptr, CtlSliderInit, CtlDrawnSliderRefresh, nullptr, CtlSliderMessage, CtlItemWndProc},
    {85, nullptr, CtlTrackbarInit, CtlTrackbarRefresh, nullptr, CtlTrackbarMessage, CtlItemWndProc},
    Passive(101),
    Passive(102),
    {104, nullptr, CtlTabInit, nullptr, nullptr, CtlTabMessage, CtlItemWndProc},
    {105, nullptr, CtlTreeInit, nullptr, nullptr, CtlNoMessage, CtlItemWndProc},
};

constexpr CtlKindTable kTable{kCtlKindCount, kKinds};
constexpr CtlDispatchTables kBuiltin{&kTable, DlgSpecialHandler};

}  // namespace

const CtlKindTable& CtlGetKindTable() { return kTable; }
const CtlDispatchTables& CtlGetBuiltinDispatch() { return kBuiltin; }
