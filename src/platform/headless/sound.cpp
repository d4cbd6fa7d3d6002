// The sound on a virtual clock: nothing plays, and the position is whatever the
// host set for the frame being drawn.

#include "platform/headless/headless.h"
#include "platform/sound_backend.h"

namespace {

int s_musicPosition = 0;

} // namespace

void SetHeadlessMusicPosition(int milliseconds) { s_musicPosition = milliseconds; }

// No stream is ever opened; the show's clock reads the frame's position all the same.
std::unique_ptr<StreamPlayer> OpenStreamPlayer(const unsigned char *, size_t) { return nullptr; }

bool HostMusicPosition(int *milliseconds)
{
    *milliseconds = s_musicPosition;
    return true;
}

void StartSoundBackend() {}
void StopSoundBackend() {}
