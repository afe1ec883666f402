#include "taskbar/pure/screen_point.h"

uint32_t PackScreenPoint(int x, int y) {
    return (uint32_t)(uint16_t)x | ((uint32_t)(uint16_t)y << 16);
}
