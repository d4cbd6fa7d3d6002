// The program's icon for desktop menus: a heart inside a glowing cube on a
// rounded night-sky tile, drawn afresh at each size a desktop asks for.
#pragma once

#include <vector>

// The hicolor theme's sizes, in pixels, that menus, panels and docks look up.
const int ICON_SIZES[] = {16, 22, 24, 32, 48, 64, 128, 256};

// The icon at size x size: RGBA bytes, top row first, transparent around the tile.
std::vector<unsigned char> DrawIcon(int size);
