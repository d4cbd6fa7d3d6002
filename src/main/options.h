// The program's command line: what the viewer asks for, read before anything opens.
#pragma once

struct ViewerOptions {
    const char *showFolder; // --show DIR; null: the working directory
    int windowed;           // --window: a resizable 640x480 window instead of full screen
    int startMilliseconds;  // --start SECONDS: where the soundtrack starts
    int loop;               // --loop: start again at the end instead of closing
    int mute;               // --mute: no sound, the clock runs all the same
    int controls;           // --controls: Space, the arrows and 1 to 8 pause, seek and pick a scene
};

enum {
    OPTIONS_RUN,  // play the show
    OPTIONS_DONE, // --help or --version has been answered on stdout
    OPTIONS_BAD   // one line on stderr has named what is wrong
};

// GNU style: "--start 42" and "--start=42" alike, the last of a repeated option wins.
int ReadOptions(int argc, char **argv, ViewerOptions *options);
