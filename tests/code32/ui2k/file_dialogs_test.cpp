// The file dialogs of the pages, run through a page's sub-dialog with a
// person typing into the dialog: the extension added on save and the bundle
// removed when its export fails, the bitmap test, the work folder and where
// it is stored, the folder remembered per printer and kind, the refusals of
// a listed and a read-only file, and names over the path bound.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "plat/calls.h"
#include "plat/files.h"
#include "plat/resources.h"
#include "plat/user.h"
#include "plat/wstr.h"
#include "sheet_test_machine.h"
#include "ui/commdlg.h"
#include "ui/prsht.h"
#include "ui2k/file_dialogs.h"
#include "ui2k/pages.h"
#include "velm/context.h"
#include "velm/dialogs.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/names.h"
#include "velm/paths.h"
#include "velm/printer_data.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"

namespace {

using Step = std::function<void(HWND)>;

void Type(HWND d, const std::u16string& text) { SetDlgItemTextW(d, kFileDlgName, text.c_str()); }
void Press(HWND d, WORD id) { SendMessageW(d, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

class FileDialogPages : public sheet_test::SheetMachine {
 protected:
  void SetUp() override {
    SheetMachine::SetUp();
    std::vector<plat::ResourceEntry> strings = {plat::StringResource(376, u"Settings files"),
                                                plat::StringResource(377, u"Bitmaps")};
    for (uint32_t id : {10023u, 10024u, 10025u, 10026u, 10027u, 10028u, 10043u, 10060u, 374u, 375u})
      strings.push_back(plat::StringResource(id, plat::FromUtf8("M" + std::to_string(id))));
    ASSERT_TRUE(plat::WriteResourceModule(plat::MapPath(std::u16string(env_test::kDriverDir) + u"TESTUI"),
                                          plat::StandinModuleDir() + "/velmres.dll", strings));
    ASSERT_EQ(PathCreateDataDir(), 1);
    header_ = DocHeader(nullptr, nullptr, DM_PROMPT | DM_COPY);
    info_ = Info(PROPSHEETUI_REASON_INIT, LPARAM(&header_));
    ASSERT_EQ(UiDocumentPropertySheets(&info_, LPARAM(&header_)), 1);
    ctx_ = reinterpret_cast<DriverContext*>(info_.UserData);
    ASSERT_NE(ctx_, nullptr);
    page_ = CreateWindowExW(0, u"STATIC", u"page", WS_POPUP | WS_VISIBLE, 0, 0, 600, 500, nullptr, nullptr, nullptr,
                            nullptr);
    ctx_->dialogId = 1002;
    ASSERT_TRUE(CreateDirectoryW(u"C:\\work", nullptr));
    Remember(u"SaveFilePath", u"C:\\work");
  }
  void TearDown() override {
    ui::ClearModalHandler();
    if (ctx_) {
      info_.Reason = PROPSHEETUI_REASON_DESTROY;
      UiDocumentPropertySheets(&info_, 0);
    }
    SheetMachine::TearDown();
  }
  void Remember(const char16_t* key, const char16_t* folder) {
    ASSERT_EQ(IniWriteString(InstGetPrinterSectionName(ctx_), key, folder, PathGetDriverIni(ctx_)), 1);
  }
  std::u16string Remembered(const char16_t* section, const char16_t* key) {
    char16_t out[261] = {};
    IniGetString(section, key, u"", out, 261, PathGetDriverIni(ctx_));
    return out;
  }
  // The dialog run from the page; each step is what the person does next.
  INT_PTR Run(uint16_t dialog, std::vector<Step> steps) {
    plat::ClearMessageBoxLog();
    auto next = std::make_shared<size_t>(0);
    ui::SetModalHandler([next, steps](HWND modal) {
      if (*next >= steps.size()) return false;
      steps[(*next)++](modal);
      return true;
    });
    const INT_PTR r = UiRunSubDialog(ctx_, 4, dialog, page_);
    ui::ClearModalHandler();
    return r;
  }
  // The texts of the message boxes shown ("M<id>").
  static std::vector<std::string> Boxes() {
    std::vector<std::string> out;
    for (const plat::MessageBoxRecord& m : plat::MessageBoxLog()) out.push_back(plat::ToUtf8(m.text));
    return out;
  }
  static bool Exists(const std::u16string& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
  // Sub-folders of a folder.
  static std::vector<std::string> Folders(const std::u16string& folder) {
    std::vector<std::string> out;
    WIN32_FIND_DATAW data{};
    HANDLE s = FindFirstFileW((folder + u"\\*").c_str(), &data);
    if (s == INVALID_HANDLE_VALUE) return out;
    do {
      std::u16string name = data.cFileName;
      if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != u"." && name != u"..")
        out.push_back(plat::ToUtf8(name));
    } while (FindNextFileW(s, &data));
    FindClose(s);
    return out;
  }
  // A settings file saved through the dialog.
  void SaveThroughDialog(const std::u16string& name) {
    ASSERT_EQ(Run(4002, {[name](HWND d) {
                Type(d, name);
                Press(d, IDOK);
              }}),
              TRUE);
  }

  DOCUMENTPROPERTYHEADER header_{};
  PROPSHEETUI_INFO info_{};
  DriverContext* ctx_ = nullptr;
  HWND page_ = nullptr;
};

TEST(FileDialogKinds, PatternsAndExtensions) {
  struct Case {
    uint16_t dialog_id;
    uint32_t flags;
    const char16_t* last_four;  // null: a name shorter than four characters
    int32_t has;
  } cases[] = {
      {4002, 0x200, u".qst", 1}, {4002, 0x200, u".QST", 1}, {4002, 0x200, u".qSt", 1}, {4002, 0x200, u".qsd", 0},
      {4002, 0x200, u"xqst", 0}, {4002, 0x200, u".bmp", 0}, {4002, 0x200, nullptr, 0},  {4003, 0x400, u".BMP", 1},
      {4003, 0x400, u".qst", 0}, {4007, 0x800, u".vpo", 1}, {4008, 0x1000, u".VPO", 1}, {1037, 0x4, u".vpo", 1},
      {1002, 0x0, u".qst", 1},   {4015, 0x8000, u".qst", 1},
  };
  for (const Case& c : cases) {
    DialogRecord d{};
    d.dialogId = c.dialog_id;
    d.flags = c.flags;
    EXPECT_EQ(UiHasFileExtension(&d, c.last_four), c.has)
        << c.dialog_id << " " << (c.last_four ? plat::ToUtf8(c.last_four) : std::string("(short)"));
    EXPECT_EQ(UiIsFileDialog(&d), (c.flags & 0x9F00u) ? 1 : 0) << c.dialog_id;
    EXPECT_EQ(UiIsNotFileDialog(&d), 1 - UiIsFileDialog(&d)) << c.dialog_id;
  }
  DialogRecord bitmap{4003, 0, 0x400, nullptr, 0, 0, nullptr, nullptr, {}};
  EXPECT_EQ(plat::ToUtf8(UiGetFilePattern(&bitmap)), "*.bmp");
}

TEST_F(FileDialogPages, SaveAddsTheExtensionAndDropsTheBundleOfAFailedExport) {
  plat::ResetCalls();
  SaveThroughDialog(u"plain");
  EXPECT_TRUE(Exists(u"C:\\work\\plain.qst")) << "saved with .qst in the folder shown";
  EXPECT_EQ(plat::ToUtf8(DlgGetLastFileBuffer()), "C:\\work\\plain.qst");
  EXPECT_NE(Get(u"C:\\work\\plain.qst").find("QstVersion"), std::string::npos) << "a settings file";
  // The driver ini holds none of the paper-size sections a bundle carries:
  // the export fails and its folder goes.
  char16_t data[261] = {};
  PathGetCommonDataDir(data, 261);
  EXPECT_EQ(Folders(std::u16string(data) + u"\\velm"), std::vector<std::string>{});
  EXPECT_FALSE(Exists(u"C:\\work\\plain.lst")) << "no list file of a bundle";
  // The bundle's folder was made for the export, and removed.
  std::vector<std::string> made, removed;
  for (const std::string& line : plat::CallLog()) {
    if (line.find("\\velm\\") == std::string::npos) continue;
    if (line.rfind("CreateDirectoryW ", 0) == 0) made.push_back(line.substr(17));
    if (line.rfind("RemoveDirectoryW ", 0) == 0) removed.push_back(line.substr(17));
  }
  ASSERT_EQ(made.size(), 1u);
  EXPECT_EQ(removed, made);
  EXPECT_EQ(Boxes(), std::vector<std::string>{});
}

TEST_F(FileDialogPages, ShortNamesAndWrongExtensions) {
  // "a.q" is shorter than an extension: it is asked about and replaced.
  SaveThroughDialog(u"a.q");
  EXPECT_EQ(Boxes(), std::vector<std::string>{"M10025"});
  EXPECT_TRUE(Exists(u"C:\\work\\a.qst"));
  EXPECT_FALSE(Exists(u"C:\\work\\a.q"));
  // Cancel at the question keeps the dialog; nothing is written.
  EXPECT_EQ(Run(4002, {[](HWND d) {
              plat::ScriptMessageBoxAnswers({IDCANCEL});
              Type(d, u"b.txt");
              Press(d, 5001);
            }}),
            FALSE);
  EXPECT_FALSE(Exists(u"C:\\work\\b.qst"));
  EXPECT_FALSE(Exists(u"C:\\work\\b.txt"));
}

TEST_F(FileDialogPages, OnlyAWindowsBitmapIsTaken) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\pics", nullptr));
  Remember(u"RefFilePath", u"C:\\pics");
  std::string windows_bmp = "BM" + std::string(12, '\0');
  windows_bmp[10] = 54;
  windows_bmp += std::string("\x28\0\0\0\x01\0\0\0\x01\0\0\0\x01\0\x18\0", 16) + std::string(24 + 4, '\0');
  std::string os2_bmp = "BM" + std::string(12, '\0') + std::string("\x0c\0\0\0\x01\0\x01\0\x01\0\x18\0", 12);
  Put(u"C:\\pics\\text.bmp", "not a picture at all, only text");
  Put(u"C:\\pics\\os2.bmp", os2_bmp);
  Put(u"C:\\pics\\win.bmp", windows_bmp);
  std::vector<Step> steps;
  for (const char16_t* name : {u"text.bmp", u"os2.bmp", u"win.bmp"})
    steps.push_back([name](HWND d) {
      Type(d, name);
      Press(d, IDOK);
    });
  EXPECT_EQ(Run(4003, steps), TRUE);
  EXPECT_EQ(Boxes(), (std::vector<std::string>{"M10043", "M10043"}));
  EXPECT_EQ(plat::ToUtf8(DlgGetLastFileBuffer()), "C:\\pics\\win.bmp");
}

TEST_F(FileDialogPages, WorkFolderStoredWhereTheCheckBoxSays) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\data", nullptr));
  struct Case {
    const char* name;
    const char16_t* hklm;     // before
    const char16_t* printer;  // before
    bool click_all_users;
    const char* hklm_after;
    const char* printer_after;
  } cases[] = {
      {"the Windows temp folder in capitals, all users", u"C:\\WINDOWS\\TEMP", u"", false, "", ""},
      {"a folder of this printer", u"", u"C:\\data", false, "", "C:\\data"},
      {"nothing stored opens the Windows temp folder", u"", u"", false, "", ""},
      {"the check box moves it to all users", u"", u"C:\\data", true, "C:\\data", "C:\\data"},
      {"and back to this printer", u"C:\\data", u"", true, "C:\\data", "C:\\data"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(RegWriteDrvValue(u"SpoolDirectory", c.hklm, uint32_t((plat::WLen(c.hklm) + 1) * 2)), 1);
    ASSERT_EQ(SplSetPrinterDataString(printer_, c.printer, uint32_t((plat::WLen(c.printer) + 1) * 2), u"SpoolDirectory"),
              1);
    std::string shown;
    Run(4015, {[&](HWND d) {
      char16_t folder[300] = {};
      GetDlgItemTextW(d, kFileDlgFolderText, folder, 300);
      shown = plat::ToUtf8(folder);
      if (c.click_all_users) SendMessageW(GetDlgItem(d, 2897), BM_CLICK, 0, 0);
      Press(d, IDOK);
    }});
    char16_t hklm[300] = {}, printer[300] = {};
    RegReadDrvValue(u"SpoolDirectory", hklm, sizeof hklm);
    SplGetPrinterData(printer_, printer, sizeof printer, u"SpoolDirectory");
    EXPECT_EQ(plat::ToUtf8(hklm), c.hklm_after) << c.name << " (shown " << shown << ")";
    EXPECT_EQ(plat::ToUtf8(printer), c.printer_after) << c.name;
  }
}

TEST_F(FileDialogPages, FolderRememberedPerPrinterAndKind) {
  struct Case {
    uint16_t dialog_id;
    const char16_t* key;  // null: not remembered
  } cases[] = {{4001, u"OpenFilePath"}, {4002, u"SaveFilePath"}, {4003, u"RefFilePath"},
               {4007, nullptr},         {4008, u"VporefPath"}};
  for (const Case& c : cases) {
    DialogRecord* d = CtxFindDialog(ctx_, c.dialog_id);
    ASSERT_NE(d, nullptr);
    const std::u16string folder = u"C:\\k" + plat::FromUtf8(std::to_string(c.dialog_id));
    EXPECT_EQ(UiRememberFileFolder(ctx_, d, (folder + u"\\f.x").c_str()), c.key ? 1 : 0) << c.dialog_id;
    char16_t back[261] = {};
    EXPECT_EQ(UiGetRememberedFolder(d, ctx_, back), c.key ? 1 : 0) << c.dialog_id;
    if (!c.key) continue;
    EXPECT_EQ(std::u16string(back), folder) << c.dialog_id;
    EXPECT_EQ(Remembered(u"Office", c.key), folder) << c.dialog_id;
    EXPECT_EQ(Remembered(u"Other", c.key), u"") << "another printer's section";
  }
  DialogRecord* save = CtxFindDialog(ctx_, 4002);
  EXPECT_EQ(UiRememberFileFolder(ctx_, save, u"C:\\root.qst"), 1);
  EXPECT_EQ(Remembered(u"Office", u"SaveFilePath"), u"C:\\") << "a drive root keeps its backslash";
  // The dialog opens in the folder remembered for its kind.
  ASSERT_TRUE(CreateDirectoryW(u"C:\\k4003", nullptr));
  std::string shown;
  Run(4003, {[&](HWND d) {
    char16_t folder[300] = {};
    GetDlgItemTextW(d, kFileDlgFolderText, folder, 300);
    shown = plat::ToUtf8(folder);
  }});
  EXPECT_EQ(shown, "C:\\k4003");
}

TEST_F(FileDialogPages, ListedAndReadOnlyFilesAreRefused) {
  SaveThroughDialog(u"listed");
  SaveThroughDialog(u"ro");
  SaveThroughDialog(u"marked");
  SaveThroughDialog(u"gone");
  const char16_t* section = InstGetPrinterSectionName(ctx_);
  ASSERT_EQ(IniWriteString(section, u"PresetList0", u"C:\\work\\listed.qst", PathGetDriverIni(ctx_)), 1);
  ASSERT_EQ(IniWriteString(section, u"Count", u"1", PathGetDriverIni(ctx_)), 1);
  ASSERT_TRUE(SetFileAttributesW(u"C:\\work\\ro.qst", FILE_ATTRIBUTE_READONLY));
  const std::string ro_before = Get(u"C:\\work\\ro.qst");
  // A settings file marks itself read-only in the printer's section.
  ASSERT_EQ(IniWriteString(section, u"Readonly", u"1", u"C:\\work\\marked.qst"), 1);

  struct Case {
    const char* name;
    const char16_t* typed;
    WORD button;
    std::vector<std::string> boxes;
    INT_PTR result;
    bool still_there;
  } cases[] = {
      {"a listed preset file is not deleted", u"listed.qst", 5003, {"M375"}, FALSE, true},
      {"a read-only file is not saved over", u"ro", 5001, {"M374"}, FALSE, true},
      {"nor deleted", u"ro.qst", 5003, {"M374"}, FALSE, true},
      {"a file marked read-only is not saved over", u"marked", 5001, {"M374"}, FALSE, true},
      {"a missing file is not loaded", u"none", 5002, {"M10023"}, FALSE, false},
      {"an unlisted file is deleted after the question", u"gone", 5003, {"M10028"}, TRUE, false},
  };
  for (const Case& c : cases) {
    const std::u16string typed = c.typed;
    const WORD button = c.button;
    EXPECT_EQ(Run(4002, {[typed, button](HWND d) {
                Type(d, typed);
                Press(d, button);
              }}),
              c.result)
        << c.name;
    EXPECT_EQ(Boxes(), c.boxes) << c.name;
    std::u16string path = u"C:\\work\\" + typed;
    if (path.find(u".qst") == std::u16string::npos) path += u".qst";
    EXPECT_EQ(Exists(path), c.still_there) << c.name;
  }
  EXPECT_EQ(Get(u"C:\\work\\ro.qst"), ro_before);
}

TEST_F(FileDialogPages, NamesOverThePathBoundAreRefused) {
  // "C:\work\" is 8 characters and ".qst" 4: a name of 246 makes 258.
  struct Case {
    size_t length;
    WORD button;
    bool saved;
  } cases[] = {{600, IDOK, false}, {600, 5002, false}, {600, 5003, false}, {247, 5001, false}, {246, 5001, true}};
  for (const Case& c : cases) {
    const std::u16string name(c.length, u'n');
    const WORD button = c.button;
    const INT_PTR r = Run(4002, {[name, button](HWND d) {
      Type(d, name);
      Press(d, button);
    }});
    EXPECT_EQ(r, c.saved ? TRUE : FALSE) << c.length;
    EXPECT_EQ(Boxes(), c.saved ? std::vector<std::string>{} : std::vector<std::string>{"M10024"}) << c.length;
    EXPECT_EQ(Exists(u"C:\\work\\" + name + u".qst"), c.saved) << c.length;
  }
}

}  // namespace

namespace {

// Deleting an overlay file through its save dialog: a delete that fails is
// said, the file is still there and the dialog stays; one that works removes
// the file.
TEST_F(FileDialogPages, AnOverlayFileThatCannotBeDeletedIsReported) {
  ASSERT_TRUE(plat::EnsureWindowsDir(u"C:\\work"));
  struct Case {
    const char* name;
    bool fail_delete;
    std::vector<std::string> boxes;
    bool still_there;
  } cases[] = {
      {"a failed delete", true, {"M10028", "M374"}, true},
      {"a delete that works", false, {"M10028"}, false},
  };
  for (const Case& c : cases) {
    Put(u"C:\\work\\ov.vpo", "overlay");
    if (c.fail_delete) plat::FailNth("DeleteFileW", 1);
    Run(4007, {[](HWND d) {
                 Type(d, u"C:\\work\\ov.vpo");
                 Press(d, 5003);
               },
               [](HWND d) { Press(d, IDCANCEL); }});
    plat::ClearFaults();
    EXPECT_EQ(Boxes(), c.boxes) << c.name;
    EXPECT_EQ(Exists(u"C:\\work\\ov.vpo"), c.still_there) << c.name;
  }
}

}  // namespace
