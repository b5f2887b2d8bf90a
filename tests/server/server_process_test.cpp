// The real kelvora-server program on a loopback port: entries over HTTP, the list page read back
// by the game's own download code, limits, and a kill -9 in the middle of entries.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <thread>

#include "platform/curl/curl_http.hpp"
#include "ranking/net_ranking.hpp"
#include "ranking/rank_file.hpp"
#include "server/entry_form.hpp"
#include "server/entry_queue.hpp"
#include "tests/server/server_process.hpp"
#include "tests/server/temp_folder.hpp"

namespace kelvora::server {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class ServerProcessTest : public TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        db = dir + "/ranking.db";
        ::setenv("no_proxy", "127.0.0.1", 1);
        // A server may close a connection the client is still writing to.
        std::signal(SIGPIPE, SIG_IGN);
    }
    static httplib::Result post_entry(httplib::Client& client, const std::string& name, std::int32_t score,
                                      const std::string& password) {
        return client.Post("/entry", encode_form({{"name", name}, {"score", std::to_string(score)}, {"password", password}}),
                           "application/x-www-form-urlencoded");
    }
    std::string db;
};

TEST_F(ServerProcessTest, TheGameDownloadsTheEnteredResults) {
    ServerProcess server(dir, {"--accept-passwords", "--db", db});
    ASSERT_GT(server.port, 0) << server.log();
    httplib::Client client("127.0.0.1", server.port);

    // Before any entry the game reads its default net ranking: "-", "-", 0 in every place.
    CurlHttp http;
    rank_table table = insert_rank(make_rank_table(0, 0), 1, 1, "OLD", "old");
    ASSERT_TRUE(download_net_ranking(http, server.base(), table));
    EXPECT_EQ(table, make_rank_table(0, 0));

    // Twelve results, the 3rd and 4th equal (the earlier ahead), one sent twice, one refused.
    const std::vector<std::pair<std::string, std::int32_t>> results{
        {"AAA", 500},  {"B!z", 90000}, {"CC", 7000},   {"D", 7000},  {"E", 1},    {"FFF", 999999999},
        {"G", 0},      {"H", 64000},   {"III", 31000}, {"J", 2500},  {"K", 2500}, {"L", 123}};
    const std::string today = server_date();
    for (const auto& [name, score] : results) {
        auto res = post_entry(client, name, score, make_password(score));
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 303) << name << res->body;
        EXPECT_EQ(res->get_header_value("Location"), "/");
    }
    auto again = post_entry(client, "CC", 7000, make_password(7000));
    ASSERT_TRUE(again);
    EXPECT_EQ(again->status, 303);
    auto wrong = post_entry(client, "X", 100, make_password(101));
    ASSERT_TRUE(wrong);
    EXPECT_EQ(wrong->status, 400);
    EXPECT_NE(wrong->body.find("パスワード"), std::string::npos);

    ASSERT_TRUE(download_net_ranking(http, server.base(), table));
    const std::vector<std::pair<std::string, std::int32_t>> expected{
        {"FFF", 999999999}, {"B!z", 90000}, {"H", 64000}, {"III", 31000}, {"CC", 7000},
        {"D", 7000},        {"J", 2500},    {"K", 2500},  {"AAA", 500},   {"L", 123}};
    for (int p = 1; p <= 10; ++p) {
        EXPECT_EQ(table.name[p], expected[p - 1].first) << p;
        EXPECT_EQ(table.score[p], expected[p - 1].second) << p;
        EXPECT_EQ(table.note[p], today) << p;
    }

    auto top = client.Get("/");
    ASSERT_TRUE(top);
    EXPECT_EQ(top->status, 200);
    EXPECT_NE(top->body.find("<td>B!z</td>"), std::string::npos);
    EXPECT_NE(top->body.find("<td class=\"n\">12位</td><td>G</td>"), std::string::npos);
    auto other = client.Get("/cgi-bin/list.cgi?filename=other&unit=");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->status, 404);

    // The same data after a clean stop and a restart.
    EXPECT_EQ(server.stop(SIGTERM), 0);
    EXPECT_NE(server.log().find("POST /entry 303"), std::string::npos);
    ServerProcess restarted(dir, {"--accept-passwords", "--db", db});
    rank_table reread;
    ASSERT_TRUE(download_net_ranking(http, restarted.base(), reread));
    EXPECT_EQ(reread, table);
}

TEST_F(ServerProcessTest, RefusesFloodsLargeBodiesAndTakenPorts) {
    ServerProcess server(dir, {"--accept-passwords", "--db", db});
    ASSERT_GT(server.port, 0) << server.log();
    httplib::Client client("127.0.0.1", server.port);

    auto large = client.Post("/entry", "name=" + std::string(5000, 'A'), "application/x-www-form-urlencoded");
    ASSERT_TRUE(large);
    EXPECT_EQ(large->status, 413);
    httplib::Client chunked_client("127.0.0.1", server.port);  // refused mid-body: its own connection
    auto chunked = chunked_client.Post(
        "/entry",
        [](std::size_t, httplib::DataSink& sink) {
            sink.write("name=", 5);
            sink.done();
            return true;
        },
        "application/x-www-form-urlencoded");
    ASSERT_TRUE(chunked);
    EXPECT_EQ(chunked->status, 411);  // only a body with a length can be held to the limit
    auto not_a_form = client.Post("/entry", "{\"name\":\"A\"}", "application/json");
    ASSERT_TRUE(not_a_form);
    EXPECT_EQ(not_a_form->status, 400);

    // Twenty entries a minute from one address, the refused ones above included.
    int accepted = 0, refused = 0;
    for (int i = 0; i < 20; ++i) {
        auto res = post_entry(client, "R", i, make_password(i));
        ASSERT_TRUE(res);
        (res->status == 303 ? accepted : refused)++;
        if (res->status == 429) {
            EXPECT_FALSE(res->get_header_value("Retry-After").empty());
        }
    }
    EXPECT_EQ(accepted, 19);  // the form that was not one counted too; the oversized body never got in
    EXPECT_EQ(refused, 1);

    ServerProcess second(dir, {"--accept-passwords", "--db", dir + "/other.db", "--port", std::to_string(server.port)});
    EXPECT_EQ(WEXITSTATUS(second.wait_exit()), 1);
    EXPECT_NE(second.log().find("the port is already in use"), std::string::npos) << second.log();

    std::ofstream(dir + "/junk.db") << std::string(4096, 'x');
    ServerProcess bad_db(dir, {"--accept-passwords", "--db", dir + "/junk.db"});
    EXPECT_EQ(WEXITSTATUS(bad_db.wait_exit()), 1);
    EXPECT_NE(bad_db.log().find("cannot open the database"), std::string::npos);
}

// Entries acknowledged before a kill -9 are all there after a restart, in a sound database.
TEST_F(ServerProcessTest, AcknowledgedEntriesSurviveAKill) {
    auto server = std::make_unique<ServerProcess>(dir, std::vector<std::string>{"--accept-passwords", "--db", db, "--entries-per-minute", "0"});
    ASSERT_GT(server->port, 0) << server->log();

    std::mutex acknowledged_mutex;
    std::set<std::pair<std::string, int>> acknowledged;
    std::atomic<int> sent = 0;
    std::vector<std::thread> players;
    for (int t = 0; t < 4; ++t) {
        players.emplace_back([&, t] {
            httplib::Client client("127.0.0.1", server->port);
            client.set_connection_timeout(1);
            client.set_read_timeout(2);
            for (int i = 0; i < 2000; ++i) {
                const std::string name = "P" + std::to_string(t);
                auto res = post_entry(client, name, i, make_password(i));
                if (!res) break;  // the server is gone
                ++sent;
                if (res->status == 303) {
                    std::lock_guard lock(acknowledged_mutex);
                    acknowledged.insert({name, i});
                }
            }
        });
    }
    for (int i = 0; i < 200 && sent < 100; ++i) std::this_thread::sleep_for(10ms);
    server->stop(SIGKILL);
    for (auto& p : players) p.join();
    ASSERT_GE(acknowledged.size(), 50u);

    sqlite3* handle = nullptr;
    ASSERT_EQ(sqlite3_open(db.c_str(), &handle), SQLITE_OK);
    std::set<std::pair<std::string, int>> kept;
    std::string integrity;
    sqlite3_exec(handle, "PRAGMA integrity_check", [](void* out, int, char** values, char**) {
        *static_cast<std::string*>(out) = values[0];
        return 0;
    }, &integrity, nullptr);
    sqlite3_exec(handle, "SELECT name, score FROM entries", [](void* out, int, char** values, char**) {
        static_cast<std::set<std::pair<std::string, int>>*>(out)->insert({values[0], std::atoi(values[1])});
        return 0;
    }, &kept, nullptr);
    sqlite3_close(handle);
    EXPECT_EQ(integrity, "ok");
    for (const auto& entry : acknowledged) EXPECT_TRUE(kept.count(entry)) << entry.first << " " << entry.second;

    ServerProcess restarted(dir, {"--accept-passwords", "--db", db});
    ASSERT_GT(restarted.port, 0) << restarted.log();
    CurlHttp http;
    rank_table table;
    ASSERT_TRUE(download_net_ranking(http, restarted.base(), table));
    int best = 0;
    for (const auto& entry : kept) best = std::max(best, entry.second);
    EXPECT_EQ(table.score[1], best);
    EXPECT_EQ(restarted.stop(SIGINT), 0);
}

// The operator's commands beside a running server, whose pages follow them; a database file
// moved away under the server; one the server may not write.
TEST_F(ServerProcessTest, OperatorCommandsAndAMovedDatabase) {
    ServerProcess server(dir, {"--accept-passwords", "--db", db, "--entries-per-minute", "0"});
    ASSERT_GT(server.port, 0) << server.log();
    httplib::Client client("127.0.0.1", server.port);
    for (int score : {10, 20, 30}) ASSERT_EQ(post_entry(client, "E" + std::to_string(score), score, make_password(score))->status, 303);
    const auto command = [&](const std::string& args) {
        std::string out;
        FILE* pipe = popen((std::string(KELVORA_SERVER_PROGRAM) + " --db " + db + " " + args + " 2>&1").c_str(), "r");
        for (int c; (c = fgetc(pipe)) != EOF;) out.push_back(char(c));
        return std::make_pair(WEXITSTATUS(pclose(pipe)), out);
    };
    EXPECT_EQ(command("--list 2"), std::make_pair(0, "3\tE30\t30\t" + server_date() + "\n2\tE20\t20\t" + server_date() + "\n"));
    const auto removed = command("--remove 2 7");
    EXPECT_EQ(removed.first, 1);  // 7 is no entry
    EXPECT_NE(removed.second.find("removed entry 2: E20 20"), std::string::npos) << removed.second;
    EXPECT_EQ(command("--backup " + dir + "/copy.db").first, 0);
    std::this_thread::sleep_for(1200ms);
    EXPECT_EQ(client.Get("/")->body.find("E20"), std::string::npos);  // the cached page followed

    // Moved away between entries: what is acknowledged is in the file at the path.
    fs::rename(db, dir + "/moved.db");
    std::vector<int> acknowledged;
    for (int score = 40; score < 50; ++score) {
        auto res = post_entry(client, "M", score, make_password(score));
        if (res && res->status == 303) acknowledged.push_back(score);
        if (res && res->status != 303) {
            EXPECT_EQ(res->status, 503);
        }
    }
    EXPECT_GE(acknowledged.size(), 9u);
    EXPECT_NE(server.log().find("no longer at its path"), std::string::npos);
    EXPECT_EQ(server.stop(SIGTERM), 0);
    const auto listed = command("--list");
    for (int score : acknowledged) EXPECT_NE(listed.second.find("\tM\t" + std::to_string(score)), std::string::npos);
    EXPECT_NE(command("--db " + dir + "/copy.db --list").second.find("E10"), std::string::npos);

    // A file the server's user cannot write: it does not start, and says which file.
    if (getuid() == 0) {
        fs::permissions(dir, fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
        ServerProcess unwritable(dir, {"--accept-passwords", "--db", db}, 65534);
        EXPECT_EQ(WEXITSTATUS(unwritable.wait_exit()), 1);
        EXPECT_NE(unwritable.log().find("cannot open the database " + db), std::string::npos) << unwritable.log();
    }
}

// Caches in front revalidate the pages with 304s; HTTPS straight from the server, with a
// certificate made here.
TEST_F(ServerProcessTest, PagesRevalidateAndHttpsServesThem) {
    ASSERT_EQ(std::system(("cd " + dir + " && certtool --generate-privkey --outfile key.pem >/dev/null 2>&1 && "
                           "printf 'cn = 127.0.0.1\\nip_address = 127.0.0.1\\nexpiration_days = 2\\ntls_www_server\\n' > t && "
                           "certtool --generate-self-signed --load-privkey key.pem --template t --outfile cert.pem "
                           ">/dev/null 2>&1").c_str()), 0);
    ServerProcess plain(dir, {"--accept-passwords", "--db", db});
    ASSERT_GT(plain.port, 0) << plain.log();
    httplib::Client client("127.0.0.1", plain.port);
    for (const char* path : {"/", "/cgi-bin/list.cgi?filename=kelv&unit="}) {
        const auto first = client.Get(path);
        const std::string etag = first->get_header_value("ETag"), modified = first->get_header_value("Last-Modified");
        ASSERT_FALSE(etag.empty() || modified.empty()) << path;
        EXPECT_EQ(client.Get(path, {{"If-None-Match", etag}})->status, 304) << path;
        EXPECT_EQ(client.Get(path, {{"If-Modified-Since", modified}})->status, 304) << path;
        EXPECT_EQ(client.Get(path, {{"If-None-Match", "\"other\""}, {"If-Modified-Since", modified}})->status, 200);
        ASSERT_EQ(post_entry(client, path[1] ? "L" : "T", 5, make_password(5))->status, 303);
        const auto changed = client.Get(path, {{"If-None-Match", etag}});
        EXPECT_EQ(changed->status, 200) << path;
        EXPECT_NE(changed->get_header_value("ETag"), etag);
    }

    ServerProcess tls(dir, {"--accept-passwords", "--db", db, "--tls-cert", dir + "/cert.pem", "--tls-key", dir + "/key.pem"});
    ASSERT_NE(tls.log().find("listening on https://"), std::string::npos) << tls.log();
    const std::string fetch = "curl -sf --noproxy '*' --cacert " + dir + "/cert.pem -o " + dir +
                              "/list.html 'https://127.0.0.1:" + std::to_string(tls.port) +
                              "/cgi-bin/list.cgi?filename=kelv&unit='";
    ASSERT_EQ(std::system(fetch.c_str()), 0);
    EXPECT_EQ(read_file(dir + "/list.html"), client.Get("/cgi-bin/list.cgi?filename=kelv&unit=")->body);
}

}  // namespace
}  // namespace kelvora::server
