// The remote destination dialog (1034) and the address-list dialog (1035)
// over the address book file: field checks, the current index, the line
// combo and the add, write and delete buttons.
#include <fstream>
#include <memory>

#include "control_test_page.h"
#include "plat/user.h"
#include "plat/wstr.h"
#include "temp_machine.h"
#include "test_support.h"
#include "ui/commctrl.h"
#include "ui2k/dialog_handlers.h"
#include "velm/address_list.h"
#include "velm/paths.h"
#include "velm/setting_ids.h"

namespace {

using namespace ctl_test;

const char* const kRemoteModel = R"(*FileVersion: 3.62
*OpenUI *VPD_RADIOLIST_11: PickOne
*DefaultVPD_RADIOLIST_11: IDC_REMOTE_RADIO_TELNO
*VPD_RADIOLIST_11 IDC_REMOTE_RADIO_ADDRESS:
*VPD_RADIOLIST_11 IDC_REMOTE_RADIO_TELNO:
*CloseUI: *VPD_RADIOLIST_11
*OpenUI *VPD_IDC_REMOTE_EDIT_TELNO: String
*StringValue: 64 Numeric
*CloseUI: *VPD_IDC_REMOTE_EDIT_TELNO
*OpenUI *VPD_IDC_REMOTE_CHOICE_TELLINE: PickOne
*DefaultVPD_IDC_REMOTE_CHOICE_TELLINE: IDS_TELLINE_G3_1
*VPD_IDC_REMOTE_CHOICE_TELLINE IDS_OPTION_REMOTE_TELLINE_AUTO: "AUTO"
*VPD_IDC_REMOTE_CHOICE_TELLINE IDS_TELLINE_G3_1: "G3-1"
*VPD_IDC_REMOTE_CHOICE_TELLINE IDS_TELLINE_G4: "G4"
*CloseUI: *VPD_IDC_REMOTE_CHOICE_TELLINE
*OpenUI *VPD_IDC_ADDRESS_EDIT_NAME: String
*StringValue: 32 MultiByte
*CloseUI: *VPD_IDC_ADDRESS_EDIT_NAME
*OpenUI *VPD_IDC_ADDRESS_EDIT_TELNO: String
*StringValue: 64 Numeric
*CloseUI: *VPD_IDC_ADDRESS_EDIT_TELNO
*OpenUI *VPD_IDC_ADDRESS_CHOICE_TELLINE: PickOne
*DefaultVPD_IDC_ADDRESS_CHOICE_TELLINE: IDS_OPTION_REMOTE_TELLINE_AUTO
*VPD_IDC_ADDRESS_CHOICE_TELLINE IDS_OPTION_REMOTE_TELLINE_AUTO:
*VPD_IDC_ADDRESS_CHOICE_TELLINE IDS_TELLINE_G3_1:
*VPD_IDC_ADDRESS_CHOICE_TELLINE IDS_TELLINE_G4:
*CloseUI: *VPD_IDC_ADDRESS_CHOICE_TELLINE
)";

constexpr uint16_t kRemote = 1034, kAddress = 1035;

class RemoteDialogs : public ::testing::Test, public PageTools {
 protected:
  void SetUp() override {
    ASSERT_TRUE(machine_.ok());
    model_ = std::make_unique<ctx_test::ModelContext>(kRemoteModel);
    StartPage(model_->ctx);
    ASSERT_EQ(PathCreateDataDir(), 1);
    char16_t dir[MAX_PATH];
    ASSERT_GT(PathGetDataDir(dir, MAX_PATH, ctx), 0);
    file_ = std::u16string(dir) + u"\\VELMADDR.CSV";
    auto_ = ctx_test::Option("IDS_OPTION_REMOTE_TELLINE_AUTO");
    g31_ = ctx_test::Option("IDS_TELLINE_G3_1");
    g4_ = ctx_test::Option("IDS_TELLINE_G4");
    Names({{auto_, u"AUTO"}, {g31_, u"G3-1"}, {g4_, u"G4"}, {336, u"Name"}, {337, u"Number"}, {338, u"Line"}});
  }
  void TearDown() override {
    EndPage();
    model_.reset();
  }

  void PutFile(const std::string& bytes) {
    std::ofstream(plat::MapPath(file_), std::ios::binary | std::ios::trunc) << bytes;
  }
  std::string FileBytes() { return test_support::ReadFile(plat::MapPath(file_)); }

  // The remote dialog as it opens: the dialog's own start, then its controls.
  DialogRecord* OpenRemote(int32_t stored_index, uint16_t mode) {
    OptSetValueById(ctx, setting::vdmAddrListSelectNo, stored_index);
    OptSetOptionById(ctx, setting::vdmAddressType, mode);
    DialogRecord* d = Dialog(kRemote);
    const bool made = CtxFindControl(ctx, d, 2484)->window != nullptr;
    if (!made) Control(kRemote, 2487, u"BUTTON", BS_PUSHBUTTON);
    EXPECT_EQ(DlgRemoteHandler(ctx, d, nullptr, WM_INITDIALOG, 0, 0), 0);
    for (uint16_t id : {2486, 2485, 2484}) {
      if (!made) {
        Control(kRemote, id, id == 2486 ? u"EDIT" : u"COMBOBOX", id == 2486 ? 0 : CBS_DROPDOWNLIST);
      } else {
        CtlDispatchInit(ctx, d, CtxFindControl(ctx, d, id));
      }
    }
    return d;
  }
  DialogRecord* OpenAddress() {
    DialogRecord* d = Dialog(kAddress);
    view_ = Control(kAddress, 2490, WC_LISTVIEWW, LVS_REPORT | LVS_OWNERDRAWFIXED | LVS_SINGLESEL,
                    {10, 10, 310, 110});
    for (uint16_t id : {2494, 2489}) Control(kAddress, id, u"EDIT", 0);
    Control(kAddress, 2491, u"COMBOBOX", CBS_DROPDOWNLIST);
    for (uint16_t id : {2499, 2500, 2501}) Control(kAddress, id, u"BUTTON", BS_PUSHBUTTON);
    // The dialog's own start comes first on a real page; here it follows
    // the controls so that the list view gets its columns and rows.
    EXPECT_EQ(DlgAddressHandler(ctx, d, nullptr, WM_INITDIALOG, 0, 0), 0);
    EXPECT_EQ(DlgAddressHandler(ctx, d, view_, WM_INITDIALOG, 0, 0), 1);
    return d;
  }
  LRESULT Press(DialogRecord* d, uint16_t id) {
    return CtlHandleCommand(ctx, d, CtxFindControl(ctx, d, id), MAKEWPARAM(id, BN_CLICKED), 0);
  }
  void Enter(const char16_t* name, const char16_t* number, const char16_t* line) {
    OptSetControlText(ctx, 2494, name);
    OptSetControlText(ctx, 2489, number);
    DlgSelectLineByText(ctx, Dialog(kAddress), 2491, line);
  }
  // Names, numbers and lines of the book as the list view shows them.
  std::vector<std::string> Rows() {
    std::vector<std::string> out;
    HWND view = view_->window;
    const LRESULT n = SendMessageW(view, LVM_GETITEMCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
      LVITEMW row{};
      row.mask = LVIF_PARAM;
      row.iItem = INT(i);
      SendMessageW(view, LVM_GETITEMW, 0, LPARAM(&row));
      const CsvRecord* r = CsvRecordByNumber(CsvGetList(ctx), uint16_t(row.lParam));
      out.push_back(r ? plat::ToUtf8(r->name) + "/" + plat::ToUtf8(r->telNo) + "/" + plat::ToUtf8(r->line) : "?");
    }
    return out;
  }
  std::u16string Text(uint16_t control) {
    char16_t buffer[80] = {};
    OptGetControlText(ctx, control, buffer);
    return buffer;
  }

  plat_test::TempMachine machine_;
  std::unique_ptr<ctx_test::ModelContext> model_;
  std::u16string file_;
  uint16_t auto_ = 0, g31_ = 0, g4_ = 0;
  DialogItemRecord* view_ = nullptr;
};

std::string Line(const std::string& name, const std::string& number, const std::string& line) {
  return name + ",,,,," + number + ",,,," + line + ",,,\r\n";
}

TEST_F(RemoteDialogs, FieldChecksRefuseWhatTheFileCannotHold) {
  EXPECT_EQ(DlgIsValidName(u"Osaka office"), 1);
  EXPECT_EQ(DlgIsValidName(u"Osaka, office"), 0);
  EXPECT_EQ(DlgIsValidName(u""), 1);
  struct Number {
    const char16_t* text;
    int32_t valid;
  } const numbers[] = {{u"03-1234-5678", 1}, {u"*31#0/9", 1}, {u"12\uff6534", 1}, {u"", 1},
                       {u"03 1234", 0},      {u"0a", 0},      {u"+81", 0},         {u"\uff10", 0}};
  for (const Number& n : numbers) EXPECT_EQ(DlgIsValidTelNo(n.text), n.valid) << plat::ToUtf8(n.text);

  DialogRecord* d = OpenAddress();
  struct Fields {
    const char16_t* name;
    const char16_t* number;
    int32_t passes;
    uint16_t focus;  // control with the focus after a refusal
  } const fields[] = {
      {u"Tokyo", u"03-1", 1, 0},  {u"To,kyo", u"03-1", 0, 2494}, {u"", u"03-1", 0, 2494},
      {u"Tokyo", u"03 1", 0, 2489}, {u"Tokyo", u"", 0, 2489},
  };
  for (const Fields& f : fields) {
    SCOPED_TRACE(plat::ToUtf8(f.name) + " / " + plat::ToUtf8(f.number));
    SetFocus(nullptr);
    Enter(f.name, f.number, u"");
    EXPECT_EQ(DlgCheckAddressFields(ctx, d), f.passes);
    if (!f.passes) {
      EXPECT_EQ(GetFocus(), GetDlgItem(d->window, f.focus));
    }
  }
}

TEST_F(RemoteDialogs, TheStoredIndexIsBroughtWithinTheBook) {
  struct Case {
    int entries;
    int32_t stored;
    int32_t index;
  } const cases[] = {{0, 0, -1}, {0, 5, -1}, {3, 7, 2}, {3, 3, 2}, {3, -1, 0}, {3, 1, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.entries) + " entries, index " + std::to_string(c.stored));
    std::string bytes;
    for (int i = 0; i < c.entries; ++i) bytes += Line("n" + std::to_string(i), std::to_string(i), "G4");
    PutFile(bytes);
    OpenRemote(c.stored, 2482);
    EXPECT_EQ(ctx->work->addressIndex, c.index);
    EXPECT_EQ(DlgCurrentAddress(ctx) != nullptr, c.index >= 0);
    CsvFreeList(ctx);
  }
}

TEST_F(RemoteDialogs, ListModeShowsTheCurrentAddressAndNeedsOne) {
  PutFile(Line("Tokyo", "03-1", "G4") + Line("Kobe", "078-2", "nowhere"));
  DialogRecord* d = OpenRemote(0, 2482);
  HWND combo = GetDlgItem(d->window, 2484);
  EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(Selected(combo, true), 0);
  EXPECT_EQ(Text(2486), u"03-1");
  EXPECT_EQ(OptGetOptionById(ctx, setting::vdmTelLine), g4_);
  EXPECT_EQ(DlgCheckRemoteFields(ctx, d), 1);

  // Another address: an unknown line falls to the feature's default.
  SendMessageW(combo, CB_SETCURSEL, 1, 0);
  EXPECT_EQ(CtlHandleCommand(ctx, d, CtxFindControl(ctx, d, 2484), MAKEWPARAM(2484, CBN_SELCHANGE), 0), 1);
  EXPECT_EQ(ctx->work->addressIndex, 1);
  EXPECT_EQ(Text(2486), u"078-2");
  EXPECT_EQ(OptGetOptionById(ctx, setting::vdmTelLine), g31_);
  EXPECT_EQ(Selected(GetDlgItem(d->window, 2485), true), 1);
  CsvFreeList(ctx);

  // An empty book: no current address, and list mode cannot pass OK.
  PutFile("");
  OptSetControlText(ctx, 2486, u"");
  d = OpenRemote(0, 2482);
  EXPECT_EQ(ctx->work->addressIndex, -1);
  SetFocus(nullptr);
  EXPECT_EQ(DlgCheckRemoteFields(ctx, d), 0);
  EXPECT_EQ(GetFocus(), GetDlgItem(d->window, 2484));
  // Typing the number in passes.
  OptSetOptionById(ctx, setting::vdmAddressType, 2483);
  OptSetControlText(ctx, 2486, u"011-22");
  EXPECT_EQ(DlgCheckRemoteFields(ctx, d), 1);
  OptSetControlText(ctx, 2486, u"011 22");
  SetFocus(nullptr);
  EXPECT_EQ(DlgCheckRemoteFields(ctx, d), 0);
  EXPECT_EQ(GetFocus(), GetDlgItem(d->window, 2486));
  CsvFreeList(ctx);
}

TEST_F(RemoteDialogs, AddWriteAndDeleteKeepTheFileAndTheIndex) {
  PutFile("");
  DialogRecord* d = OpenAddress();
  EXPECT_EQ(ctx->work->addressIndex, -1);
  // Columns a third of the view each.
  RECT client{};
  GetClientRect(view_->window, &client);
  EXPECT_EQ(SendMessageW(view_->window, LVM_GETCOLUMNWIDTH, 0, 0), (client.right - client.left) / 3);
  EXPECT_EQ(OptGetControlOption(ctx, CtxFindControl(ctx, d, 2491)), auto_);

  // Write with no address chosen changes nothing.
  Enter(u"Ghost", u"000", u"");
  EXPECT_EQ(Press(d, 2500), 1);
  EXPECT_EQ(FileBytes(), "");
  EXPECT_EQ(CsvNamedCount(CsvGetList(ctx)), 0);

  Enter(u"Tokyo", u"03-1", u"G4");
  EXPECT_EQ(Press(d, 2499), 1);
  EXPECT_EQ(ctx->work->addressIndex, 0);
  Enter(u"Kobe", u"078-2", u"G3-1");
  EXPECT_EQ(Press(d, 2499), 1);
  EXPECT_EQ(ctx->work->addressIndex, 1);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"Tokyo/03-1/G4", "Kobe/078-2/G3-1"}));
  EXPECT_EQ(FileBytes(), Line("Tokyo", "03-1", "G4") + Line("Kobe", "078-2", "G3-1"));

  // A third right after the first: choosing row 0 makes it current.
  NMLISTVIEW pick{};
  pick.hdr = NMHDR{view_->window, 2490, LVN_ITEMCHANGED};
  pick.iItem = 0;
  pick.uNewState = LVIS_SELECTED;
  pick.uChanged = LVIF_STATE;
  pick.lParam = LPARAM(CsvNamedRecord(CsvGetList(ctx), 0)->number);
  EXPECT_EQ(DlgAddressHandler(ctx, d, view_, WM_NOTIFY, 2490, LPARAM(&pick)), 1);
  EXPECT_EQ(ctx->work->addressIndex, 0);
  EXPECT_EQ(Text(2494), u"Tokyo");
  EXPECT_EQ(Text(2489), u"03-1");
  Enter(u"Nara", u"0742", u"");
  EXPECT_EQ(Press(d, 2499), 1);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"Tokyo/03-1/G4", "Nara/0742/AUTO", "Kobe/078-2/G3-1"}));
  EXPECT_EQ(ctx->work->addressIndex, 1);

  // Write changes the current one in place; a refused field writes nothing.
  Enter(u"Nara 2", u"0742-9", u"G4");
  EXPECT_EQ(Press(d, 2500), 1);
  Enter(u"Na,ra", u"1", u"G4");
  EXPECT_EQ(Press(d, 2500), 1);
  EXPECT_EQ(FileBytes(), Line("Tokyo", "03-1", "G4") + Line("Nara 2", "0742-9", "G4") + Line("Kobe", "078-2", "G3-1"));

  // Delete asks first; "no" keeps the entry.
  g_rec.alertAnswer = 0;
  EXPECT_EQ(Press(d, 2501), 1);
  EXPECT_EQ(CsvNamedCount(CsvGetList(ctx)), 3);
  g_rec.alertAnswer = 1;
  EXPECT_EQ(Press(d, 2501), 1);
  EXPECT_EQ(ctx->work->addressIndex, 0);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"Tokyo/03-1/G4", "Kobe/078-2/G3-1"}));
  EXPECT_EQ(Press(d, 2501), 1);  // the first: the index stays on the new first
  EXPECT_EQ(ctx->work->addressIndex, 0);
  EXPECT_EQ(Press(d, 2501), 1);  // the only one left
  EXPECT_EQ(ctx->work->addressIndex, -1);
  EXPECT_EQ(FileBytes(), "");
  EXPECT_EQ(Press(d, 2501), 1);  // nothing to delete
  EXPECT_EQ(ctx->work->addressIndex, -1);
  CsvFreeList(ctx);
}

TEST_F(RemoteDialogs, ABookThatCannotBeReadIsNeverWrittenOver) {
  const std::string bad = Line(std::string(65, 'x'), "1", "") + Line("Kept", "2", "");
  PutFile(bad);
  DialogRecord* remote = OpenRemote(0, 2483);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(remote->window, 2487)));
  DialogRecord* d = OpenAddress();
  Enter(u"New", u"3", u"");
  EXPECT_EQ(Press(d, 2499), 1);
  EXPECT_EQ(FileBytes(), bad);
  EXPECT_EQ(Rows(), std::vector<std::string>{});
  ASSERT_FALSE(plat::MessageBoxLog().empty());
  CsvFreeList(ctx);
}

}  // namespace
