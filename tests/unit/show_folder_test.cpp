// Where the show plays from: the folder named, the working directory, or the
// installed show.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "show/show.h"
#include "test_folder.h"

namespace {

namespace fs = std::filesystem;

// The installed show plays only where the working directory holds no part of one
// (a spoilt show keeps playing as it is, naming what it lacks), and says so.
TEST(ShowFolder, InstalledShowOnlyWhereThereIsNoneAndSaidOnce)
{
    const fs::path home = fs::current_path();
    const fs::path root = TestFolder();
    const fs::path installed = root / "installed";
    fs::create_directories(installed);
    fs::create_directories(root / "pictures-only" / "data");
    fs::create_directories(root / "music-only");
    std::ofstream(root / "music-only" / "Dezira.mp3") << "x";
    fs::create_directories(root / "empty");

    // clang-format off
    const struct { const char *from; const char *installed; fs::path expected; } cases[] = {
        {"empty", "installed", installed},
        {"empty", "not-installed", root / "empty"},
        {"pictures-only", "installed", root / "pictures-only"},
        {"music-only", "installed", root / "music-only"},
    };
    // clang-format on
    for (const auto &c : cases) {
        fs::current_path(root / c.from);
        testing::internal::CaptureStderr();
        EXPECT_EQ(EnterShowFolder(nullptr, (root / c.installed).c_str()), 1);
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(fs::current_path(), c.expected) << c.from;
        EXPECT_EQ(said,
                  c.expected == installed ? "show: playing the installed show in " + installed.string() + "\n" : "")
            << c.from;
    }
    fs::current_path(root);
    testing::internal::CaptureStderr();
    EXPECT_EQ(EnterShowFolder("music-only/Dezira.mp3", installed.c_str()), 0);
    EXPECT_NE(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(fs::current_path(), root);

    fs::current_path(home);
}

} // namespace
