#include "test_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace {

std::string s_folder; // the running test's, once made

class RemoveTestFolder : public testing::EmptyTestEventListener {
    void OnTestEnd(const testing::TestInfo &) override
    {
        if (s_folder.empty())
            return;
        std::error_code ignored;
        std::filesystem::remove_all(s_folder, ignored);
        s_folder.clear();
    }
};

} // namespace

std::string TestFolder()
{
    // GoogleTest owns its listeners; this one is told of the end of the running test too.
    static const bool listening = [] {
        testing::UnitTest::GetInstance()->listeners().Append(new RemoveTestFolder);
        return true;
    }();
    (void)listening;
    if (s_folder.empty()) {
        std::string name = (std::filesystem::path(testing::TempDir()) / "heartcube-test-XXXXXX").string();
        std::vector<char> path(name.begin(), name.end());
        path.push_back('\0');
        if (!mkdtemp(path.data()))
            ADD_FAILURE() << "cannot make a folder like " << name;
        else
            s_folder = path.data();
    }
    return s_folder;
}
