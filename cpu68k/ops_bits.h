// Shifts and rotates, single-bit operations and decimal arithmetic.
#pragma once

#include "cpu68k/cpu68k_core.h"
