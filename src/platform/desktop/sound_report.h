// What the desktop sound layer can tell beyond the FSOUND calls, for the clock
// benchmark and the tests: where a stream plays and how far its output has got.
#pragma once

#include <cstdint>

struct FSOUND_STREAM;

struct SoundOutputReport {
    bool device;         // the sound server or an SDL audio device; false: the silent sink
    int sampleRate;      // of the stream, the unit of the frame counts
    int64_t framesTaken; // taken by the output (decoded or silence after the music)
    int64_t framesHeard; // heard since the stream began playing; for a stream played
                         // from the music's start, what FSOUND_Stream_GetTime reports
};

// False when the stream is not playing (never played, or unknown). Like
// FSOUND_Stream_GetTime it leaves the stream where it plays: FollowSoundDevices
// (sound_backend.h), once a frame, moves it to the silent sink when its device has
// gone and to the sound server when one has come.
bool ReportSoundOutput(FSOUND_STREAM *stream, SoundOutputReport *report);
