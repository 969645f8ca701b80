#include "support/cpu_fixture.h"

#include <cstring>
#include <memory>

namespace {
constexpr u32 kSize = 0x1000000;
constexpr u32 kGuard = 64;  // zeros past the end, for fetches near the top

u8* Memory() {
  static std::unique_ptr<u8[]> memory(new u8[kSize + kGuard]());
  return memory.get();
}

std::vector<BusAccess>& AccessLog() {
  static std::vector<BusAccess> log;
  return log;
}
int g_pcBaseCalls = 0;

u32 Word(u32 a) {
  u16 w;
  std::memcpy(&w, Memory() + (a & 0xFFFFFE), 2);
  return w;
}
void SetWord(u32 a, u32 v) {
  const u16 w = static_cast<u16>(v);
  std::memcpy(Memory() + (a & 0xFFFFFE), &w, 2);
}

u32 Read8(u32 a) {
  const u32 v = Memory()[(a & 0xFFFFFF) ^ 1];
  AccessLog().push_back({'r', 1, a, v});
  return v;
}
u32 Read16(u32 a) {
  const u32 v = Word(a);
  AccessLog().push_back({'r', 2, a, v});
  return v;
}
u32 Read32(u32 a) {
  const u32 v = (Word(a) << 16) | Word((a & 0xFFFFFE) + 2);
  AccessLog().push_back({'r', 4, a, v});
  return v;
}
void Write8(u32 a, u32 v) {
  AccessLog().push_back({'w', 1, a, v & 0xFF});
  Memory()[(a & 0xFFFFFF) ^ 1] = static_cast<u8>(v);
}
void Write16(u32 a, u32 v) {
  AccessLog().push_back({'w', 2, a, v & 0xFFFF});
  SetWord(a, v);
}
void Write32(u32 a, u32 v) {
  AccessLog().push_back({'w', 4, a, v});
  SetWord(a, v >> 16);
  SetWord((a & 0xFFFFFE) + 2, v);
}
void SetPcBase(u32) {
  ++g_pcBaseCalls;
  g_cpu68kPcBase = Memory();
  g_cpu68kPcLow = 0;
  g_cpu68kPcSpan = kSize;
}

const Cpu68kMemHandlers kTestHandlers = {
    Read8,     Read16, Read32, Write8, Write16,    Write32,
    SetPcBase, Read8,  Read16, Read32, 0x00FFFFFF, Cpu68kDefaultResetHandler,
};
}  // namespace

void CpuTest::SetUp() {
  saved_ = g_cpu68kMemHandlers;
  g_cpu68kMemHandlers = kTestHandlers;
  std::memset(Memory(), 0, kSize + kGuard);
  Cpu68kInit();
  g_cpu68kContext.pcFull = 0;
  for (u32 n = 0; n < 64; ++n) Poke32(n * 4, kVectorBase + 0x10 * n);
  Cpu68kContext& c = g_cpu68kContext;
  c.srSys = 0x27;
  c.a[7] = kSupervisorStack;
  c.ssp = kSupervisorStack;
  c.usp = kUserStack;
  SetPc(kCodeAddress);
  ClearLog();
}

void CpuTest::TearDown() { g_cpu68kMemHandlers = saved_; }

void CpuTest::SetPc(u32 pc) {
  g_cpu68kContext.pc = pc;
  g_cpu68kPcBase = Memory();
  g_cpu68kPcLow = 0;
  g_cpu68kPcSpan = kSize;
}

void CpuTest::Code(std::initializer_list<u16> words, u32 address) {
  u32 a = address;
  for (u16 w : words) {
    SetWord(a, w);
    a += 2;
  }
  SetPc(address);
}

i32 CpuTest::Step() {
  ClearLog();
  return Cpu68kRun(0);
}

std::string CpuTest::Flags() const {
  const u32 ccr = Cpu68kGetSr() & 0x1F;
  std::string out;
  const char* names = "XNZVC";
  for (int i = 0; i < 5; ++i) {
    if (ccr & (0x10 >> i)) out += names[i];
  }
  return out;
}

void CpuTest::SetFlags(const std::string& flags) {
  u32 ccr = 0;
  const std::string names = "XNZVC";
  for (char ch : flags) ccr |= 0x10 >> names.find(ch);
  g_cpu68kContext.ccrHost = g_cpu68kCcrToHost[ccr];
  g_cpu68kContext.xFlag = g_cpu68kCcrToHost[ccr] >> 8;
}

void CpuTest::SetSr(u16 sr) {
  g_cpu68kContext.srSys = sr >> 8;
  SetFlags("");
  g_cpu68kContext.ccrHost = g_cpu68kCcrToHost[sr & 0x1F];
  g_cpu68kContext.xFlag = g_cpu68kCcrToHost[sr & 0x1F] >> 8;
}

u8 CpuTest::Peek8(u32 address) const { return Memory()[(address & 0xFFFFFF) ^ 1]; }
u16 CpuTest::Peek16(u32 address) const { return static_cast<u16>(Word(address)); }
u32 CpuTest::Peek32(u32 address) const {
  return (Word(address) << 16) | Word((address & 0xFFFFFE) + 2);
}
void CpuTest::Poke8(u32 address, u8 v) { Memory()[(address & 0xFFFFFF) ^ 1] = v; }
void CpuTest::Poke16(u32 address, u16 v) { SetWord(address, v); }
void CpuTest::Poke32(u32 address, u32 v) {
  SetWord(address, v >> 16);
  SetWord((address & 0xFFFFFE) + 2, v);
}

const std::vector<BusAccess>& CpuTest::Log() const { return AccessLog(); }
void CpuTest::ClearLog() {
  AccessLog().clear();
  g_pcBaseCalls = 0;
}
int CpuTest::PcBaseCalls() const { return g_pcBaseCalls; }
