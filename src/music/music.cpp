// The soundtrack plays from a copy of the whole file in memory; its position, in
// whole seconds, is the clock of the show.

#include "music/music.h"

#include <cstdio>
#include <cstdlib>

#include "platform/sound.h"
#include "textures/image.h"

static const unsigned int MUSIC_MODE =
    FSOUND_16BITS | FSOUND_MONO | FSOUND_SIGNED | FSOUND_LOADMEMORY | FSOUND_MPEGACCURATE;

FSOUND_STREAM *g_musicStream = nullptr;
int g_musicChannel = -1;
float g_musicTime = 0.0f;

// The stream plays from this image until the process exits, so it is never freed.
static unsigned char *s_musicImage = nullptr;

// Reads the whole open file into a new buffer; on failure says why on stderr and
// returns null. The size is checked before it allocates: a file too large for the
// stream's int length, or one that shrinks under us, is refused.
static unsigned char *ReadWholeFile(FILE *file, long *size)
{
    if (fseek(file, 0, SEEK_END) != 0 || (*size = ftell(file)) < 0 || fseek(file, 0, SEEK_SET) != 0) {
        fprintf(stderr, "music: %s: cannot find its size\n", MUSIC_FILE);
        return nullptr;
    }
    if (*size == 0 || *size > 0x7fffffffL) {
        fprintf(stderr, "music: %s: %s\n", MUSIC_FILE, *size == 0 ? "empty file" : "too large");
        return nullptr;
    }
    unsigned char *buffer = static_cast<unsigned char *>(malloc(static_cast<size_t>(*size)));
    if (!buffer) {
        fprintf(stderr, "music: %s: out of memory for %ld bytes\n", MUSIC_FILE, *size);
        return nullptr;
    }
    if (fread(buffer, 1, static_cast<size_t>(*size), file) != static_cast<size_t>(*size)) {
        fprintf(stderr, "music: %s: cannot be read whole\n", MUSIC_FILE);
        free(buffer);
        return nullptr;
    }
    return buffer;
}

int InitMusic()
{
    if (!FSOUND_Init(44100, 32, 0))
        FSOUND_Close();

    // A folder or a pipe under the soundtrack's name is never waited on.
    const char *notRegular = nullptr;
    FILE *file = OpenRegularFile(MUSIC_FILE, &notRegular);
    if (!file && !notRegular) {
        printf("Error!\n");
        printf("File Not Found\n");
        fflush(stdout);
        FSOUND_Close();
        return 1;
    }

    // A file we cannot read leaves the clock at 0, like one that is not an MP3:
    // the show stays on its title until Escape.
    long size = 0;
    if (file) {
        s_musicImage = ReadWholeFile(file, &size);
        fclose(file);
    } else {
        fprintf(stderr, "music: %s: not a regular file\n", MUSIC_FILE);
    }

    if (s_musicImage) {
        g_musicStream =
            FSOUND_Stream_OpenFile(reinterpret_cast<const char *>(s_musicImage), MUSIC_MODE, static_cast<int>(size));
        if (!g_musicStream)
            fprintf(stderr, "music: %s: not an MP3 stream\n", MUSIC_FILE);
        g_musicChannel = FSOUND_Stream_PlayEx(FSOUND_FREE, g_musicStream, nullptr, 1);
        FSOUND_SetPaused(g_musicChannel, 0);
    }

    printf("\n");
    return 0;
}

void RestartMusic() { SeekStream(g_musicStream, 0); }

void ReadMusicClock()
{
    // Whole seconds only: the millisecond position is divided as an integer.
    g_musicTime = static_cast<float>(FSOUND_Stream_GetTime(g_musicStream) / 1000);
}
