#define CPU68K_QUARTER 1
#include "cpu68k/handlers_quarter.h"
