#include "effects/effects.h"

void DrawRotozoomer() {}
