// A screen position packed into one 32-bit message parameter. No Windows API.
#pragma once

#include <stdint.h>

// x in the low 16 bits, y in the high 16 bits, each as its own 16-bit two's
// complement value, so that a negative x (a monitor left of the primary one)
// never spills into y.
uint32_t PackScreenPoint(int x, int y);
