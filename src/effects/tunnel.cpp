#include "effects/effects.h"

void DrawTunnel() {}
