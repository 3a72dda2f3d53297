// Internals of the window manager shared by the files of the layer.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ui/user32.h"

namespace ui::detail {

// State of a standard control, kept by the window.
struct ControlData {
  virtual ~ControlData() = default;
  // The value shown in the window dump ("" for none).
  virtual std::string Describe() const { return {}; }
};

struct Window {
  HWND handle = nullptr;
  std::u16string class_name;
  UINT class_style = 0;
  WNDPROC proc = nullptr;
  DWORD style = 0;
  DWORD ex_style = 0;
  std::u16string text;
  RECT rect{};  // pixels, in the parent's client coordinates (screen for top-level windows)
  HWND parent = nullptr;
  HWND owner = nullptr;
  LONG_PTR id = 0;
  HINSTANCE instance = nullptr;
  LONG_PTR user_data = 0;
  std::vector<uint8_t> extra;  // the class's window bytes (dialogs: DWLP_* slots)
  std::vector<HWND> children;  // in creation (z) order
  bool destroying = false;
  std::unique_ptr<ControlData> control;
  // Dialogs.
  bool is_dialog = false;
  DWORD template_id = 0;  // the resource id of its template; 0 for one in memory
  bool dialog_ended = false;
  INT_PTR dialog_result = 0;
};

std::recursive_mutex& Lock();
// The live window, or null (also for a window being destroyed once its
// WM_NCDESTROY has run).
std::shared_ptr<Window> Find(HWND handle);
// The control state of a window of the given type, or null.
template <typename T>
T* Control(HWND handle) {
  std::shared_ptr<Window> w = Find(handle);
  return w ? dynamic_cast<T*>(w->control.get()) : nullptr;
}
void SetControl(HWND handle, std::unique_ptr<ControlData> data);

// Sends WM_COMMAND with a notification code to the control's parent.
void NotifyParent(HWND control, WORD code);
void AddLog(const std::string& line);

// The window procedures of the built-in classes.
LRESULT ButtonProc(HWND, UINT, WPARAM, LPARAM);
LRESULT StaticProc(HWND, UINT, WPARAM, LPARAM);
LRESULT EditProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ListBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ComboBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ScrollBarProc(HWND, UINT, WPARAM, LPARAM);
LRESULT DialogProc(HWND, UINT, WPARAM, LPARAM);

// Copies text into a caller's buffer of capacity units, cut and terminated;
// answers the units copied.
INT CopyOut(const std::u16string& text, LPWSTR buffer, INT capacity);
std::u16string TextOf(LPCWSTR text);

// Runs a modal loop for the window until *done (or the window is gone).
// Asks the modal handler when there is nothing to dispatch; closes the
// window with close() when the handler has nothing more to do.
void RunModal(HWND modal, const bool* done, void (*close)(HWND));

// The input road (input.cpp), called by the message functions: the next
// queued input that is due, as the message it makes for a window passing the
// filter; the virtual time of the next queued input (false: none queued);
// the clock moved on to the next timer or queued input, whichever comes
// first (false: no input queued); the input state forgotten.
bool PeekInput(MSG* msg, HWND window, UINT first, UINT last, UINT remove);
bool NextInputDue(DWORD* due);
bool AdvanceToNextInput();
// The time the next timer falls due (false: none runs).
bool NextTimerDue(DWORD* due);
void ResetInput();
// DefWindowProcW's answers to the input messages: hit testing, the cursor,
// the context menu of a right click, help for F1, the end of a mode; false
// for other messages.
bool DefInputProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);
// Modes end as a modal window starts: WM_CANCELMODE to the window holding
// the capture, else to the active window.
void CancelModes();
LRESULT TabControlProc(HWND, UINT, WPARAM, LPARAM);
LRESULT TrackbarProc(HWND, UINT, WPARAM, LPARAM);
LRESULT UpDownProc(HWND, UINT, WPARAM, LPARAM);
LRESULT TreeViewProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ListViewProc(HWND, UINT, WPARAM, LPARAM);
// The list view's face (listview.cpp).
void PaintListView(HWND h, HDC dc, const RECT& client, bool enabled, bool focused);
// The trackbar's channel ends this far inside its client area.
constexpr LONG kTrackbarMargin = 8;
// The lines a tree view shows: depth and text, in order.
std::vector<std::pair<INT, std::u16string>> TreeLines(HWND tree);

// The taskbar of the machine ("Shell_TrayWnd"): no window of the layer,
// a handle FindWindowW answers and GetWindowRect places from the machine
// settings (taskbar.rect); false when the machine has none.
HWND TaskbarWindow();
bool TaskbarRect(RECT* rect);

// Dialog base units: pixels for dialog units.
inline LONG DuToPxX(LONG du) { return du * 6 / 4; }
inline LONG DuToPxY(LONG du) { return du * 13 / 8; }

}  // namespace ui::detail
