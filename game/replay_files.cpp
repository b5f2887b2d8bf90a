#include "game/replay_files.hpp"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <vector>

#include "core/app.hpp"

namespace kelvora {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view replay_extension = ".kvr";

std::string replay_file_name(std::int32_t score, int attempt) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::string name = std::string(stamp) + "-" + std::to_string(score);
    if (attempt > 1) name += "-" + std::to_string(attempt);  // two games ended in one second
    return name + std::string(replay_extension);
}

// The score in a replay's name ("20261209-153012-1234.kvr"), -1 when the name has none.
std::int32_t score_in_name(const std::string& name) {
    if (name.size() < 17 || name[15] != '-') return -1;
    std::int32_t score = -1;
    std::from_chars(name.data() + 16, name.data() + name.size(), score);
    return score;
}

bool in_official_top_ten(const GameState& state, std::int32_t score) {
    for (int place = 1; place <= 10; ++place)
        if (state.official_ranking.score[place] == score) return true;
    return false;
}

// Removes all but the newest `replays_kept` replays and those whose score is a top-ten score.
void thin_replays(const App& app, const fs::path& folder) {
    std::error_code error;
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.ends_with(replay_extension) && entry.is_regular_file(error)) names.push_back(name);
    }
    // Names start with the date and time, so the greatest are the newest.
    std::sort(names.rbegin(), names.rend());
    for (std::size_t i = replays_kept; i < names.size(); ++i)
        if (!in_official_top_ten(app.state, score_in_name(names[i]))) fs::remove(folder / names[i], error);
}

bool write_replay(const fs::path& path, const std::string& bytes) {
    fs::path part = path;
    part += ".new";
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), std::streamsize(bytes.size()));
        out.flush();
        if (!out) return false;
    }
    std::error_code error;
    fs::rename(part, path, error);
    if (error) fs::remove(part, error);
    return !error;
}

}  // namespace

std::string replay_folder(const App& app) { return app.data_dir + replay_folder_name; }

void start_recording(App& app, std::uint64_t seed) {
    app.recording = Replay{};
    app.recording->seed = seed;
}

void record_press(App& app, Cell cell) {
    if (app.recording) app.recording->events.push_back({app.state.ticks_played, cell});
}

void finish_recording(App& app) {
    if (!app.recording) return;
    Replay replay = std::move(*app.recording);
    app.recording.reset();
    replay.score = app.state.total_score;
    replay.max_chain = app.state.max_chain;
    replay.end_tick = app.state.ticks_played;

    const fs::path folder = replay_folder(app);
    std::error_code error;
    fs::create_directories(folder, error);
    fs::path path;
    for (int attempt = 1; attempt < 100; ++attempt) {
        path = folder / replay_file_name(replay.score, attempt);
        if (!fs::exists(path, error)) break;
    }
    if (error || !write_replay(path, encode_replay(replay))) {
        std::cerr << "kelvora: the replay " << path.string() << " cannot be written\n";
        return;
    }
    thin_replays(app, folder);
}

}  // namespace kelvora
