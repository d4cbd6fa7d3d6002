#include "output_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "interrupts.h"

namespace {

// Long names are cut so that the unfinished one still fits a folder entry.
const size_t LONGEST_STEM = 200;

std::string RandomLetters()
{
    static const char LETTERS[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::string letters;
    for (int i = 0; i < 6; i++)
        letters += LETTERS[random() % (sizeof LETTERS - 1)];
    return letters;
}

} // namespace

OutputFile::OutputFile(std::string path) : path_(std::move(path))
{
    struct stat info;
    if (stat(path_.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        error_ = "is a folder";
        return;
    }
    const size_t slash = path_.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = path_.rfind('.');
    if (dot == std::string::npos || dot <= nameStart)
        dot = path_.size();
    const std::string folder = path_.substr(0, nameStart), extension = path_.substr(dot);
    const std::string stem = path_.substr(nameStart, std::min(dot - nameStart, LONGEST_STEM));
    for (int attempt = 0; attempt < 100; attempt++) {
        std::string name = folder + stem + ".unfinished-" + RandomLetters() + extension;
        // Never an existing file, and the usual permissions of a new one.
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            close(fd);
            unfinished_ = std::move(name);
            return;
        }
        if (errno != EEXIST)
            break;
    }
    error_ = strerror(errno);
}

OutputFile::~OutputFile()
{
    if (!unfinished_.empty())
        unlink(unfinished_.c_str());
}

std::string OutputFile::Keep()
{
    if (unfinished_.empty())
        return error_.empty() ? "already kept" : error_;
    if (Interruption())
        return "interrupted";
    if (rename(unfinished_.c_str(), path_.c_str()) != 0)
        return strerror(errno);
    unfinished_.clear();
    return "";
}
