// Temporary files of the tests, gone when each test ends, passed or failed.
#pragma once

#include <string>

// A folder of the running test's own in the temporary directory, made on first use
// and removed, with all it holds, when the test ends.
std::string TestFolder();
