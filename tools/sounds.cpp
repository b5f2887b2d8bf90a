// The six sound effects, synthesised: 16-bit PCM mono at 22050 Hz. Every voice has an attack
// and a release so that nothing clicks; a small room reverb gives them a common space.

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

#include "tools/asset_kit.hpp"

namespace kelvora::tools {
namespace {

constexpr int rate = 22050;
constexpr double two_pi = 2 * M_PI;

using Buffer = std::vector<double>;

double note_hz(int midi_note) { return 440.0 * std::pow(2.0, (midi_note - 69) / 12.0); }

void ensure(Buffer& b, double seconds) {
    const std::size_t n = std::size_t(std::ceil(seconds * rate));
    if (b.size() < n) b.resize(n, 0.0);
}

struct Voice {
    double start = 0;        // seconds
    double length = 0.3;     // seconds until the release begins
    double attack = 0.005;   // seconds
    double release = 0.05;   // seconds
    double decay = 0;        // exponential decay rate per second while held (0: flat)
    double amp = 0.5;
    double freq = 440;       // Hz at the start
    double freq_end = 0;     // Hz at the end of `length` (0: no glide), exponential glide
    double vibrato = 0;      // depth in semitones, at 5.5 Hz after 0.15 s
    std::vector<double> harmonics{1.0};  // amplitude of harmonic k + 1
    std::vector<double> ratios;          // optional partial ratios (bells); default 1, 2, 3...
    double brightness_decay = 0;         // upper partials fade faster
};

void add_voice(Buffer& b, const Voice& v) {
    const double total = v.length + v.release;
    ensure(b, v.start + total + 0.01);
    const std::size_t first = std::size_t(v.start * rate);
    const std::size_t count = std::size_t(total * rate);
    std::vector<double> phase(v.harmonics.size(), 0.0);
    for (std::size_t i = 0; i < count; ++i) {
        const double t = double(i) / rate;
        double env = t < v.attack ? t / v.attack : 1.0;
        if (v.decay > 0) env *= std::exp(-v.decay * t);
        if (t > v.length) env *= std::max(0.0, 1.0 - (t - v.length) / v.release);
        double f = v.freq;
        if (v.freq_end > 0) f = v.freq * std::pow(v.freq_end / v.freq, std::min(1.0, t / v.length));
        if (v.vibrato > 0 && t > 0.15) f *= std::pow(2.0, v.vibrato * std::sin(two_pi * 5.5 * t) / 12.0);
        double s = 0;
        for (std::size_t k = 0; k < v.harmonics.size(); ++k) {
            const double ratio = v.ratios.empty() ? double(k + 1) : v.ratios[k];
            phase[k] += two_pi * f * ratio / rate;
            if (f * ratio > rate * 0.45) continue;
            const double fade = v.brightness_decay > 0 ? std::exp(-v.brightness_decay * k * t) : 1.0;
            s += v.harmonics[k] * fade * std::sin(phase[k]);
        }
        b[first + i] += v.amp * env * s;
    }
}

// Noise through a one-pole band: a splash.
void add_noise(Buffer& b, double start, double length, double amp, double low_hz, double high_hz, double decay,
               std::uint64_t seed) {
    ensure(b, start + length + 0.01);
    Rng rng(seed);
    const double a_low = std::exp(-two_pi * low_hz / rate), a_high = std::exp(-two_pi * high_hz / rate);
    double lp = 0, lp2 = 0;
    const std::size_t first = std::size_t(start * rate), count = std::size_t(length * rate);
    for (std::size_t i = 0; i < count; ++i) {
        const double t = double(i) / rate;
        const double n = rng.uniform() * 2 - 1;
        lp = a_high * lp + (1 - a_high) * n;     // below high_hz
        lp2 = a_low * lp2 + (1 - a_low) * lp;    // the part below low_hz, removed
        const double env = std::min(1.0, t / 0.003) * std::exp(-decay * t) * std::max(0.0, 1.0 - t / length);
        b[first + i] += amp * env * (lp - lp2);
    }
}

// A small Schroeder room: four combs and two all-passes, mixed in lightly.
void add_room(Buffer& b, double wet, double tail_seconds) {
    ensure(b, double(b.size()) / rate + tail_seconds);
    const std::array<int, 4> comb_len{1116 / 2, 1188 / 2, 1277 / 2, 1356 / 2};
    const std::array<int, 2> pass_len{556 / 2, 441 / 2};
    Buffer out(b.size(), 0.0);
    for (int len : comb_len) {
        Buffer line(len, 0.0);
        std::size_t pos = 0;
        double filt = 0;
        for (std::size_t i = 0; i < b.size(); ++i) {
            const double y = line[pos];
            filt = y * 0.7 + filt * 0.3;
            line[pos] = b[i] + filt * 0.78;
            pos = (pos + 1) % len;
            out[i] += y * 0.25;
        }
    }
    for (int len : pass_len) {
        Buffer line(len, 0.0);
        std::size_t pos = 0;
        for (std::size_t i = 0; i < out.size(); ++i) {
            const double buffered = line[pos];
            const double y = -out[i] + buffered;
            line[pos] = out[i] + buffered * 0.5;
            pos = (pos + 1) % len;
            out[i] = y;
        }
    }
    for (std::size_t i = 0; i < b.size(); ++i) b[i] += wet * out[i];
}

std::vector<std::uint8_t> to_wave(Buffer b, double peak) {
    // Normalise, then fade the last few milliseconds so the file ends in silence.
    double m = 1e-9;
    for (double s : b) m = std::max(m, std::abs(s));
    const double gain = peak / m;
    const std::size_t fade = std::min<std::size_t>(b.size(), rate / 100);
    for (std::size_t i = 0; i < fade; ++i) b[b.size() - 1 - i] *= double(i) / fade;
    std::vector<std::uint8_t> d;
    auto u32 = [&](std::uint32_t v) {
        for (int k = 0; k < 4; ++k) d.push_back(std::uint8_t(v >> (8 * k)));
    };
    auto u16 = [&](std::uint16_t v) {
        d.push_back(std::uint8_t(v));
        d.push_back(std::uint8_t(v >> 8));
    };
    const std::uint32_t data_bytes = std::uint32_t(b.size() * 2);
    d.insert(d.end(), {'R', 'I', 'F', 'F'});
    u32(36 + data_bytes);
    d.insert(d.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    u32(16);
    u16(1);  // PCM
    u16(1);  // mono
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    d.insert(d.end(), {'d', 'a', 't', 'a'});
    u32(data_bytes);
    for (double s : b) {
        const long v = std::clamp(std::lround(s * gain * 32767.0), -32768L, 32767L);
        u16(std::uint16_t(std::int16_t(v)));
    }
    return d;
}

Voice bell(double start, int note, double amp, double decay = 5.0) {
    Voice v;
    v.start = start;
    v.freq = note_hz(note);
    v.length = 0.6;
    v.release = 0.15;
    v.attack = 0.004;
    v.decay = decay;
    v.amp = amp;
    v.harmonics = {1.0, 0.35, 0.18, 0.08};
    v.ratios = {1.0, 2.0, 2.76, 5.4};
    v.brightness_decay = 4.0;
    return v;
}

// A water drop landing: a sine whose pitch falls fast.
Buffer po() {
    Buffer b;
    Voice v;
    v.freq = 1500;
    v.freq_end = 620;
    v.length = 0.07;
    v.release = 0.04;
    v.attack = 0.002;
    v.decay = 18;
    v.amp = 0.8;
    v.harmonics = {1.0, 0.12};
    add_voice(b, v);
    add_room(b, 0.25, 0.08);
    return b;
}

// A menu choice: two quick chimes rising a fifth.
Buffer po2() {
    Buffer b;
    add_voice(b, bell(0.0, 88, 0.5, 9));   // E6
    add_voice(b, bell(0.08, 95, 0.5, 8));  // B6
    add_room(b, 0.3, 0.15);
    return b;
}

// A game start: a rising arpeggio that lands on a bright chord.
Buffer start() {
    Buffer b;
    const int notes[] = {72, 76, 79, 84};
    for (int i = 0; i < 4; ++i) add_voice(b, bell(0.07 * i, notes[i], 0.45, 4.5));
    for (int n : {84, 88, 91}) add_voice(b, bell(0.3, n, 0.3, 3.0));
    add_noise(b, 0.3, 0.35, 0.05, 3000, 9000, 8, 11);  // sparkle
    add_room(b, 0.35, 0.3);
    return b;
}

// A drop bursting: a bubble pop with a small splash.
Buffer bom() {
    Buffer b;
    Voice pop;
    pop.freq = 320;
    pop.freq_end = 1100;
    pop.length = 0.05;
    pop.release = 0.05;
    pop.attack = 0.002;
    pop.decay = 20;
    pop.amp = 0.7;
    pop.harmonics = {1.0, 0.2};
    add_voice(b, pop);
    add_noise(b, 0.0, 0.22, 0.5, 600, 6000, 18, 21);
    add_voice(b, bell(0.03, 96, 0.12, 14));
    add_room(b, 0.25, 0.12);
    return b;
}

// Game over: a soft falling phrase in minor.
Buffer over() {
    Buffer b;
    const int notes[] = {79, 75, 72, 67};
    const double starts[] = {0.0, 0.22, 0.44, 0.7};
    for (int i = 0; i < 4; ++i) {
        Voice v;
        v.start = starts[i];
        v.freq = note_hz(notes[i]);
        v.length = i == 3 ? 0.75 : 0.2;
        v.release = i == 3 ? 0.35 : 0.08;
        v.attack = 0.02;
        v.decay = i == 3 ? 1.2 : 2.0;
        v.amp = 0.45;
        v.vibrato = i == 3 ? 0.12 : 0.0;
        v.harmonics = {1.0, 0.25, 0.12, 0.05};
        add_voice(b, v);
    }
    add_room(b, 0.4, 0.3);
    return b;
}

// A fanfare: brassy triplets up to a held major chord.
Buffer fan() {
    Buffer b;
    auto brass = [&](double start, double length, int note, double amp) {
        Voice v;
        v.start = start;
        v.freq = note_hz(note);
        v.length = length;
        v.release = 0.08;
        v.attack = 0.025;
        v.amp = amp;
        v.vibrato = length > 0.4 ? 0.1 : 0.0;
        v.harmonics = {1.0, 0.55, 0.4, 0.28, 0.18, 0.1, 0.06};
        v.brightness_decay = 0.6;
        add_voice(b, v);
    };
    const double q = 0.11;
    brass(0, q * 0.9, 72, 0.35);
    brass(q, q * 0.9, 72, 0.35);
    brass(2 * q, q * 0.9, 72, 0.35);
    brass(3 * q, 0.3, 76, 0.38);
    brass(3 * q + 0.33, 0.3, 79, 0.38);
    for (int n : {72, 76, 79, 84}) brass(3 * q + 0.66, 0.7, n, 0.26);
    add_voice(b, bell(3 * q + 0.66, 96, 0.15, 3));
    add_room(b, 0.35, 0.35);
    return b;
}

}  // namespace

bool write_sounds(const std::string& folder) {
    const std::pair<const char*, std::function<Buffer()>> sounds[] = {
        {"po.wav", po}, {"po2.wav", po2}, {"start.wav", start}, {"bom.wav", bom}, {"over.wav", over}, {"fan.wav", fan},
    };
    bool ok = true;
    for (const auto& [name, make] : sounds) ok = write_file(folder + name, to_wave(make(), 0.8)) && ok;
    return ok;
}

}  // namespace kelvora::tools
