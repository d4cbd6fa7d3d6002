#include "temporary_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdlib.h>
#include <unistd.h>
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

std::string TemporaryFileError()
{
    return "cannot make a temporary file in " + TemporaryDirectory() + ": " + strerror(errno);
}

TemporaryPath::~TemporaryPath()
{
    if (!path.empty())
        unlink(path.c_str());
}

std::string MakeTemporaryFile(const std::string &prefix, const std::string &suffix, TemporaryPath &file)
{
    int fd = CreateTemporaryFile(prefix, suffix, &file.path);
    if (fd < 0)
        return TemporaryFileError();
    close(fd);
    return "";
}
