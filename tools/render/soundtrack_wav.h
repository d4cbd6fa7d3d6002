// The soundtrack for a video: the PCM our own sound layer decodes (encoder delay
// and padding trimmed, as the program's music clock counts it), cut to exactly the
// frames rendered, written as a WAV file for ffmpeg.
#pragma once

#include <string>

#include "frame_rate.h"
#include "temporary_file.h"

// Frames [firstFrame, firstFrame + frameCount) at fps: at 44.1 kHz and 60 fps that is
// 735 samples a frame; at 60000/1001, 735.735 on average, each frame's share
// starting at the sample its moment falls in, so that the sound ends where the
// frames end, to the sample, over any length. Silence stands in past the end of the music, or for all of
// it when the soundtrack is missing or not an MP3 (*warning says so). Returns an
// empty string on success, otherwise why the WAV could not be written.
std::string WriteSoundtrackWav(const std::string &mp3Path, const std::string &wavPath, long firstFrame, long frameCount,
                               FrameRate fps, std::string *warning);

// The same as a new temporary WAV file, removed with `wav`; a warning goes to
// standard error. Returns an empty string on success, otherwise why not.
std::string WriteTemporarySoundtrack(const std::string &mp3Path, long firstFrame, long frameCount, FrameRate fps,
                                     TemporaryPath &wav);
