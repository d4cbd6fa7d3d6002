// Files of the tools' own in the temporary directory: $TMPDIR where it is set,
// else /tmp.
#pragma once

#include <string>
#include <utility>

std::string TemporaryDirectory();

// Creates a new file named PREFIX-XXXXXX SUFFIX there, open for writing: its
// descriptor, with its path in *path; -1 with errno set on failure.
int CreateTemporaryFile(const std::string &prefix, const std::string &suffix, std::string *path);
// Why CreateTemporaryFile just failed, as a message.
std::string TemporaryFileError();

// A file's path, and the file removed when this goes (nothing, while empty).
struct TemporaryPath {
    std::string path;

    TemporaryPath() = default;
    explicit TemporaryPath(std::string name) : path(std::move(name)) {}
    ~TemporaryPath();
    TemporaryPath(const TemporaryPath &) = delete;
    TemporaryPath &operator=(const TemporaryPath &) = delete;
};

// Creates an empty temporary file as CreateTemporaryFile does, closed, to be
// removed with `file`. An empty string, or why it could not.
std::string MakeTemporaryFile(const std::string &prefix, const std::string &suffix, TemporaryPath &file);
