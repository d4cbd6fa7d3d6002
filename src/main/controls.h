// The viewer's controls while the show plays: pause, seek and the chapters (the
// scenes' starts), for the desktop's keys behind --controls and the web page's
// buttons and keys alike.
#pragma once

// A step of the arrow keys, in milliseconds of music.
const int SEEK_STEP_MS = 5000;

// Paused, the music stops and the animation timer holds, so the picture stands
// still; played, both run on from where they stood.
void PauseShow(int paused);
int ShowPaused();
// The music goes on from that millisecond and the timer moves by as much, so the
// scenes' motion is where it would be; the scene follows the music clock on the
// next frames whichever way it moved, as it does for --start. A millisecond past
// the show's end ends it. Without a soundtrack the clock stays at 0 and so does this.
void SeekShow(int milliseconds);
// Milliseconds of music heard: the position the scenes follow.
int ShowPosition();
// Once a frame with --controls: Space pauses or plays, the left and right arrows
// seek SEEK_STEP_MS back or on, the digits 1 to 8 go to the start of that scene.
void ReadControlKeys();
