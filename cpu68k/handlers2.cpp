#define CPU68K_QUARTER 2
#include "cpu68k/handlers_quarter.h"
