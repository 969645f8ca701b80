#define CPU68K_PART 0
#include "cpu68k/optable_part.h"
