#include "view/overlay.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "view/compose.h"
#include "weapons/weapons.h"

namespace vexlot {

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFFu, kGrey = 0xFFA0A0A0u, kLightYellow = 0xFFFFFF80u, kRed = 0xFFFF4040u;

// The dark box messages and labels sit on, so they read over sky, ground or fire alike.
void backing(FrameBuffer& out, int x, int y, int w, int h) { out.blend(x, y, w, h, 0x000000u, 170); }

// A 9 x 8 heart.
void heart(FrameBuffer& out, int x, int y, uint32_t colour) {
    static constexpr const char* rows[] = {" ## ## ", "#######", "#######", " ##### ", "  ###  ", "   #   "};
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 7; ++c)
            if (rows[r][c] == '#') out.fill(x + c + 1, y + r + 1, 1, 1, colour);
}

// Text centred on x.
void centred(FrameBuffer& out, int x, int y, const std::string& s, uint32_t colour, int scale = 1) {
    out.text(x - scale * textWidth(s) / 2, y, s, colour, scale);
}

void composeMessage(FrameBuffer& out, const std::string& message) {
    // Above the bottom line of keys, clear of the gauges and panels at the top.
    const int w = textWidth(message) + 16, x = (out.width - w) / 2, y = out.height - 46;
    backing(out, x, y, w, 18);
    out.text(x + 8, y + 5, message, kLightYellow);
}

// Red at the edges of the view at columns x0 .. x0 + width, strongest at the border and fading over
// 16 pixels inwards; light enough at the top that the gauges stay readable through it.
void composeHitFlash(FrameBuffer& out, int x0, int width, int strength) {
    constexpr int kBand = 16;
    for (int i = 0; i < kBand; ++i) {
        const int a = strength * (kBand - i) / kBand / 2;
        out.blend(x0 + i, i, width - 2 * i, 1, 0xFF0000u, a);
        out.blend(x0 + i, out.height - 1 - i, width - 2 * i, 1, 0xFF0000u, a);
        out.blend(x0 + i, i + 1, 1, out.height - 2 * i - 2, 0xFF0000u, a);
        out.blend(x0 + width - 1 - i, i + 1, 1, out.height - 2 * i - 2, 0xFF0000u, a);
    }
}

void composeDeathPanel(FrameBuffer& out, const WindowOverlay& o) {
    const std::string& title = o.deathTitle;
    const int titleScale = textWidth(title) * 4 <= 360 ? 4 : 2;
    const int extra = (o.deathCause.empty() ? 0 : 14) + (o.deathGoals.empty() ? 0 : 14);
    const int w = std::max({380, titleScale * textWidth(title) + 24, 2 * textWidth(o.deathKeys) + 24,
                            textWidth(o.deathGoals) + 24}),
              h = 112 + extra, x = (out.width - w) / 2, y = out.height / 2 - 150;
    out.blend(x, y, w, h, 0x200000u, 200);
    out.frame(x, y, w, h, kRed);
    centred(out, out.width / 2, y + 14, title, kRed, titleScale);
    int line = y + 14 + 9 * titleScale + 4;
    if (!o.deathCause.empty()) {
        centred(out, out.width / 2, line, o.deathCause, kLightYellow);
        line += 14;
    }
    if (!o.deathGoals.empty()) centred(out, out.width / 2, line, o.deathGoals, kWhite);
    centred(out, out.width / 2, y + 62 + extra, o.deathKeys, kWhite, 2);
    centred(out, out.width / 2, y + 92 + extra, o.deathNote, kGrey);
}

void composeHelp(FrameBuffer& out, const HelpPanel& help) {
    constexpr int kRow = 12;
    const int w = std::min(out.width - 16, 780), h = 64 + kRow * static_cast<int>(help.rows.size()), x = (out.width - w) / 2,
              y = std::max(24, (out.height - h) / 2);
    out.blend(x, y, w, h, 0x101018u, 225);
    out.frame(x, y, w, h, kGrey);
    centred(out, out.width / 2, y + 8, "Vexlot: keys (the game is paused)", kWhite, 2);
    int ry = y + 32;
    for (int i = 0; i < static_cast<int>(help.rows.size()); ++i, ry += kRow) {
        const HelpRow& r = help.rows[i];
        const bool picked = i == help.selected;
        if (picked) out.fill(x + 6, ry - 2, w - 12, kRow, help.waitingForKey ? 0xFF603000u : 0xFF303060u);
        const std::string keys = picked && help.waitingForKey ? "press a key..." : r.keys;
        out.text(x + 16, ry, keys, r.bindable ? kLightYellow : kWhite);
        out.text(x + 120, ry, r.action, kWhite);
    }
    const std::string foot = help.note.empty()
                                 ? "Up / Down pick a game key, Enter changes it.   F1 or Esc: back to the game."
                                 : help.note;
    centred(out, out.width / 2, y + h - 20, foot, kGrey);
}

}  // namespace

const char* weaponName(int weapon) {
    const WeaponInfo* w = weaponRow(weapon);
    return w ? w->name : "";
}

std::string firingWeaponNames() {
    std::string list;
    for (const WeaponInfo& w : weaponTable) {
        if (w.firing == Firing::Nothing) continue;
        std::string name = w.name;
        for (char& ch : name) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        list += (list.empty() ? "" : ", ") + name;
    }
    return list;
}

void composeGaugeLabels(const Game& game, int player, FrameBuffer& out, int x0) {
    const int lifeX = x0 + twips(game.life.left), belowY = twips(game.life.top + game.life.height) + 2;
    const int life = player == 0 ? game.life.value : game.guyTable[1].health;
    backing(out, lifeX, belowY, 58, 12);
    heart(out, lifeX + 1, belowY + 2, 0xFFFF3030u);
    out.text(lifeX + 12, belowY + 2, "Life " + std::to_string(life), kWhite);

    // The second view shows its ammunition where the first shows weapon 1's.
    const int weapon = game.guyTable[player].weapon;
    const Gauge& shown = game.ammo[player == 0 ? std::clamp(weapon - 1, 0, kWeaponSlots - 1) : 0];
    const std::string name = std::to_string(weapon) + " " + weaponName(weapon);
    const int ammoX = x0 + twips(shown.left);
    backing(out, ammoX, belowY, textWidth(name) + 6, 12);
    out.text(ammoX + 3, belowY + 2, name, kWhite);

    // The strip: keys 1..9 and ":" after the count panel; the selected weapon framed in yellow, the
    // ones that fire and have no rounds left dimmed.
    const int stripX = x0 + twips(4650 + 1005) + 4, y = twips(30);
    for (int w = 1; w <= kWeaponSlots; ++w) {
        const int bx = stripX + (w - 1) * 15;
        const int left = player == 0 ? game.ammo[w - 1].value : game.secondAmmo[w - 1];
        const bool empty = left <= 0 && weaponTable[w - 1].firing != Firing::Nothing;
        out.fill(bx, y, 14, 18, w == weapon ? 0xFF505020u : 0xFF303030u);
        if (w == weapon) out.frame(bx, y, 14, 18, 0xFFFFFF00u);
        const std::string key(1, static_cast<char>(weaponChar(w)));
        out.text(bx + 4, y + 6, key, empty ? 0xFF606060u : w == weapon ? 0xFFFFFF00u : 0xFFC0C0C0u);
    }
}

void composeOverlay(FrameBuffer& out, const WindowOverlay& o) {
    // One view, or two side by side: each flashes for its own player.
    const int views = out.width >= 2 * kClientWidthPx ? 2 : 1, viewWidth = out.width / views;
    for (int v = 0; v < views; ++v)
        if (o.hitFlash[v] > 0) composeHitFlash(out, v * viewWidth, viewWidth, o.softFlash ? o.hitFlash[v] / 3 : o.hitFlash[v]);
    if (!o.goals.empty() && o.deathTitle.empty() && o.stats.empty()) {
        // Small, at the top right under the hint line, clear of the gauges and the weapon strip.
        const int w = textWidth(o.goals) + 8;
        backing(out, out.width - w - 4, 20, w, 13);
        out.text(out.width - w, 23, o.goals, 0xFFD0D0D0u);
    }
    if (!o.deathTitle.empty() && !o.help) composeDeathPanel(out, o);
    if (o.paused && !o.help) centred(out, out.width / 2, 90, "Paused", kWhite, 3);
    if (!o.score.empty()) {
        const int w = textWidth(o.score) + 12, x = (out.width - w) / 2;
        backing(out, x, out.height - 18, w, 14);
        out.text(x + 6, out.height - 15, o.score, kWhite);
    }
    if (!o.footer.empty()) {
        backing(out, 4, out.height - 15, textWidth(o.footer) + 8, 13);
        out.text(8, out.height - 12, o.footer, kGrey);
    }
    if (!o.hint.empty()) {
        const int w = textWidth(o.hint) + 8;
        backing(out, out.width - w - 4, 4, w, 13);
        out.text(out.width - w, 7, o.hint, kLightYellow);
    }
    if (!o.stats.empty()) {
        const int h = 4 + 12 * static_cast<int>(o.stats.size());
        out.blend(out.width - 396, 24, 392, h, 0x000000u, 192);
        for (size_t i = 0; i < o.stats.size(); ++i)
            out.text(out.width - 392, 27 + 12 * static_cast<int>(i), o.stats[i], 0xFF80FF80u);
    }
    if (o.help) composeHelp(out, *o.help);
    if (!o.message.empty()) composeMessage(out, o.message);
}

}  // namespace vexlot
