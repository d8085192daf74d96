#include "session/snapshot.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "core/fields.h"

namespace vexlot {

// The state after one frame: every field of the game's field list but the world's pixels, as
// bytes, and the undo log of the blocks the frame painted.
struct SnapshotRing::Entry {
    int32_t frame = -1;
    std::vector<uint32_t> blocks;  // painted by this frame (since the previous save)
    std::vector<int32_t> before;   // their pixels before it, kBlockPixels per block
    std::vector<unsigned char> fields;
};

namespace {

// Walks the field list copying each field into the entry's bytes, or back out of them: one list
// for both directions. Tables are copied as whole rows (their kept slots), strings by length.
template <bool Saving>
struct Copier {
    std::vector<unsigned char>& bytes;
    size_t at = 0;

    void raw(void* p, size_t n) {
        if constexpr (Saving) {
            bytes.insert(bytes.end(), static_cast<unsigned char*>(p), static_cast<unsigned char*>(p) + n);
        } else {
            std::memcpy(p, bytes.data() + at, n);
            at += n;
        }
    }
    template <typename T>
    void field(const char*, T& value, bool = true) {
        if constexpr (std::is_same_v<T, std::string>) {
            uint32_t n = static_cast<uint32_t>(value.size());
            raw(&n, sizeof n);
            if constexpr (Saving) {
                bytes.insert(bytes.end(), value.begin(), value.end());
            } else {
                value.assign(reinterpret_cast<const char*>(bytes.data() + at), n);
                at += n;
            }
        } else {
            static_assert(std::is_trivially_copyable_v<T>);
            raw(&value, sizeof value);
        }
    }
    void constant(const char*, int16_t) {}
    template <typename A>
    void array(const char*, A& a, size_t = 0, size_t = 0, bool = true) {
        raw(&a, sizeof a);
    }
    void group(const char*) {}
    void endGroup() {}
    template <typename R>
    void record(const char*, R& r) {
        raw(&r, sizeof r);
    }
    template <typename R, size_t N>
    void table(const char*, std::array<R, N>& t, int, int, int kept) {
        raw(t.data(), sizeof(R) * static_cast<size_t>(kept));
    }
    template <size_t N>
    void rockets(const char*, std::array<Rocket, N>& t, std::array<int16_t, N>& parts, int, int kept) {
        raw(parts.data(), sizeof parts);
        raw(t.data(), sizeof(Rocket) * static_cast<size_t>(kept));
    }
    void surface(const char*, Surface&) {}  // the undo log keeps the pixels
};

// The session's own state of a frame, after the game's.
template <typename V>
void visitSession(Game& game, SessionFrame& frame, V& v) {
    visitGame(game, v);
    v.field("secondViewLeft", frame.secondViewLeft);
}

}  // namespace

SnapshotRing::SnapshotRing(int capacity) {
    entries_.resize(static_cast<size_t>(std::max(capacity, 1)));
    for (auto& e : entries_) e = std::make_unique<Entry>();
}

SnapshotRing::~SnapshotRing() = default;

SnapshotRing::Entry& SnapshotRing::at(int32_t frame) {
    return *entries_[static_cast<size_t>(frame) % entries_.size()];
}

int32_t SnapshotRing::newest() const { return newest_; }
int32_t SnapshotRing::oldest() const { return oldest_; }

bool SnapshotRing::has(int32_t frame) const {
    return oldest_ >= 0 && frame >= oldest_ && frame <= newest_;
}

void SnapshotRing::clear() { oldest_ = newest_ = -1; }

void SnapshotRing::save(Game& game, SessionFrame& state) {
    Surface& s = game.picback;
    const int32_t frame = game.frame;
    const size_t surfacePixels = static_cast<size_t>(s.widthPx()) * s.heightPx();
    if (newest_ < 0 || frame != newest_ + 1 || shadow_.size() != surfacePixels || !s.tracksDirty()) {
        // A fresh start: the shadow is the whole surface, and this frame has nothing to undo.
        clear();
        shadow_.assign(s.pixels(), s.pixels() + surfacePixels);
        s.trackDirty(true);
        oldest_ = frame;
    } else if (newest_ - oldest_ + 1 == static_cast<int32_t>(entries_.size())) {
        ++oldest_;  // the oldest frame's slot is the one reused now
    }
    Entry& e = at(frame);
    e.frame = frame;

    // The undo log: each block painted since the last save as the shadow has it, then the shadow
    // takes the block's new pixels.
    const auto dirty = s.dirtyBlocks();
    e.blocks.assign(dirty.begin(), dirty.end());
    e.before.resize(dirty.size() * Surface::kBlockPixels);
    for (size_t k = 0; k < dirty.size(); ++k) {
        const uint32_t b = dirty[k];
        const size_t offset = s.blockOffset(b);
        const size_t n = static_cast<size_t>(s.blockLength(b));
        std::memcpy(&e.before[k * Surface::kBlockPixels], &shadow_[offset], n * sizeof(int32_t));
        std::memcpy(&shadow_[offset], s.blockPixels(b), n * sizeof(int32_t));
    }
    lastSaveBlocks_ = dirty.size();
    s.clearDirty();

    e.fields.clear();
    Copier<true> save{e.fields};
    visitSession(game, state, save);
    newest_ = frame;
}

void SnapshotRing::undo(Surface& s, const Entry& e) {
    for (size_t k = 0; k < e.blocks.size(); ++k) {
        const uint32_t b = e.blocks[k];
        const size_t offset = s.blockOffset(b);
        const size_t n = static_cast<size_t>(s.blockLength(b));
        std::memcpy(s.blockPixels(b), &e.before[k * Surface::kBlockPixels], n * sizeof(int32_t));
        std::memcpy(&shadow_[offset], &e.before[k * Surface::kBlockPixels], n * sizeof(int32_t));
    }
}

void SnapshotRing::restore(Game& game, SessionFrame& state, int32_t frame) {
    Surface& s = game.picback;
    // What was painted after the newest save goes back to the shadow, then each newer frame is
    // undone, newest first, until the surface and the shadow are as they were after `frame`.
    for (uint32_t b : s.dirtyBlocks()) {
        std::memcpy(s.blockPixels(b), &shadow_[s.blockOffset(b)], static_cast<size_t>(s.blockLength(b)) * sizeof(int32_t));
    }
    s.clearDirty();
    for (int32_t f = newest_; f > frame; --f) undo(s, at(f));
    newest_ = frame;

    Entry& e = at(frame);
    SoundSink* sounds = game.soundSink;
    Copier<false> load{e.fields};
    visitSession(game, state, load);
    game.soundSink = sounds;
}

}  // namespace vexlot
