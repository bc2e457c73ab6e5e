// SPDX-License-Identifier: GPL-3.0-or-later
// Replays the inputs kept for a fuzz target (the crashes it once found, and its seeds)
// through the target's own entry point, one test per file, without libFuzzer or clang.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/fuzz/fuzzcheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace orlenda::fuzz {

// A broken invariant escapes the test body as an exception, which fails the test.
void Broken(const char* what, const char* file, int line) {
    throw std::logic_error(std::string(file) + ":" + std::to_string(line) + ": " + what);
}

namespace {

namespace fs = std::filesystem;

// The kept inputs, and those in the folder ORLENDA_REPLAY_MORE.
std::vector<fs::path> Inputs() {
    std::vector<fs::path> files;
    const char* more = std::getenv("ORLENDA_REPLAY_MORE");
    for (const char* dir : {ORLENDA_REPLAY_REGRESSIONS, ORLENDA_REPLAY_SEEDS, more ? more : ""}) {
        if (!*dir || !fs::is_directory(dir)) continue;
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
                files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string TestName(const fs::path& file) {
    std::string name = file.parent_path().filename().string() + "_" + file.filename().string();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

class Replay : public ::testing::TestWithParam<fs::path> {};

TEST_P(Replay, RunsCleanly) {
    std::ifstream in(GetParam(), std::ios::binary);
    ASSERT_TRUE(in) << GetParam();
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

INSTANTIATE_TEST_SUITE_P(Inputs, Replay, ::testing::ValuesIn(Inputs()),
                         [](const auto& info) { return TestName(info.param); });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Replay);

}  // namespace
}  // namespace orlenda::fuzz

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
