#pragma once
// A tiny standard MIDI file writer for the sound tests: one track, 480 ticks per quarter note at
// the default 120 beats a minute, so 960 ticks make one second.

#include <cstdint>
#include <string>
#include <vector>

namespace kelvora::testing {

inline constexpr int ticks_per_second = 960;

struct MidiNote {
    int key;
    int on_tick;
    int off_tick;
};

inline void put_variable_length(std::string& out, std::uint32_t value) {
    char bytes[4];
    int count = 0;
    do {
        bytes[count++] = char(value & 0x7f);
        value >>= 7;
    } while (value != 0);
    while (count > 1) out += char(bytes[--count] | 0x80);
    out += bytes[0];
}

inline void put_be(std::string& out, std::uint32_t value, int size) {
    for (int i = size - 1; i >= 0; --i) out += char((value >> (8 * i)) & 0xff);
}

// A type 0 file: the notes on channel 1 with the given program, then the end of the track at
// `end_tick`. Notes must not overlap and must be in order.
inline std::string midi_file(const std::vector<MidiNote>& notes, int end_tick, int program = 19) {
    std::string track;
    put_variable_length(track, 0);
    track += "\xc0";
    track += char(program);
    int now = 0;
    for (const MidiNote& note : notes) {
        put_variable_length(track, std::uint32_t(note.on_tick - now));
        track += "\x90";
        track += char(note.key);
        track += char(100);
        put_variable_length(track, std::uint32_t(note.off_tick - note.on_tick));
        track += "\x80";
        track += char(note.key);
        track += char(64);
        now = note.off_tick;
    }
    put_variable_length(track, std::uint32_t(end_tick - now));
    track += std::string("\xff\x2f\x00", 3);

    std::string file = "MThd";
    put_be(file, 6, 4);
    put_be(file, 0, 2);
    put_be(file, 1, 2);
    put_be(file, 480, 2);
    file += "MTrk";
    put_be(file, std::uint32_t(track.size()), 4);
    return file + track;
}

}  // namespace kelvora::testing
