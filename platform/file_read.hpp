#pragma once
// Reading the game's own files from its folder. Whatever stands there under a file's name, a
// folder, a FIFO or a device, is refused at once with a reason rather than waited on.

#include <cstddef>
#include <string>

namespace kelvora {

// Reads the whole regular file at `path` (links followed) into `bytes`. False, with a short
// reason in `error` ("is a directory", "not a regular file", "file too large", or the system's
// reason), when it cannot be read or holds more than `max_bytes`.
bool read_file(const std::string& path, std::size_t max_bytes, std::string& bytes, std::string& error);

// The same, but a longer file is not refused: only its first `max_bytes` are read.
bool read_file_start(const std::string& path, std::size_t max_bytes, std::string& bytes, std::string& error);

}  // namespace kelvora
