#include "platform/sdl/tune_cache.hpp"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xxhash.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/user_folder.hpp"

namespace kelvora {
namespace {

namespace fs = std::filesystem;

// Bumped whenever the file's layout or the way recordings are made changes: older files are then
// neither read nor named alike, and are replaced as their tunes are recorded again.
constexpr char format[8] = "kvtune1";
constexpr const char* extension = ".pcm";

struct Header {
    char magic[8];
    std::uint64_t key;
    std::int64_t frames;
    std::int64_t end;
    std::uint64_t checksum;  // of key, frames, end and every sample
};
static_assert(sizeof(Header) % sizeof(std::int16_t[2]) == 0, "frames follow the header aligned");

constexpr std::size_t frame_bytes = 2 * sizeof(std::int16_t);

std::uint64_t checksum(const Header& header, const std::vector<std::span<const std::int16_t>>& parts) {
    std::unique_ptr<XXH3_state_t, decltype(&XXH3_freeState)> state(XXH3_createState(), &XXH3_freeState);
    if (!state) return 0;
    XXH3_64bits_reset(state.get());
    XXH3_64bits_update(state.get(), &header.key, sizeof header.key);
    XXH3_64bits_update(state.get(), &header.frames, sizeof header.frames);
    XXH3_64bits_update(state.get(), &header.end, sizeof header.end);
    for (auto part : parts) XXH3_64bits_update(state.get(), part.data(), part.size_bytes());
    return XXH3_64bits_digest(state.get());
}

// A tune file's name as a file name of the cache: its own characters where they are plain.
std::string plain_name(const std::string& name) {
    std::string plain;
    for (char c : name.substr(0, 40))
        plain.push_back((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ? c : '_');
    return plain.empty() ? "tune" : plain;
}

std::string hex(std::uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

bool write_all(int fd, const void* data, std::size_t size) {
    const char* at = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t written = ::write(fd, at, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        at += written;
        size -= std::size_t(written);
    }
    return true;
}

}  // namespace

MappedTune::MappedTune(void* base, std::size_t length, std::int64_t frames, std::int64_t end)
    : base_(base), length_(length), frames_(frames), end_(end) {}

MappedTune::~MappedTune() { ::munmap(base_, length_); }

const std::int16_t* MappedTune::samples() const {
    return reinterpret_cast<const std::int16_t*>(static_cast<const char*>(base_) + sizeof(Header));
}

std::string tune_cache_folder() { return user_folder("XDG_CACHE_HOME", ".cache"); }

std::uint64_t tune_key(const std::string& tune_bytes, const std::string& synthesis) {
    const std::string described = std::string(format) + '\n' + synthesis + '\n';
    return XXH3_64bits_withSeed(tune_bytes.data(), tune_bytes.size(), XXH3_64bits(described.data(), described.size()));
}

TuneCache::TuneCache(std::string folder, std::int64_t max_frames) : folder_(std::move(folder)), max_frames_(max_frames) {
    if (!folder_.empty() && folder_.back() != '/') folder_.push_back('/');
}

std::string TuneCache::path_of(std::uint64_t key, const std::string& name) const {
    return folder_ + plain_name(name) + "-" + hex(key) + extension;
}

std::unique_ptr<MappedTune> TuneCache::load(std::uint64_t key, const std::string& name) const {
    if (folder_.empty()) return nullptr;
    const std::string path = path_of(key, name);
    // Never a link, and never waiting on a FIFO someone put in its place.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ELOOP) ::unlink(path.c_str());
        return nullptr;
    }
    struct stat status {};
    void* base = MAP_FAILED;
    std::size_t length = 0;
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && std::size_t(status.st_size) >= sizeof(Header)) {
        length = std::size_t(status.st_size);
        base = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, fd, 0);
    }
    ::close(fd);
    if (base == MAP_FAILED) {
        std::error_code error;
        fs::remove(path, error);
        return nullptr;
    }
    Header header;
    std::memcpy(&header, base, sizeof header);
    const auto* samples = reinterpret_cast<const std::int16_t*>(static_cast<const char*>(base) + sizeof(Header));
    const bool sound = std::memcmp(header.magic, format, sizeof format) == 0 && header.key == key &&
                       header.frames >= 0 && header.frames <= max_frames_ && header.end >= 0 &&
                       header.end <= header.frames && length == sizeof(Header) + std::size_t(header.frames) * frame_bytes &&
                       header.checksum == checksum(header, {{samples, std::size_t(header.frames) * 2}});
    if (!sound) {
        ::munmap(base, length);
        ::unlink(path.c_str());
        return nullptr;
    }
    return std::make_unique<MappedTune>(base, length, header.frames, header.end);
}

std::unique_ptr<MappedTune> TuneCache::store(std::uint64_t key, const std::string& name,
                                             const std::vector<std::span<const std::int16_t>>& parts,
                                             std::int64_t end) const {
    if (folder_.empty()) return nullptr;
    std::error_code error;
    fs::create_directories(folder_, error);
    if (error) return nullptr;

    Header header{};
    std::memcpy(header.magic, format, sizeof format);
    header.key = key;
    for (auto part : parts) header.frames += std::int64_t(part.size() / 2);
    header.end = end;
    header.checksum = checksum(header, parts);

    // Written whole beside its place and renamed into it, so the file under the cached name is
    // always complete; a run that stops halfway leaves a hidden file the next store removes.
    const std::string path = path_of(key, name);
    std::string temporary = folder_ + "." + plain_name(name) + "-XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return nullptr;
    bool written = write_all(fd, &header, sizeof header);
    for (auto part : parts) written = written && write_all(fd, part.data(), part.size_bytes());
    written = ::fsync(fd) == 0 && written;
    written = ::close(fd) == 0 && written;
    if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return nullptr;
    }

    // The recordings of this tune made with another soundfont, settings or version of the file
    // are of no more use.
    const std::string own = fs::path(path).filename().string();
    const std::string prefix = plain_name(name) + "-";
    for (fs::directory_iterator entry(folder_, error), last; !error && entry != last; entry.increment(error)) {
        const std::string file = entry->path().filename().string();
        const bool recording = file.size() == prefix.size() + 16 + std::strlen(extension) && file.starts_with(prefix) &&
                               file.ends_with(extension);
        const bool left_over = file.size() == 1 + prefix.size() + 6 && file.starts_with("." + prefix);
        if ((recording || left_over) && file != own) ::unlink(entry->path().c_str());
    }
    return load(key, name);
}

}  // namespace kelvora
