// Where the show plays from: the folder the viewer names, or the working directory
// when it holds a show, or else the installed one.

#include "show/show.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

__attribute__((format(printf, 1, 2))) static void Tell(const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    TellViewer(format, arguments);
    va_end(arguments);
}

void TellViewer(const char *format, va_list arguments)
{
    char line[512];
    vsnprintf(line, sizeof line, format, arguments);
    for (char *c = line; *c; c++)
        if (static_cast<unsigned char>(*c) < 0x20 || *c == 0x7f)
            *c = '?';
    fprintf(stderr, "heartcube: %s\n", line);
}

const char *DefaultShowFolder(const char *installedShow)
{
    struct stat info;
    // Either half of a show is a show: what it lacks is named as it plays.
    if (lstat(MUSIC_FILE, &info) == 0 || lstat(PICTURE_FOLDER, &info) == 0)
        return ".";
    if (installedShow && stat(installedShow, &info) == 0 && S_ISDIR(info.st_mode)) {
        // Someone who meant a show of their own learns that this is not it.
        fprintf(stderr, "show: playing the installed show in %s\n", installedShow);
        return installedShow;
    }
    return ".";
}

int EnterShowFolder(const char *showFolder, const char *installedShow)
{
    struct stat info;
    if (showFolder) {
        if (stat(showFolder, &info) != 0 || !S_ISDIR(info.st_mode)) {
            Tell("--show: \"%s\" is not a directory", showFolder);
            return 0;
        }
        if (chdir(showFolder) != 0) {
            Tell("--show: \"%s\": %s", showFolder, strerror(errno));
            return 0;
        }
        return 1;
    }
    const char *folder = DefaultShowFolder(installedShow);
    if (folder == installedShow && chdir(folder) != 0)
        Tell("%s: %s", folder, strerror(errno));
    return 1;
}
