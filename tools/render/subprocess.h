// Other programs run from the renderer: ffmpeg and ffprobe.
#pragma once

#include <initializer_list>
#include <string>
#include <sys/types.h>
#include <vector>

// Whether PATH holds an executable of that name.
bool FindOnPath(const char *program);
// Empty when ffmpeg's programs are on PATH, else which is missing and where to get it.
std::string MissingFfmpeg(std::initializer_list<const char *> programs = {"ffmpeg"});
// The start of every ffmpeg command the renderer runs: quiet but for errors, never
// asking, overwriting its output.
std::vector<std::string> FfmpegCommand();
// A path as ffmpeg's programs take it, whatever it holds: with "file:" before it,
// a name with a colon or a leading dash is still a file.
std::string FfmpegFile(const std::string &path);
// A path relative to the current folder made whole (unchanged if absolute or empty).
std::string Absolute(const std::string &path);
// How every video the renderer writes carries the soundtrack.
extern const std::vector<std::string> SOUNDTRACK_CODING;

// The first few kilobytes of a text file, without its last line break: what a
// program said on its error output.
std::string ReadLog(const std::string &path);

// Starts args[0], found on PATH, with those descriptors as its standard input,
// output and error (-1: /dev/null). Its process id, or -1 with *error saying why.
pid_t StartProgram(const std::vector<std::string> &args, int in, int out, int err, std::string *error);

// Runs args[0], found on PATH, to its end with no input: its standard output in
// *out, the start of its error output in *said. Returns its exit status, or -1
// when it could not be started (*said then says why). Once the tool is
// interrupted, it stops the program, or does not start it.
int RunProgram(const std::vector<std::string> &args, std::string *out, std::string *said);
