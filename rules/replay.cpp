#include "rules/replay.hpp"

#include <array>

#include "rules/erasure.hpp"
#include "rules/rain.hpp"
#include "rules/random.hpp"
#include "rules/setup.hpp"

namespace kelvora {

namespace {

constexpr std::string_view magic = "KVRP";
constexpr std::size_t header_size = 36;
constexpr std::size_t checksum_size = 4;
constexpr int max_varint_bytes = 3;  // 21 bits hold every tick up to the limit

// The official settings as the header holds them, in its order.
struct OfficialHeader {
    std::uint8_t field_width, field_height, colour_count, erase_count, rain_period, chain_time;
    std::uint16_t level_ticks;
};

OfficialHeader official_header() {
    PlayState state;
    prepare_game(state, true);
    return {std::uint8_t(state.field_width), std::uint8_t(state.field_height), std::uint8_t(state.colour_count),
            std::uint8_t(state.erase_count), std::uint8_t(state.rain_period), std::uint8_t(state.chain_time),
            std::uint16_t(state.level_ticks)};
}

// CRC-32 (IEEE 802.3, as zip and PNG use), bit by bit: a replay is at most 16 KiB.
std::uint32_t crc32(std::string_view bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void put(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(char((value >> (8 * i)) & 0xFF));
}

std::uint64_t get(std::string_view bytes, std::size_t at, int count) {
    std::uint64_t value = 0;
    for (int i = 0; i < count; ++i) value |= std::uint64_t(std::uint8_t(bytes[at + i])) << (8 * i);
    return value;
}

int cell_code(Cell cell, int width) { return (cell.row - 1) * width + (cell.column - 1); }

}  // namespace

std::string encode_replay(const Replay& replay) {
    const OfficialHeader official = official_header();
    std::string out(magic);
    put(out, replay_format_version, 1);
    put(out, rules_version, 1);
    for (std::uint8_t value : {official.field_width, official.field_height, official.colour_count,
                               official.erase_count, official.rain_period, official.chain_time})
        put(out, value, 1);
    put(out, official.level_ticks, 2);
    put(out, replay.seed, 8);
    put(out, std::uint32_t(replay.score), 4);
    put(out, std::uint32_t(replay.max_chain), 4);
    put(out, std::uint32_t(replay.end_tick), 4);
    put(out, replay.events.size(), 2);
    std::int32_t last = 0;
    for (const ReplayEvent& event : replay.events) {
        std::uint32_t delta = std::uint32_t(event.tick - last);
        last = event.tick;
        do {
            const std::uint8_t low = delta & 0x7F;
            delta >>= 7;
            out.push_back(char(delta != 0 ? low | 0x80 : low));
        } while (delta != 0);
        out.push_back(char(cell_code(event.cell, official.field_width)));
    }
    put(out, crc32(out), 4);
    return out;
}

std::optional<Replay> decode_replay(std::string_view bytes, std::string& refusal) {
    auto refuse = [&](std::string why) -> std::optional<Replay> {
        refusal = std::move(why);
        return std::nullopt;
    };
    if (bytes.size() > replay_size_limit) return refuse("larger than 16 KiB");
    if (bytes.size() < header_size + checksum_size || bytes.substr(0, magic.size()) != magic)
        return refuse("not a replay");
    if (get(bytes, 4, 1) != replay_format_version) return refuse("unknown format version");
    if (get(bytes, 5, 1) != rules_version) return refuse("made by other rules (rules version)");
    const std::string_view body = bytes.substr(0, bytes.size() - checksum_size);
#ifndef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION  // lets the fuzzer reach the events and the game
    if (get(bytes, body.size(), 4) != crc32(body)) return refuse("checksum does not match");
#endif

    const OfficialHeader official = official_header();
    const std::array<std::uint8_t, 6> expected{official.field_width, official.field_height, official.colour_count,
                                               official.erase_count, official.rain_period, official.chain_time};
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (get(bytes, 6 + i, 1) != expected[i]) return refuse("not the official settings");
    if (get(bytes, 12, 2) != official.level_ticks) return refuse("not the official settings");

    Replay replay;
    replay.seed = get(bytes, 14, 8);
    const std::uint64_t score = get(bytes, 22, 4), max_chain = get(bytes, 26, 4), end = get(bytes, 30, 4);
    const std::uint64_t count = get(bytes, 34, 2);
    if (end < 1 || end > std::uint64_t(replay_tick_limit)) return refuse("end tick out of range");
    if (score > std::uint64_t(score_ceiling) || max_chain > 0x7FFF) return refuse("claim out of range");
    if (count > end / 8 + 1) return refuse("more events than the game's length allows");
    replay.score = std::int32_t(score);
    replay.max_chain = std::int32_t(max_chain);
    replay.end_tick = std::int32_t(end);

    const int cells = official.field_width * official.field_height;
    std::size_t at = header_size;
    std::int64_t tick = 0;
    replay.events.reserve(count);
    for (std::uint64_t i = 0; i < count; ++i) {
        std::uint32_t delta = 0;
        for (int shift = 0;; shift += 7) {
            if (at >= body.size()) return refuse("events cut short");
            if (shift / 7 >= max_varint_bytes) return refuse("tick delta too long");
            const std::uint8_t byte = std::uint8_t(body[at++]);
            if (byte == 0 && shift > 0) return refuse("tick delta not in its shortest form");
            delta |= std::uint32_t(byte & 0x7F) << shift;
            if ((byte & 0x80) == 0) break;
        }
        tick += delta;
        if (tick >= std::int64_t(end)) return refuse("event at or after the end tick");
        if (at >= body.size()) return refuse("events cut short");
        const int code = std::uint8_t(body[at++]);
        if (code >= cells) return refuse("event outside the field");
        replay.events.push_back({std::int32_t(tick), Cell{code % official.field_width + 1, code / official.field_width + 1}});
    }
    if (at != body.size()) return refuse("bytes after the events");
    return replay;
}

std::optional<ReplayResult> simulate_replay(const Replay& replay, std::string& refusal) {
    PlayState state;
    prepare_game(state, true);
    state.rain_running = true;
    Random random;
    random.seed(replay.seed);
    std::size_t next = 0;
    for (;;) {
        for (; next < replay.events.size() && replay.events[next].tick == state.ticks_played; ++next) {
            if (!erase_group(state, replay.events[next].cell)) {
                refusal = "the press at tick " + std::to_string(state.ticks_played) + " erases no group";
                return std::nullopt;
            }
        }
        if (state.ticks_played >= replay.end_tick) {
            refusal = "the game is not over at the end tick";
            return std::nullopt;
        }
        if (rain_tick(state, random, true).game_ended) break;
    }
    if (state.ticks_played != replay.end_tick || next != replay.events.size()) {
        refusal = "the game ends at tick " + std::to_string(state.ticks_played) + ", before the end tick";
        return std::nullopt;
    }
    return ReplayResult{state.total_score, state.max_chain, state.ticks_played};
}

std::optional<ReplayResult> verify_replay(std::string_view bytes, std::string& refusal) {
    const std::optional<Replay> replay = decode_replay(bytes, refusal);
    if (!replay) return std::nullopt;
    std::optional<ReplayResult> result = simulate_replay(*replay, refusal);
    if (!result) return std::nullopt;
    if (result->score != replay->score || result->max_chain != replay->max_chain) {
        refusal = "the claim (score " + std::to_string(replay->score) + ", max chain " +
                  std::to_string(replay->max_chain) + ") is not what the game yields (score " +
                  std::to_string(result->score) + ", max chain " + std::to_string(result->max_chain) + ")";
        return std::nullopt;
    }
    return result;
}

}  // namespace kelvora
