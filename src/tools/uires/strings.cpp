// The strings of the UI resource module: the texts written by hand
// (strings_us.inc, strings_jp.inc), the option names made from the
// option-name table, and tips and messages of items that have no
// hand-written text, made from the items' own texts, so that every id the
// driver loads has a string.
#include <cctype>
#include <iterator>
#include <map>
#include <string>

#include "uires.h"
#include "velm/dialogs.h"
#include "velm/names.h"

namespace uires {
namespace {

struct HandText {
  DWORD id;
  const char16_t* text;
};
constexpr HandText kEnglishTexts[] = {
#include "strings_us.inc"
};
constexpr HandText kJapaneseTexts[] = {
#include "strings_jp.inc"
};

std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// The Japanese text of a word of an option keyword; null keeps the word.
const char16_t* OptionWordText(const std::string& word) { return WordText(word, Language::kJapanese); }

// "IDS_PAPERSIZE_A4" gives "A4", "IDC_PRESET_RADIO_LANDSCAPE" "Landscape"
// ("横" in Japanese), "VDMJOBLINKER_OFF" "Off": the words after the
// feature's own word.
std::u16string OptionText(const char* keyword, Language language) {
  std::vector<std::string> words;
  std::string w;
  for (const char* p = keyword; ; ++p) {
    if (*p == '_' || *p == 0) {
      if (!w.empty()) words.push_back(w);
      w.clear();
      if (*p == 0) break;
    } else {
      w += *p;
    }
  }
  size_t from = 0;
  if (!words.empty() && (words[0] == "IDS" || words[0] == "IDC" || words[0] == "IDB" || words[0] == "Opt")) from = 1;
  for (size_t k = from; k < words.size(); ++k)
    if (words[k] == "RADIO" || words[k] == "CHOICE") from = k;
  if (words.size() > from + 1) ++from;
  std::u16string text;
  bool last_ascii = false;
  for (size_t k = from; k < words.size(); ++k) {
    std::u16string part;
    const char16_t* japanese = language == Language::kJapanese ? OptionWordText(words[k]) : nullptr;
    if (japanese) {
      part = japanese;
    } else {
      for (char c : words[k]) part.push_back(char16_t(std::tolower(static_cast<unsigned char>(c))));
    }
    if (part.empty()) continue;
    bool ascii = true;
    for (char16_t c : part) ascii = ascii && c < 0x80;
    if (!text.empty() && (language == Language::kEnglish || (ascii && last_ascii))) text += u' ';
    text += part;
    last_ascii = ascii;
  }
  if (!text.empty() && text[0] < 0x80) text[0] = char16_t(std::toupper(static_cast<unsigned char>(text[0])));
  return text;
}

// "VPD_PresetSaveMessage" gives "Preset save." (Japanese: its words from
// the word table, else the same).
std::u16string MessageText(const char* name, Language language) {
  std::string s = name;
  if (s.rfind("VPD_", 0) == 0) s = s.substr(4);
  if (s.size() > 7 && s.compare(s.size() - 7, 7, "Message") == 0) s.resize(s.size() - 7);
  std::string text;
  for (char c : s) {
    if (std::isupper(static_cast<unsigned char>(c)) && !text.empty()) text += ' ';
    text += char(text.empty() ? c : std::tolower(static_cast<unsigned char>(c)));
  }
  if (language == Language::kJapanese) return OptionText(("Opt_" + s).c_str(), language) + u"。";
  return Wide(text + ".");
}

}  // namespace

// The keyword that names an option id. Option ids are shared: 41 is A4 in
// the paper features and a memory size among the installed options, so the
// keyword most rows give the id names it (the first of them on a tie); null
// when no row has the id.
static const char* OptionKeyword(DWORD option_id) {
  const OptionNameTable& options = MdfGetOptionNameTable();
  std::map<std::string, int> votes;
  const char* best = nullptr;
  int best_votes = 0;
  for (int16_t i = 0; i < options.count; ++i) {
    const OptionNameRow& r = options.rows[i];
    if (r.optionId != option_id || !r.keyword) continue;
    const int v = ++votes[r.keyword];
    if (v > best_votes) best = r.keyword, best_votes = v;
  }
  return best;
}

std::u16string OptionName(DWORD option_id, Language language) {
  const char* keyword = OptionKeyword(option_id);
  return keyword ? OptionText(keyword, language) : u"";
}

std::map<DWORD, std::u16string> BuildStrings(Language language) {
  const bool jp = language == Language::kJapanese;
  std::map<DWORD, std::u16string> s;
  // Option names: an option's name is the string whose id is the option id.
  const OptionNameTable& options = MdfGetOptionNameTable();
  for (int16_t i = 0; i < options.count; ++i) {
    const DWORD id = options.rows[i].optionId;
    if (id == 0 || s.count(id)) continue;
    std::u16string text = OptionName(id, language);
    if (!text.empty()) s[id] = text;
  }
  // Alert messages by their names.
  const MessageNameTable& messages = RuleGetMessageTable();
  for (int16_t i = 0; i < messages.count; ++i)
    if (messages.rows[i].textId && messages.rows[i].name)
      s[messages.rows[i].textId] = MessageText(messages.rows[i].name, language);
  // Tips and refusal messages of the items.
  const DialogTable& table = DlgGetBuiltinTable();
  for (int16_t d = 0; d < table.count; ++d) {
    const DialogRecord& dialog = table.rows[d];
    for (uint32_t k = 0; k < dialog.itemCount; ++k) {
      const DialogItemRecord& item = dialog.items[k];
      std::u16string label = ItemText(item, language);
      if (item.tipId && !s.count(item.tipId)) s[item.tipId] = label + (jp ? u"。" : u".");
      if (item.messageId && !s.count(item.messageId))
        s[item.messageId] = label + (jp ? u": 現在の設定ではこの項目は選べません。"
                                        : u": this choice is not available with the current settings.");
    }
  }
  const HandText* first = jp ? std::begin(kJapaneseTexts) : std::begin(kEnglishTexts);
  const HandText* last = jp ? std::end(kJapaneseTexts) : std::end(kEnglishTexts);
  for (const HandText* h = first; h != last; ++h) s[h->id] = h->text;
  return s;
}

}  // namespace uires
