#include "session/bests.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "session/files.h"

namespace vexlot {

Bests Bests::merged(const Bests& o) const {
    return {std::max(downed, o.downed), std::max(events, o.events), std::max(frames, o.frames)};
}

std::string formatBests(const Bests& b) {
    std::ostringstream o;
    o << "# Vexlot: the best of each goal in a game of one\n";
    o << "downed = " << b.downed << "\nevents = " << b.events << "\nframes = " << b.frames << "\n";
    return o.str();
}

Bests parseBests(const std::string& text) {
    Bests b;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const auto eq = line.find(" = ");
        const std::string name = eq == std::string::npos ? "" : line.substr(0, eq);
        const std::string value = eq == std::string::npos ? "" : line.substr(eq + 3);
        int* field = name == "downed" ? &b.downed : name == "events" ? &b.events : name == "frames" ? &b.frames : nullptr;
        char* end = nullptr;
        const long n = value.empty() ? -1 : std::strtol(value.c_str(), &end, 10);
        const long most = name == "events" ? 6 : 100000000L;
        if (!field || value.empty() || *end || n < 0 || n > most)
            throw std::runtime_error("line " + std::to_string(number) + " is not 'downed|events|frames = N'");
        *field = static_cast<int>(n);
    }
    return b;
}

Bests loadBests(const std::string& folder, std::string& problem) {
    const std::string path = folder + "/" + kBestsFile;
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, ec))) return {};
    std::string text;
    try {
        text = readInputFile(path, 4096);
        return parseBests(text);
    } catch (const std::exception& e) {
        problem = (text.empty() ? std::string() : path + ": ") + e.what() + " (the best goals start again)";
        return {};
    }
}

bool saveBests(const std::string& folder, const Bests& b, std::string& why) {
    return replaceFile(folder, kBestsFile, formatBests(b), why);
}

}  // namespace vexlot
