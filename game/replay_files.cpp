#include "game/replay_files.hpp"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <vector>

#include "core/app.hpp"
#include "platform/file_read.hpp"

namespace kelvora {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view replay_extension = ".kvr";
// One file name a line: the replays the server has. Names of replays since removed are dropped
// whenever a name is added.
constexpr const char* sent_list_name = "sent.txt";

std::vector<std::string> read_lines(const fs::path& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) lines.push_back(line);
    return lines;
}

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

bool write_whole_file(const fs::path& path, const std::string& bytes) {
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

std::vector<UnsentReplay> unsent_replays(const App& app) {
    const fs::path folder = replay_folder(app);
    const std::vector<std::string> sent = read_lines(folder / sent_list_name);
    std::vector<UnsentReplay> unsent;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (!name.ends_with(replay_extension) || std::find(sent.begin(), sent.end(), name) != sent.end()) continue;
        std::string bytes, why;
        if (!read_file(entry.path().string(), replay_size_limit, bytes, why)) continue;
        const std::optional<Replay> replay = decode_replay(bytes, why);
        if (!replay || name.size() < 15) continue;
        unsent.push_back({name, replay->score, replay->max_chain,
                          name.substr(0, 4) + "/" + name.substr(4, 2) + "/" + name.substr(6, 2) + " " +
                              name.substr(9, 2) + ":" + name.substr(11, 2)});
    }
    std::sort(unsent.begin(), unsent.end(), [](const UnsentReplay& a, const UnsentReplay& b) {
        return a.score != b.score ? a.score > b.score : a.file > b.file;
    });
    return unsent;
}

void mark_replay_sent(const App& app, const std::string& file) {
    const fs::path folder = replay_folder(app);
    std::vector<std::string> kept;
    std::error_code error;
    for (const std::string& name : read_lines(folder / sent_list_name))
        if (name != file && fs::exists(folder / name, error)) kept.push_back(name);
    kept.push_back(file);
    std::string text;
    for (const std::string& name : kept) text += name + "\n";
    if (!write_whole_file(folder / sent_list_name, text))
        std::cerr << "kelvora: the list of sent replays in " << folder.string() << " cannot be written\n";
}

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
    if (error || !write_whole_file(path, encode_replay(replay))) {
        std::cerr << "kelvora: the replay " << path.string() << " cannot be written\n";
        return;
    }
    thin_replays(app, folder);
}

}  // namespace kelvora
