// heartcube-tga from the outside: what it prints, what it writes, its exit status.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "picture_files.h"
#include "test_folder.h"

namespace {

struct ToolRun {
    int status = -1;
    std::string out;
};

// Runs the tool with these arguments; stderr goes to the test's own.
ToolRun RunTool(const std::string &arguments)
{
    ToolRun run;
    const std::string command = std::string(HEARTCUBE_TGA_TOOL) + " " + arguments;
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buffer[256];
    for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        run.out.append(buffer, got);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string ReadWhole(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

TEST(TgaTool, PrintsSizeAndFormatAndWritesTheTopRowFirst)
{
    // 3x2 RGB: the file's last row (the top) comes first in the PAM.
    std::vector<unsigned char> bytes = TgaHeaderBytes(0, 2, 0, 0, 3, 2, 24);
    for (int i = 0; i < 18; i++)
        bytes.push_back(static_cast<unsigned char>(i));
    const std::string path = WriteTestFile("small.tga", bytes);

    ToolRun run = RunTool(path);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "4x2 3 RGB\n");

    run = RunTool("--no-resample " + path + " " + path + ".pam");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "3x2 3 RGB\n");
    const std::string header = "P7\nWIDTH 3\nHEIGHT 2\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n";
    const std::string pixels = {11, 10, 9, 14, 13, 12, 17, 16, 15, 2, 1, 0, 5, 4, 3, 8, 7, 6};
    EXPECT_EQ(ReadWhole(path + ".pam"), header + pixels);

    Picture grey = MakePicture(5, 5, 1, 1);
    run = RunTool(WriteTestFile("grey.tga", Encode(grey, {11, 8, 0, false, false, ""})) + " " + path + ".png");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "8x8 1 LUMINANCE\n");
    EXPECT_EQ(ReadWhole(path + ".png").substr(1, 3), "PNG");
}

TEST(TgaTool, ThirtyTwoBitColourMapComesOutWhole)
{
    // Two 4-byte entries (blue, green, red, alpha) and two pixels picking them.
    std::vector<unsigned char> bytes = TgaHeaderBytes(1, 1, 2, 32, 2, 1, 8);
    bytes.insert(bytes.end(), {10, 20, 30, 40, 50, 60, 70, 80, 1, 0});
    const std::string path = WriteTestFile("map32.tga", bytes);
    ToolRun run = RunTool("--no-resample " + path + " " + path + ".pam");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "2x1 4 RGBA\n");
    const std::string header = "P7\nWIDTH 2\nHEIGHT 1\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    EXPECT_EQ(ReadWhole(path + ".pam"), header + std::string({70, 60, 50, 80, 30, 20, 10, 40}));
}

TEST(TgaTool, ExitStatusTellsRefusalsFromUsageErrors)
{
    const std::string good = WriteTestFile("good.tga", Encode(MakePicture(2, 2, 4, 2), {2, 32, 0, false, false, ""}));
    const std::string deep = WriteTestFile("deep.tga", TgaHeaderBytes(0, 2, 0, 0, 2, 2, 16));
    // A pipe is refused at once, not waited on.
    const std::string pipe = TestFolder() + "/pipe.tga";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    // clang-format off
    const struct { std::string arguments; int status; } cases[] = {
        {"--help", 0},
        {good, 0},
        {deep, 1},
        {pipe, 1},
        {good + "-missing", 1},
        {good + " " + testing::TempDir() + "/no/such/folder/out.png", 1},
        {"", 2},
        {"--sharpen " + good, 2},
        {good + " out.bmp", 2},
        {good + " a.png b.png", 2},
    };
    // clang-format on
    for (const auto &c : cases)
        EXPECT_EQ(RunTool(c.arguments + " 2>/dev/null").status, c.status) << c.arguments;
    EXPECT_NE(RunTool("--help").out.find("usage: heartcube-tga [--no-resample] IN.tga"), std::string::npos);
}

} // namespace
