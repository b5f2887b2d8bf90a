// The two tunes, written as Standard MIDI Files (format 1, 480 ticks per quarter note) for any
// General MIDI synthesiser. Both last a whole number of bars and end exactly on the last bar
// line, so that the game's restart at the end loops them without a gap.

#include <algorithm>
#include <array>
#include <map>
#include <sstream>
#include <stdexcept>

#include "tools/asset_kit.hpp"

namespace kelvora::tools {
namespace {

constexpr int ppq = 480;
constexpr int sixteenth = ppq / 4;
constexpr int bar_ticks = ppq * 4;

struct Event {
    int tick;
    int order;  // note-offs before controllers before note-ons at the same tick
    std::vector<std::uint8_t> bytes;
};

class Track {
public:
    void meta(int tick, std::uint8_t type, const std::string& data) {
        std::vector<std::uint8_t> b{0xFF, type};
        append_varlen(b, std::uint32_t(data.size()));
        b.insert(b.end(), data.begin(), data.end());
        events_.push_back({tick, 1, b});
    }
    void tempo(int tick, double bpm) {
        const std::uint32_t us = std::uint32_t(60000000.0 / bpm + 0.5);
        events_.push_back({tick, 1, {0xFF, 0x51, 0x03, std::uint8_t(us >> 16), std::uint8_t(us >> 8), std::uint8_t(us)}});
    }
    void time_signature(int tick) { events_.push_back({tick, 1, {0xFF, 0x58, 0x04, 4, 2, 24, 8}}); }
    void program(int tick, int channel, int program) {
        events_.push_back({tick, 1, {std::uint8_t(0xC0 | channel), std::uint8_t(program)}});
    }
    void control(int tick, int channel, int controller, int value) {
        events_.push_back({tick, 1, {std::uint8_t(0xB0 | channel), std::uint8_t(controller), std::uint8_t(value)}});
    }
    void note(int tick, int length, int channel, int key, int velocity) {
        events_.push_back({tick, 2, {std::uint8_t(0x90 | channel), std::uint8_t(key), std::uint8_t(velocity)}});
        events_.push_back({tick + length, 0, {std::uint8_t(0x80 | channel), std::uint8_t(key), 0}});
    }

    std::vector<std::uint8_t> chunk(int end_tick) const {
        std::vector<Event> sorted = events_;
        std::stable_sort(sorted.begin(), sorted.end(), [](const Event& a, const Event& b) {
            return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
        });
        std::vector<std::uint8_t> body;
        int now = 0;
        for (const Event& e : sorted) {
            if (e.tick > end_tick) throw std::logic_error("event after the end of the tune");
            append_varlen(body, std::uint32_t(e.tick - now));
            now = e.tick;
            body.insert(body.end(), e.bytes.begin(), e.bytes.end());
        }
        append_varlen(body, std::uint32_t(end_tick - now));
        body.insert(body.end(), {0xFF, 0x2F, 0x00});
        std::vector<std::uint8_t> out{'M', 'T', 'r', 'k'};
        append_u32(out, std::uint32_t(body.size()));
        out.insert(out.end(), body.begin(), body.end());
        return out;
    }

    static void append_varlen(std::vector<std::uint8_t>& b, std::uint32_t v) {
        std::uint8_t bytes[5];
        int n = 0;
        bytes[n++] = v & 0x7F;
        while (v >>= 7) bytes[n++] = std::uint8_t((v & 0x7F) | 0x80);
        while (n > 0) b.push_back(bytes[--n]);
    }
    static void append_u32(std::vector<std::uint8_t>& b, std::uint32_t v) {
        for (int k = 3; k >= 0; --k) b.push_back(std::uint8_t(v >> (8 * k)));
    }

private:
    std::vector<Event> events_;
};

std::vector<std::uint8_t> midi_file(const std::vector<Track>& tracks, int end_tick) {
    std::vector<std::uint8_t> out{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1};
    out.push_back(0);
    out.push_back(std::uint8_t(tracks.size()));
    out.push_back(ppq >> 8);
    out.push_back(ppq & 0xFF);
    for (const Track& t : tracks) {
        const auto c = t.chunk(end_tick);
        out.insert(out.end(), c.begin(), c.end());
    }
    return out;
}

// "C5" -> 72, "F#4" -> 66, "Bb3" -> 58.
int parse_pitch(const std::string& name) {
    static const std::map<char, int> base{{'C', 0}, {'D', 2}, {'E', 4}, {'F', 5}, {'G', 7}, {'A', 9}, {'B', 11}};
    std::size_t i = 0;
    int pitch = base.at(name.at(i++));
    if (name.at(i) == '#') pitch += 1, ++i;
    else if (name.at(i) == 'b') pitch -= 1, ++i;
    return pitch + 12 * (std::stoi(name.substr(i)) + 1);
}

// A line of notes "C5:4 r:2 E5+G5:6": pitch (or chord joined by '+', or r for a rest) and
// length in sixteenths. Returns the length written, in ticks.
int add_line(Track& track, int start, int channel, int velocity, const std::string& line, double gate = 0.92) {
    std::istringstream in(line);
    std::string token;
    int tick = start;
    while (in >> token) {
        const auto colon = token.find(':');
        const std::string what = token.substr(0, colon);
        const int length = std::stoi(token.substr(colon + 1)) * sixteenth;
        if (what != "r") {
            std::istringstream chord(what);
            std::string pitch;
            while (std::getline(chord, pitch, '+'))
                track.note(tick, std::max(30, int(length * gate)), channel, parse_pitch(pitch), velocity);
        }
        tick += length;
    }
    return tick - start;
}

struct Chord {
    int root;                // MIDI note of the root in the bass octave
    std::vector<int> tones;  // intervals above the root
};

Chord chord(const std::string& name) {
    // Root letter (with # or b) followed by a quality.
    std::size_t i = 1;
    std::string root = name.substr(0, 1);
    if (name.size() > 1 && (name[1] == '#' || name[1] == 'b')) root += name[i++];
    const std::string q = name.substr(i);
    int r = parse_pitch(root + "2");
    if (r < parse_pitch("E2")) r += 12;  // keep the bass between E2 and D#3
    static const std::map<std::string, std::vector<int>> qualities{
        {"", {0, 4, 7}},      {"m", {0, 3, 7}},        {"7", {0, 4, 7, 10}},  {"maj7", {0, 4, 7, 11}},
        {"m7", {0, 3, 7, 10}}, {"sus4", {0, 5, 7}},     {"7sus4", {0, 5, 7, 10}},
    };
    return {r, qualities.at(q)};
}

Track header_track(const char* name, double bpm) {
    Track t;
    t.meta(0, 0x03, name);
    t.time_signature(0);
    t.tempo(0, bpm);
    return t;
}

Track instrument(int channel, int program, int volume, int pan, int reverb, const char* name) {
    Track t;
    t.meta(0, 0x03, name);
    t.program(0, channel, program);
    t.control(0, channel, 7, volume);
    t.control(0, channel, 10, pan);
    t.control(0, channel, 91, reverb);
    t.control(0, channel, 93, 20);  // chorus
    return t;
}

// ---- the title tune: calm, 76 bpm, F major, 16 bars ------------------------------------------

std::vector<std::uint8_t> title_tune() {
    const std::array<const char*, 16> chords{"Fmaj7", "Dm7", "Bbmaj7", "C",  "Am7", "Gm7", "Bbmaj7", "C7sus4",
                                             "Fmaj7", "Dm7", "Bbmaj7", "C",  "Dm7", "Gm7", "Bbmaj7", "C7"};
    const std::array<const char*, 16> melody{
        "C5:6 A4:2 C5:4 F5:4",  "E5:6 D5:2 C5:4 A4:4",  "D5:6 C5:2 Bb4:4 D5:4", "C5:12 r:4",
        "A4:6 C5:2 E5:4 A5:4",  "G5:6 F5:2 D5:4 Bb4:4", "A4:4 Bb4:4 D5:4 F5:4", "G5:8 E5:8",
        "F5:6 E5:2 C5:4 A4:4",  "D5:6 E5:2 F5:4 A5:4",  "G5:6 F5:2 D5:4 Bb4:4", "C5:4 D5:4 E5:8",
        "F5:6 E5:2 D5:4 C5:4",  "Bb4:4 D5:4 G5:4 F5:4", "D5:6 C5:2 Bb4:4 A4:4", "G4:8 r:8",
    };
    const int bars = 16;
    Track head = header_track("kelvora title", 76);
    Track lead = instrument(0, 11, 110, 70, 70, "vibraphone");    // Vibraphone
    Track keys = instrument(1, 4, 96, 50, 60, "electric piano");   // Electric Piano 1
    Track pad = instrument(2, 89, 80, 64, 90, "pad");              // Pad 2 (warm)
    Track bass = instrument(3, 33, 104, 64, 30, "bass");           // Electric Bass (finger)
    Track drops = instrument(4, 8, 76, 90, 100, "celesta");        // Celesta
    Rng rng(2001);
    for (int bar = 0; bar < bars; ++bar) {
        const int t0 = bar * bar_ticks;
        add_line(lead, t0, 0, 84, melody[bar], 0.95);
        const Chord c = chord(chords[bar]);
        // Electric piano: a gentle rising and falling arpeggio in eighths.
        std::vector<int> arp;
        for (int iv : c.tones) arp.push_back(c.root + 12 + iv);
        arp.push_back(c.root + 24);
        const int order[8] = {0, 1, 2, 3, 2, 1, 2, 1};
        for (int k = 0; k < 8; ++k)
            keys.note(t0 + k * 2 * sixteenth, 2 * sixteenth, 1, arp[order[k] % arp.size()], k % 4 == 0 ? 64 : 52);
        // Pad: the chord held for the whole bar (the sus chord resolves halfway).
        if (std::string(chords[bar]) == "C7sus4") {
            for (int iv : c.tones) pad.note(t0, bar_ticks / 2, 2, c.root + 12 + iv, 50);
            for (int iv : chord("C7").tones) pad.note(t0 + bar_ticks / 2, bar_ticks / 2, 2, c.root + 12 + iv, 50);
        } else {
            for (int iv : c.tones) pad.note(t0, bar_ticks, 2, c.root + 12 + iv, 50);
        }
        // Bass: root, then the fifth.
        bass.note(t0, bar_ticks / 2 - 20, 3, c.root, 80);
        bass.note(t0 + bar_ticks / 2, bar_ticks / 2 - 20, 3, c.root + 7, 70);
        // Raindrops: two high chord tones at fixed but irregular places.
        for (int k = 0; k < 2; ++k) {
            const int pos = int(rng.next() % 16);
            const int tone = c.tones[rng.next() % c.tones.size()];
            drops.note(t0 + pos * sixteenth, sixteenth, 4, c.root + 36 + tone, 40 + int(rng.next() % 20));
        }
    }
    return midi_file({head, lead, keys, pad, bass, drops}, bars * bar_ticks);
}

// ---- the play tune: lively, 132 bpm, A minor, 16 bars ----------------------------------------

std::vector<std::uint8_t> play_tune() {
    const std::array<const char*, 16> chords{"Am", "F",  "G",  "Em", "Am", "F",  "G", "E7",
                                             "F",  "G",  "Em", "Am", "Dm", "G",  "F", "E"};
    const std::array<const char*, 16> melody{
        "A4:2 C5:2 E5:2 A5:4 G5:2 E5:4",  "F5:4 E5:2 C5:2 A4:4 C5:4",       "D5:2 E5:2 G5:4 B4:2 D5:2 G5:4",
        "E5:8 r:4 B4:4",                  "A4:2 C5:2 E5:2 A5:4 B5:2 C6:4",  "A5:4 G5:2 F5:2 E5:4 C5:4",
        "D5:2 E5:2 F5:2 G5:2 F5:2 E5:2 D5:4", "E5:6 G#4:2 B4:4 E5:4",      "C6:4 A5:4 F5:4 A5:4",
        "B5:4 G5:4 D5:4 G5:4",            "G5:4 E5:2 B4:2 E5:4 G5:4",       "A5:8 E5:4 C5:4",
        "D5:2 F5:2 A5:4 D6:4 C6:4",       "B5:4 G5:2 D5:2 B5:4 D6:4",       "C6:4 A5:2 F5:2 C6:2 A5:2 F5:4",
        "E5:4 G#5:4 B5:4 E5:4",
    };
    const int bars = 16;
    Track head = header_track("kelvora play", 132);
    Track lead = instrument(0, 80, 84, 64, 50, "lead");          // Lead 1 (square)
    Track keys = instrument(1, 5, 74, 44, 40, "electric piano"); // Electric Piano 2
    Track strings = instrument(2, 48, 58, 84, 70, "strings");    // String Ensemble 1
    Track bass = instrument(3, 38, 92, 64, 10, "bass");          // Synth Bass 1
    Track bells = instrument(4, 11, 58, 96, 70, "vibraphone");   // Vibraphone, echoing the lead
    Track drums;
    drums.meta(0, 0x03, "drums");
    drums.control(0, 9, 7, 92);
    drums.control(0, 9, 91, 30);
    for (int bar = 0; bar < bars; ++bar) {
        const int t0 = bar * bar_ticks;
        add_line(lead, t0, 0, 92, melody[bar], 0.85);
        add_line(bells, t0 + 3 * sixteenth, 4, 40, bar % 2 ? "r:1" : melody[bar], 0.5);
        const Chord c = chord(chords[bar]);
        // Off-beat chord stabs.
        for (int k = 0; k < 4; ++k)
            for (int iv : c.tones) keys.note(t0 + (4 * k + 2) * sixteenth, sixteenth + 40, 1, c.root + 24 + iv, 62);
        for (int iv : c.tones) strings.note(t0, bar_ticks - 10, 2, c.root + 12 + iv, 44);
        // Driving eighth-note bass with an octave lift on the off-beats of beat 4.
        for (int k = 0; k < 8; ++k) {
            const int key = (k == 7 || k == 3) ? c.root + 12 : c.root;
            bass.note(t0 + k * 2 * sixteenth, 2 * sixteenth - 30, 3, key, k % 2 ? 76 : 96);
        }
        // Drums: kick, snare on 2 and 4, eighth hats, an open hat and a fill every fourth bar.
        const bool fill = bar % 4 == 3;
        drums.note(t0, sixteenth, 9, 36, 110);
        drums.note(t0 + 8 * sixteenth, sixteenth, 9, 36, 100);
        if (bar % 2 == 1) drums.note(t0 + 10 * sixteenth, sixteenth, 9, 36, 84);
        drums.note(t0 + 4 * sixteenth, sixteenth, 9, 38, 100);
        drums.note(t0 + 12 * sixteenth, sixteenth, 9, 38, 104);
        for (int k = 0; k < 8; ++k) {
            if (fill && k == 7) continue;
            drums.note(t0 + k * 2 * sixteenth, sixteenth, 9, (fill && k == 6) ? 46 : 42, k % 2 ? 60 : 78);
        }
        if (fill) {
            drums.note(t0 + 14 * sixteenth, sixteenth, 9, 38, 80);
            drums.note(t0 + 15 * sixteenth, sixteenth, 9, 38, 92);
        }
        if (bar % 8 == 0) drums.note(t0, 4 * sixteenth, 9, 49, bar == 0 ? 96 : 86);
    }
    return midi_file({head, lead, keys, strings, bass, bells, drums}, bars * bar_ticks);
}

}  // namespace

bool write_tunes(const std::string& folder) {
    return write_file(folder + "kelvora1.mid", title_tune()) && write_file(folder + "kelvora2.mid", play_tune());
}

}  // namespace kelvora::tools
