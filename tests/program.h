// The real program from a test: run it with arguments, read what it wrote, in a folder of the test's own.
#pragma once
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace vexlot::test {

struct RunResult {
    int status;
    std::string output;  // standard output and error
};

// Runs the program with `args` through bash; `prefix` runs first in the same shell (a ulimit, a trap).
inline RunResult run(const std::string& args, const std::string& prefix = "") {
    const std::string cmd = "bash -c '" + prefix + " exec " + VEXLOT_BINARY + " " + args + "' 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    std::string out;
    char buf[512];
    while (size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
    const int status = pclose(p);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

inline std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// A folder of the running test's own, removed afterwards.
struct TempDir {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("vexlot-" + std::to_string(::getpid()) + "-" +
                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    TempDir() { std::filesystem::create_directories(path); }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string operator/(const std::string& name) const { return (path / name).string(); }
};

}  // namespace vexlot::test
