// The steps of a sheet script: what a person does at a sheet, each done
// through the window layer's mouse and keyboard, and the window tree named
// with the items' symbols.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "command.h"
#include "plat/wstr.h"
#include "ui/commctrl.h"
#include "ui/commdlg.h"
#include "ui/prsht.h"
#include "ui/tabctrl.h"
#include "ui/user32.h"
#include "velm/dialogs.h"
#include "velm/names.h"

namespace velm_cli {
namespace {

struct StepShape {
  const char* verb;
  int min_args;
  int max_args;
  bool rest;  // the last argument is the rest of the line
  const char* usage;
};

constexpr StepShape kShapes[] = {
    {"ok", 0, 0, false, "ok"},
    {"cancel", 0, 0, false, "cancel"},
    {"page", 1, 1, true, "page N|CAPTION|DIALOG_SYMBOL"},
    {"click", 1, 3, false, "click CONTROL [X Y]"},
    {"dblclick", 1, 3, false, "dblclick CONTROL [X Y]"},
    {"check", 2, 2, false, "check CONTROL on|off"},
    {"select", 2, 2, true, "select CONTROL INDEX|TEXT"},
    {"type", 2, 2, true, "type CONTROL TEXT"},
    {"key", 2, 2, false, "key CONTROL KEY"},
    {"hold", 2, 2, false, "hold CONTROL MS"},
    {"wait", 1, 1, false, "wait MS"},
    {"hover", 1, 1, false, "hover CONTROL"},
    {"help", 1, 1, false, "help CONTROL"},
    {"tree", 0, 0, false, "tree"},
    {"slide", 2, 2, false, "slide CONTROL POS"},
    {"spin", 2, 3, false, "spin CONTROL up|down [N]"},
    {"tab", 2, 2, true, "tab CONTROL INDEX|CAPTION"},
    {"dialog", 0, 0, false, "dialog"},
    {"file", 1, 1, true, "file PATH|cancel"},
};

struct KeyName {
  const char* name;
  WPARAM vk;
  char16_t ch;
};
constexpr KeyName kKeys[] = {
    {"up", VK_UP, 0},         {"down", VK_DOWN, 0},     {"left", VK_LEFT, 0},       {"right", VK_RIGHT, 0},
    {"home", VK_HOME, 0},     {"end", VK_END, 0},       {"pageup", VK_PRIOR, 0},    {"pagedown", VK_NEXT, 0},
    {"space", VK_SPACE, u' '}, {"enter", VK_RETURN, u'\r'}, {"escape", VK_ESCAPE, 0x1B}, {"tab", VK_TAB, u'\t'},
    {"backspace", VK_BACK, u'\b'}, {"delete", VK_DELETE, 0}, {"f1", VK_F1, 0},
};

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool Number(const std::string& s, long* v) {
  if (s.empty()) return false;
  char* end = nullptr;
  *v = std::strtol(s.c_str(), &end, 10);
  return end && !*end;
}

bool KeyOf(const std::string& name, WPARAM* vk, char16_t* ch) {
  for (const KeyName& k : kKeys)
    if (Lower(name) == k.name) {
      *vk = k.vk;
      *ch = k.ch;
      return true;
    }
  std::u16string one = plat::FromUtf8(name);
  if (one.size() != 1) return false;
  *ch = one[0];
  char16_t up = (*ch >= u'a' && *ch <= u'z') ? char16_t(*ch - 32) : *ch;
  *vk = ((up >= u'A' && up <= u'Z') || (up >= u'0' && up <= u'9')) ? WPARAM(up) : VK_PACKET;
  return true;
}

std::string Utf8(const std::u16string& s) { return plat::ToUtf8(s); }

std::string ClassOf(HWND w) {
  char16_t name[64] = {};
  GetClassNameW(w, name, 64);
  return Utf8(name);
}

// ---- the sheet's pages --------------------------------------------------------------------

const char* SymbolName(uint16_t key) {
  const UiSymbolRow* row = MdfFindFeatureByKey(key);
  return row ? row->name : nullptr;
}

// The symbol of a control of a dialog (any dialog when the page's dialog is
// not known), or null.
const char* ControlSymbol(DWORD dialog_id, int control_id) {
  const DialogTable& table = DlgGetBuiltinTable();
  for (int pass = 0; pass < 2; ++pass) {
    for (int d = 0; d < table.count; ++d) {
      const DialogRecord& r = table.rows[d];
      if (pass == 0 && r.dialogId != dialog_id) continue;
      for (uint32_t i = 0; i < r.itemCount; ++i)
        if (r.items[i].controlId == control_id) return SymbolName(r.items[i].symbol);
    }
  }
  return nullptr;
}

// The dialog ids and control ids a CONTROL of a step names: a number names
// its control id in any dialog; a symbol the items of the catalogue that
// carry it.
struct Named {
  std::vector<int> controls;
  std::vector<DWORD> dialogs;  // the dialogs holding them (empty: any)
};

bool NameControl(const std::string& name, Named* out) {
  long id;
  if (Number(name, &id)) {
    if (id <= 0 || id > 0xFFFF) return false;
    out->controls.push_back(int(id));
    return true;
  }
  const DialogTable& table = DlgGetBuiltinTable();
  for (int d = 0; d < table.count; ++d) {
    const DialogRecord& r = table.rows[d];
    for (uint32_t i = 0; i < r.itemCount; ++i) {
      const char* s = SymbolName(r.items[i].symbol);
      if (!s || Lower(s) != Lower(name)) continue;
      out->controls.push_back(r.items[i].controlId);
      out->dialogs.push_back(r.dialogId);
    }
  }
  return !out->controls.empty();
}

bool Holds(const Named& n, int control_id) {
  for (int c : n.controls)
    if (c == control_id) return true;
  return false;
}

HWND FindIn(HWND parent, const Named& n) {
  if (!parent) return nullptr;
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    if (Holds(n, GetDlgCtrlID(c)) && ClassOf(c) != "#32770") return c;
  return nullptr;
}

// Brings page index of the sheet forward as a person does: a click on its tab.
bool BringForward(HWND sheet, size_t index, std::string* why) {
  std::vector<ui::SheetPageInfo> pages = ui::SheetPages(sheet);
  if (index >= pages.size()) {
    *why = "the sheet has no page " + std::to_string(index) + " (it has " + std::to_string(pages.size()) + ")";
    return false;
  }
  if (pages[index].current) return true;
  HWND tabs = GetDlgItem(sheet, IDC_SHEET_TABS);
  RECT r{};
  if (!tabs || !SendMessageW(tabs, TCM_GETITEMRECT, index, LPARAM(&r)) ||
      !ui::Click(tabs, POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2})) {
    *why = "the tab of page " + std::to_string(index) + " cannot be clicked";
    return false;
  }
  pages = ui::SheetPages(sheet);
  if (!pages[index].current) {
    *why = "page " + std::to_string(index) + " did not come forward (the page in front kept the sheet)";
    return false;
  }
  std::printf("page %zu \"%s\" brought forward\n", index, Utf8(pages[index].title).c_str());
  return true;
}

// The control a step names, its page brought forward; null with why when it
// is not there, hidden or disabled.
HWND FindControl(HWND modal, const std::string& name, std::string* why) {
  Named n;
  if (!NameControl(name, &n)) {
    *why = "'" + name + "' is no control id and no item symbol of the catalogue";
    return nullptr;
  }
  HWND found = FindIn(modal, n);
  std::vector<ui::SheetPageInfo> pages = ui::SheetPages(modal);
  size_t page = SIZE_MAX;
  // The pages made first, the one in front before the others.
  for (int pass = 0; pass < 2 && !found; ++pass)
    for (size_t i = 0; i < pages.size() && !found; ++i)
      if (pages[i].window && pages[i].current == (pass == 0) && (found = FindIn(pages[i].window, n))) page = i;
  // Then the pages not yet shown: the one of the control's dialog, else each
  // in turn, as a person looks through the tabs.
  for (int pass = 0; pass < 2 && !found; ++pass) {
    for (size_t i = 0; i < pages.size() && !found; ++i) {
      if (ui::SheetPages(modal)[i].window) continue;
      bool its_dialog = false;
      for (DWORD d : n.dialogs) its_dialog = its_dialog || d == pages[i].template_id;
      if (pass == 0 && !its_dialog) continue;
      if (!BringForward(modal, i, why)) return nullptr;
      if ((found = FindIn(ui::SheetPages(modal)[i].window, n))) page = i;
    }
  }
  if (!found) {
    *why = "there is no control " + name + " in this " + (pages.empty() ? "dialog" : "sheet");
    return nullptr;
  }
  if (page != SIZE_MAX && !BringForward(modal, page, why)) return nullptr;
  if (!IsWindowVisible(found)) {
    *why = "control " + name + " is hidden";
    return nullptr;
  }
  if (!IsWindowEnabled(found)) {
    *why = "control " + name + " is disabled";
    return nullptr;
  }
  return found;
}

// The page a page step names: its index, its tab's caption or its dialog's symbol.
bool FindPage(HWND sheet, const std::string& name, size_t* index, std::string* why) {
  std::vector<ui::SheetPageInfo> pages = ui::SheetPages(sheet);
  if (pages.empty()) {
    *why = "this window has no pages";
    return false;
  }
  long n;
  if (Number(name, &n)) {
    if (n < 0 || size_t(n) >= pages.size()) {
      *why = "the sheet has no page " + name + " (pages 0-" + std::to_string(pages.size() - 1) + ")";
      return false;
    }
    *index = size_t(n);
    return true;
  }
  for (size_t i = 0; i < pages.size(); ++i)
    if (Lower(Utf8(pages[i].title)) == Lower(name)) {
      *index = i;
      return true;
    }
  const DialogTable& table = DlgGetBuiltinTable();
  for (int d = 0; d < table.count; ++d) {
    const DialogRecord& r = table.rows[d];
    const char* s = SymbolName(r.symbol);
    if (!(s && Lower(s) == Lower(name)) && !(r.name && Lower(r.name) == Lower(name))) continue;
    for (size_t i = 0; i < pages.size(); ++i)
      if (pages[i].template_id == r.dialogId) {
        *index = i;
        return true;
      }
    // A page whose template the sheet does not name: the one that holds the dialog's first item.
    for (size_t i = 0; r.itemCount && i < pages.size(); ++i) {
      std::string ignored;
      if (!pages[i].window && !BringForward(sheet, i, &ignored)) continue;
      HWND w = ui::SheetPages(sheet)[i].window;
      if (w && GetDlgItem(w, r.items[0].controlId)) {
        *index = i;
        return true;
      }
    }
  }
  std::string titles;
  for (const ui::SheetPageInfo& p : pages) titles += (titles.empty() ? "" : ", ") + ("\"" + Utf8(p.title) + "\"");
  *why = "no page " + name + " in the sheet (pages: " + titles + ")";
  return false;
}

bool PointArgs(const SheetStep& step, HWND control, POINT* p, std::string* why) {
  *p = ui::CenterOf(control);
  if (step.args.size() < 3) return true;
  long x, y;
  if (!Number(step.args[1], &x) || !Number(step.args[2], &y)) {
    *why = "X and Y are numbers";
    return false;
  }
  *p = POINT{LONG(x), LONG(y)};
  return true;
}

std::string NotUnderPointer(HWND control, POINT p) {
  RECT r{};
  GetWindowRect(control, &r);
  POINT screen{r.left + p.x, r.top + p.y};
  HWND over = WindowFromPoint(screen);
  std::string what = over ? ClassOf(over) + " #" + std::to_string(GetDlgCtrlID(over)) : std::string("nothing");
  return "the pointer at " + std::to_string(p.x) + "," + std::to_string(p.y) + " of the control is over " + what;
}

// Focus for the keyboard, as the Tab key gives it.
void FocusFor(HWND control) {
  if (GetFocus() != control) SetFocus(control);
}

// A click on the tab of that index or caption.
bool ClickTab(HWND control, const std::string& which, std::string* why) {
  if (ClassOf(control) != "SysTabControl32") {
    *why = "the control is a " + ClassOf(control) + ", not a tab control";
    return false;
  }
  long i = -1, n = 0;
  if (Number(which, &n)) {
    i = n;
  } else {
    const LRESULT count = SendMessageW(control, TCM_GETITEMCOUNT, 0, 0);
    for (LRESULT k = 0; k < count && i < 0; ++k) {
      char16_t text[256] = {};
      TCITEMW item{TCIF_TEXT, 0, 0, text, 256, 0, 0};
      if (SendMessageW(control, TCM_GETITEMW, WPARAM(k), LPARAM(&item)) && plat::ToUtf8(text) == which) i = long(k);
    }
  }
  RECT r{};
  if (i < 0 || !SendMessageW(control, TCM_GETITEMRECT, WPARAM(i), LPARAM(&r))) {
    *why = "no tab " + which;
    return false;
  }
  return ui::Click(control, POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}) || (*why = "the tab is covered", false);
}

// A slider moved as a person moves it: a scroll bar's thumb drawn to the
// position, a trackbar's thumb taken there with the arrow keys.
bool Slide(HWND control, long pos, std::string* why) {
  const std::string cls = ClassOf(control);
  if (cls == "SCROLLBAR") {
    if (ui::ScrollBar(GetParent(control), GetDlgCtrlID(control), SB_THUMBPOSITION, INT(pos))) return true;
    *why = NotUnderPointer(control, ui::CenterOf(control));
    return false;
  }
  if (cls != "msctls_trackbar32") {
    *why = "the control is a " + cls + ", not a slider";
    return false;
  }
  const long lo = long(SendMessageW(control, TBM_GETRANGEMIN, 0, 0)), hi = long(SendMessageW(control, TBM_GETRANGEMAX, 0, 0));
  if (pos < lo || pos > hi) {
    *why = "the slider runs from " + std::to_string(lo) + " to " + std::to_string(hi);
    return false;
  }
  FocusFor(control);
  ui::TypeKey(VK_HOME);
  for (long at = lo; at < pos; ++at) ui::TypeKey(VK_RIGHT);
  return true;
}

// Clicks on a spin button's upper or lower arrow.
bool Spin(HWND control, bool up, long times, std::string* why) {
  const std::string cls = ClassOf(control);
  if (cls != "SCROLLBAR" && cls != "msctls_updown32") {
    *why = "the control is a " + cls + ", not a spin button";
    return false;
  }
  RECT r{};
  GetClientRect(control, &r);
  const POINT arrow{(r.left + r.right) / 2, up ? r.top + 2 : r.bottom - 3};
  for (long k = 0; k < times; ++k) {
    const bool done = cls == "SCROLLBAR"
                          ? ui::ScrollBar(GetParent(control), GetDlgCtrlID(control), up ? SB_LINEUP : SB_LINEDOWN, 0)
                          : ui::Click(control, arrow);
    if (!done) {
      *why = NotUnderPointer(control, arrow);
      return false;
    }
  }
  return true;
}

bool SelectEntry(HWND control, const std::string& which, std::string* why) {
  std::string cls = ClassOf(control);
  HWND parent = GetParent(control);
  if (cls == "SysTabControl32") return ClickTab(control, which, why);
  bool list = cls == "LISTBOX";
  if (!list && cls != "COMBOBOX") {
    *why = "the control is a " + cls + ", not a list";
    return false;
  }
  LRESULT count = SendMessageW(control, list ? LB_GETCOUNT : CB_GETCOUNT, 0, 0);
  long index;
  if (!Number(which, &index)) {
    std::u16string text = plat::FromUtf8(which);
    index = long(SendMessageW(control, list ? LB_FINDSTRINGEXACT : CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(text.c_str())));
    if (index < 0) {
      *why = "no entry \"" + which + "\" in the list";
      return false;
    }
  }
  if (index < 0 || index >= count) {
    *why = "no entry " + which + " (the list has " + std::to_string(count) + ")";
    return false;
  }
  if (!ui::ChooseItem(parent, GetDlgCtrlID(control), INT(index))) {
    *why = "the entry cannot be reached with the mouse";
    return false;
  }
  return true;
}

// The file dialog in front answered as a person does: the name typed into
// its file-name edit and OK pressed, or Cancel pressed.
bool AnswerFileDialog(HWND modal, const std::string& answer, std::string* why) {
  if (!GetDlgItem(modal, kFileDlgName) || !GetDlgItem(modal, kFileDlgFolders)) {
    *why = "the window in front is no file dialog";
    return false;
  }
  if (answer == "cancel") return ui::ClickButton(modal, IDCANCEL) || (*why = "Cancel cannot be pressed", false);
  if (!ui::TypeText(modal, kFileDlgName, plat::FromUtf8(answer))) {
    *why = "the file name cannot be typed";
    return false;
  }
  if (!ui::ClickButton(modal, IDOK)) {
    *why = "OK cannot be pressed";
    return false;
  }
  if (IsWindow(modal) && IsWindowVisible(modal)) std::printf("the file dialog stays open\n");
  return true;
}

}  // namespace

bool ParseSheetStep(const std::string& line, SheetStep* step, std::string* why) {
  std::istringstream in(line);
  std::string verb;
  in >> verb;
  const StepShape* shape = nullptr;
  for (const StepShape& s : kShapes)
    if (verb == s.verb) shape = &s;
  if (!shape) {
    *why = "steps: ok, cancel, answer ANSWER, page, click, dblclick, check, select, type, key, hold, wait, hover, help, "
           "tree, slide, spin, tab, file";
    return false;
  }
  step->verb = verb;
  step->args.clear();
  std::string word;
  while (int(step->args.size()) < shape->max_args - (shape->rest ? 1 : 0) && in >> word) step->args.push_back(word);
  if (shape->rest) {
    std::string rest;
    std::getline(in, rest);
    size_t a = rest.find_first_not_of(" \t"), b = rest.find_last_not_of(" \t\r");
    rest = a == std::string::npos ? std::string() : rest.substr(a, b - a + 1);
    bool quoted = rest.size() >= 2 && rest.front() == '"' && rest.back() == '"';
    if (quoted) rest = rest.substr(1, rest.size() - 2);
    if (quoted || !rest.empty()) step->args.push_back(rest);
  } else if (in >> word) {
    *why = std::string("too much after the step: ") + shape->usage;
    return false;
  }
  if (int(step->args.size()) < shape->min_args || (step->args.size() == 2 && (verb == "click" || verb == "dblclick"))) {
    *why = std::string("the step takes: ") + shape->usage;
    return false;
  }
  long n;
  bool ok = true;
  if (verb == "check") ok = step->args[1] == "on" || step->args[1] == "off";
  if (verb == "hold") ok = Number(step->args[1], &n) && n >= 0 && n <= 600000;
  if (verb == "wait") ok = Number(step->args[0], &n) && n >= 0 && n <= 600000;
  if (verb == "key") {
    WPARAM vk;
    char16_t ch;
    ok = KeyOf(step->args[1], &vk, &ch);
  }
  if (verb == "slide") ok = Number(step->args[1], &n) && n >= INT32_MIN && n <= INT32_MAX;
  if (verb == "spin")
    ok = (step->args[1] == "up" || step->args[1] == "down") &&
         (step->args.size() < 3 || (Number(step->args[2], &n) && n >= 1 && n <= 10000));
  if ((verb == "click" || verb == "dblclick") && step->args.size() == 3) ok = Number(step->args[1], &n) && Number(step->args[2], &n);
  if (!ok) *why = std::string("the step takes: ") + shape->usage;
  return ok;
}

bool RunSheetStep(HWND modal, const SheetStep& step, std::string* why) {
  const std::string& v = step.verb;
  if (v == "ok" || v == "cancel") {
    if (ui::ClickButton(modal, v == "ok" ? IDOK : IDCANCEL)) return true;
    *why = "no " + v + " button to press";
    return false;
  }
  if (v == "tree") {
    std::printf("%s", SheetTree(modal).c_str());
    return true;
  }
  if (v == "dialog") {
    std::printf("%s", DialogStack().c_str());
    return true;
  }
  if (v == "wait") {
    ui::Idle(DWORD(std::strtol(step.args[0].c_str(), nullptr, 10)));
    ui::PlayInput();
    return true;
  }
  if (v == "file") return AnswerFileDialog(modal, step.args[0], why);
  if (v == "page") {
    size_t index;
    return FindPage(modal, step.args[0], &index, why) && BringForward(modal, index, why);
  }
  HWND control = FindControl(modal, step.args[0], why);
  if (!control) return false;
  POINT at{};
  if (v == "click" || v == "dblclick") {
    if (!PointArgs(step, control, &at, why)) return false;
    if (v == "click" ? ui::Click(control, at) : ui::DoubleClick(control, at)) return true;
    *why = NotUnderPointer(control, at);
    return false;
  }
  if (v == "check") {
    UINT want = step.args[1] == "on" ? BST_CHECKED : BST_UNCHECKED;
    if (ClassOf(control) != "BUTTON") {
      *why = "the control is a " + ClassOf(control) + ", not a check box or radio button";
      return false;
    }
    if (UINT(SendMessageW(control, BM_GETCHECK, 0, 0)) == want) {
      std::printf("already %s\n", step.args[1].c_str());
      return true;
    }
    if (!ui::Click(control, ui::CenterOf(control))) {
      *why = NotUnderPointer(control, ui::CenterOf(control));
      return false;
    }
    if (IsWindow(control) && UINT(SendMessageW(control, BM_GETCHECK, 0, 0)) != want)
      std::printf("the sheet left it %s\n", want == BST_CHECKED ? "off" : "on");
    return true;
  }
  if (v == "select") return SelectEntry(control, step.args[1], why);
  if (v == "type") {
    if (!ui::TypeText(GetParent(control), GetDlgCtrlID(control),
                      plat::FromUtf8(step.args.size() > 1 ? step.args[1] : ""))) {
      *why = "the control takes no typing here (" + ClassOf(control) + ")";
      return false;
    }
    // The person leaves the control with the tab key.
    ui::TypeKey(VK_TAB, u'\t');
    return true;
  }
  if (v == "slide") return Slide(control, std::strtol(step.args[1].c_str(), nullptr, 10), why);
  if (v == "spin")
    return Spin(control, step.args[1] == "up",
                step.args.size() > 2 ? std::strtol(step.args[2].c_str(), nullptr, 10) : 1, why);
  if (v == "tab") return ClickTab(control, step.args[1], why);
  if (v == "key" || v == "help") {
    WPARAM vk = VK_F1;
    char16_t ch = 0;
    if (v == "key") KeyOf(step.args[1], &vk, &ch);
    FocusFor(control);
    ui::TypeKey(vk, ch);
    return true;
  }
  if (v == "hold") {
    if (ui::Hold(control, ui::CenterOf(control), DWORD(std::strtol(step.args[1].c_str(), nullptr, 10)))) return true;
    *why = NotUnderPointer(control, ui::CenterOf(control));
    return false;
  }
  if (v == "hover") {
    if (!ui::Hover(control, ui::CenterOf(control)))
      std::printf("the pointer rests there; %s\n", NotUnderPointer(control, ui::CenterOf(control)).c_str());
    return true;
  }
  *why = "not a step";
  return false;
}

std::string DialogStack() {
  const std::vector<HWND> stack = ui::ModalStack();
  std::string out;
  for (size_t i = 0; i < stack.size(); ++i) {
    char16_t title[256] = {};
    GetWindowTextW(stack[i], title, 256);
    out += "dialog " + std::to_string(i + 1) + " of " + std::to_string(stack.size()) + ": \"" +
           plat::ToUtf8(title) + "\"" + (i + 1 == stack.size() ? " (the steps act on it)" : "") + "\n";
  }
  return out;
}

std::string SheetTree(HWND modal) {
  std::vector<ui::SheetPageInfo> pages = ui::SheetPages(modal);
  return ui::DumpWindowTree(modal, [&](HWND w) -> std::string {
    HWND parent = GetParent(w);
    if (!parent || w == modal || ClassOf(w) == "#32770") return {};
    bool on_page = parent == modal && pages.empty();  // a dialog's own controls, not the sheet's buttons
    DWORD dialog = on_page ? ui::DialogTemplateId(modal) : 0;
    for (const ui::SheetPageInfo& p : pages)
      if (p.window == parent) {
        dialog = p.template_id;
        on_page = true;
      }
    if (!on_page) return {};
    const char* symbol = ControlSymbol(dialog, GetDlgCtrlID(w));
    return symbol ? std::string("<") + symbol + ">" : std::string();
  });
}

}  // namespace velm_cli
