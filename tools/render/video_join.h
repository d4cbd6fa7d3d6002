// Videos of consecutive stretches of the show joined into one, the pictures
// copied as they are and the soundtrack added once, cut to the joined frames, so
// that picture and sound agree to the sample across the joins as in a single render.
#pragma once

#include <string>
#include <vector>

#include "video_label.h"

// Joins the parts, in the order of their frames, into output with the soundtrack
// of the show in showFolder. Refuses, naming the part and before any other work,
// anything that is not a part of that show (another show, frames outside it, not
// a regular file) and parts that do not follow on from each other or were made
// differently. Never writes over a part. Returns an empty string on success,
// otherwise why.
std::string JoinVideos(const std::string &output, const std::vector<std::string> &parts, const std::string &showFolder);
