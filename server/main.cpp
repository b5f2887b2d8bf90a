// kelvora-server: a net ranking for the game. The game downloads the top ten from
// /cgi-bin/list.cgi; players enter their official results on the top page.

#include <arpa/inet.h>
#include <pthread.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdint>
#include <csignal>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "server/server.hpp"

namespace {

constexpr const char* usage =
    "usage: kelvora-server [--bind ADDRESS] [--port N] [--db FILE] [--entries-per-minute N]\n"
    "                      [--trust-proxy ADDRESS] [--tls-cert FILE --tls-key FILE]\n"
    "  --bind ADDRESS          address to listen on (default 127.0.0.1)\n"
    "  --port N                port (default 8470; 0 picks a free one)\n"
    "  --db FILE               the ranking database (default kelvora-ranking.db)\n"
    "  --entries-per-minute N  entries allowed per IPv4 address or IPv6 /64 (default 20; 0: no limit)\n"
    "  --trust-proxy ADDRESS   take the client from X-Forwarded-For on connections from ADDRESS\n"
    "  --tls-cert FILE         serve HTTPS with this PEM certificate (chain)\n"
    "  --tls-key FILE          and this PEM private key\n"
    "operator commands on the database, safe while a server runs on it:\n"
    "  kelvora-server [--db FILE] --list [N]      the newest N entries (default 20), each after its id\n"
    "  kelvora-server [--db FILE] --remove ID...  delete entries\n"
    "  kelvora-server [--db FILE] --backup COPY   write a consistent copy of the database\n";

// What the program was asked to do: serve, or one operator command.
struct Command {
    enum Kind { serve, list, remove, backup } kind = serve;
    int count = 20;
    std::vector<std::int64_t> ids;
    std::string copy;
};

bool parse_number(const char* text, int low, int high, int& value) {
    char* end = nullptr;
    errno = 0;
    const long n = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || n < low || n > high) return false;
    value = int(n);
    return true;
}

// 0 when the arguments are good, else the exit status.
int parse_arguments(int argc, char** argv, kelvora::server::ServerOptions& options, Command& command) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(usage, stdout);
            std::exit(0);
        }
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        bool good = value != nullptr;
        if (arg == "--list" && command.kind == Command::serve) {
            command.kind = Command::list;
            if (!value || !parse_number(value, 1, 1'000'000, command.count)) continue;  // N is optional
        } else if (arg == "--remove" && command.kind == Command::serve) {
            command.kind = Command::remove;
            int id = 0;
            while (i + 1 < argc && parse_number(argv[i + 1], 1, INT32_MAX, id)) command.ids.push_back(id), ++i;
            good = !command.ids.empty();
            if (good) continue;
        } else if (arg == "--backup" && good && command.kind == Command::serve) {
            command.kind = Command::backup;
            command.copy = value;
        } else if (arg == "--bind" && good) {
            options.bind = value;
        } else if (arg == "--port" && good) {
            good = parse_number(value, 0, 65535, options.port);
        } else if (arg == "--db" && good) {
            options.db = value;
            good = !options.db.empty();
        } else if (arg == "--tls-cert" && good) {
            options.tls_cert = value;
        } else if (arg == "--tls-key" && good) {
            options.tls_key = value;
        } else if (arg == "--trust-proxy" && good) {
            unsigned char address[16];
            options.trust_proxy = value;
            good = inet_pton(AF_INET, value, address) == 1 || inet_pton(AF_INET6, value, address) == 1;
        } else if (arg == "--entries-per-minute" && good) {
            good = parse_number(value, 0, 1'000'000, options.entries_per_minute);
        } else {
            good = false;
        }
        if (!good) {
            std::fprintf(stderr, "kelvora-server: bad argument %s%s%s\n%s", arg.c_str(), value ? " " : "",
                         value ? value : "", usage);
            return 2;
        }
        ++i;
    }
    return 0;
}

// The operator's commands, on their own connection to the file: SQLite's locking and the
// write-ahead log make them safe beside a running server, whose pages follow within a second.
int run_command(const Command& command, const std::string& db) {
    using namespace kelvora::server;
    std::string error;
    auto store = RankingStore::open(db, error, false);
    if (!store) {
        std::fprintf(stderr, "kelvora-server: cannot open the database %s: %s\n", db.c_str(), error.c_str());
        return 1;
    }
    if (command.kind == Command::list) {
        std::vector<ListedEntry> listed;
        if (!store->newest(command.count, listed, error)) {
            std::fprintf(stderr, "kelvora-server: cannot read %s: %s\n", db.c_str(), error.c_str());
            return 1;
        }
        for (const auto& [id, entry] : listed)
            std::printf("%lld\t%s\t%d\t%s\n", static_cast<long long>(id), entry.name.c_str(), entry.score,
                        entry.date.c_str());
        return 0;
    }
    if (command.kind == Command::backup) {
        if (!store->backup(command.copy, error)) {
            std::fprintf(stderr, "kelvora-server: cannot back up %s to %s: %s\n", db.c_str(), command.copy.c_str(),
                         error.c_str());
            return 1;
        }
        std::fprintf(stderr, "kelvora-server: backed up %s to %s\n", db.c_str(), command.copy.c_str());
        return 0;
    }
    int status = 0;
    for (const std::int64_t id : command.ids) {
        StoredEntry removed;
        if (store->remove(id, removed, error)) {
            std::fprintf(stderr, "kelvora-server: removed entry %lld: %s %d (%s)\n", static_cast<long long>(id),
                         removed.name.c_str(), removed.score, removed.date.c_str());
        } else {
            std::fprintf(stderr, "kelvora-server: entry %lld not removed: %s\n", static_cast<long long>(id),
                         error.empty() ? "no such entry" : error.c_str());
            status = 1;
        }
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace kelvora::server;
    ServerOptions options;
    Command command;
    if (int status = parse_arguments(argc, argv, options, command)) return status;
    if (command.kind != Command::serve) return run_command(command, options.db);
    if (options.tls_cert.empty() != options.tls_key.empty()) {
        std::fprintf(stderr, "kelvora-server: --tls-cert and --tls-key go together\n%s", usage);
        return 2;
    }

    // SIGINT and SIGTERM are taken by one thread with sigwait, which can stop the server safely;
    // every other thread inherits the blocked mask.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    // Each connection is a descriptor; the server caps connections below what it may open.
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = std::min<rlim_t>(files.rlim_max, 8192);
        setrlimit(RLIMIT_NOFILE, &files);
    }

    std::string error;
    auto server = RankingServer::create(options, error);
    if (!server) {
        std::fprintf(stderr, "kelvora-server: cannot open the database %s: %s\n", options.db.c_str(), error.c_str());
        return 1;
    }
    if (!server->bind(error)) {
        std::fprintf(stderr, "kelvora-server: cannot listen on %s port %d: %s\n", options.bind.c_str(), options.port,
                     error.c_str());
        return 1;
    }
    const bool v6 = options.bind.find(':') != std::string::npos;
    std::fprintf(stderr, "kelvora-server: listening on %s://%s%s%s:%d/ with the database %s\n",
                 options.tls_cert.empty() ? "http" : "https", v6 ? "[" : "",
                 options.bind.c_str(), v6 ? "]" : "", server->port(), options.db.c_str());

    std::thread signals([&] {
        int signal = 0;
        sigwait(&stop_signals, &signal);
        std::fprintf(stderr, "kelvora-server: %s, stopping\n", strsignal(signal));
        server->stop();
    });
    server->run();
    signals.join();
    server.reset();  // commits what is still waiting and closes the database
    std::fprintf(stderr, "kelvora-server: stopped\n");
    return 0;
}
