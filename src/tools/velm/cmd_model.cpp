// velm model show FILE: reads a model-description file and prints what the
// reader built: the file version, the DLL names, one line per feature (with
// detail lines for options that carry text, paper geometry, tray papers or
// font pairs), the command strings and command-text trees, and the fonts.
// velm model compile FILE: compiles the file and writes its cache file
// beside it.
// velm model dump FILE: gets the file's image as a driver context does (a
// usable cache file, else a compile that writes the cache), says which on
// its first line ("from cache" or "compiled") and prints the image.
// velm model eval FILE [--set NAME=KEYWORD ...]: the rules under settings;
// velm model pjl FILE [--set ...]: the PJL variable table under settings
// (cmd_model_eval.cpp).
// FILE is a file of this computer, or a Windows path (C:\...) of the machine.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "command.h"
#include "plat/kernel.h"
#include "plat/files.h"
#include "plat/machine.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/lock.h"
#include "velm/mdf_records.h"
#include "velm/model_cache.h"
#include "velm/names.h"

namespace velm_cli {
int ModelEval(const Args& args);  // cmd_model_eval.cpp
int ModelPjl(const Args& args);   // cmd_model_eval.cpp
}  // namespace velm_cli

namespace {

// ANSI text of the model (system code page) for a UTF-8 terminal, with
// control characters, quotes and backslashes escaped.
std::string Quote(const char* text, size_t length) {
  if (!text) return "-";
  std::u16string wide(length * 2 + 1, u'\0');
  wide.resize(plat::AnsiToWide(text, length, wide.data(), wide.size()));
  std::string out = "\"";
  for (char16_t c : wide) {
    if (c == u'"' || c == u'\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == u'\r') {
      out += "\\r";
    } else if (c == u'\n') {
      out += "\\n";
    } else if (c < 0x20 || c == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned>(c));
      out += hex;
    } else {
      out += plat::ToUtf8(std::u16string_view(&c, 1));
    }
  }
  return out + "\"";
}
std::string Quote(const char* text) { return Quote(text, text ? std::strlen(text) : 0); }

std::string FeatureName(uint16_t key) {
  const UiSymbolRow* row = MdfFindFeatureByKey(key);
  return row ? row->name : "#" + std::to_string(key);
}

// The keyword of an option: the row of the feature's setting, else any row
// with the id.
std::string OptionName(uint16_t setting_id, uint16_t option_id) {
  if (const OptionNameRow* row = MdfFindOptionById(setting_id, option_id)) return row->keyword;
  const OptionNameTable& table = MdfGetOptionNameTable();
  for (int i = 0; i < table.count; ++i) {
    if (table.rows[i].optionId == option_id) return table.rows[i].keyword;
  }
  return "#" + std::to_string(option_id);
}


std::string KindName(uint16_t kind) {
  switch (kind) {
    case kStringMultiByte: return "MultiByte";
    case kStringAscii: return "ASCII";
    case kStringNumeric: return "Numeric";
    case kStringCapital: return "Capital";
    case kStringSmall: return "Small";
    default: return std::to_string(kind);
  }
}

std::string ShowName(uint16_t show) {
  switch (show) {
    case 0: return "-";
    case kShowPassword: return "Password";
    case kShowCapital: return "ShowCapital";
    case kShowSmall: return "ShowSmall";
    default: return std::to_string(show);
  }
}

void PrintOptionDetails(const FeatureNode* f) {
  for (const MdfOption* o = MdfFeatureOptions(f); o; o = o->next) {
    bool has_tail = o->text || o->paperWidth || o->paperLength || o->areas || o->paperCount || o->pairCount;
    if (!has_tail) continue;
    std::printf("  option %s", OptionName(f->settingId, o->optionId).c_str());
    if (o->text) std::printf(" text=%s", Quote(o->text).c_str());
    if (o->paperWidth || o->paperLength) std::printf(" size=%dx%d", o->paperWidth, o->paperLength);
    if (o->paperCount) {
      std::printf(" papers=");
      for (uint32_t i = 0; i < o->paperCount; ++i) {
        std::printf("%s%s", i ? "," : "", OptionName(f->settingId, o->papers[i]).c_str());
      }
    }
    std::printf("\n");
    for (const PaperAreaEntry* a = o->areas; a; a = a->next) {
      std::printf("    area res=%u orient=%s rect=%d,%d,%d,%d paper=%d,%d", a->resolution,
                  OptionName(0, a->orientation).c_str(), a->left, a->top, a->width, a->height, a->paperWidth,
                  a->paperLength);
      if (a->conditionKey) {
        std::printf(" if=%s:%s", FeatureName(a->conditionKey).c_str(), OptionName(0, a->conditionOption).c_str());
      }
      std::printf("\n");
    }
    for (uint32_t i = 0; i < o->pairCount; ++i) {
      std::printf("    pair %s -> %s\n", Quote(o->trueTypeNames[i]).c_str(), Quote(o->deviceNames[i]).c_str());
    }
  }
}

void PrintFeature(const FeatureNode* f) {
  std::printf("feature %s setting=%u type=%s", FeatureName(f->key).c_str(), f->settingId, MdfFeatureTypeName(f->type).c_str());
  if (f->type & kFeatureIdentity) {
    std::printf(" shares=%s", FeatureName(f->subId).c_str());
  } else if (f->subId) {
    std::printf(" variant=%u", f->subId);
  }
  if (MdfIsPositionDefault(f->type)) {
    uint16_t position = 0;
    const MdfOption* o = MdfFeatureOptions(f);
    for (; o && position < f->defaultValue; o = o->next) ++position;
    std::printf(" default=%u", f->defaultValue);
    if (o) std::printf("(%s)", OptionName(f->settingId, o->optionId).c_str());
  }
  if (const MdfOption* o = MdfFeatureOptions(f)) {
    std::printf(" options=");
    for (bool first = true; o; o = o->next, first = false) {
      std::printf("%s%s", first ? "" : ",", OptionName(f->settingId, o->optionId).c_str());
    }
  }
  if (const BooleanValue* b = MdfFeatureBoolean(f)) {
    std::printf(" boolean=default:%d,true:%s,false:%s", b->defaultValue, Quote(b->trueText).c_str(),
                Quote(b->falseText).c_str());
  }
  if (const NumericValue* n = MdfFeatureNumeric(f)) {
    std::printf(" numeric=unit:%u,chars:%u,default:%d,min:%d,max:%d,scale:%u,more:%u/%u/%u", n->unitId, n->maxChars,
                n->defaultValue, n->minimum, n->maximum, n->scale, n->sixth, n->seventh, n->eighth);
  }
  if (const StringValue* s = MdfFeatureString(f)) {
    std::printf(" string=default:%s,max:%u,kind:%s,show:%s",
                s->defaultOption ? OptionName(f->settingId, s->defaultOption).c_str() : "-", s->maxLength,
                KindName(s->kind).c_str(), ShowName(s->showKind).c_str());
  }
  if (f->commands) {
    std::printf(" command=%s|%s", Quote(f->commands->first).c_str(), Quote(f->commands->second).c_str());
  }
  std::printf("\n");
  // A list shared with another feature is shown once, with its owner.
  if (f->ownsData) PrintOptionDetails(f);
}

void PrintList(const CommandGroupNode* node, int indent);

void PrintBlock(const CommandBlock* block, int indent) {
  if (block->condition) {
    std::printf("%*sif Judge%u\n", indent, "", block->condition);
    PrintList(block->first, indent + 2);
    if (block->second) {
      std::printf("%*selse\n", indent, "");
      PrintList(block->second, indent + 2);
    }
  } else {
    PrintList(block->first, indent);
  }
}

void PrintList(const CommandGroupNode* node, int indent) {
  for (; node; node = node->next) {
    switch (node->kind) {
      case kCommandNodeGroupType:
        std::printf("%*sgroup %s", indent, "", FeatureName(node->featureKey).c_str());
        if (node->number) std::printf(" %u", node->number);
        std::printf("\n");
        break;
      case kCommandNodeStringType:
        std::printf("%*sstring %d\n", indent, "", node->stringId);
        break;
      case kCommandNodeFontType:
        std::printf("%*sdevice fonts\n", indent, "");
        break;
      case kCommandNodeCondition:
        PrintBlock(node->block, indent);
        break;
      default:
        std::printf("%*s? kind %u\n", indent, "", node->kind);
    }
  }
}

void PrintFonts(const char* title, FontListEntry** list, uint32_t count) {
  std::printf("%s: %u\n", title, count);
  for (uint32_t i = 0; i < count; ++i) std::printf("  font %d %s\n", list[i]->id, Quote(list[i]->name).c_str());
}

void PrintModel(const ModelParseContext* ctx) {
  const ModelParseHeader* h = ctx->header;
  std::printf("file version: %s\n", plat::ToUtf8(h->fileVersion).c_str());
  std::printf("ui resource dll: %s\n", h->uiResDllName ? plat::ToUtf8(h->uiResDllName).c_str() : "-");
  std::printf("constraint dll: %s\n", h->excDepDllName ? plat::ToUtf8(h->excDepDllName).c_str() : "-");
  int features = 0;
  for (const FeatureNode* f = h->features; f; f = f->next) ++features;
  std::printf("total features: %d\n", features);
  for (const FeatureNode* f = h->features; f; f = f->next) PrintFeature(f);

  int strings = 0;
  for (const CommandStringNode* c = ctx->commandStrings; c; c = c->next) ++strings;
  std::printf("command strings: %d\n", strings);
  for (const CommandStringNode* c = ctx->commandStrings; c; c = c->next) {
    std::printf("  string %d %s\n", c->id, Quote(c->text, c->length ? c->length - 1 : 0).c_str());
  }
  static const char* const kGroups[kMdfCommandSlotCount] = {"JobStart", "JobEnd", "DocReset", "PageStart",
                                                           "PageEnd"};
  for (int slot = 0; slot < kMdfCommandSlotCount; ++slot) {
    std::printf("commands %s%s\n", kGroups[slot], h->commandTrees[slot] ? "" : ": none");
    if (h->commandTrees[slot]) PrintBlock(h->commandTrees[slot], 2);
  }
  PrintFonts("device fonts", h->deviceFonts, h->deviceFontCount);
  PrintFonts("cartridge fonts", h->cartridgeFonts, h->cartridgeFontCount);
}

int ModelShow(const std::string& path) {
  ModelParseContext* ctx = nullptr;
  std::u16string wide = plat::FromUtf8(path);
  if (plat::IsFullWindowsPath(wide.c_str())) {
    ctx = MdfParseFile(wide.c_str());
    if (!ctx) {
      std::fprintf(stderr, "velm model show: cannot read %s (missing, empty or unreadable)\n", path.c_str());
      return 1;
    }
  } else {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
      std::fprintf(stderr, "velm model show: cannot open %s: %s\n", path.c_str(), std::strerror(errno));
      return 1;
    }
    if (!S_ISREG(st.st_mode)) {
      std::fprintf(stderr, "velm model show: %s is not a file\n", path.c_str());
      return 1;
    }
    if (st.st_size == 0) {
      std::fprintf(stderr, "velm model show: %s is empty\n", path.c_str());
      return 1;
    }
    std::vector<uint8_t> data;
    if (!velm_cli::ReadHostBytes(path, &data)) {
      std::fprintf(stderr, "velm model show: cannot read %s\n", path.c_str());
      return 1;
    }
    ctx = MdfParseBuffer(data.data(), data.size());
    if (!ctx) {
      std::fprintf(stderr, "velm model show: %s could not be read (too large or out of memory)\n", path.c_str());
      return 1;
    }
  }
  PrintModel(ctx);
  MdfFreeParseContext(ctx);
  std::fflush(stdout);
  return 0;
}

// ---- files of this computer for compile and dump ----------------------------------------

uint64_t HostTime(const struct timespec& t) {
  return static_cast<uint64_t>(t.tv_sec) * 10000000u + static_cast<uint64_t>(t.tv_nsec) / 100u;
}

void HostTimesOf(const struct stat& st, uint64_t* written, uint64_t* latest) {
  uint64_t w = HostTime(st.st_mtim);
  uint64_t c = HostTime(st.st_ctim);
  if (written) *written = w;
  if (latest) *latest = w > c ? w : c;
}

uint8_t* HostReadAll(const char16_t* path, uint32_t max_size, uint32_t* size, uint64_t* written, uint64_t* latest) {
  *size = 0;
  int fd = open(plat::ToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st {};
  uint8_t* data = nullptr;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 && static_cast<uint64_t>(st.st_size) <= max_size) {
    HostTimesOf(st, written, latest);
    auto length = static_cast<size_t>(st.st_size);
    data = static_cast<uint8_t*>(MemAllocZeroed(length));
    size_t done = 0;
    while (data && done < length) {
      ssize_t n = read(fd, data + done, length - done);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    if (data && done != length) {
      MemFree(data);
      data = nullptr;
    }
    if (data) *size = static_cast<uint32_t>(length);
  }
  close(fd);
  return data;
}

bool HostTimes(const char16_t* path, uint64_t* written, uint64_t* latest) {
  struct stat st {};
  if (stat(plat::ToUtf8(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  HostTimesOf(st, written, latest);
  return true;
}

bool HostReplace(const char16_t* path, const uint8_t* data, uint32_t size) {
  return plat::ReplaceHostFileContent(plat::ToUtf8(path), data, size, nullptr);
}

bool HostRemove(const char16_t* path) { return unlink(plat::ToUtf8(path).c_str()) == 0; }

const MdfFileOps kHostOps = {HostReadAll, HostTimes, HostReplace, HostRemove};

// The model file as the cache code sees it: a Windows path of the machine
// with the machine's files, else a file of this computer.
struct ModelFile {
  std::u16string path;
  const MdfFileOps* ops;
};

bool OpenModelFile(const char* command, const std::string& arg, ModelFile* out) {
  out->path = plat::FromUtf8(arg);
  if (plat::IsFullWindowsPath(out->path.c_str())) {
    out->ops = MdfMachineFileOps();
  } else {
    struct stat st {};
    if (stat(arg.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
      std::fprintf(stderr, "velm model %s: cannot open %s\n", command, arg.c_str());
      return false;
    }
    out->ops = &kHostOps;
  }
  uint64_t written = 0;
  if (!out->ops->times(out->path.c_str(), &written, nullptr)) {
    std::fprintf(stderr, "velm model %s: cannot open %s\n", command, arg.c_str());
    return false;
  }
  return true;
}

// Holds the driver mutex for a scope, as a driver context would.
struct MutexHold {
  MutexHold() : held(LockAcquireMutex() != 0) {}
  ~MutexHold() {
    if (held) LockReleaseMutex();
  }
  bool held;
};

int ModelCompile(const std::string& arg) {
  ModelFile file;
  if (!OpenModelFile("compile", arg, &file)) return 1;
  MutexHold hold;
  ModelImage* image = MdfCompileModel(nullptr, file.path.c_str(), 0, file.ops);
  if (!image) {
    std::fprintf(stderr, "velm model compile: %s could not be compiled (empty, unreadable or too large)\n",
                 arg.c_str());
    return 1;
  }
  char16_t cache[kMdfCachePathChars];
  bool named = MdfCacheFileName(file.path.c_str(), cache);
  bool written = named && MdfWriteCache(image, file.path.c_str(), file.ops);
  uint32_t size = MdfImageSize(image);
  MdfFreeImage(image);
  if (!written) {
    std::fprintf(stderr, "velm model compile: the cache file of %s could not be written%s\n", arg.c_str(),
                 named ? "" : " (the path is too long)");
    return 1;
  }
  std::printf("compiled %s: %u bytes -> %s\n", arg.c_str(), size, plat::ToUtf8(cache).c_str());
  return 0;
}

int ModelDump(const std::string& arg) {
  ModelFile file;
  if (!OpenModelFile("dump", arg, &file)) return 1;
  MdfImageOrigin origin = MdfImageOrigin::kNone;
  ModelImage* image;
  {
    MutexHold hold;
    image = MdfObtainModel(file.path.c_str(), CtxGetBuiltinModelInfo().driverVersionText, file.ops, &origin);
  }
  if (!image) {
    std::fprintf(stderr, "velm model dump: %s could not be compiled (empty, unreadable or too large)\n",
                 arg.c_str());
    return 1;
  }
  std::printf("%s\n", origin == MdfImageOrigin::kCache ? "from cache" : "compiled");
  std::fputs(MdfDumpImage(image).c_str(), stdout);
  MdfFreeImage(image);
  std::fflush(stdout);
  return 0;
}

int RunModel(const velm_cli::Args& args) {
  if (args.size() == 2 && args[0] == "show") return ModelShow(args[1]);
  if (args.size() == 2 && args[0] == "compile") return ModelCompile(args[1]);
  if (args.size() == 2 && args[0] == "dump") return ModelDump(args[1]);
  if (!args.empty() && args[0] == "eval") return velm_cli::ModelEval(velm_cli::Args(args.begin() + 1, args.end()));
  if (!args.empty() && args[0] == "pjl") return velm_cli::ModelPjl(velm_cli::Args(args.begin() + 1, args.end()));
  std::fprintf(stderr, "usage: velm model show|compile|dump FILE | eval|pjl FILE [--set NAME=KEYWORD ...]\n");
  return 2;
}

}  // namespace

VELM_COMMAND("model",
             "model show FILE     print what a model-description file declares\n"
             "  model compile FILE  compile it and write its cache file beside it\n"
             "  model dump FILE     print its image, from the cache file or compiled\n"
             "  model eval FILE [--set NAME=KEYWORD ...]  hidden and disabled features, alerts and transacts\n"
             "                      under the model's defaults with the given settings, and the computed\n"
             "                      condition items the rules read\n"
             "  model pjl FILE [--set NAME=KEYWORD ...]   the PJL variables with their selectable values",
             RunModel);
