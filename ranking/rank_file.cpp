#include "ranking/rank_file.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "core/rank_table.hpp"
#include "platform/file_read.hpp"

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

// Changed: the one temporary file of a rank file. A save killed half-way leaves it behind,
// and the next save takes it over, so strays never pile up.
constexpr const char* temp_suffix = ".new";

struct FileHandle {
    int fd;
    ~FileHandle() {
        if (fd >= 0) ::close(fd);
    }
};

std::string folder_of(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string reason(int error_number) {
    // What stands there is a FIFO, a socket or a device: the system's own words would mislead.
    return error_number == ENXIO ? "not a regular file" : std::strerror(error_number);
}

bool fail(std::string& error, const std::string& what, int error_number) {
    error = what + ": " + reason(error_number);
    return false;
}

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

// The file that `path` names once its symbolic links are followed; it need not exist yet.
bool follow_links(const std::string& path, std::string& target, std::string& error) {
    namespace fs = std::filesystem;
    fs::path at = path;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (fs::symlink_status(at, ec).type() != fs::file_type::symlink) {
            target = at.string();
            return true;
        }
        fs::path link = fs::read_symlink(at, ec);
        if (ec) return fail(error, "cannot write " + path, ec.value());
        at = link.is_absolute() ? link : at.parent_path() / link;
    }
    return fail(error, "cannot write " + path, ELOOP);
}

// Opens and locks the temporary file, taking over a stale one. Whatever else holds its name
// (a link, a FIFO, a file with other names) is removed first. -1 with errno set when the
// folder takes no file.
int open_temp(const std::string& temp) {
    for (int attempt = 0; attempt < 4; ++attempt) {
        int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
        if (fd < 0) {
            int saved = errno;
            if (::unlink(temp.c_str()) == 0) continue;
            errno = saved;
            return -1;
        }
        struct stat opened {}, named {};
        int locked;
        while ((locked = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
        }
        if (locked != 0 || ::fstat(fd, &opened) != 0) {
            int saved = errno;
            ::close(fd);
            errno = saved;
            return -1;
        }
        if (!S_ISREG(opened.st_mode) || opened.st_nlink != 1) {
            ::close(fd);
            if (::unlink(temp.c_str()) != 0) return -1;
            continue;
        }
        // Another save may have renamed this file into place while we waited for the lock.
        if (::lstat(temp.c_str(), &named) == 0 && named.st_dev == opened.st_dev && named.st_ino == opened.st_ino)
            return fd;
        ::close(fd);
    }
    errno = EBUSY;
    return -1;
}

// The fallback when no new file can be made beside the rank file: the record is written over
// the old one from the start, the file cut to its length and flushed.
bool write_in_place(int fd, const std::string& path, const std::string& data, std::string& error) {
    if (!write_all(fd, data) || ::ftruncate(fd, off_t(data.size())) != 0)
        return fail(error, "cannot write " + path, errno);
    if (::fsync(fd) != 0) return fail(error, "cannot flush " + path, errno);
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
    const std::string data = encode(table);
    // Changed: a rank file that is a link stays one: the file it names is the one written.
    std::string target;
    if (!follow_links(path, target, error)) return false;

    // Changed: an existing file must be one that could be written in place: a read-only rank
    // file is reported rather than replaced behind its owner's back.
    const FileHandle old{::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
    if (old.fd < 0 && errno != ENOENT) return fail(error, "cannot write " + path, errno);
    struct stat old_info {};
    if (old.fd >= 0 && ::fstat(old.fd, &old_info) != 0) return fail(error, "cannot write " + path, errno);
    if (old.fd >= 0 && !S_ISREG(old_info.st_mode)) return fail(error, "cannot write " + path, ENXIO);

    // Changed: the record goes to a new file beside the old one, reaches the disk, and then
    // replaces the old file in one rename, so a crash mid-write never leaves a damaged rank file.
    const std::string temp = target + temp_suffix;
    const FileHandle out{open_temp(temp)};
    if (out.fd < 0) {
        if (old.fd < 0) return fail(error, "cannot create a file in " + folder_of(target), errno);
        // Changed: a folder that takes no new file may still hold a rank file that can be
        // written; it is written in place.
        return write_in_place(old.fd, path, data, error);
    }
    mode_t mode;
    if (old.fd >= 0) {
        mode = old_info.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    auto give_up = [&](const std::string& what) {
        int saved = errno;
        ::unlink(temp.c_str());
        return fail(error, what, saved);
    };
    if (::ftruncate(out.fd, 0) != 0 || ::fchmod(out.fd, mode) != 0) return give_up("cannot prepare " + temp);
    if (!write_all(out.fd, data)) return give_up("cannot write " + temp);
    if (::fsync(out.fd) != 0) return give_up("cannot flush " + temp);
    // Still holding the lock, so no other save takes the file over half-way.
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        if (old.fd < 0) return give_up("cannot replace " + path);
        ::unlink(temp.c_str());
        return write_in_place(old.fd, path, data, error);
    }
    // Make the rename itself durable; a folder that cannot be synced still holds the new file.
    const FileHandle dir{::open(folder_of(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (dir.fd >= 0) ::fsync(dir.fd);
    return true;
}

bool load_rank_file(const std::string& path, const rank_table& defaults, rank_table& table,
                    std::string& error) {
    // Bytes behind the longest possible record are never read.
    std::string bytes, reason_text;
    if (!read_file_start(path, max_record_bytes, bytes, reason_text)) {
        error = "cannot read " + path + ": " + reason_text;
        return false;
    }

    // Changed: a file that ends early or whose byte counts run past its end keeps every field
    // it holds whole; the rest come from the ranking's default table.
    table = defaults;
    RecordReader reader(bytes);
    for (auto& s : table.score) reader.read_i32(s);
    for (auto& n : table.name) reader.read_text(n);
    for (auto& n : table.note) reader.read_text(n);
    return true;
}

}  // namespace kelvora
