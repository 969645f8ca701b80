// One quarter of the handlers, instantiated in its own translation unit so
// that the four compile in parallel. CPU68K_QUARTER (0-3) selects the quarter.
#include "cpu68k/cpu68k_core.h"
#include "cpu68k/ops_arith.h"
#include "cpu68k/ops_bits.h"
#include "cpu68k/ops_flow.h"
#include "cpu68k/ops_move.h"

namespace {
template <int i, Op o, Sz s, Ea a, Ea b, int x>
constexpr Cpu68kOpHandler Pick() {
  if constexpr (i % 4 != CPU68K_QUARTER) {
    return nullptr;
  } else if constexpr (o == Op::Illegal) {
    return &Cpu68kOpIllegal;
  } else if constexpr (o == Op::LineA) {
    return &Cpu68kOpLineA;
  } else if constexpr (o == Op::LineF) {
    return &Cpu68kOpLineF;
  } else {
    return &Cpu68kOp<o, s, a, b, x>;
  }
}
}  // namespace

#define CPU68K_PICK(i, o, s, a, b, x) Pick<i, Op::o, Sz::s, Ea::a, Ea::b, x>(),
#define CPU68K_QUARTER_NAME2(n) g_cpu68kHandlersQuarter##n
#define CPU68K_QUARTER_NAME(n) CPU68K_QUARTER_NAME2(n)
extern const Cpu68kOpHandler CPU68K_QUARTER_NAME(CPU68K_QUARTER)[CPU68K_HANDLER_COUNT];
const Cpu68kOpHandler CPU68K_QUARTER_NAME(CPU68K_QUARTER)[CPU68K_HANDLER_COUNT] = {
    CPU68K_HANDLERS(CPU68K_PICK)};
