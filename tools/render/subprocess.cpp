#include "subprocess.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <climits>
#include <cstring>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "interrupts.h"
#include "temporary_file.h"

extern char **environ;

bool FindOnPath(const char *program)
{
    const char *path = getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (access(((dir.empty() ? "." : dir) + "/" + program).c_str(), X_OK) == 0)
            return true;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return false;
}

std::string MissingFfmpeg(std::initializer_list<const char *> programs)
{
    for (const char *program : programs)
        if (!FindOnPath(program))
            return std::string(program) + " is not installed (Debian: apt-get install ffmpeg)";
    return "";
}

std::vector<std::string> FfmpegCommand() { return {"ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error", "-y"}; }

std::string FfmpegFile(const std::string &path) { return "file:" + path; }

std::string Absolute(const std::string &path)
{
    if (path.empty() || path[0] == '/')
        return path;
    char here[PATH_MAX];
    return getcwd(here, sizeof here) ? std::string(here) + "/" + path : path;
}

const std::vector<std::string> SOUNDTRACK_CODING = {"-c:a", "aac", "-b:a", "192k"};

std::string ReadLog(const std::string &path)
{
    std::string text;
    if (FILE *file = fopen(path.c_str(), "r")) {
        char line[512];
        while (fgets(line, sizeof line, file) && text.size() < 4000)
            text += line;
        fclose(file);
    }
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

pid_t StartProgram(const std::vector<std::string> &args, int in, int out, int err, std::string *error)
{
    std::vector<std::string> copies = args;
    std::vector<char *> argv;
    for (std::string &arg : copies)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const int fds[] = {in, out, err};
    for (int target = 0; target < 3; target++) {
        if (fds[target] >= 0)
            posix_spawn_file_actions_adddup2(&actions, fds[target], target);
        else
            posix_spawn_file_actions_addopen(&actions, target, "/dev/null", target == 0 ? O_RDONLY : O_WRONLY, 0);
    }
    pid_t pid = -1;
    int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned == 0)
        return pid;
    *error = "cannot start " + args[0] + ": " + strerror(spawned);
    return -1;
}

int RunProgram(const std::vector<std::string> &args, std::string *out, std::string *said)
{
    out->clear();
    said->clear();
    if (Interruption()) {
        *said = "interrupted";
        return -1;
    }
    std::string logPath;
    int log = CreateTemporaryFile("heartcube-log", "", &logPath);
    if (log < 0) {
        *said = TemporaryFileError();
        return -1;
    }
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        *said = std::string("cannot make a pipe: ") + strerror(errno);
        close(log);
        unlink(logPath.c_str());
        return -1;
    }

    pid_t pid = StartProgram(args, -1, fds[1], log, said);
    close(fds[1]);
    close(log);

    int status = -1;
    if (pid >= 0) {
        char chunk[4096];
        ssize_t got;
        bool stopped = false;
        while ((got = read(fds[0], chunk, sizeof chunk)) != 0) {
            if (got > 0) {
                out->append(chunk, size_t(got));
            } else if (errno != EINTR) {
                break;
            } else if (Interruption() && !stopped) {
                kill(pid, SIGTERM);
                stopped = true;
            }
        }
        int waited = 0;
        while (waitpid(pid, &waited, 0) < 0 && errno == EINTR) {
        }
        status = WIFEXITED(waited) ? WEXITSTATUS(waited) : 128 + (WIFSIGNALED(waited) ? WTERMSIG(waited) : 0);
        *said = ReadLog(logPath);
    }
    close(fds[0]);
    unlink(logPath.c_str());
    return status;
}
