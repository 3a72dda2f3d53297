// A clean window manager for each test, and a recorder of what a dialog
// procedure or a parent window is sent.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plat/wstr.h"
#include "ui/dialog_template.h"
#include "ui/user32.h"

namespace ui_test {

// Notifications (WM_COMMAND code and id) and WM_NOTIFY codes a dialog got.
struct Recorder {
  static std::vector<std::string>& Events() {
    static std::vector<std::string> events;
    return events;
  }
  static INT_PTR Proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    (void)dialog;
    if (message == WM_COMMAND) {
      Events().push_back("cmd " + std::to_string(LOWORD(wparam)) + " " + std::to_string(HIWORD(wparam)));
      return TRUE;
    }
    if (message == WM_HSCROLL || message == WM_VSCROLL) {
      Events().push_back((message == WM_HSCROLL ? "hscroll " : "vscroll ") + std::to_string(LOWORD(wparam)) + " " +
                         std::to_string(HIWORD(wparam)));
      (void)lparam;
      return TRUE;
    }
    return message == WM_INITDIALOG;
  }
};

class Ui : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::ResetWindowManager();
    Recorder::Events().clear();
  }
  void TearDown() override { ui::ResetWindowManager(); }

  static ui::DialogItemTemplate Item(const char16_t* cls, INT id, DWORD style, const char16_t* text = u"") {
    ui::DialogItemTemplate it;
    it.class_name = cls;
    it.id = int16_t(id);
    it.style = WS_CHILD | WS_VISIBLE | style;
    it.text = text;
    it.x = 4;
    it.y = int16_t(4 + 16 * id % 200);
    it.cx = 80;
    it.cy = 12;
    return it;
  }
  // A modeless dialog from a template in memory, with the recorder as its procedure.
  HWND Dialog(const std::vector<ui::DialogItemTemplate>& items, DLGPROC proc = Recorder::Proc) {
    ui::DialogTemplate t;
    t.title = u"Test";
    // Shown, and tall enough to hold every item, so that the person's
    // mouse reaches them.
    t.style |= WS_VISIBLE;
    t.cx = 200;
    t.cy = 220;
    t.items = items;
    bytes_ = ui::EncodeDialogTemplate(t);
    return CreateDialogIndirectParamW(nullptr, bytes_.data(), nullptr, proc, 0);
  }
  static std::vector<std::string> Events() { return Recorder::Events(); }
  static std::string Text(HWND w) {
    char16_t buf[256];
    GetWindowTextW(w, buf, 256);
    return plat::ToUtf8(buf);
  }

  std::vector<uint8_t> bytes_;
};

}  // namespace ui_test
