// A 68000 on its own: a flat 16 MB test memory in host-word form behind the
// bus slots, with helpers to place code, run one instruction and look at
// registers, flags, memory and the bus accesses made.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "cpu68k/cpu68k.h"

struct BusAccess {
  char kind;  // 'r' or 'w'
  int size;   // 1, 2 or 4
  u32 address;
  u32 value;
  bool operator==(const BusAccess&) const = default;
};

class CpuTest : public ::testing::Test {
 public:
  static constexpr u32 kCodeAddress = 0x1000;
  static constexpr u32 kSupervisorStack = 0x8000;
  static constexpr u32 kUserStack = 0x9000;
  // Vector n's handler lies at kVectorBase + 0x10 * n.
  static constexpr u32 kVectorBase = 0x100000;

  void SetUp() override;
  void TearDown() override;

  // Places words at an address (default: kCodeAddress) and sets PC there.
  void Code(std::initializer_list<u16> words, u32 address = kCodeAddress);
  // Runs one instruction (a run with a budget of 0) and returns its cycles.
  i32 Step();
  i32 Run(i32 budget) { return Cpu68kRun(budget); }

  u32& D(int n) { return g_cpu68kContext.d[n]; }
  u32& A(int n) { return g_cpu68kContext.a[n]; }
  u32 Pc() const { return g_cpu68kContext.pc; }
  void SetPc(u32 pc);

  // Flags as a string of the set ones among "XNZVC", e.g. "XC"; and back.
  std::string Flags() const;
  void SetFlags(const std::string& flags);
  void SetSr(u16 sr);  // without moving stack pointers
  u16 Sr() const { return Cpu68kGetSr(); }

  u8 Peek8(u32 address) const;
  u16 Peek16(u32 address) const;
  u32 Peek32(u32 address) const;
  void Poke8(u32 address, u8 v);
  void Poke16(u32 address, u16 v);
  void Poke32(u32 address, u32 v);

  // The bus accesses since the last ClearLog (code fetches are not bus
  // accesses and do not appear).
  const std::vector<BusAccess>& Log() const;
  void ClearLog();
  // setPcBase calls since the last ClearLog.
  int PcBaseCalls() const;

 private:
  Cpu68kMemHandlers saved_{};
};
