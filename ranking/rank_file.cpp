#include "ranking/rank_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <algorithm>

#include "core/rank_table.hpp"

namespace kelvora {

namespace {

constexpr int places = 10;
constexpr std::int64_t password_exponent = 7219;
constexpr std::int64_t password_modulus = 301726453;
constexpr int password_digits = 6;

// The longest record there can be: eleven scores and 22 texts of the largest byte count.
constexpr std::size_t max_record_bytes = 11 * 4 + 22 * (2 + std::size_t(0xFFFF));

void put_u16(std::string& out, std::uint16_t v) {
    out.push_back(char(v & 0xFF));
    out.push_back(char(v >> 8));
}

void put_i32(std::string& out, std::int32_t value) {
    auto v = std::uint32_t(value);
    for (int shift = 0; shift < 32; shift += 8) out.push_back(char((v >> shift) & 0xFF));
}

// A text longer than a 16-bit count can say is cut at 65535 bytes, so that the record stays
// readable; names and notes of the game are a few bytes long.
void put_text(std::string& out, const std::string& text) {
    std::size_t length = std::min<std::size_t>(text.size(), 0xFFFF);
    put_u16(out, std::uint16_t(length));
    out.append(text, 0, length);
}

std::string encode(const rank_table& table) {
    std::string out;
    for (auto s : table.score) put_i32(out, s);
    for (const auto& n : table.name) put_text(out, n);
    for (const auto& n : table.note) put_text(out, n);
    return out;
}

// Reads fields front to back; once a field is cut short, it and every later field are missing.
class RecordReader {
public:
    explicit RecordReader(const std::string& bytes) : bytes_(bytes) {}

    bool read_i32(std::int32_t& value) {
        if (bytes_.size() - pos_ < 4) return fail();
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= std::uint32_t(std::uint8_t(bytes_[pos_ + i])) << (8 * i);
        value = std::int32_t(v);
        pos_ += 4;
        return true;
    }

    bool read_text(std::string& text) {
        if (bytes_.size() - pos_ < 2) return fail();
        std::size_t length = std::uint8_t(bytes_[pos_]) | (std::size_t(std::uint8_t(bytes_[pos_ + 1])) << 8);
        if (bytes_.size() - pos_ - 2 < length) return fail();
        text.assign(bytes_, pos_ + 2, length);
        pos_ += 2 + length;
        return true;
    }

private:
    bool fail() {
        pos_ = bytes_.size();
        return false;
    }
    const std::string& bytes_;
    std::size_t pos_ = 0;
};

std::string folder_of(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string reason(int error_number) { return std::strerror(error_number); }

// Writes all of `data` to fd, riding out short writes and interruptions.
bool write_all(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += std::size_t(n);
    }
    return true;
}

}  // namespace

rank_table make_rank_table(std::int16_t base, std::int16_t step) {
    rank_table table;
    for (int p = 1; p <= places; ++p) {
        // Kept: integer arithmetic of the game's 16-bit numbers: products and sums wrap at 16 bits.
        auto offset = std::int16_t((10 - p) * step);
        table.score[p] = std::int16_t(base + offset);
        table.name[p] = "-";
        table.note[p] = "-";
    }
    return table;
}

std::int16_t find_rank_place(const rank_table& table, std::int32_t value) {
    // Kept: strictly less, so a result equal to an entry ranks behind it.
    for (int p = 1; p <= places; ++p)
        if (table.score[p] < value) return std::int16_t(p);
    return 0;
}

rank_table insert_rank(const rank_table& table, std::int16_t place, std::int32_t score,
                       const std::string& name, const std::string& note) {
    rank_table result;
    int q = 1;
    for (int p = 1; p <= places; ++p) {
        if (p == place) {
            result.score[p] = score;
            result.name[p] = name;
            result.note[p] = note;
        } else {
            result.score[p] = table.score[q];
            result.name[p] = table.name[q];
            result.note[p] = table.note[q];
            ++q;
        }
    }
    return result;
}

std::string make_password(std::int32_t score) {
    // Changed: score^E mod M, one multiplication at a time with a floored remainder. Every
    // product stays below 2^60 in 64 bits, so the result is exact for every score (the old
    // double arithmetic drifted once a product passed 2^53).
    std::int64_t v = 1;
    for (std::int64_t i = 0; i < password_exponent; ++i) {
        v = (v * score) % password_modulus;
        if (v < 0) v += password_modulus;
    }
    std::string password(password_digits, 'a');
    for (int d = password_digits - 1; d >= 0; --d) {
        password[d] = char('a' + v % 26);
        v /= 26;
    }
    return password;
}

bool save_rank_file(const std::string& path, const rank_table& table, std::string& error) {
    // The record goes to a new file beside the old one, reaches the disk, and then replaces the
    // old file in one rename, so a crash mid-write never leaves a damaged rank file behind.
    const std::string data = encode(table);
    std::string temp = path + ".XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        error = "cannot create a file in " + folder_of(path) + ": " + reason(errno);
        return false;
    }
    auto give_up = [&](const std::string& what) {
        int saved = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        error = what + ": " + reason(saved);
        return false;
    };

    // mkstemp makes the file private; give it the mode the old file had, or the usual one.
    struct stat old {};
    mode_t mode;
    if (::stat(path.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd, mode) != 0) return give_up("cannot set the mode of " + temp);
    if (!write_all(fd, data)) return give_up("cannot write " + temp);
    if (::fsync(fd) != 0) return give_up("cannot flush " + temp);
    if (::close(fd) != 0) {
        int saved = errno;
        ::unlink(temp.c_str());
        error = "cannot write " + temp + ": " + reason(saved);
        return false;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        int saved = errno;
        ::unlink(temp.c_str());
        error = "cannot replace " + path + ": " + reason(saved);
        return false;
    }
    // Make the rename itself durable; a folder that cannot be synced still holds the new file.
    int dir = ::open(folder_of(path).c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool load_rank_file(const std::string& path, const rank_table& defaults, rank_table& table,
                    std::string& error) {
    int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        error = "cannot open " + path + ": " + reason(errno);
        return false;
    }
    // Bytes behind the longest possible record are never read.
    std::string bytes;
    char chunk[4096];
    while (bytes.size() < max_record_bytes) {
        ssize_t n = ::read(fd, chunk, std::min(sizeof chunk, max_record_bytes - bytes.size()));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            int saved = errno;
            ::close(fd);
            error = "cannot read " + path + ": " + reason(saved);
            return false;
        }
        if (n == 0) break;
        bytes.append(chunk, std::size_t(n));
    }
    ::close(fd);

    // A file that ends early or whose byte counts run past its end keeps every field it holds
    // whole; the rest come from the ranking's default table.
    table = defaults;
    RecordReader reader(bytes);
    for (auto& s : table.score) reader.read_i32(s);
    for (auto& n : table.name) reader.read_text(n);
    for (auto& n : table.note) reader.read_text(n);
    return true;
}

}  // namespace kelvora
