// Every seed of every fuzz target's corpus goes through its target: CI exercises the
// targets (and the findings kept as seeds) without clang.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>

#include "fuzz/FuzzTargets.h"
#include "support/Files.h"

namespace pixtrim {
namespace {

namespace fs = std::filesystem;

class FuzzReplayTest : public testing::TestWithParam<std::string> {};

TEST_P(FuzzReplayTest, EverySeedPasses) {
    const auto target = fuzz::TargetNamed(GetParam());
    ASSERT_NE(target, nullptr);
    int seeds = 0;
    for (const auto& seed : fs::directory_iterator(fs::path(PIXTRIM_FUZZ_CORPUS) / GetParam())) {
        // Named before it runs: a seed that aborts its target says which it is.
        std::cerr << "seed " << seed.path().string() << std::endl;
        const std::string bytes = test::FileBytes(seed.path());
        EXPECT_EQ(target(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), 0);
        ++seeds;
    }
    EXPECT_GT(seeds, 0);
}

// One target per seed corpus folder: the folders are the list.
std::vector<std::string> Corpora() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(PIXTRIM_FUZZ_CORPUS))
        if (entry.is_directory()) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplayTest, testing::ValuesIn(Corpora()),
                         [](const auto& row) { return row.param; });

}  // namespace
}  // namespace pixtrim
