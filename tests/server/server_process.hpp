#pragma once
// The real kelvora-server program, started by a test on a loopback port.
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace kelvora::server {

inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// One run of the program with its stderr in a file; the port is taken from its first line.
class ServerProcess {
public:
    // `user`, when not 0, is the user id the program runs as (the test runs as root).
    ServerProcess(const std::string& dir, std::vector<std::string> args, uid_t user = 0)
        : log_(dir + "/server-" + std::to_string(++runs) + ".log") {
        args.insert(args.begin(), {KELVORA_SERVER_PROGRAM, "--port", "0"});
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            // The server goes when the test goes, and holds none of the test's output open.
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            const int fd = ::open(log_.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            dup2(fd, 1);
            dup2(fd, 2);
            if (user != 0 && (setgid(user) != 0 || setuid(user) != 0)) _exit(126);
            execv(argv[0], argv.data());
            _exit(127);
        }
        const std::regex listening("listening on https?://127\\.0\\.0\\.1:([0-9]+)/");
        for (int i = 0; i < 100 && port == 0 && running(); ++i) {
            std::smatch match;
            const std::string log = read_file(log_);
            if (std::regex_search(log, match, listening)) port = std::stoi(match[1]);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ~ServerProcess() {
        if (running()) stop(SIGKILL);
    }
    bool running() { return pid_ > 0 && status_ < 0 && waitpid(pid_, &status_, WNOHANG) == 0; }
    // The exit status after the signal (or after it ended by itself).
    int stop(int signal) {
        if (status_ < 0) {
            kill(pid_, signal);
            waitpid(pid_, &status_, 0);
        }
        return status_;
    }
    int wait_exit() {
        if (status_ < 0) waitpid(pid_, &status_, 0);
        return status_;
    }
    std::string log() const { return read_file(log_); }
    pid_t pid() const { return pid_; }
    std::string base() const { return "http://127.0.0.1:" + std::to_string(port); }
    int port = 0;

private:
    static inline int runs = 0;
    std::string log_;
    pid_t pid_ = -1;
    int status_ = -1;
};

}  // namespace kelvora::server
