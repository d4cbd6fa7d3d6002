// The stream calls the soundtrack needs, in the FSOUND interface: one MP3 image in
// memory played once from the start, and its position in milliseconds of what the
// listener hears; and three of our own for the viewer's options and the players'
// controls: a later start, no sound, and a seek to any millisecond. They are
// written once (sound_front.cpp) over the backend each program links: the program
// plays through the desktop's sound server or SDL2 (desktop/sound.cpp), falling back
// to a silent clock without an audio device; the web page through Web Audio; the
// renderer and the tests on clocks they set themselves.
//
// After the music ends the stream plays silence, so its position keeps running.
#pragma once

struct FSOUND_STREAM;

enum {
    FSOUND_FREE = -1, // PlayEx: any free channel
    FSOUND_16BITS = 0x10,
    FSOUND_MONO = 0x20,
    FSOUND_SIGNED = 0x100,
    FSOUND_LOADMEMORY = 0x8000,   // OpenFile: the "name" is the file's bytes, the length their count
    FSOUND_MPEGACCURATE = 0x20000 // exact length and position, scanned at open
};

// True unless the arguments make no sense; no audio device is no failure, streams
// then play on a silent clock. Streams play at their own rate, not at mixRate.
signed char FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int flags);
// Stops and forgets every stream; their handles are then worth nothing.
void FSOUND_Close();
// Returns null when the data is not an MP3 stream. Only FSOUND_LOADMEMORY is served:
// the stream plays from the caller's bytes, which must stay allocated while it lives.
// Streams play in their own format whatever the sample-format bits say.
FSOUND_STREAM *FSOUND_Stream_OpenFile(const char *data, unsigned int mode, int length);
// Returns the channel the stream plays on, or -1 (no stream, or no such free channel).
// A stream already playing keeps its channel.
int FSOUND_Stream_PlayEx(int channel, FSOUND_STREAM *stream, void *dsp, signed char startPaused);
// True when a stream plays on the channel.
signed char FSOUND_SetPaused(int channel, signed char paused);
// Position of what is heard now, in milliseconds, from the first sample of the music
// (the encoder's delay skipped); never less than before, but for a seek; 0 for no
// stream.
int FSOUND_Stream_GetTime(FSOUND_STREAM *stream);

// Streams played from now on start this far into the music, and their position
// counts from the music's start. Past the end they play silence on a running clock.
void SetStreamStart(int milliseconds);
// Muted, streams played from now on use the silent clock: no device is opened, and
// none is said to be missing.
void SetSoundMuted(bool muted);
// A playing stream goes on from that millisecond of the music (0: its start); its
// position reads that until the listener hears it, and counts on from there.
void SeekStream(FSOUND_STREAM *stream, int milliseconds);
