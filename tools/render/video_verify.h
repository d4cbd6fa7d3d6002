// A lossless video decoded again and compared, frame by frame, with the frames
// drawn: the archivist's proof that the master holds the show, pixel for pixel.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "frame_rate.h"

// Decodes path's pictures as RGBA and compares each frame's hash (as --hashes
// makes it) with hashes, which start at frame `first`. On success says "NAME: N
// frames verified" on standard error and returns an empty string; otherwise names
// the first frame that differs, or what is missing or left over. The video is
// called by its name (the one it is to have, while it is written under another).
std::string VerifyVideo(const std::string &path, const std::string &name, int width, int height, long first,
                        FrameRate fps, const std::vector<unsigned long long> &hashes);

// Whether ffprobe's facts of a video (see ProbeVideo) are of a lossless RGB
// master, the only kind whose frames can equal those drawn; if not, why not.
std::string CheckLosslessMaster(const std::string &path, const std::map<std::string, std::string> &facts);
