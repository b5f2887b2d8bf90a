#include "platform/file_read.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace kelvora {
namespace {

enum class Longer { refuse, cut };

bool fail(std::string& error, std::string reason) {
    error = std::move(reason);
    return false;
}

bool read_regular(const std::string& path, std::size_t max_bytes, Longer longer, std::string& bytes,
                  std::string& error) {
    bytes.clear();
    error.clear();
    // Changed: without O_NONBLOCK opening a FIFO waits for a writer, for ever if none comes;
    // anything but a regular file is refused like a damaged file of its kind.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return fail(error, errno == ENXIO ? "not a regular file" : std::strerror(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    struct stat info {};
    if (::fstat(fd, &info) != 0) return fail(error, std::strerror(errno));
    if (S_ISDIR(info.st_mode)) return fail(error, "is a directory");
    if (!S_ISREG(info.st_mode)) return fail(error, "not a regular file");
    if (longer == Longer::refuse && std::uint64_t(info.st_size) > max_bytes) return fail(error, "file too large");

    // The size is only a hint: the file may grow or shrink while it is read.
    const std::size_t wanted = std::min<std::uint64_t>(std::uint64_t(info.st_size), max_bytes);
    bytes.resize(wanted);
    std::size_t done = 0;
    for (;;) {
        if (done == bytes.size()) {
            if (done > max_bytes) break;
            bytes.resize(done + std::min<std::size_t>(4096, max_bytes + 1 - done));
        }
        ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            int saved = errno;
            bytes.clear();
            return fail(error, std::strerror(saved));
        }
        if (n == 0) break;
        done += std::size_t(n);
    }
    bytes.resize(done);
    if (done > max_bytes) {
        if (longer == Longer::refuse) {
            bytes.clear();
            return fail(error, "file too large");
        }
        bytes.resize(max_bytes);
    }
    return true;
}

}  // namespace

bool read_file(const std::string& path, std::size_t max_bytes, std::string& bytes, std::string& error) {
    return read_regular(path, max_bytes, Longer::refuse, bytes, error);
}

bool read_file_start(const std::string& path, std::size_t max_bytes, std::string& bytes, std::string& error) {
    return read_regular(path, max_bytes, Longer::cut, bytes, error);
}

}  // namespace kelvora
