// Inputs a fuzz target once stopped on (tests/data/fuzz/TARGET/), fed through the same entry points
// (fuzz/entries.h): each must end in a result or a std::runtime_error the entry point handles.
// scripts/fuzz.sh reads them as seeds too, so every fuzz run replays them under the sanitizers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "../fuzz/entries.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> bytesOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every saved input of one target, through its entry point.
template <typename Entry>
void replaySaved(const char* target, Entry entry) {
    const fs::path dir = fs::path(VEXLOT_SOURCE_DIR) / "tests" / "data" / "fuzz" / target;
    ASSERT_TRUE(fs::is_directory(dir)) << dir;
    for (const auto& file : fs::directory_iterator(dir)) {
        const std::vector<uint8_t> bytes = bytesOf(file.path());
        ASSERT_FALSE(bytes.empty()) << file.path();
        EXPECT_NO_THROW(entry(bytes.data(), bytes.size())) << file.path();
    }
}

}  // namespace

// empty-idat-chunk.png: a level-sized PNG whose first IDAT chunk is empty, then a broken chunk;
// idat-length-top-bit.png: an IDAT length with its top bit set (the decoder failed without a reason).
TEST(FuzzRegression, SavedLevelPictures) { replaySaved("level", vexlot::fuzz::playLevel); }
