#include "effects/effects.h"

void DrawHeartCube() {}
