#include "effects/effects.h"

void DrawInterludePanels() {}
