// Files the game reads and writes: inputs read with a size limit, outputs checked before the first
// frame, recordings written a whole line at a time and kept readable when a write fails, new files
// created under names of their own without following or overwriting anything.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "session/script.h"

namespace vexlot {

constexpr std::size_t kScriptLimit = 64u << 20;  // scripts and replays: 64 MiB, years of play
constexpr std::size_t kLevelLimit = 8u << 20;    // level pictures: 8 MiB (the built-in one is 40 KB)

// The whole of a regular file of at most `limit` bytes; throws std::runtime_error naming the file
// and why not (a folder, a device, too big, unreadable).
std::string readInputFile(const std::string& path, std::size_t limit);

struct NamedPath {
    std::string option;  // as the user gave it: "--dump"
    std::string path;
};
// Refuses, naming the files, two outputs on one file, an output on an input, and an output that
// cannot be written (with the system's reason); an existing output file is left as it was.
void checkOutputs(const std::vector<NamedPath>& outputs, const std::vector<NamedPath>& inputs);

// Appends whole lines to a file, flushed one by one. The first failed write stops it: the file is cut
// back to its last complete line and error() says why; later lines are dropped.
class LineFile : public LineOutput {
public:
    LineFile() = default;
    // Opens `path` for writing (truncated), or adopts an open descriptor.
    static LineFile create(const std::string& path);
    static LineFile adopt(int fd, std::string path);
    LineFile(LineFile&& other) noexcept;
    LineFile& operator=(LineFile&& other) noexcept;
    ~LineFile() override;

    void writeLine(const std::string& line) override;
    bool ok() const { return fd_ >= 0 && error_.empty(); }
    // Empty while all is well; otherwise "recording to FILE stopped: REASON" or why it never opened.
    const std::string& error() const { return error_; }
    const std::string& path() const { return path_; }
    // Closes the file; false when a write failed.
    bool close();

private:
    int fd_ = -1;
    std::string path_;
    std::string error_;
    int64_t written_ = 0;  // bytes of complete lines
};

// Writes a whole file at once, replacing it; throws std::runtime_error naming it and the reason.
void writeOutputFile(const std::string& path, const std::string& bytes);

// A new file in `folder` named STEM-YYYYMMDD-HHMMSS-N.EXT (local time, the first free N), created
// exclusively and never through a symlink. Returns its descriptor and path; throws when it cannot.
struct NewFile {
    int fd = -1;
    std::string path;
};
NewFile createUnique(const std::string& folder, const std::string& stem, const std::string& ext);

// Writes `bytes` into a file createUnique made and closes it; throws naming the file and the reason.
void writeNewFile(NewFile& file, const std::string& bytes);

// The user's data folder for recordings and screenshots: $XDG_DATA_HOME/vexlot or
// ~/.local/share/vexlot, created (0700) when missing. Without a usable one: nullopt and `why`.
std::optional<std::string> dataFolder(std::string& why);

// Makes `folder`/`name` hold `bytes`, replacing it in one step: written to a new file of its own
// (created exclusively), then renamed over the name, so a crash leaves the old file or the new one
// and a file or symlink planted under that name is replaced, never written through.
bool replaceFile(const std::string& folder, const std::string& name, const std::string& bytes, std::string& why);

// Makes `folder`/latest.replay a copy of `finished` (a complete recording), replacing it in one
// step: a file or symlink planted under that name is replaced, never written through.
bool publishLatest(const std::string& folder, const std::string& finished, std::string& why);

}  // namespace vexlot
