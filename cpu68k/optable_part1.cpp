#define CPU68K_PART 1
#include "cpu68k/optable_part.h"
