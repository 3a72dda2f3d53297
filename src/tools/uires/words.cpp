// The texts of the words of the name tables' symbols and option keywords,
// from which the module's labels and option names are made: English, and
// Japanese so that the generated labels of the Japanese module read as
// Japanese.
#include <cctype>
#include <string>

#include "uires.h"

namespace uires {
namespace {

struct Word {
  const char* word;
  const char16_t* english;   // null: the word lower-case
  const char16_t* japanese;  // null: the word as English shows it
};

// Upper-case words, as symbols and keywords spell them.
constexpr Word kWords[] = {
#include "words.inc"
};

}  // namespace

const char16_t* WordText(const std::string& word, Language language) {
  std::string upper = word;
  for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
  for (const Word& w : kWords)
    if (upper == w.word) return language == Language::kJapanese ? w.japanese : w.english;
  return nullptr;
}

}  // namespace uires
