// The show's own facts, in one place for the program, the renderer, the web page
// and the tools: its files (the soundtrack and the picture table, relative to the
// show's folder), where that folder is, and its scenes: their names and the
// seconds of music at which they start. Nothing here draws or plays.
#pragma once

#include <cstdarg>

// The soundtrack, and the folder of the pictures.
#define MUSIC_FILE "Dezira.mp3"
#define PICTURE_FOLDER "data"

// The picture table: the show's 29 pictures.
#define TEXTURE_COUNT 29

// The pictures by their place in the table; scenes name a picture only this way.
enum {
    PICTURE_LOVE_CUBES = 0, // drawn by no scene
    PICTURE_TWIST,          // drawn by no scene
    PICTURE_ROTOZOOMER,     // the rotozoomer's floor
    PICTURE_TUNNEL,         // the tunnel's walls
    PICTURE_TUNNEL_BORDER,
    PICTURE_TUNNEL_BORDER_MASK,
    PICTURE_ROTOZOOM_BORDER,
    PICTURE_ROTOZOOM_BORDER_MASK,
    PICTURE_GREETS,         // drawn by no scene
    PICTURE_GREETS_MASK,    // drawn by no scene
    PICTURE_GREET_SCROLLER, // drawn by no scene
    PICTURE_TITLE,
    PICTURE_CREATORS,
    PICTURE_SKYBOX, // the heart cube's walls
    PICTURE_HEART,
    PICTURE_HEART_MASK,
    PICTURE_CREDIT_1, // the nine credits, in the order they show
    PICTURE_CREDIT_2,
    PICTURE_CREDIT_3,
    PICTURE_CREDIT_4,
    PICTURE_CREDIT_5,
    PICTURE_CREDIT_6,
    PICTURE_CREDIT_7,
    PICTURE_CREDIT_8,
    PICTURE_CREDIT_9,
    PICTURE_PINK,
    PICTURE_INTERLUDE_1, // the drifting panels
    PICTURE_INTERLUDE_2,
    PICTURE_END
};
static_assert(PICTURE_END + 1 == TEXTURE_COUNT, "one name for every picture of the table");

// The file of each picture, relative to the show's folder: PICTURE_FOLDER "/NAME.tga".
extern const char *const g_textureFiles[TEXTURE_COUNT];

// The eight scenes, in the order the music calls them.
enum {
    SCENE_TITLE = 0,
    SCENE_CREATORS = 1,
    SCENE_ROTOZOOMER = 2,
    SCENE_TUNNEL = 3,
    SCENE_HEART_CUBE = 4,
    SCENE_PINK = 5,
    SCENE_INTERLUDE = 6,
    SCENE_END = 7,
    SCENE_COUNT = 8
};

// The scene that follows a frame at this clock, or -1 when the show is over.
int ChooseNextScene(float musicTime);
// The first whole second of music at which the clock asks for the scene: 0 for the
// title, 8 for the creators ... 102 for the end picture.
int SceneStartSecond(int scene);
// The first whole second at which the show is over: 111.
int ShowEndSecond();
// What the viewer would call the scene ("tunnel", "heart cube").
const char *SceneName(int scene);

// The folder a show plays from when none is named: the working directory when it
// holds the soundtrack or the picture folder, otherwise installedShow when that
// folder exists (said once on stderr: "show: playing the installed show in DIR"),
// otherwise the working directory all the same.
const char *DefaultShowFolder(const char *installedShow);

// Makes the show's folder the working directory. A --show folder must be one (else
// a line on stderr and 0). Without it, a working directory holding neither the
// soundtrack nor the picture folder gives way to installedShow, when that exists.
int EnterShowFolder(const char *showFolder, const char *installedShow);

// One line on stderr, "heartcube: " first, however odd the names it quotes: control
// characters are shown as '?', so a name can neither break the line nor drive the
// terminal.
void TellViewer(const char *format, va_list arguments);
