#define CPU68K_QUARTER 3
#include "cpu68k/handlers_quarter.h"
