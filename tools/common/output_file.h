// A file made under a temporary name in its own folder and given its name only
// once whole: a failure, a full disk or an interruption never leaves a file under
// that name that is not the whole thing, and never spoils one that was there.
#pragma once

#include <string>

class OutputFile {
public:
    // Makes NAME.unfinished-XXXXXX.EXT beside path, new and empty (the extension
    // stays last, for programs that go by it). Error() says why it could not.
    explicit OutputFile(std::string path);
    // Removes the unfinished file, unless it was kept.
    ~OutputFile();
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    const std::string &Error() const { return error_; }
    // Where to write.
    const std::string &Path() const { return unfinished_; }
    // Gives the whole file its name, unless the tool has been interrupted. An empty
    // string, or why not.
    std::string Keep();

private:
    std::string path_, unfinished_, error_;
};

// Makes path whole or not at all: write(where) writes it and returns an empty
// string or its own message; the file's own failures are said with path.
template <typename Write> std::string WriteWhole(const std::string &path, Write write)
{
    OutputFile file(path);
    std::string error = file.Error().empty() ? write(file.Path()) : path + ": " + file.Error();
    if (!error.empty())
        return error;
    error = file.Keep();
    return error.empty() ? error : path + ": " + error;
}
