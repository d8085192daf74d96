#include "net/snapshot.h"

#include <algorithm>
#include <cstring>

namespace vexlot::net {

// The state after one frame: everything in Game but the world's pixels, and the undo log of the
// blocks the frame painted.
struct SnapshotRing::Entry {
    int32_t frame = -1;

    std::vector<uint32_t> blocks;  // painted by this frame (since the previous save)
    std::vector<int32_t> before;   // their pixels before it, kBlockPixels per block

    // Surface fields other than the pixels.
    int32_t backColor = 0, foreColor = 0;
    int16_t drawWidth = 1;
    float currentX = 0, currentY = 0;

    float picbackLeft = 0, picbackTop = 0;
    std::array<Guy, kMaxGuys + 1> guyTable{};
    std::array<ControlTable, 13> controls{};
    int16_t lastGuy = 0, scrollStage = 0, soundOn = 0;
    double pi = 0;
    float speedFactor = 0;
    std::array<Rock, kMaxRocks + 1> rockTable{};
    int16_t rockCount = 0;
    std::vector<Rocket> rockets;  // slots 0 .. max(1, rocketCount)
    std::array<int16_t, kMaxRockets + 1> rocketPartCount{};
    int16_t rocketCount = 0;
    std::array<Blast, kMaxBlasts + 1> blastTable{};
    int16_t blastCount = 0;
    std::array<Shrapnel, kMaxShrapnel + 1> shrapnelTable{};
    int16_t shrapnelCount = 0;
    Gauge life;
    std::array<Gauge, 10> ammo{};
    std::string ammolbl, Label1, xlbl, ylbl;
    bool Frame1Visible = false, Frame2Visible = false, Timer1Enabled = false;
    int16_t selectedOption = 0;
    Rng rng;
    int16_t players = 1;
    std::array<int16_t, 10> secondAmmo{};
    int16_t versus = 0, duel = 0;
    bool ended = false;
};

namespace {

// The per-guy control tables in one fixed order, for copying them as a group.
template <typename G>
auto controlTables(G& g) {
    return std::array{&g.keyLeft, &g.keyRight, &g.facing,  &g.keyUp,   &g.keyDown, &g.clingLeft, &g.clingRight,
                      &g.keyFire, &g.aimInc,   &g.aimDec,  &g.spin,    &g.hitCount, &g.dropDone};
}

// Every field of Game but the surface, the control tables and the rocket table, which save and restore
// copy their own way; one list for both directions. A new field of Game changes its size: this list
// takes the new field, then the size below.
static_assert(sizeof(Game) == 3151632, "Game changed: copy the new field in copyFields, then update this size");

template <typename From, typename To>
void copyFields(const From& f, To& t) {
    t.picbackLeft = f.picbackLeft;
    t.picbackTop = f.picbackTop;
    t.guyTable = f.guyTable;
    t.lastGuy = f.lastGuy;
    t.scrollStage = f.scrollStage;
    t.soundOn = f.soundOn;
    t.pi = f.pi;
    t.speedFactor = f.speedFactor;
    t.rockTable = f.rockTable;
    t.rockCount = f.rockCount;
    t.rocketPartCount = f.rocketPartCount;
    t.rocketCount = f.rocketCount;
    t.blastTable = f.blastTable;
    t.blastCount = f.blastCount;
    t.shrapnelTable = f.shrapnelTable;
    t.shrapnelCount = f.shrapnelCount;
    t.life = f.life;
    t.ammo = f.ammo;
    t.ammolbl = f.ammolbl;
    t.Label1 = f.Label1;
    t.xlbl = f.xlbl;
    t.ylbl = f.ylbl;
    t.Frame1Visible = f.Frame1Visible;
    t.Frame2Visible = f.Frame2Visible;
    t.Timer1Enabled = f.Timer1Enabled;
    t.selectedOption = f.selectedOption;
    t.rng = f.rng;
    t.players = f.players;
    t.secondAmmo = f.secondAmmo;
    t.versus = f.versus;
    t.duel = f.duel;
    t.frame = f.frame;
    t.ended = f.ended;
}

int usedRocketSlots(const Game& game) { return std::clamp<int>(game.rocketCount, 1, kMaxRockets) + 1; }

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

void SnapshotRing::save(Game& game) {
    Surface& s = game.picback;
    const int32_t frame = game.frame;
    const size_t surfacePixels = static_cast<size_t>(s.widthPx()) * s.heightPx();
    if (newest_ < 0 || frame != newest_ + 1 || shadow_.size() != surfacePixels) {
        // A fresh start: the shadow is the whole surface, and this frame has nothing to undo.
        clear();
        shadow_.assign(s.pixels(), s.pixels() + surfacePixels);
        s.clearDirty();
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

    e.backColor = s.backColor;
    e.foreColor = s.foreColor;
    e.drawWidth = s.drawWidth;
    e.currentX = s.currentX;
    e.currentY = s.currentY;
    copyFields(game, e);
    const auto from = controlTables(game);
    for (size_t t = 0; t < from.size(); ++t) e.controls[t] = *from[t];
    e.rockets.assign(game.rocketTable.begin(), game.rocketTable.begin() + usedRocketSlots(game));
    newest_ = frame;
}

void SnapshotRing::undo(Game& game, const Entry& e) {
    Surface& s = game.picback;
    for (size_t k = 0; k < e.blocks.size(); ++k) {
        const uint32_t b = e.blocks[k];
        const size_t offset = s.blockOffset(b);
        const size_t n = static_cast<size_t>(s.blockLength(b));
        std::memcpy(s.blockPixels(b), &e.before[k * Surface::kBlockPixels], n * sizeof(int32_t));
        std::memcpy(&shadow_[offset], &e.before[k * Surface::kBlockPixels], n * sizeof(int32_t));
    }
}

void SnapshotRing::restore(Game& game, int32_t frame) {
    Surface& s = game.picback;
    // What was painted after the newest save goes back to the shadow, then each newer frame is
    // undone, newest first, until the surface and the shadow are as they were after `frame`.
    for (uint32_t b : s.dirtyBlocks()) {
        std::memcpy(s.blockPixels(b), &shadow_[s.blockOffset(b)], static_cast<size_t>(s.blockLength(b)) * sizeof(int32_t));
    }
    s.clearDirty();
    for (int32_t f = newest_; f > frame; --f) undo(game, at(f));
    newest_ = frame;

    const Entry& e = at(frame);
    s.backColor = e.backColor;
    s.foreColor = e.foreColor;
    s.drawWidth = e.drawWidth;
    s.currentX = e.currentX;
    s.currentY = e.currentY;
    copyFields(e, game);
    const auto to = controlTables(game);
    for (size_t t = 0; t < to.size(); ++t) *to[t] = e.controls[t];
    std::copy(e.rockets.begin(), e.rockets.end(), game.rocketTable.begin());
}

}  // namespace vexlot::net
