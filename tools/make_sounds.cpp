// make_sounds: synthesises every sound effect the game plays and writes them
// as 16-bit mono PCM .wav files at 22050 Hz.
//
//   usage: make_sounds OUTDIR
//
// Everything is computed from fixed parameters and fixed-seed noise, so the
// same binary always produces byte-identical files.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;
constexpr double kPeak = 0.70794578438413791;  // -3 dBFS

using Buf = std::vector<double>;

Buf makeBuf(double seconds) {
    return Buf(static_cast<std::size_t>(std::lround(seconds * kRate)), 0.0);
}

double timeOf(std::size_t i) { return static_cast<double>(i) / kRate; }

// ---------------------------------------------------------------------------
// Noise: xorshift32, reseeded for every sound so each file is reproducible.
struct Noise {
    std::uint32_t s;
    explicit Noise(std::uint32_t seed) : s(seed ? seed : 0x9E3779B9u) {}
    std::uint32_t bits() {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return s;
    }
    // Uniform in [0, 1).
    double uni() { return static_cast<double>(bits()) / 4294967296.0; }
    // Uniform in [-1, 1).
    double bi() { return uni() * 2.0 - 1.0; }
};

// ---------------------------------------------------------------------------
// Filters.

// State-variable filter (trapezoidal form); stays well behaved while the
// cutoff is swept every sample.
struct Svf {
    double ic1 = 0.0, ic2 = 0.0;
    double low = 0.0, band = 0.0, high = 0.0, bandNorm = 0.0;
    void run(double x, double cutoff, double q) {
        cutoff = std::clamp(cutoff, 10.0, kRate * 0.45);
        const double g = std::tan(kPi * cutoff / kRate);
        const double k = 1.0 / q;
        const double a1 = 1.0 / (1.0 + g * (g + k));
        const double a2 = g * a1;
        const double a3 = g * a2;
        const double v3 = x - ic2;
        const double v1 = a1 * ic1 + a2 * v3;
        const double v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2.0 * v1 - ic1;
        ic2 = 2.0 * v2 - ic2;
        low = v2;
        band = v1;
        bandNorm = v1 * k;  // unity gain at the centre frequency
        high = x - k * v1 - v2;
    }
    double lp(double x, double fc, double q = 0.7071) { run(x, fc, q); return low; }
    double hp(double x, double fc, double q = 0.7071) { run(x, fc, q); return high; }
    double bp(double x, double fc, double q) { run(x, fc, q); return bandNorm; }
};

// Two-pole resonator with unity gain at DC, used in cascade for vowel formants.
struct Resonator {
    double y1 = 0.0, y2 = 0.0;
    double run(double x, double freq, double bw) {
        const double t = 1.0 / kRate;
        const double c = -std::exp(-kTwoPi * bw * t);
        const double b = 2.0 * std::exp(-kPi * bw * t) * std::cos(kTwoPi * freq * t);
        const double a = 1.0 - b - c;
        const double y = a * x + b * y1 + c * y2;
        y2 = y1;
        y1 = y;
        return y;
    }
};

// ---------------------------------------------------------------------------
// Envelope and contour helpers.

double expDecay(double t, double tau) { return std::exp(-t / tau); }

double attack(double t, double len) { return t >= len ? 1.0 : t / len; }

double smoothstep(double x) {
    x = std::clamp(x, 0.0, 1.0);
    return x * x * (3.0 - 2.0 * x);
}

// Exponential glide from `from` towards `to` with time constant tau.
double glide(double t, double from, double to, double tau) {
    return to + (from - to) * std::exp(-t / tau);
}

// Piecewise-linear function of time given as (time, value) breakpoints.
struct Contour {
    std::vector<std::pair<double, double>> pts;
    Contour(std::initializer_list<std::pair<double, double>> p) : pts(p) {}
    double at(double t) const {
        if (t <= pts.front().first) return pts.front().second;
        for (std::size_t i = 1; i < pts.size(); ++i) {
            if (t <= pts[i].first) {
                const auto& [t0, v0] = pts[i - 1];
                const auto& [t1, v1] = pts[i];
                const double x = (t - t0) / (t1 - t0);
                return v0 + (v1 - v0) * x;
            }
        }
        return pts.back().second;
    }
};

// ---------------------------------------------------------------------------
// Final treatment shared by every sound: DC removal, click-free fades and
// peak normalisation to -3 dBFS.
void finish(Buf& b, double fadeIn = 0.002, double fadeOut = 0.015) {
    // DC blocker.
    double xPrev = 0.0, yPrev = 0.0;
    const double r = 1.0 - kTwoPi * 20.0 / kRate;
    for (double& v : b) {
        const double y = v - xPrev + r * yPrev;
        xPrev = v;
        yPrev = y;
        v = y;
    }
    const std::size_t n = b.size();
    const auto inLen = static_cast<std::size_t>(fadeIn * kRate);
    const auto outLen = static_cast<std::size_t>(fadeOut * kRate);
    for (std::size_t i = 0; i < inLen && i < n; ++i) {
        b[i] *= 0.5 - 0.5 * std::cos(kPi * static_cast<double>(i) / inLen);
    }
    for (std::size_t i = 0; i < outLen && i < n; ++i) {
        b[n - 1 - i] *= 0.5 - 0.5 * std::cos(kPi * static_cast<double>(i) / outLen);
    }
    double peak = 0.0;
    for (double v : b) peak = std::max(peak, std::fabs(v));
    if (peak > 0.0) {
        const double g = kPeak / peak;
        for (double& v : b) v *= g;
    }
}

// Gentle saturation that adds punch to loud transients.
void saturate(Buf& b, double drive) {
    double peak = 0.0;
    for (double v : b) peak = std::max(peak, std::fabs(v));
    if (peak <= 0.0) return;
    const double norm = std::tanh(drive);
    for (double& v : b) v = std::tanh(drive * v / peak) / norm;
}

// ---------------------------------------------------------------------------
// Building blocks.

// Sine whose frequency follows f(t).
template <typename FreqFn, typename AmpFn>
void addSine(Buf& b, FreqFn freq, AmpFn amp, double phase0 = 0.0) {
    double phase = phase0;
    for (std::size_t i = 0; i < b.size(); ++i) {
        const double t = timeOf(i);
        b[i] += amp(t) * std::sin(phase);
        phase += kTwoPi * freq(t) / kRate;
        if (phase > kTwoPi) phase -= kTwoPi;
    }
}

// Decaying partial at a fixed frequency (bells, clinks, knocks).
void addPartial(Buf& b, double freq, double gain, double tau, double start = 0.0) {
    for (std::size_t i = 0; i < b.size(); ++i) {
        const double t = timeOf(i) - start;
        if (t < 0.0) continue;
        b[i] += gain * attack(t, 0.0008) * expDecay(t, tau) * std::sin(kTwoPi * freq * t);
    }
}

struct BoomParams {
    double dur;
    double cutStart, cutEnd, cutTau;  // swept low-pass over the noise body
    double decayTau;                  // body decay
    double tailGain, tailTau;         // slower secondary decay of the body
    double thumpFrom, thumpTo, thumpTau, thumpGain;  // pitch-dropping sine kick
    double rumbleGain, rumbleTau;     // very low filtered noise tail
    double crackleGain, crackleRate, crackleTau;  // sparse sharp debris ticks
    double drive;
    std::uint32_t seed;
};

// Generic explosion: swept noise body, sine thump, rumble and crackle.
Buf boom(const BoomParams& p) {
    Buf b = makeBuf(p.dur);
    Noise rng(p.seed);
    Svf body, rumbleA, rumbleB, flutter, crackBand;
    int crackLeft = 0;
    double crackAmp = 0.0;
    int crackLen = 1;
    double thumpPhase = 0.0;
    for (std::size_t i = 0; i < b.size(); ++i) {
        const double t = timeOf(i);
        const double n = rng.bi();

        // Slow random amplitude wobble so the tail rolls instead of hissing.
        const double wob = 1.0 + 2.5 * flutter.lp(rng.bi(), 9.0, 0.5);

        const double cut = p.cutEnd + (p.cutStart - p.cutEnd) * expDecay(t, p.cutTau);
        const double bodyEnv = attack(t, 0.002) *
            (expDecay(t, p.decayTau) + p.tailGain * expDecay(t, p.tailTau));
        double v = body.lp(n, cut, 0.8) * bodyEnv * wob;

        const double r = rumbleB.lp(rumbleA.lp(rng.bi(), 140.0, 0.9), 140.0, 0.9);
        v += p.rumbleGain * 6.0 * r * attack(t, 0.03) * expDecay(t, p.rumbleTau) * wob;

        const double tf = glide(t, p.thumpFrom, p.thumpTo, p.thumpTau * 0.6);
        v += p.thumpGain * std::sin(thumpPhase) * attack(t, 0.002) * expDecay(t, p.thumpTau);
        thumpPhase += kTwoPi * tf / kRate;
        if (thumpPhase > kTwoPi) thumpPhase -= kTwoPi;

        if (p.crackleGain > 0.0) {
            if (crackLeft <= 0) {
                const double prob = p.crackleRate * expDecay(t, p.crackleTau) / kRate;
                if (rng.uni() < prob) {
                    crackLen = 15 + static_cast<int>(rng.uni() * 70.0);
                    crackLeft = crackLen;
                    crackAmp = (0.3 + 0.7 * rng.uni()) * expDecay(t, p.crackleTau * 1.5);
                }
            }
            double c = 0.0;
            if (crackLeft > 0) {
                const double x = static_cast<double>(crackLeft) / crackLen;
                c = rng.bi() * crackAmp * x * x;
                --crackLeft;
            }
            v += p.crackleGain * crackBand.bp(c, 2800.0, 0.6);
        }
        b[i] = v;
    }
    saturate(b, p.drive);
    finish(b, 0.001, 0.25 * p.dur);
    return b;
}

// ---------------------------------------------------------------------------
// Voice synthesis for the death cries: glottal pulses through a cascade of
// formant resonators, with aspiration and fricative noise.

struct VoiceParams {
    double dur;
    Contour pitch;     // fundamental, Hz
    Contour f1, f2, f3;  // formant centres, Hz
    Contour voice;     // voicing level
    Contour breath;    // aspiration noise (shaped by the formants)
    Contour fric;      // fricative hiss (bypasses the formants)
    Contour muffle;    // post low-pass cutoff, Hz (closes for nasal hums)
    double jitter;     // random period wobble, relative
    double rough;      // alternate-period amplitude drop, gives a growl
    double vibHz, vibDepth;
    double fricCut;    // centre of the fricative band
    std::uint32_t seed;
};

// Glottal flow over one period: smooth opening, quicker closing, closed phase.
double glottalFlow(double ph) {
    constexpr double open = 0.55, close = 0.75;
    if (ph < open) return 0.5 - 0.5 * std::cos(kPi * ph / open);
    if (ph < close) return std::cos(0.5 * kPi * (ph - open) / (close - open));
    return 0.0;
}

Buf voiceCry(const VoiceParams& p) {
    Buf b = makeBuf(p.dur);
    Noise rng(p.seed);
    Resonator r1, r2, r3, r4;
    Svf breathShape, fricShape, muffleA, muffleB;
    double ph = 0.0, flowPrev = 0.0;
    double periodScale = 1.0, periodAmp = 1.0;
    bool oddPeriod = false;
    for (std::size_t i = 0; i < b.size(); ++i) {
        const double t = timeOf(i);
        const double vib = 1.0 + p.vibDepth * std::sin(kTwoPi * p.vibHz * t);
        const double f0 = p.pitch.at(t) * vib * periodScale;

        ph += f0 / kRate;
        if (ph >= 1.0) {
            ph -= 1.0;
            periodScale = 1.0 + p.jitter * rng.bi();
            oddPeriod = !oddPeriod;
            periodAmp = (oddPeriod ? 1.0 - p.rough : 1.0) * (1.0 + 0.08 * rng.bi());
        }
        const double flow = glottalFlow(ph);
        // Flow derivative (includes lip radiation); scaled so level does not
        // depend on pitch.
        double src = (flow - flowPrev) * kRate / f0 * 0.25 * periodAmp * p.voice.at(t);
        flowPrev = flow;

        // Aspiration: noise that is louder during the open phase.
        const double asp = breathShape.lp(rng.bi(), 5000.0);
        src += asp * p.breath.at(t) * (0.6 + 0.4 * flow);

        double v = src;
        v = r1.run(v, p.f1.at(t), 90.0);
        v = r2.run(v, p.f2.at(t), 110.0);
        v = r3.run(v, p.f3.at(t), 170.0);
        v = r4.run(v, 3900.0, 250.0);

        v += fricShape.bp(rng.bi(), p.fricCut, 0.9) * p.fric.at(t);

        const double m = p.muffle.at(t);
        v = muffleB.lp(muffleA.lp(v, m), m);
        b[i] = v;
    }
    finish(b, 0.004, 0.03);
    return b;
}

// ---------------------------------------------------------------------------
// The sounds.

Buf popGun() {
    Buf b = makeBuf(0.12);
    Noise rng(101);
    Svf click, puff;
    addSine(b, [](double t) { return glide(t, 1100.0, 280.0, 0.012); },
            [](double t) { return 0.9 * attack(t, 0.0008) * expDecay(t, 0.016); });
    for (std::size_t i = 0; i < b.size(); ++i) {
        const double t = timeOf(i);
        b[i] += 1.2 * click.hp(rng.bi(), 2500.0) * expDecay(t, 0.0025);
        b[i] += 0.6 * puff.lp(rng.bi(), 2200.0) * expDecay(t, 0.012);
    }
    finish(b, 0.0005, 0.02);
    return b;
}

Buf shotgun() {
    Buf b = makeBuf(0.5);
    Noise rng(202);
    Svf body;
    addSine(b, [](double t) { return glide(t, 130.0, 45.0, 0.03); },
            [](double t) { return 0.9 * attack(t, 0.001) * expDecay(t, 0.06); });
    for (std::size_t i = 0; i < b.size(); ++i) {
        const double t = timeOf(i);
        const double cut = glide(t, 8000.0, 600.0, 0.05);
        const double env = attack(t, 0.001) * (expDecay(t, 0.05) + 0.12 * expDecay(t, 0.18));
        b[i] += 1.4 * body.lp(rng.bi(), cut, 0.9) * env;
    }
    saturate(b, 2.5);
    finish(b, 0.0005, 0.04);
    return b;
}

Buf flame() {
    const double dur = 0.55;
    Buf b = makeBuf(dur);
    Noise rng(303);
    Svf hiss, roar, drift, flick;
    for (std::size_t i = 0; i < b.size(); ++i) {
        const double t = timeOf(i);
        const double swell = std::pow(std::sin(kPi * t / dur), 1.3);
        const double d = drift.lp(rng.bi(), 4.0, 0.5);       // slow wander of the tone
        const double f = 1.0 + 3.0 * flick.lp(rng.bi(), 18.0, 0.5);  // flicker
        const double centre = 900.0 + 500.0 * swell + 3000.0 * d;
        double v = hiss.bp(rng.bi(), centre, 0.7);
        v += 0.7 * roar.lp(rng.bi(), 350.0, 0.8);
        b[i] = v * swell * std::max(0.2, f);
    }
    finish(b, 0.01, 0.05);
    return b;
}

Buf bunk() {
    Buf b = makeBuf(0.3);
    Noise rng(404);
    Svf thud, tube;
    addSine(b, [](double t) { return glide(t, 260.0, 85.0, 0.025); },
            [](double t) { return attack(t, 0.002) * expDecay(t, 0.07); });
    addSine(b, [](double t) { return 2.0 * glide(t, 260.0, 85.0, 0.025); },
            [](double t) { return 0.25 * attack(t, 0.002) * expDecay(t, 0.035); });
    for (std::size_t i = 0; i < b.size(); ++i) {
        const double t = timeOf(i);
        b[i] += 0.5 * thud.lp(rng.bi(), 1400.0) * expDecay(t, 0.008);
        b[i] += 0.5 * tube.bp(rng.bi(), 420.0, 6.0) * expDecay(t, 0.03);
    }
    finish(b, 0.001, 0.03);
    return b;
}

Buf missileLaunch() {
    const double dur = 0.9;
    Buf b = makeBuf(dur);
    Noise rng(505);
    Svf rush, ignite, rumA, rumB;
    double ph = 0.0;
    for (std::size_t i = 0; i < b.size(); ++i) {
        const double t = timeOf(i);
        const double x = t / dur;
        const double centre = 300.0 * std::pow(16.0, x);
        const double rushEnv = smoothstep(t / 0.35) * (t < 0.6 ? 1.0 : expDecay(t - 0.6, 0.1));
        double v = 1.2 * rush.bp(rng.bi(), centre, 2.5) * rushEnv;
        v += 0.8 * ignite.lp(rng.bi(), 2500.0) * expDecay(t, 0.015);
        const double rumEnv = attack(t, 0.03) * expDecay(t, 0.35);
        v += 4.0 * rumB.lp(rumA.lp(rng.bi(), 160.0, 0.9), 160.0, 0.9) * rumEnv;
        v += 0.35 * std::sin(ph) * rumEnv;
        ph += kTwoPi * (48.0 + 6.0 * x) / kRate;
        b[i] = v;
    }
    finish(b, 0.002, 0.05);
    return b;
}

Buf grenadeBoom() {
    return boom({.dur = 0.9, .cutStart = 5000, .cutEnd = 400, .cutTau = 0.12,
                 .decayTau = 0.16, .tailGain = 0.2, .tailTau = 0.35,
                 .thumpFrom = 120, .thumpTo = 45, .thumpTau = 0.09, .thumpGain = 0.9,
                 .rumbleGain = 0.5, .rumbleTau = 0.3,
                 .crackleGain = 0.3, .crackleRate = 60, .crackleTau = 0.2,
                 .drive = 2.5, .seed = 606});
}

Buf bigExplosion() {
    return boom({.dur = 1.2, .cutStart = 3500, .cutEnd = 200, .cutTau = 0.2,
                 .decayTau = 0.25, .tailGain = 0.3, .tailTau = 0.5,
                 .thumpFrom = 85, .thumpTo = 32, .thumpTau = 0.18, .thumpGain = 1.0,
                 .rumbleGain = 1.0, .rumbleTau = 0.5,
                 .crackleGain = 0.2, .crackleRate = 50, .crackleTau = 0.4,
                 .drive = 3.0, .seed = 707});
}

Buf grenadeBounce() {
    Buf b = makeBuf(0.18);
    Noise rng(808);
    Svf tick;
    addPartial(b, 1870.0, 1.0, 0.05);
    addPartial(b, 3120.0, 0.6, 0.035);
    addPartial(b, 4710.0, 0.4, 0.022);
    addPartial(b, 6230.0, 0.25, 0.014);
    for (std::size_t i = 0; i < b.size(); ++i) {
        b[i] += 0.8 * tick.hp(rng.bi(), 3000.0) * expDecay(timeOf(i), 0.002);
    }
    finish(b, 0.0005, 0.03);
    return b;
}

Buf missileExplosion() {
    Buf b = boom({.dur = 0.9, .cutStart = 6000, .cutEnd = 350, .cutTau = 0.08,
                  .decayTau = 0.15, .tailGain = 0.2, .tailTau = 0.3,
                  .thumpFrom = 110, .thumpTo = 40, .thumpTau = 0.1, .thumpGain = 0.9,
                  .rumbleGain = 0.5, .rumbleTau = 0.3,
                  .crackleGain = 0.25, .crackleRate = 40, .crackleTau = 0.2,
                  .drive = 2.5, .seed = 909});
    // Sharp supersonic crack on top.
    Noise rng(910);
    Svf crack;
    for (std::size_t i = 0; i < b.size(); ++i) {
        const double t = timeOf(i);
        b[i] += 1.1 * crack.hp(rng.bi(), 2500.0) * attack(t, 0.0005) * expDecay(t, 0.009);
    }
    finish(b, 0.0005, 0.04);
    return b;
}

Buf timeBombBounce() {
    Buf b = makeBuf(0.18);
    Noise rng(1001);
    Svf thud;
    addSine(b, [](double t) { return glide(t, 170.0, 110.0, 0.02); },
            [](double t) { return attack(t, 0.001) * expDecay(t, 0.04); });
    addPartial(b, 420.0, 0.45, 0.025);
    addPartial(b, 690.0, 0.25, 0.015);
    for (std::size_t i = 0; i < b.size(); ++i) {
        b[i] += 0.6 * thud.lp(rng.bi(), 1200.0) * expDecay(timeOf(i), 0.006);
    }
    finish(b, 0.0005, 0.03);
    return b;
}

Buf timeBombBurst() {
    return boom({.dur = 1.0, .cutStart = 4000, .cutEnd = 300, .cutTau = 0.15,
                 .decayTau = 0.2, .tailGain = 0.2, .tailTau = 0.4,
                 .thumpFrom = 95, .thumpTo = 40, .thumpTau = 0.12, .thumpGain = 0.8,
                 .rumbleGain = 0.5, .rumbleTau = 0.4,
                 .crackleGain = 1.2, .crackleRate = 160, .crackleTau = 0.45,
                 .drive = 2.5, .seed = 1101});
}

Buf ammoChime() {
    Buf b = makeBuf(0.5);
    const double notes[] = {880.0, 1108.73, 1318.51};  // rising major arpeggio
    for (int k = 0; k < 3; ++k) {
        const double start = 0.075 * k;
        const double f = notes[k];
        const double tau = k == 2 ? 0.16 : 0.09;
        addPartial(b, f, 1.0, tau, start);
        addPartial(b, 2.0 * f, 0.25, tau * 0.5, start);
        addPartial(b, 3.0 * f, 0.08, tau * 0.3, start);
    }
    finish(b, 0.001, 0.04);
    return b;
}

Buf mineBurst() {
    return boom({.dur = 0.6, .cutStart = 9000, .cutEnd = 1500, .cutTau = 0.08,
                 .decayTau = 0.09, .tailGain = 0.15, .tailTau = 0.22,
                 .thumpFrom = 170, .thumpTo = 70, .thumpTau = 0.05, .thumpGain = 0.5,
                 .rumbleGain = 0.2, .rumbleTau = 0.15,
                 .crackleGain = 0.6, .crackleRate = 120, .crackleTau = 0.15,
                 .drive = 2.0, .seed = 1301});
}

Buf mineBurstHeavy() {
    return boom({.dur = 1.0, .cutStart = 2500, .cutEnd = 250, .cutTau = 0.15,
                 .decayTau = 0.22, .tailGain = 0.25, .tailTau = 0.45,
                 .thumpFrom = 75, .thumpTo = 30, .thumpTau = 0.2, .thumpGain = 1.0,
                 .rumbleGain = 1.0, .rumbleTau = 0.45,
                 .crackleGain = 0.3, .crackleRate = 60, .crackleTau = 0.3,
                 .drive = 3.0, .seed = 1401});
}

Buf laser() {
    const double dur = 0.3;
    Buf b = makeBuf(dur);
    double ph = 0.0, ph2 = 0.0;
    for (std::size_t i = 0; i < b.size(); ++i) {
        const double t = timeOf(i);
        const double f = 2600.0 * std::pow(280.0 / 2600.0, t / dur);
        const double wob = 1.0 + 0.03 * std::sin(kTwoPi * 35.0 * t);
        // Band-limited square (odd harmonics below 9 kHz) plus a detuned sine.
        double v = 0.0;
        for (int k = 1; k * f * wob < 9000.0; k += 2) v += std::sin(k * ph) / k;
        v = 0.8 * v + 0.4 * std::sin(ph2);
        b[i] = v * attack(t, 0.003) * (0.35 + 0.65 * expDecay(t, 0.08)) * (1.0 - t / dur);
        ph = std::fmod(ph + kTwoPi * f * wob / kRate, kTwoPi);
        ph2 = std::fmod(ph2 + kTwoPi * f * 1.51 / kRate, kTwoPi);
    }
    finish(b, 0.001, 0.03);
    return b;
}

// Formant targets (Hz) for a small, high-voiced figure.
constexpr double kAaF1 = 850, kAaF2 = 1250, kAaF3 = 2800;  // "aa"
constexpr double kUhF1 = 620, kUhF2 = 1350, kUhF3 = 2750;  // "uh"
constexpr double kOhF1 = 520, kOhF2 = 920, kOhF3 = 2700;   // "oh"
constexpr double kOoF1 = 350, kOoF2 = 900, kOoF3 = 2550;   // "oo"

Buf deathAargh() {
    return voiceCry({.dur = 0.75,
                     .pitch = {{0, 470}, {0.08, 520}, {0.35, 460}, {0.75, 230}},
                     .f1 = {{0, kUhF1}, {0.08, kAaF1}, {0.5, kAaF1}, {0.75, kUhF1}},
                     .f2 = {{0, kUhF2}, {0.08, kAaF2}, {0.5, kAaF2}, {0.75, kUhF2}},
                     .f3 = {{0, kAaF3}, {0.75, kUhF3}},
                     .voice = {{0, 0}, {0.04, 1}, {0.45, 0.9}, {0.68, 0.3}, {0.75, 0}},
                     .breath = {{0, 0.05}, {0.45, 0.08}, {0.7, 0.3}, {0.75, 0}},
                     .fric = {{0, 0}, {0.75, 0}},
                     .muffle = {{0, 6000}, {0.75, 4000}},
                     .jitter = 0.02, .rough = 0.25, .vibHz = 9.0, .vibDepth = 0.02,
                     .fricCut = 3000, .seed = 1501});
}

Buf deathOof() {
    return voiceCry({.dur = 0.5,
                     .pitch = {{0, 360}, {0.05, 400}, {0.3, 250}, {0.5, 200}},
                     .f1 = {{0, kOhF1}, {0.12, kOhF1}, {0.3, kOoF1}},
                     .f2 = {{0, kOhF2}, {0.12, kOhF2}, {0.3, kOoF2}},
                     .f3 = {{0, kOhF3}, {0.3, kOoF3}},
                     .voice = {{0, 0}, {0.02, 1}, {0.22, 0.8}, {0.32, 0}},
                     .breath = {{0, 0.15}, {0.05, 0.05}, {0.3, 0.1}, {0.35, 0}},
                     .fric = {{0, 0}, {0.26, 0}, {0.32, 0.3}, {0.5, 0}},
                     .muffle = {{0, 4500}, {0.5, 7000}},
                     .jitter = 0.015, .rough = 0.1, .vibHz = 0, .vibDepth = 0,
                     .fricCut = 4500, .seed = 1601});
}

Buf deathUwaah() {
    return voiceCry({.dur = 0.8,
                     .pitch = {{0, 330}, {0.3, 560}, {0.45, 520}, {0.8, 240}},
                     .f1 = {{0, kOoF1}, {0.12, kOoF1}, {0.3, kAaF1}, {0.6, kAaF1}, {0.8, kUhF1}},
                     .f2 = {{0, kOoF2 - 150}, {0.12, kOoF2 - 150}, {0.3, kAaF2}, {0.8, kUhF2}},
                     .f3 = {{0, kOoF3}, {0.3, kAaF3}, {0.8, kUhF3}},
                     .voice = {{0, 0}, {0.05, 0.7}, {0.3, 1}, {0.6, 0.7}, {0.8, 0}},
                     .breath = {{0, 0.03}, {0.55, 0.05}, {0.8, 0.2}},
                     .fric = {{0, 0}, {0.8, 0}},
                     .muffle = {{0, 3500}, {0.3, 6500}, {0.8, 5000}},
                     .jitter = 0.012, .rough = 0.05, .vibHz = 7.0, .vibDepth = 0.035,
                     .fricCut = 3000, .seed = 1701});
}

Buf deathHngh() {
    return voiceCry({.dur = 0.55,
                     .pitch = {{0, 300}, {0.1, 420}, {0.35, 400}, {0.55, 260}},
                     .f1 = {{0, kUhF1}, {0.09, 300}, {0.55, 280}},
                     .f2 = {{0, kUhF2}, {0.09, 1900}, {0.55, 1800}},
                     .f3 = {{0, kUhF3}, {0.09, 2700}, {0.55, 2600}},
                     .voice = {{0, 0}, {0.06, 0}, {0.1, 1}, {0.38, 0.9}, {0.45, 0}},
                     .breath = {{0, 0.4}, {0.07, 0.35}, {0.12, 0.05}, {0.38, 0.05},
                                {0.43, 0.45}, {0.55, 0}},
                     .fric = {{0, 0}, {0.55, 0}},
                     .muffle = {{0, 5000}, {0.08, 5000}, {0.11, 1300}, {0.38, 1300},
                                {0.42, 4000}, {0.55, 4000}},
                     .jitter = 0.035, .rough = 0.35, .vibHz = 13.0, .vibDepth = 0.03,
                     .fricCut = 3000, .seed = 1801});
}

// ---------------------------------------------------------------------------
// WAV output: RIFF header + 16-bit little-endian PCM, mono.

void put16(std::string& s, std::uint16_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void put32(std::string& s, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) s.push_back(static_cast<char>((v >> (8 * k)) & 0xFF));
}

bool writeWav(const std::filesystem::path& path, const Buf& b) {
    const auto dataBytes = static_cast<std::uint32_t>(b.size() * 2);
    std::string out;
    out.reserve(44 + dataBytes);
    out += "RIFF";
    put32(out, 36 + dataBytes);
    out += "WAVE";
    out += "fmt ";
    put32(out, 16);          // fmt chunk size
    put16(out, 1);           // PCM
    put16(out, 1);           // mono
    put32(out, kRate);       // sample rate
    put32(out, kRate * 2);   // byte rate
    put16(out, 2);           // block align
    put16(out, 16);          // bits per sample
    out += "data";
    put32(out, dataBytes);
    for (double v : b) {
        const long s = std::lround(std::clamp(v, -1.0, 1.0) * 32767.0);
        put16(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(s)));
    }
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(out.data(), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(f);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);

    const std::vector<std::pair<const char*, std::function<Buf()>>> sounds = {
        {"pop.wav", popGun},
        {"bang.wav", shotgun},
        {"flame.wav", flame},
        {"bunk.wav", bunk},
        {"launch.wav", missileLaunch},
        {"grenade.wav", grenadeBoom},
        {"explosion.wav", bigExplosion},
        {"gbounce.wav", grenadeBounce},
        {"misslex.wav", missileExplosion},
        {"tbounce.wav", timeBombBounce},
        {"ex2.wav", timeBombBurst},
        {"getammo.wav", ammoChime},
        {"exb.wav", mineBurst},
        {"exbb.wav", mineBurstHeavy},
        {"laser.wav", laser},
        {"death1.wav", deathAargh},
        {"death2.wav", deathOof},
        {"death3.wav", deathUwaah},
        {"death4.wav", deathHngh},
    };

    int failures = 0;
    for (const auto& [name, make] : sounds) {
        const Buf b = make();
        if (!writeWav(dir / name, b)) {
            std::fprintf(stderr, "make_sounds: cannot write %s\n", (dir / name).string().c_str());
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
