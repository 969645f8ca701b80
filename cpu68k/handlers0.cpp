#define CPU68K_QUARTER 0
#include "cpu68k/handlers_quarter.h"
