#include "platform/curl/curl_http.hpp"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "sdl/loopback_server.hpp"

namespace kelvora {
namespace {

using Clock = std::chrono::steady_clock;
using testing::listen_on_loopback;
using testing::LoopbackServer;
using testing::reply;

class CurlHttpTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("no_proxy", "127.0.0.1", 1); }
    HttpLimits quick{1000, 1000, 1000};
};

TEST_F(CurlHttpTest, ReturnsTheBodyBytesWhateverTheStatus) {
    const std::string body = std::string("<TD>\x83\x50\x83\x8b\x83\x7b\x83\x89</TD>\0end", 22);
    LoopbackServer server({reply("200 OK", body), reply("404 Not Found", "gone"), reply("200 OK", "no length", false)});
    CurlHttp http(quick);
    EXPECT_EQ(http.get(server.url("/cgi-bin/list.cgi?filename=kelv&unit=")), body);
    EXPECT_EQ(http.get(server.url("/")), "gone");
    EXPECT_EQ(http.get(server.url("/")), "no length");
    ASSERT_EQ(server.requests().size(), 3u);
    EXPECT_EQ(server.requests()[0].rfind("GET /cgi-bin/list.cgi?filename=kelv&unit= HTTP/1.1\r\n", 0), 0u)
        << server.requests()[0];
}

TEST_F(CurlHttpTest, BodiesOverTheLimitFail) {
    std::string full(quick.max_body_bytes, 'x');
    std::string over(quick.max_body_bytes + 1, 'x');
    std::string far_over(20 * quick.max_body_bytes, 'x');
    LoopbackServer server({reply("200 OK", full), reply("200 OK", over), reply("200 OK", far_over, false)});
    CurlHttp http(quick);
    EXPECT_EQ(http.get(server.url("/")), full);
    EXPECT_EQ(http.get(server.url("/")), std::nullopt);
    EXPECT_EQ(http.get(server.url("/")), std::nullopt) << "a body without a length is cut off as it comes";
}

TEST_F(CurlHttpTest, AServerThatNeverAnswersTimesOut) {
    int port = 0;
    int fd = listen_on_loopback(port);  // connections complete in the backlog and are never read
    CurlHttp http(quick);
    auto start = Clock::now();
    EXPECT_EQ(http.get("http://127.0.0.1:" + std::to_string(port) + "/"), std::nullopt);
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), 5.0);
    ::close(fd);
}

TEST_F(CurlHttpTest, RefusedConnectionsAndOtherProtocolsFail) {
    int port = 0;
    ::close(listen_on_loopback(port));  // nobody listens there any more
    CurlHttp http(quick);
    EXPECT_EQ(http.get("http://127.0.0.1:" + std::to_string(port) + "/"), std::nullopt);
    EXPECT_EQ(http.get("file:///etc/hostname"), std::nullopt);
    EXPECT_EQ(http.get("not a url"), std::nullopt);

    LoopbackServer server({"HTTP/1.1 302 Found\r\nLocation: file:///etc/hostname\r\nContent-Length: 0\r\n\r\n",
                           reply("200 OK", "second reply")});
    EXPECT_EQ(http.get("ftp://127.0.0.1:" + std::to_string(server.port()) + "/"), std::nullopt);
    EXPECT_EQ(server.requests().size(), 0u);
    EXPECT_EQ(http.get(server.url("/")), std::nullopt) << "a redirect to a file is not followed";
    // The server's second reply goes to this client so that the server thread ends.
    EXPECT_EQ(http.get(server.url("/")), "second reply");
}

TEST_F(CurlHttpTest, FollowsAtMostThreeRedirectsAndSendsNoCookiesBack) {
    auto redirect = [](const std::string& to) {
        return "HTTP/1.1 302 Found\r\nConnection: close\r\nSet-Cookie: session=abc; Path=/\r\nLocation: " + to +
               "\r\nContent-Length: 0\r\n\r\n";
    };
    CurlHttp http(quick);
    LoopbackServer three({redirect("/1"), redirect("/2"), redirect("/3"), reply("200 OK", "arrived")});
    EXPECT_EQ(http.get(three.url("/")), "arrived");
    ASSERT_EQ(three.requests().size(), 4u);
    for (const std::string& request : three.requests()) EXPECT_EQ(request.find("Cookie:"), std::string::npos) << request;

    LoopbackServer four({redirect("/1"), redirect("/2"), redirect("/3"), redirect("/4"), reply("200 OK", "next")});
    EXPECT_EQ(http.get(four.url("/")), std::nullopt);
    EXPECT_EQ(four.requests().size(), 4u);
    EXPECT_EQ(http.get(four.url("/")), "next") << "the fourth redirect was not followed";
}

TEST_F(CurlHttpTest, TheGamesLimitsBoundASilentServerAndALargeBody) {
    CurlHttp http;  // as the game makes it
    const std::size_t mebibyte = 1 << 20;
    LoopbackServer server({reply("200 OK", std::string(mebibyte, 'x')), reply("200 OK", std::string(mebibyte + 1, 'x'), false)});
    EXPECT_EQ(http.get(server.url("/"))->size(), mebibyte);
    EXPECT_EQ(http.get(server.url("/")), std::nullopt);

    int port = 0;
    int fd = listen_on_loopback(port);  // accepts, and never answers
    auto start = Clock::now();
    EXPECT_EQ(http.get("http://127.0.0.1:" + std::to_string(port) + "/"), std::nullopt);
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), 6.0);
    ::close(fd);
}

}  // namespace
}  // namespace kelvora
