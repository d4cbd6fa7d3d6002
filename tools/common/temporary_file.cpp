#include "temporary_file.h"

#include <cstdlib>
#include <stdlib.h>
#include <vector>

std::string TemporaryDirectory()
{
    const char *dir = getenv("TMPDIR");
    return dir && *dir ? dir : "/tmp";
}

int CreateTemporaryFile(const std::string &prefix, const std::string &suffix, std::string *path)
{
    std::string pattern = TemporaryDirectory() + "/" + prefix + "-XXXXXX" + suffix;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = mkstemps(name.data(), int(suffix.size()));
    if (fd >= 0)
        *path = name.data();
    return fd;
}
