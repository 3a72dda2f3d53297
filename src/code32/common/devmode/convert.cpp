// DEVMODE versions and the copies between DEVMODEs of different sizes.
#include <algorithm>
#include <cstring>

#include "plat/kernel.h"
#include "velm/devmode.h"

namespace {

constexpr size_t kHeaderBytes = 72;  // through dmDriverExtra
constexpr uint32_t kOffSpec = 64, kOffDriverVersion = 66, kOffSize = 68, kOffExtra = 70;
constexpr uint16_t kSize351 = 188;
constexpr uint16_t kSpec351 = 0x320;

uint16_t Word(const uint8_t* p, uint32_t off) { return uint16_t(p[off] | (p[off + 1] << 8)); }
void SetWord(uint8_t* p, uint32_t off, uint16_t v) {
  p[off] = uint8_t(v & 0xFF);
  p[off + 1] = uint8_t(v >> 8);
}

// The DEVMODE's declared sizes lie inside the bytes its holder has.
bool Fits(const uint8_t* dm, size_t length) {
  return dm && length >= kHeaderBytes && size_t(Word(dm, kOffSize)) >= kHeaderBytes &&
         size_t(Word(dm, kOffSize)) + Word(dm, kOffExtra) <= length;
}

bool FitsPublic(const uint8_t* dm, size_t length) {
  return dm && length >= kHeaderBytes && Word(dm, kOffSize) >= kHeaderBytes && Word(dm, kOffSize) <= length;
}

// Copies the smaller public part; dst keeps its driver version and sizes and
// takes the dmSpecVersion of its own size.
int32_t CopyPublic(const uint8_t* src, uint8_t* dst, uint16_t dst_spec) {
  uint16_t version = Word(dst, kOffDriverVersion), size = Word(dst, kOffSize), extra = Word(dst, kOffExtra);
  uint16_t n = std::min(size, Word(src, kOffSize));
  std::memmove(dst, src, n);
  SetWord(dst, kOffDriverVersion, version);
  SetWord(dst, kOffSize, size);
  SetWord(dst, kOffExtra, extra);
  SetWord(dst, kOffSpec, dst_spec);
  return n;
}

int32_t CopyPrivate(const uint8_t* src, uint8_t* dst) {
  uint16_t n = std::min(Word(dst, kOffExtra), Word(src, kOffExtra));
  std::memmove(dst + Word(dst, kOffSize), src + Word(src, kOffSize), n);
  return n;
}

}  // namespace

uint16_t DmGetSpecVersion(const uint8_t* dm, size_t length) {
  if (!dm || length < kHeaderBytes) return 0;
  switch (Word(dm, kOffSize)) {
    case 188: return 0x320;
    case 212: return 0x400;
    case 220: return 0x401;
    default: return Word(dm, kOffSpec);
  }
}

int32_t DmCopyDevmodeParts(const uint8_t* src, size_t src_length, uint8_t* dst, size_t dst_length) {
  uint16_t src_spec = DmGetSpecVersion(src, src_length);
  uint16_t dst_spec = DmGetSpecVersion(dst, dst_length);
  if (!src_spec || !dst_spec) return -1;
  if (Word(src, kOffSize) != dm::kPublicSize && src_spec != kSpec351) return -1;
  if (!Fits(src, src_length) || !Fits(dst, dst_length)) return -1;
  int32_t n = CopyPublic(src, dst, dst_spec);
  return n + CopyPrivate(src, dst);
}

int32_t DmCopyInputDevmode(const uint8_t* input, size_t input_length, uint8_t* dst, size_t dst_length) {
  if (!input || !dst) return -1;
  uint16_t in_spec = DmGetSpecVersion(input, input_length);
  if (in_spec == kSpec351 && Word(input, kOffSize) == kSize351)
    return DmCopyDevmodeParts(input, input_length, dst, dst_length);
  uint16_t dst_spec = DmGetSpecVersion(dst, dst_length);
  if (!dst_spec || !FitsPublic(input, input_length) || !Fits(dst, dst_length)) return -1;
  int32_t n = CopyPublic(input, dst, dst_spec);
  if (Word(input, kOffExtra) != dm::kDriverExtra || Word(input, kOffDriverVersion) != Word(dst, kOffDriverVersion))
    return -1;  // the private part of dst stays as it was
  if (!Fits(input, input_length)) return -1;
  return n + CopyPrivate(input, dst);
}

int32_t DmCopyToOutput(const uint8_t* working, size_t working_length, const uint8_t* input, size_t input_length,
                       uint8_t* output, size_t output_length) {
  if (!output) return -1;
  if (!Fits(working, working_length)) return 0;
  size_t whole = size_t(Word(working, kOffSize)) + Word(working, kOffExtra);
  if (!input) {
    if (whole > output_length) return 0;
    std::memmove(output, working, whole);
    return 1;
  }
  if (output_length < kHeaderBytes || !FitsPublic(input, input_length)) return 0;
  bool small_public = Word(input, kOffSize) < Word(working, kOffSize);
  bool small_private = Word(input, kOffExtra) < Word(working, kOffExtra);
  const uint8_t* pub = small_public ? input : working;
  const uint8_t* priv = small_private ? input : working;
  SetWord(output, kOffSpec, Word(pub, kOffSpec));
  SetWord(output, kOffSize, Word(pub, kOffSize));
  SetWord(output, kOffDriverVersion, Word(priv, kOffDriverVersion));
  SetWord(output, kOffExtra, Word(priv, kOffExtra));
  return DmCopyDevmodeParts(working, working_length, output, output_length) >= 0 ? 1 : 0;
}

int32_t DmConvertDevMode(const uint8_t* src, size_t src_length, uint8_t* dst, uint32_t* size, uint32_t mode) {
  if (!size) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  switch (mode) {
    case CDM_CONVERT: {
      if (dst && *size >= kHeaderBytes && Fits(dst, *size) &&
          DmCopyDevmodeParts(src, src_length, dst, *size) >= 0) {
        *size = uint32_t(Word(dst, kOffSize)) + Word(dst, kOffExtra);
        return 1;
      }
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    case CDM_CONVERT351: {
      const uint32_t need = dm::kDriverExtra + kSize351;
      if (!dst || *size < need) {
        *size = need;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
      }
      SetWord(dst, kOffSpec, kSpec351);
      SetWord(dst, kOffSize, kSize351);
      SetWord(dst, kOffDriverVersion, 0x350);
      SetWord(dst, kOffExtra, uint16_t(dm::kDriverExtra));
      if (DmCopyDevmodeParts(src, src_length, dst, *size) >= 0) {
        *size = need;
        return 1;
      }
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    case CDM_DRIVER_DEFAULT: {
      const uint32_t need = dm::kDriverExtra + dm::kPublicSize;
      if (!dst || *size < need) {
        *size = need;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
      }
      *size = need;
      return 2;
    }
    default:
      return 2;
  }
}
