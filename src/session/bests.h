// The best of each goal of a game of one, kept between runs in the data folder's "best" file:
// computer guys downed, level events passed and frames survived, each the best of any game (not
// necessarily the same game). Written whole in one step, as the latest replay is.
#pragma once
#include <optional>
#include <string>

namespace vexlot {

struct Bests {
    int downed = 0, events = 0, frames = 0;
    bool operator==(const Bests&) const = default;
    // Each goal the better of the two.
    Bests merged(const Bests& other) const;
};

constexpr const char* kBestsFile = "best";

std::string formatBests(const Bests& b);
// The file's text; a line that cannot be understood throws std::runtime_error naming its number.
Bests parseBests(const std::string& text);

// Reads folder/best: none yet reads as no bests; a damaged file is named in `problem` (and is
// replaced by the next save).
Bests loadBests(const std::string& folder, std::string& problem);
// Writes folder/best; false with the reason in `why`.
bool saveBests(const std::string& folder, const Bests& b, std::string& why);

}  // namespace vexlot
