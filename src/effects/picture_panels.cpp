#include "effects/effects.h"

void DrawTitlePicture() {}
void DrawCreatorsPicture() {}
void DrawPinkPicture() {}
void DrawEndPicture() {}
