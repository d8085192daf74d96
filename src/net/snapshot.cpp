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
    int32_t gameFrame = 0;
    bool ended = false;
};

namespace {

// The per-guy control tables in one fixed order, for copying them as a group.
template <typename G>
auto controlTables(G& g) {
    return std::array{&g.keyLeft, &g.keyRight, &g.facing,  &g.keyUp,   &g.keyDown, &g.clingLeft, &g.clingRight,
                      &g.keyFire, &g.aimInc,   &g.aimDec,  &g.spin,    &g.hitCount, &g.dropDone};
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
    const int bpr = s.blocksPerRow();
    for (size_t k = 0; k < dirty.size(); ++k) {
        const uint32_t b = dirty[k];
        const size_t offset = static_cast<size_t>(b / bpr) * s.widthPx() + (static_cast<size_t>(b % bpr) << Surface::kBlockShift);
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
    e.picbackLeft = game.picbackLeft;
    e.picbackTop = game.picbackTop;
    e.guyTable = game.guyTable;
    const auto from = controlTables(game);
    for (size_t t = 0; t < from.size(); ++t) e.controls[t] = *from[t];
    e.lastGuy = game.lastGuy;
    e.scrollStage = game.scrollStage;
    e.soundOn = game.soundOn;
    e.pi = game.pi;
    e.speedFactor = game.speedFactor;
    e.rockTable = game.rockTable;
    e.rockCount = game.rockCount;
    e.rockets.assign(game.rocketTable.begin(), game.rocketTable.begin() + usedRocketSlots(game));
    e.rocketPartCount = game.rocketPartCount;
    e.rocketCount = game.rocketCount;
    e.blastTable = game.blastTable;
    e.blastCount = game.blastCount;
    e.shrapnelTable = game.shrapnelTable;
    e.shrapnelCount = game.shrapnelCount;
    e.life = game.life;
    e.ammo = game.ammo;
    e.ammolbl = game.ammolbl;
    e.Label1 = game.Label1;
    e.xlbl = game.xlbl;
    e.ylbl = game.ylbl;
    e.Frame1Visible = game.Frame1Visible;
    e.Frame2Visible = game.Frame2Visible;
    e.Timer1Enabled = game.Timer1Enabled;
    e.selectedOption = game.selectedOption;
    e.rng = game.rng;
    e.players = game.players;
    e.gameFrame = game.frame;
    e.ended = game.ended;
    newest_ = frame;
}

void SnapshotRing::undo(Game& game, const Entry& e) {
    Surface& s = game.picback;
    const int bpr = s.blocksPerRow();
    for (size_t k = 0; k < e.blocks.size(); ++k) {
        const uint32_t b = e.blocks[k];
        const size_t offset = static_cast<size_t>(b / bpr) * s.widthPx() + (static_cast<size_t>(b % bpr) << Surface::kBlockShift);
        const size_t n = static_cast<size_t>(s.blockLength(b));
        std::memcpy(s.blockPixels(b), &e.before[k * Surface::kBlockPixels], n * sizeof(int32_t));
        std::memcpy(&shadow_[offset], &e.before[k * Surface::kBlockPixels], n * sizeof(int32_t));
    }
}

void SnapshotRing::restore(Game& game, int32_t frame) {
    Surface& s = game.picback;
    // What was painted after the newest save goes back to the shadow, then each newer frame is
    // undone, newest first, until the surface and the shadow are as they were after `frame`.
    const int bpr = s.blocksPerRow();
    for (uint32_t b : s.dirtyBlocks()) {
        const size_t offset = static_cast<size_t>(b / bpr) * s.widthPx() + (static_cast<size_t>(b % bpr) << Surface::kBlockShift);
        std::memcpy(s.blockPixels(b), &shadow_[offset], static_cast<size_t>(s.blockLength(b)) * sizeof(int32_t));
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
    game.picbackLeft = e.picbackLeft;
    game.picbackTop = e.picbackTop;
    game.guyTable = e.guyTable;
    const auto to = controlTables(game);
    for (size_t t = 0; t < to.size(); ++t) *to[t] = e.controls[t];
    game.lastGuy = e.lastGuy;
    game.scrollStage = e.scrollStage;
    game.soundOn = e.soundOn;
    game.pi = e.pi;
    game.speedFactor = e.speedFactor;
    game.rockTable = e.rockTable;
    game.rockCount = e.rockCount;
    std::copy(e.rockets.begin(), e.rockets.end(), game.rocketTable.begin());
    game.rocketPartCount = e.rocketPartCount;
    game.rocketCount = e.rocketCount;
    game.blastTable = e.blastTable;
    game.blastCount = e.blastCount;
    game.shrapnelTable = e.shrapnelTable;
    game.shrapnelCount = e.shrapnelCount;
    game.life = e.life;
    game.ammo = e.ammo;
    game.ammolbl = e.ammolbl;
    game.Label1 = e.Label1;
    game.xlbl = e.xlbl;
    game.ylbl = e.ylbl;
    game.Frame1Visible = e.Frame1Visible;
    game.Frame2Visible = e.Frame2Visible;
    game.Timer1Enabled = e.Timer1Enabled;
    game.selectedOption = e.selectedOption;
    game.rng = e.rng;
    game.players = e.players;
    game.frame = e.gameFrame;
    game.ended = e.ended;
}

}  // namespace vexlot::net
