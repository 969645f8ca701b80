// The dispatch table: its packed form and the expansion at power-on.
#include <cstring>

#include "cpu68k/cpu68k_core.h"

extern const Cpu68kOpHandler g_cpu68kHandlersQuarter0[CPU68K_HANDLER_COUNT];
extern const Cpu68kOpHandler g_cpu68kHandlersQuarter1[CPU68K_HANDLER_COUNT];
extern const Cpu68kOpHandler g_cpu68kHandlersQuarter2[CPU68K_HANDLER_COUNT];
extern const Cpu68kOpHandler g_cpu68kHandlersQuarter3[CPU68K_HANDLER_COUNT];

Cpu68kOpHandler g_cpu68kOpTable[65536];

// Little-endian: a u32 base, then entry words (handler offset in bits 0-23,
// run length in bits 24-31, or 0 and a u16 run length after it), ended by
// an entry of 0 with a u16 of 0. A handler is named by its index in the
// handler list, so the base is 0.
const u8 g_cpu68kOpTablePacked[CPU68K_PACKED_BYTES] = {CPU68K_PACKED_TABLE_BYTES};

namespace {
u32 ReadLe32(const u8* p) {
  return static_cast<u32>(p[0]) | (static_cast<u32>(p[1]) << 8) | (static_cast<u32>(p[2]) << 16) |
         (static_cast<u32>(p[3]) << 24);
}

Cpu68kOpHandler HandlerAt(u32 index) {
  if (index >= CPU68K_HANDLER_COUNT) return &Cpu68kOpIllegal;
  const Cpu68kOpHandler* parts[4] = {g_cpu68kHandlersQuarter0, g_cpu68kHandlersQuarter1,
                                     g_cpu68kHandlersQuarter2, g_cpu68kHandlersQuarter3};
  return parts[index % 4][index];
}
}  // namespace

void Cpu68kBuildOpTable() {
  const u8* p = g_cpu68kOpTablePacked;
  const u32 base = ReadLe32(p);
  p += 4;
  u32 out = 0;
  for (;;) {
    const u32 word = ReadLe32(p);
    p += 4;
    u32 n = word >> 24;
    if (n == 0) {
      n = static_cast<u32>(p[0]) | (static_cast<u32>(p[1]) << 8);
      p += 2;
      if (n == 0) break;
    }
    const Cpu68kOpHandler h = HandlerAt(base + (word & 0xFFFFFF));
    // The table is ours and sums to exactly 65,536; the bound only guards
    // the array against a corrupted build.
    for (u32 i = 0; i < n && out < 65536; ++i) g_cpu68kOpTable[out++] = h;
  }
}
