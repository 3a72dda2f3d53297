// The old-style file dialogs: the machine's folder listed by the type's
// pattern, the folder list from the drive root down, the hook seeing the
// record at WM_INITDIALOG and refusing OK, the default extension, folders
// entered by name and by the folder list, and the errors a caller is told.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "plat/files.h"
#include "plat/wstr.h"
#include "temp_machine.h"
#include "ui/commdlg.h"
#include "ui_fixture.h"

namespace {

struct HookLog {
  static std::vector<std::string>& Events() {
    static std::vector<std::string> events;
    return events;
  }
  static const OPENFILENAMEW*& Record() {
    static const OPENFILENAMEW* record = nullptr;
    return record;
  }
  static int& RefuseOk() {
    static int refuse = 0;
    return refuse;
  }
};

UINT_PTR Hook(HWND, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    HookLog::Record() = reinterpret_cast<const OPENFILENAMEW*>(lparam);
    HookLog::Events().push_back("init");
    return 1;
  }
  if (message == WM_COMMAND && LOWORD(wparam) == IDOK) {
    HookLog::Events().push_back("ok");
    if (HookLog::RefuseOk() > 0) {
      --HookLog::RefuseOk();
      return 1;
    }
  }
  return 0;
}

std::vector<std::string> Entries(HWND dialog, INT id) {
  std::vector<std::string> out;
  const LRESULT n = SendDlgItemMessageW(dialog, id, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < n; ++i) {
    char16_t text[300] = {};
    SendDlgItemMessageW(dialog, id, LB_GETTEXT, WPARAM(i), LPARAM(text));
    out.push_back(plat::ToUtf8(text));
  }
  return out;
}

void Ok(HWND dialog) { SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }

class FileDialogs : public ui_test::Ui {
 protected:
  void SetUp() override {
    Ui::SetUp();
    ASSERT_TRUE(machine_.ok());
    ASSERT_TRUE(CreateDirectoryW(u"C:\\docs", nullptr));
    ASSERT_TRUE(CreateDirectoryW(u"C:\\docs\\sub", nullptr));
    for (const char16_t* f : {u"C:\\docs\\b.qst", u"C:\\docs\\a.QST", u"C:\\docs\\c.txt", u"C:\\docs\\sub\\d.qst"})
      plat_test::TempMachine::Put(f, "x");
    HookLog::Events().clear();
    HookLog::Record() = nullptr;
    HookLog::RefuseOk() = 0;
    ofn_.lStructSize = sizeof ofn_;
    ofn_.lpstrFilter = u"Settings\0*.qst\0Texts\0*.txt\0";
    ofn_.nFilterIndex = 1;
    ofn_.lpstrFile = file_;
    ofn_.nMaxFile = 300;
    ofn_.lpstrInitialDir = u"C:\\docs";
    ofn_.lpstrDefExt = u"qst";
    ofn_.Flags = OFN_HIDEREADONLY | OFN_ENABLEHOOK;
    ofn_.lpfnHook = Hook;
    plat::WCopy(file_, 300, u"*.qst");
  }
  // Runs the dialog with the person's steps, one per turn of the modal loop.
  BOOL Run(std::vector<std::function<void(HWND)>> steps, bool save = false) {
    auto next = std::make_shared<size_t>(0);
    ui::SetModalHandler([next, steps](HWND modal) {
      if (*next >= steps.size()) return false;
      steps[(*next)++](modal);
      return true;
    });
    BOOL r = save ? GetSaveFileNameW(&ofn_) : GetOpenFileNameW(&ofn_);
    ui::ClearModalHandler();
    return r;
  }

  plat_test::TempMachine machine_;
  OPENFILENAMEW ofn_{};
  char16_t file_[300] = {};
};

TEST_F(FileDialogs, ListsTheFolderByPatternAndTheFolderPath) {
  std::vector<std::string> files, folders, texts;
  const BOOL r = Run({[&](HWND d) {
                        files = Entries(d, kFileDlgFiles);
                        folders = Entries(d, kFileDlgFolders);
                        EXPECT_EQ(SendDlgItemMessageW(d, kFileDlgFolders, LB_GETCURSEL, 0, 0), 1) << "docs is current";
                        // The other type lists the texts.
                        SendDlgItemMessageW(d, kFileDlgTypes, CB_SETCURSEL, 1, 0);
                        SendMessageW(d, WM_COMMAND, MAKEWPARAM(kFileDlgTypes, CBN_SELCHANGE), 0);
                        texts = Entries(d, kFileDlgFiles);
                      },
                      [](HWND d) { SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); }});
  EXPECT_EQ(r, FALSE);
  EXPECT_EQ(CommDlgExtendedError(), 0u) << "cancelled, no error";
  EXPECT_EQ(files, (std::vector<std::string>{"a.QST", "b.qst"}));
  EXPECT_EQ(folders, (std::vector<std::string>{"C:\\", "docs", "sub"}));
  EXPECT_EQ(texts, (std::vector<std::string>{"c.txt"}));
}

TEST_F(FileDialogs, HookSeesTheRecordAndMayRefuseOk) {
  HookLog::RefuseOk() = 1;
  const BOOL r = Run({[](HWND d) {
                        SetDlgItemTextW(d, kFileDlgName, u"new");
                        Ok(d);  // refused by the hook: the dialog stays
                      },
                      [](HWND d) {
                        EXPECT_TRUE(IsWindowVisible(d));
                        Ok(d);
                      }},
                     true);
  EXPECT_EQ(r, TRUE);
  EXPECT_EQ(HookLog::Record(), &ofn_);
  EXPECT_EQ(HookLog::Events(), (std::vector<std::string>{"init", "ok", "ok"}));
  EXPECT_EQ(plat::ToUtf8(file_), "C:\\docs\\new.qst") << "the default extension added in the folder shown";
  EXPECT_EQ(ofn_.nFileOffset, 8);
  EXPECT_EQ(ofn_.nFileExtension, 12);
}

TEST_F(FileDialogs, FoldersAreEnteredByNameAndByTheFolderList) {
  std::vector<std::string> in_sub, back_up;
  const BOOL r = Run({[](HWND d) {
                        SetDlgItemTextW(d, kFileDlgName, u"sub");
                        Ok(d);
                      },
                      [&](HWND d) {
                        in_sub = Entries(d, kFileDlgFiles);
                        // Up again: a double click on "C:\".
                        SendDlgItemMessageW(d, kFileDlgFolders, LB_SETCURSEL, 0, 0);
                        SendMessageW(d, WM_COMMAND, MAKEWPARAM(kFileDlgFolders, LBN_DBLCLK), 0);
                        back_up = Entries(d, kFileDlgFolders);
                        SetDlgItemTextW(d, kFileDlgName, u"docs\\*.txt");
                        Ok(d);
                      },
                      [](HWND d) {
                        EXPECT_EQ(Entries(d, kFileDlgFiles), (std::vector<std::string>{"c.txt"}));
                        SendDlgItemMessageW(d, kFileDlgFiles, LB_SETCURSEL, 0, 0);
                        SendMessageW(d, WM_COMMAND, MAKEWPARAM(kFileDlgFiles, LBN_SELCHANGE), 0);
                        SendMessageW(d, WM_COMMAND, MAKEWPARAM(kFileDlgFiles, LBN_DBLCLK), 0);
                      }});
  EXPECT_EQ(r, TRUE);
  EXPECT_EQ(in_sub, (std::vector<std::string>{"d.qst"}));
  ASSERT_FALSE(back_up.empty());
  EXPECT_EQ(back_up[0], "C:\\");
  EXPECT_EQ(plat::ToUtf8(file_), "C:\\docs\\c.txt");
  EXPECT_EQ(ofn_.nFilterIndex, 1u);
}

TEST_F(FileDialogs, CallerErrors) {
  struct Case {
    const char* name;
    std::function<void(OPENFILENAMEW*)> change;
    DWORD error;
  } cases[] = {
      {"record of another size", [](OPENFILENAMEW* o) { o->lStructSize = 88; }, CDERR_STRUCTSIZE},
      {"hook asked without one", [](OPENFILENAMEW* o) { o->lpfnHook = nullptr; }, CDERR_NOHOOK},
      {"template missing", [](OPENFILENAMEW* o) {
         o->Flags |= OFN_ENABLETEMPLATE;
         o->lpTemplateName = MAKEINTRESOURCEW(4999);
       }, CDERR_FINDRESFAILURE},
  };
  for (const Case& c : cases) {
    OPENFILENAMEW kept = ofn_;
    c.change(&ofn_);
    EXPECT_EQ(Run({}), FALSE) << c.name;
    EXPECT_EQ(CommDlgExtendedError(), c.error) << c.name;
    ofn_ = kept;
  }
  // A buffer too small for the path: the first unit tells the size needed.
  ofn_.nMaxFile = 10;
  EXPECT_EQ(Run({[](HWND d) {
              SetDlgItemTextW(d, kFileDlgName, u"longer.qst");
              Ok(d);
            }}),
            FALSE);
  EXPECT_EQ(CommDlgExtendedError(), FNERR_BUFFERTOOSMALL);
  EXPECT_EQ(file_[0], char16_t(std::u16string(u"C:\\docs\\longer.qst").size() + 1));
}

}  // namespace
