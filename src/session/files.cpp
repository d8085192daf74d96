#include "session/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <stdexcept>

namespace vexlot {

namespace fs = std::filesystem;

namespace {

std::string reason(int error) { return std::strerror(error); }

std::string sizeText(uint64_t bytes) {
    if (bytes >= (1u << 20)) return std::to_string(bytes >> 20) + " MiB";
    if (bytes >= 1024) return std::to_string(bytes >> 10) + " KiB";
    return std::to_string(bytes) + " bytes";
}

// Writes all of `bytes`; false with errno set when the system took less.
bool writeAll(int fd, const char* bytes, size_t size, size_t& done) {
    done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// The same file for two names: the same device and inode when it exists, else the same absolute
// path with every symlink of the existing part resolved.
struct Identity {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    std::string path;
    bool operator==(const Identity& o) const { return exists == o.exists && (exists ? dev == o.dev && ino == o.ino : path == o.path); }
};
Identity identityOf(const std::string& path) {
    Identity id;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        id.exists = true;
        id.dev = st.st_dev;
        id.ino = st.st_ino;
        return id;
    }
    std::error_code ec;
    id.path = fs::weakly_canonical(fs::absolute(path, ec), ec).string();
    return id;
}

}  // namespace

std::string readInputFile(const std::string& path, std::size_t limit) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) throw std::runtime_error("cannot read " + path + ": " + reason(errno));
    if (S_ISDIR(st.st_mode)) throw std::runtime_error("cannot read " + path + ": it is a folder, not a file");
    if (!S_ISREG(st.st_mode)) throw std::runtime_error("cannot read " + path + ": it is not a regular file");
    if (static_cast<uint64_t>(st.st_size) > limit)
        throw std::runtime_error(path + " is " + sizeText(static_cast<uint64_t>(st.st_size)) +
                                 ", more than the " + sizeText(limit) + " such a file may have");
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("cannot read " + path + ": " + reason(errno));
    std::string bytes;
    bytes.resize(static_cast<size_t>(st.st_size) + 1);  // one more: a file that grew is noticed
    size_t got = 0;
    for (;;) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int e = errno;
            ::close(fd);
            throw std::runtime_error("cannot read " + path + ": " + reason(e));
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
        if (got == bytes.size()) {
            if (bytes.size() > limit) {
                ::close(fd);
                throw std::runtime_error(path + " grew past the " + sizeText(limit) + " such a file may have");
            }
            bytes.resize(std::min(bytes.size() * 2, limit + 1));
        }
    }
    ::close(fd);
    bytes.resize(got);
    return bytes;
}

void checkOutputs(const std::vector<NamedPath>& outputs, const std::vector<NamedPath>& inputs) {
    std::vector<std::pair<Identity, const NamedPath*>> seen;
    for (const NamedPath& in : inputs)
        if (!in.path.empty()) seen.push_back({identityOf(in.path), &in});
    const size_t inputCount = seen.size();
    for (const NamedPath& out : outputs) {
        if (out.path.empty()) continue;
        const Identity id = identityOf(out.path);
        for (size_t k = 0; k < seen.size(); ++k) {
            if (!(seen[k].first == id)) continue;
            const NamedPath& other = *seen[k].second;
            throw std::runtime_error(out.option + " " + out.path + " is the same file as " + other.option + " " +
                                     other.path +
                                     (k < inputCount ? ": an output may not overwrite an input"
                                                     : ": two outputs may not share a file"));
        }
        seen.push_back({id, &out});
        // Writable? Open without truncating; a file made only for this check is removed again.
        const bool existed = id.exists;
        const int fd = ::open(out.path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) throw std::runtime_error(out.option + ": cannot write " + out.path + ": " + reason(errno));
        ::close(fd);
        if (!existed) ::unlink(out.path.c_str());
    }
}

LineFile LineFile::create(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    LineFile f = adopt(fd, path);
    if (fd < 0) f.error_ = "cannot write " + path + ": " + reason(errno);
    return f;
}

LineFile LineFile::adopt(int fd, std::string path) {
    LineFile f;
    f.fd_ = fd;
    f.path_ = std::move(path);
    return f;
}

LineFile::LineFile(LineFile&& other) noexcept { *this = std::move(other); }

LineFile& LineFile::operator=(LineFile&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.fd_;
        path_ = std::move(other.path_);
        error_ = std::move(other.error_);
        written_ = other.written_;
        other.fd_ = -1;
    }
    return *this;
}

LineFile::~LineFile() { close(); }

void LineFile::writeLine(const std::string& line) {
    if (!ok()) return;
    const std::string bytes = line + "\n";
    size_t done = 0;
    if (writeAll(fd_, bytes.data(), bytes.size(), done)) {
        written_ += static_cast<int64_t>(bytes.size());
        return;
    }
    const int e = errno;
    error_ = "recording to " + path_ + " stopped: " + reason(e);
    if (done > 0 && ::ftruncate(fd_, written_) != 0) error_ += " (and the last line could not be taken back)";
}

bool LineFile::close() {
    if (fd_ >= 0) {
        if (::close(fd_) != 0 && error_.empty()) error_ = "recording to " + path_ + " stopped: " + reason(errno);
        fd_ = -1;
    }
    return error_.empty();
}

void writeOutputFile(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) throw std::runtime_error("cannot write " + path + ": " + reason(errno));
    size_t done = 0;
    const bool ok = writeAll(fd, bytes.data(), bytes.size(), done);
    const int e = errno;
    if (::close(fd) != 0 && ok) throw std::runtime_error("cannot write " + path + ": " + reason(errno));
    if (!ok) throw std::runtime_error("cannot write " + path + ": " + reason(e));
}

NewFile createUnique(const std::string& folder, const std::string& stem, const std::string& ext) {
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    for (int n = 1; n <= 1000; ++n) {
        const std::string path = folder + "/" + stem + "-" + stamp + "-" + std::to_string(n) + "." + ext;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd >= 0) return {fd, path};
        if (errno != EEXIST) throw std::runtime_error("cannot create " + path + ": " + reason(errno));
    }
    throw std::runtime_error("cannot create a new file in " + folder + ": a thousand names taken this second");
}

void writeNewFile(NewFile& file, const std::string& bytes) {
    size_t done = 0;
    const bool ok = writeAll(file.fd, bytes.data(), bytes.size(), done);
    const int e = errno;
    const bool closed = ::close(file.fd) == 0;
    file.fd = -1;
    if (!ok || !closed) throw std::runtime_error("cannot write " + file.path + ": " + reason(ok ? errno : e));
}

std::optional<std::string> dataFolder(std::string& why) {
    std::string base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/') {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
        base = std::string(home) + "/.local/share";
    } else {
        why = "no home folder (HOME and XDG_DATA_HOME are unset or not absolute)";
        return std::nullopt;
    }
    const std::string folder = base + "/vexlot";
    std::error_code ec;
    fs::create_directories(base, ec);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        why = "cannot create " + folder + ": " + reason(errno);
        return std::nullopt;
    }
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        why = folder + " is not a folder";
        return std::nullopt;
    }
    return folder;
}

bool replaceFile(const std::string& folder, const std::string& name, const std::string& bytes, std::string& why) {
    NewFile temp;
    try {
        temp = createUnique(folder, "." + name, "tmp");
    } catch (const std::exception& e) {
        why = e.what();
        return false;
    }
    size_t done = 0;
    const bool written = writeAll(temp.fd, bytes.data(), bytes.size(), done);
    const int e = errno;
    ::close(temp.fd);
    if (!written || std::rename(temp.path.c_str(), (folder + "/" + name).c_str()) != 0) {
        why = "cannot update " + folder + "/" + name + ": " + reason(written ? errno : e);
        ::unlink(temp.path.c_str());
        return false;
    }
    return true;
}

bool publishLatest(const std::string& folder, const std::string& finished, std::string& why) {
    std::string bytes;
    try {
        bytes = readInputFile(finished, kScriptLimit);
    } catch (const std::exception& e) {
        why = e.what();
        return false;
    }
    return replaceFile(folder, "latest.replay", bytes, why);
}

}  // namespace vexlot
