// The storyboard: one labelled frame of each scene, and of the credits, in a grid.
#pragma once

#include <string>

class ShowRenderer;

// Draws the moments at the renderer's size, shrinks each by half, labels it with
// its time and scene, and writes the sheet as a PNG. Empty on success, else why not.
std::string WriteStoryboard(ShowRenderer &renderer, const std::string &path);
