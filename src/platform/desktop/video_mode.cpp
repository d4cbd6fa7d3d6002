#include "platform/desktop/video_mode.h"

#include <cstdlib>

int ChooseVideoMode(const VideoMode *modes, int count, int width, int height)
{
    int best = -1;
    int bestDepthDistance = 0;
    long long bestSizeDistance = 0;
    for (int i = 0; i < count; i++) {
        int depthDistance = abs(modes[i].bits - 32);
        long long dx = static_cast<long long>(modes[i].width) - width;
        long long dy = static_cast<long long>(modes[i].height) - height;
        long long sizeDistance = dx * dx + dy * dy;
        // Strictly better only, so that the first of equals stays chosen.
        if (best < 0 || depthDistance < bestDepthDistance ||
            (depthDistance == bestDepthDistance && sizeDistance < bestSizeDistance)) {
            best = i;
            bestDepthDistance = depthDistance;
            bestSizeDistance = sizeDistance;
        }
    }
    return best;
}
