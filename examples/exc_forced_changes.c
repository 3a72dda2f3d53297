/*
 * exc_forced_changes: what an outside program does with the settings query
 * library. It loads VELMPD4 by LoadLibraryW, opens a printer, gives it a
 * command base from a file, proposes one PJL line and prints the lines the
 * driver's rules forced.
 *
 *   exc_forced_changes PRINTER BASEFILE "@PJL SET NAME = VALUE" [LIBRARY]
 *
 * LIBRARY is the Windows path of the library (default: VELMPD4.DLL in the
 * machine's driver directory). Texts are in the system code page.
 */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "velmpd4.h"

/* The module loader of this machine (its kernel32). */
void* LoadLibraryW(const uint16_t* path);
void (*GetProcAddress(void* module, const char* name))(void);
int32_t FreeLibrary(void* module);

static const char kDefaultLibrary[] = "C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\VELMPD4.DLL";

static char* ReadAll(const char* file) {
  FILE* f = fopen(file, "rb");
  if (!f) return NULL;
  size_t size = 0, cap = 4096;
  char* text = malloc(cap);
  size_t n;
  while (text && (n = fread(text + size, 1, cap - size - 1, f)) > 0) {
    size += n;
    if (cap - size - 1 == 0) {
      char* grown = realloc(text, cap * 2);
      if (!grown) {
        free(text);
        text = NULL;
      }
      text = grown;
      cap *= 2;
    }
  }
  fclose(f);
  if (text) text[size] = 0;
  return text;
}

/* Prints the lines of a PJL text without their CR LF. */
static void PrintLines(const char* text) {
  while (*text) {
    const char* end = strchr(text, '\n');
    size_t n = end ? (size_t)(end - text) : strlen(text);
    size_t shown = n;
    while (shown > 0 && (text[shown - 1] == '\r' || text[shown - 1] == ' ')) --shown;
    printf("%.*s\n", (int)shown, text);
    text += end ? n + 1 : n;
  }
}

int main(int argc, char** argv) {
  if (argc < 4) {
    fprintf(stderr, "usage: %s PRINTER BASEFILE LINE [LIBRARY]\n", argv[0]);
    return 2;
  }
  const char* library = argc > 4 ? argv[4] : kDefaultLibrary;
  uint16_t wide[300];
  size_t i;
  for (i = 0; library[i] && i + 1 < sizeof wide / sizeof wide[0]; ++i) wide[i] = (unsigned char)library[i];
  wide[i] = 0;

  void* module = LoadLibraryW(wide);
  if (!module) {
    fprintf(stderr, "cannot load %s\n", library);
    return 1;
  }
  PFN_ExcGetExclusive get_exclusive = (PFN_ExcGetExclusive)GetProcAddress(module, "ExcGetExclusive");
  PFN_ExcFreeExclusive free_exclusive = (PFN_ExcFreeExclusive)GetProcAddress(module, "ExcFreeExclusive");
  PFN_ExcSetCommandBase set_base = (PFN_ExcSetCommandBase)GetProcAddress(module, "ExcSetCommandBase");
  PFN_ExcUpdateCommand update = (PFN_ExcUpdateCommand)GetProcAddress(module, "ExcUpdateCommand");
  PFN_ExcGetCommandChange get_change = (PFN_ExcGetCommandChange)GetProcAddress(module, "ExcGetCommandChange");
  if (!get_exclusive || !free_exclusive || !set_base || !update || !get_change) {
    fprintf(stderr, "%s lacks an export\n", library);
    FreeLibrary(module);
    return 1;
  }

  int rc = 1;
  char* base = ReadAll(argv[2]);
  struct ExcHandle* h = get_exclusive(argv[1]);
  if (!base) {
    fprintf(stderr, "cannot read %s\n", argv[2]);
  } else if (!h) {
    fprintf(stderr, "cannot open printer %s\n", argv[1]);
  } else {
    char line[1024];
    snprintf(line, sizeof line, "%s \r\n", argv[3]);
    int32_t length = 0;
    int32_t r = set_base(h, base, &length);
    if (r < 0) {
      fprintf(stderr, "the command base was refused (%d)\n", r);
    } else {
      r = update(h, line, &length);
      if (r < 0) {
        fprintf(stderr, "the line was refused (%d)\n", r);
      } else if (r == EXC_OK) {
        printf("no forced changes\n");
        rc = 0;
      } else {
        /* Two calls: the size, then the text. */
        int32_t needed = 0;
        if (get_change(h, 0, NULL, &needed) == EXC_MORE && needed > 0) {
          char* changes = malloc((size_t)needed);
          if (changes && get_change(h, needed, changes, &needed) == EXC_OK) {
            PrintLines(changes);
            rc = 0;
          }
          free(changes);
        }
      }
    }
  }
  if (h) free_exclusive(h);
  free(base);
  FreeLibrary(module);
  return rc;
}
