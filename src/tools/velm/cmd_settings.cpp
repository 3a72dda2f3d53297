// velm settings [ID-or-name]: the setting catalogue as the driver holds it.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "command.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/names.h"
#include "velm/settings.h"

namespace {

std::string Text(const char16_t* s) { return s ? plat::ToUtf8(s) : std::string("-"); }

void PrintRow(const SettingRecord& r) {
  std::printf("%u\t%s\t%u\t%u\t%u\t%u\t%d\t%s\t%s\n", r.id, Text(r.itemName).c_str(), DescRegion(r.descriptor),
              r.offset, DescType(r.descriptor), DescSize(r.descriptor), r.storeKind, Text(r.sectionName).c_str(),
              Text(r.valueName).c_str());
}

const OptionListEntry* PrintList(const SettingRecord& r, const OptionListEntry* e) {
  for (; e->optionId != 0; ++e) {
    const OptionNameRow* opt = e->optionId == kNoOptionId ? nullptr : MdfFindOptionById(r.id, e->optionId);
    std::printf("%u\t%u\t%s\n", e->value, e->optionId, opt && opt->keyword ? opt->keyword : "-");
  }
  return e + 1;
}

const SettingRecord* Find(const std::string& word) {
  DriverContext* t = CtxGetTemplate();
  char* end = nullptr;
  unsigned long id = std::strtoul(word.c_str(), &end, 10);
  if (!word.empty() && end && *end == 0) return id <= 0xFFFF ? OptFindSetting(t, uint32_t(id)) : nullptr;
  std::u16string name = plat::FromUtf8(word);
  for (int i = 0; i < t->settings->count; ++i) {
    const SettingRecord& r = t->settings->rows[i];
    if (r.itemName && name == r.itemName) return &r;
  }
  return nullptr;
}

int Run(const velm_cli::Args& args) {
  const SettingTable& table = *CtxGetTemplate()->settings;
  if (args.size() > 1) {
    std::fprintf(stderr, "usage: velm settings [ID-or-name]\n");
    return 2;
  }
  std::printf("id\tname\tregion\toffset\ttype\tsize\tstore\tsection\tvalue\n");
  if (args.empty()) {
    for (int i = 0; i < table.count; ++i) PrintRow(table.rows[i]);
    return 0;
  }
  const SettingRecord* r = Find(args[0]);
  if (!r) {
    std::fprintf(stderr, "velm settings: no setting '%s'\n", args[0].c_str());
    return 1;
  }
  PrintRow(*r);
  if (r->optionList) {
    const OptionListEntry* second = PrintList(*r, r->optionList);
    if (r->id == 95 || r->id == 102 || r->id == 134 || r->id == 136) {
      std::printf("landscape\n");
      PrintList(*r, second);
    }
  }
  return 0;
}

}  // namespace

VELM_COMMAND("settings", "settings [ID-or-name]   the setting catalogue, or one setting with its options", Run);
