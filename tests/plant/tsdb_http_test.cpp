// The small HTTP client of the database writer, against a server in the test that answers
// what each case says.
#include "plant/tsdb_http.h"
#include "support/free_port.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace qor;
using Failure = plant::HttpReply::Failure;

namespace {

// Accepts one connection, reads one request (head and announced body), answers `answer`
// and closes.
class CannedServer {
public:
    explicit CannedServer(std::string answer)
    {
        m_fd = test::ListenLoopback(port);
        m_thread = std::thread([this, answer] {
            const int c = ::accept(m_fd, nullptr, nullptr);
            if (c < 0)
                return;
            char buf[4096];
            for (ssize_t n; (n = ::recv(c, buf, sizeof buf, 0)) > 0;) {
                request.append(buf, static_cast<std::size_t>(n));
                const auto head = request.find("\r\n\r\n");
                const auto cl = request.find("Content-Length: ");
                if (head != std::string::npos && cl != std::string::npos &&
                    request.size() >= head + 4 + std::stoul(request.substr(cl + 16)))
                    break;
            }
            ::send(c, answer.data(), answer.size(), MSG_NOSIGNAL);
            ::close(c);
        });
    }
    ~CannedServer()
    {
        ::shutdown(m_fd, SHUT_RDWR);
        m_thread.join();
        ::close(m_fd);
    }
    int port = 0;
    std::string request;

private:
    int m_fd = -1;
    std::thread m_thread;
};

plant::HttpTarget Target(int port, const std::string& path = "/write")
{
    plant::HttpTarget t;
    std::string error;
    EXPECT_TRUE(plant::ParseHttpUrl("http://127.0.0.1:" + std::to_string(port) + path, t, error)) << error;
    return t;
}

TEST(TsdbHttp, OnlyTwoHundredAndTwoHundredFourAreAcknowledgements)
{
    struct Case {
        const char* answer;
        bool acknowledged;
        Failure failure;
        int status;
        const char* body;
    };
    const Case cases[] = {
        {"HTTP/1.1 204 No Content\r\nX-Server-Hostname: x\r\n\r\n", true, Failure::None, 204, ""},
        {"HTTP/1.1 200 OK\r\ncontent-length: 2\r\n\r\n{}", true, Failure::None, 200, "{}"},
        {"HTTP/1.0 200 OK\r\n\r\n", true, Failure::None, 200, ""},
        {"HTTP/1.1 400 Bad Request\r\nContent-Length: 11\r\n\r\nbad line 1\n", false, Failure::None, 400,
         "bad line 1\n"},
        {"HTTP/1.1 503 Service Unavailable\r\n\r\nbusy", false, Failure::None, 503, "busy"},
        {"HTTP/1.1 301 Moved\r\nContent-Length: 0\r\n\r\n", false, Failure::None, 301, ""},
        {"SSH-2.0-OpenSSH\r\n\r\n", false, Failure::Garbled, 0, ""},
        {"HTTP/1.1 204", false, Failure::Closed, 0, ""},  // cut off before the end of its head
        {"", false, Failure::Closed, 0, ""},
    };
    for (const Case& c : cases) {
        CannedServer server(c.answer);
        const plant::HttpReply r = plant::HttpPost(Target(server.port), "x", {}, 60000);
        EXPECT_EQ(r.Acknowledged(), c.acknowledged) << c.answer;
        EXPECT_EQ(r.failure, c.failure) << c.answer;
        EXPECT_EQ(r.status, c.status) << c.answer;
        EXPECT_EQ(r.body, c.body) << c.answer;
    }
}

TEST(TsdbHttp, RequestAsSentAndFailuresWithoutAnAnswer)
{
    CannedServer server("HTTP/1.1 204 No Content\r\n\r\n");
    const auto r = plant::HttpPost(Target(server.port, "/write?db=plant"), "hello",
                                   {{"Content-Encoding", "gzip"}}, 60000);
    EXPECT_TRUE(r.Acknowledged());
    EXPECT_EQ(server.request,
              "POST /write?db=plant HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.port) +
                  "\r\nConnection: close\r\nContent-Length: 5\r\nContent-Encoding: gzip\r\n\r\n"
                  "hello");
    // Takes the connection and the request and never answers: the time-out or the cancel ends the wait.
    int port = 0;
    const int silent = test::ListenLoopback(port);
    const auto late = plant::HttpPost(Target(port), "x", {}, 200);
    EXPECT_EQ(late.failure, Failure::Timeout);
    EXPECT_FALSE(late.Acknowledged());
    int cancel[2];
    ASSERT_EQ(::pipe(cancel), 0);
    ASSERT_EQ(::write(cancel[1], "x", 1), 1);
    EXPECT_EQ(plant::HttpPost(Target(port), "x", {}, 600000, cancel[0]).failure, Failure::Cancelled);
    ::close(cancel[0]);
    ::close(cancel[1]);
    ::close(silent);
    const auto refused = plant::HttpPost(Target(test::PickFreePort()), "x", {}, 60000);
    EXPECT_EQ(refused.failure, Failure::Connect);
    EXPECT_EQ(refused.error, ECONNREFUSED);
}

TEST(TsdbHttp, Urls)
{
    struct Case {
        const char* url;
        bool ok;
        const char* host;
        int port;
        const char* path;
    };
    const Case cases[] = {
        {"http://127.0.0.1:8428/write", true, "127.0.0.1", 8428, "/write"},
        {"HTTP://db.plant:8086/write?db=qor&precision=ns", true, "db.plant", 8086,
         "/write?db=qor&precision=ns"},
        {"http://db", true, "db", 80, "/"},
        {"http://[::1]:8428/write", true, "::1", 8428, "/write"},
        {"https://db:8428/write", false, "", 0, ""},
        {"http://:8428/write", false, "", 0, ""},
        {"http://db:0/write", false, "", 0, ""},
        {"http://db:/write", false, "", 0, ""},
        {"http://user:pw@db/write", false, "", 0, ""},
        {"http://db/wr ite", false, "", 0, ""},
    };
    for (const Case& c : cases) {
        plant::HttpTarget t;
        std::string error;
        EXPECT_EQ(plant::ParseHttpUrl(c.url, t, error), c.ok) << c.url;
        EXPECT_EQ(error.empty(), c.ok) << c.url;
        if (!c.ok)
            continue;
        EXPECT_EQ(t.host, c.host) << c.url;
        EXPECT_EQ(t.port, c.port) << c.url;
        EXPECT_EQ(t.path, c.path) << c.url;
    }
}

}  // namespace
