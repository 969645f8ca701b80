#define CPU68K_PART 2
#include "cpu68k/optable_part.h"
