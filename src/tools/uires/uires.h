// The UI resource module of the driver, made from the built-in dialog table
// and the name tables, so that its templates and ids cannot drift from
// them: a dialog template per dialog holding a control per item row, the
// strings the driver loads by id, the cursors and the button icons.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "plat/resources.h"
#include "ui/dialog_template.h"

struct DialogRecord;
struct DialogItemRecord;

namespace uires {

// The languages the module is made in. Its name carries the language's
// code before the extension (VELMUIus.dll, VELMUIjp.dll).
enum class Language { kEnglish, kJapanese };
const char* LanguageCode(Language language);
// The language of a code ("us", "jp"); false for a code the generator
// does not make.
bool LanguageOfCode(const std::string& code, Language* out);

// The hand cursor and the pressed-hand cursor of the pages.
constexpr DWORD kHandCursor = 8000;
constexpr DWORD kPressedHandCursor = 8001;

// A window class of the window layer and the style of a control kind.
struct ControlClass {
  const char16_t* name;
  DWORD style;
};
ControlClass ClassOfItem(const DialogItemRecord& item);

// True for a dialog shown as a page of a property sheet (not a modal one).
bool IsSheetPage(const DialogRecord& dialog);

// The name of an option id made from the option-name table ("A4" for
// IDS_PAPERSIZE_A4); empty when no row has the id.
std::u16string OptionName(DWORD option_id, Language language = Language::kEnglish);

// The text shown for an item, made from its symbol; a radio button shows
// the name of its option (its control id).
std::u16string ItemText(const DialogItemRecord& item, Language language = Language::kEnglish);

// The text of the words of a name table's symbol or keyword in the
// language ("PAPERSIZE" is "Paper size", "用紙サイズ"), or null for a word
// the generator has no text for.
const char16_t* WordText(const std::string& word, Language language);

// The laid-out template of a dialog of the table.
ui::DialogTemplate BuildDialogTemplate(const DialogRecord& dialog, Language language = Language::kEnglish);

// Every string of the module by id.
std::map<DWORD, std::u16string> BuildStrings(Language language = Language::kEnglish);

// The ids of the icons the buttons draw: the options of their features.
std::vector<DWORD> ButtonIconIds();

// Every resource of the module.
std::vector<plat::ResourceEntry> BuildModuleEntries(Language language = Language::kEnglish);

}  // namespace uires
