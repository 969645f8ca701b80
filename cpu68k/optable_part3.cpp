#define CPU68K_PART 3
#include "cpu68k/optable_part.h"
