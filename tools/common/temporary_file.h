// Files of the tools' own in the temporary directory: $TMPDIR where it is set,
// else /tmp.
#pragma once

#include <string>

std::string TemporaryDirectory();

// Creates a new file named PREFIX-XXXXXX SUFFIX there, open for writing: its
// descriptor, with its path in *path; -1 with errno set on failure.
int CreateTemporaryFile(const std::string &prefix, const std::string &suffix, std::string *path);
