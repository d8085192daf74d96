// The state dump, the state hash and the comparison of two states: three walks of the game's one
// field list (core/fields.h).
#include "session/dump.h"

#include <cinttypes>
#include <cstring>
#include <type_traits>

#define XXH_INLINE_ALL
#include <xxhash.h>

#include "core/fields.h"
#include "session/json.h"

namespace vexlot {

namespace {

// The dump: every field by its name, tables as arrays of the rows in use.
struct JsonVisitor {
    JsonWriter& j;
    const char* inArray = nullptr;  // array elements have no keys

    template <typename T>
    void field(const char* name, const T& value, bool dumped = true) {
        if (!dumped) return;
        if constexpr (std::is_same_v<T, uint64_t>) {
            char hex[24];
            std::snprintf(hex, sizeof hex, "%016" PRIx64, value);
            j.value(name, std::string(hex));
        } else {
            j.value(name, value);
        }
    }
    void constant(const char* name, int16_t value) { j.value(name, value); }
    template <typename T, size_t N>
    void array(const char* name, const std::array<T, N>& a, size_t first = 0, size_t last = N - 1, bool dumped = true) {
        if (dumped) elements(name, a.data(), first, last);
    }
    template <typename T, size_t N>
    void array(const char* name, const T (&a)[N], size_t first, size_t last) {
        elements(name, a, first, last);
    }
    template <typename T>
    void elements(const char* name, const T* a, size_t first, size_t last) {
        j.beginArray(name);
        for (size_t i = first; i <= last; ++i) j.value(nullptr, a[i]);
        j.endArray();
    }
    void group(const char* name) { j.beginObject(name); }
    void endGroup() { j.endObject(); }
    template <typename R>
    void record(const char* name, const R& r) {
        j.beginObject(name);
        visitRecord(*this, r);
        j.endObject();
    }
    template <typename R, size_t N>
    void table(const char* name, const std::array<R, N>& t, int first, int last, int) {
        j.beginArray(name);
        for (int i = first; i <= last; ++i) record(nullptr, t[static_cast<size_t>(i)]);
        j.endArray();
    }
    template <size_t N>
    void rockets(const char* name, const std::array<Rocket, N>& t, const std::array<int16_t, N>& parts, int count, int) {
        j.beginArray(name);
        for (int i = 1; i <= count; ++i) record(nullptr, RocketRow{t[static_cast<size_t>(i)], parts[static_cast<size_t>(i)]});
        j.endArray();
    }
    void surface(const char* name, const Surface& s) {
        char hash[24];
        std::snprintf(hash, sizeof hash, "%016" PRIx64, s.hash());
        j.value(name, std::string(hash));
    }
};

// The hash's bytes: every field and every kept row, field by field (no padding), in list order.
// With `labels`, each field's name and where its bytes start, to say where two states differ.
struct ByteVisitor {
    std::string& out;
    std::vector<std::pair<size_t, std::string>>* labels = nullptr;
    std::string path;

    void label(const char* name) {
        if (labels) labels->emplace_back(out.size(), path + name);
    }
    template <typename T>
    void bytes(const T& v) {
        static_assert(std::is_arithmetic_v<T>);
        const size_t at = out.size();
        out.resize(at + sizeof(T));
        std::memcpy(&out[at], &v, sizeof(T));
    }
    template <typename T>
    void field(const char* name, const T& value, bool = true) {
        label(name);
        if constexpr (std::is_same_v<T, std::string>) {
            bytes(static_cast<uint32_t>(value.size()));
            out += value;
        } else {
            bytes(value);
        }
    }
    void constant(const char*, int16_t) {}
    template <typename T, size_t N>
    void array(const char* name, const std::array<T, N>& a, size_t = 0, size_t = N - 1, bool = true) {
        label(name);
        for (const T& v : a) bytes(v);
    }
    template <typename T, size_t N>
    void array(const char* name, const T (&a)[N], size_t, size_t) {
        label(name);
        for (const T& v : a) bytes(v);
    }
    void group(const char* name) {
        if (labels) path += std::string(name) + ".";
    }
    void endGroup() {
        if (labels) path.erase(path.find_last_of('.', path.size() - 2) == std::string::npos ? 0 : path.find_last_of('.', path.size() - 2) + 1);
    }
    template <typename R>
    void record(const char* name, const R& r) {
        if (!labels) return visitRecord(*this, r);
        const std::string outer = path;
        path += std::string(name) + ".";
        visitRecord(*this, r);
        path = outer;
    }
    template <typename R, size_t N>
    void table(const char* name, const std::array<R, N>& t, int, int, int kept) {
        for (int i = 0; i < kept; ++i) record(labels ? (std::string(name) + "[" + std::to_string(i) + "]").c_str() : name, t[static_cast<size_t>(i)]);
    }
    template <size_t N>
    void rockets(const char* name, const std::array<Rocket, N>& t, const std::array<int16_t, N>& parts, int, int kept) {
        for (int i = 0; i < kept; ++i) {
            const std::string row = labels ? std::string(name) + "[" + std::to_string(i) + "]" : name;
            record(row.c_str(), RocketRow{t[static_cast<size_t>(i)], parts[static_cast<size_t>(i)]});
        }
    }
    void surface(const char*, const Surface&) {}  // hashed on its own, and compared pixel by pixel
};

std::string stateBytes(const Game& game, std::vector<std::pair<size_t, std::string>>* labels = nullptr) {
    std::string out;
    out.reserve(1 << 20);
    ByteVisitor v{out, labels, {}};
    visitGame(game, v);
    return out;
}

}  // namespace

uint64_t surfaceHash(const Surface& s) {
    return XXH3_64bits(s.pixels(), static_cast<size_t>(s.widthPx()) * s.heightPx() * sizeof(int32_t));
}

std::string dumpJson(const Game& game, const SoundLog& sounds, bool oneLine) {
    JsonWriter j(oneLine);
    j.beginObject();
    JsonVisitor v{j};
    visitGame(game, v);
    j.beginArray("sounds");
    for (const auto& s : sounds.entries) {
        j.beginObject();
        j.value("frame", s.frame);
        j.value("file", s.file);
        j.endObject();
    }
    j.endArray();
    j.endObject();
    return j.str();
}

uint64_t stateHash(const Game& game) {
    thread_local std::string bytes;
    bytes.clear();
    ByteVisitor v{bytes, nullptr, {}};
    visitGame(game, v);
    return XXH3_64bits_withSeed(bytes.data(), bytes.size(), surfaceHash(game.picback));
}

std::string firstDifference(const Game& a, const Game& b) {
    std::vector<std::pair<size_t, std::string>> labels;
    const std::string x = stateBytes(a, &labels), y = stateBytes(b);
    const size_t n = std::min(x.size(), y.size());
    size_t at = 0;
    while (at < n && x[at] == y[at]) ++at;
    if (at < n || x.size() != y.size()) {
        std::string name = "?";
        for (const auto& [offset, label] : labels) {
            if (offset > at) break;
            name = label;
        }
        return name;
    }
    const Surface &s = a.picback, &t = b.picback;
    if (s.widthPx() != t.widthPx() || s.heightPx() != t.heightPx()) return "surface size";
    for (int py = 0; py < s.heightPx(); ++py)
        for (int px = 0; px < s.widthPx(); ++px)
            if (s.pixelAt(px, py) != t.pixelAt(px, py))
                return "surface pixel (" + std::to_string(px) + ", " + std::to_string(py) + ")";
    return "";
}

}  // namespace vexlot
