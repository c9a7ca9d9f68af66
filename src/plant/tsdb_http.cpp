#include "plant/tsdb_http.h"

#include "common/text.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qor::plant {
namespace {

using SteadyClock = std::chrono::steady_clock;

int MsLeft(SteadyClock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
    return left.count() <= 0 ? 0 : static_cast<int>(left.count());
}

struct Wait {
    SteadyClock::time_point deadline;
    int cancelFd = -1;
};

// Waits for `events` on `fd`; false on time-out or cancel, with the failure in `r`.
bool WaitFor(int fd, short events, const Wait& w, HttpReply& r)
{
    for (;;) {
        pollfd p[2] = {{fd, events, 0}, {w.cancelFd, POLLIN, 0}};
        const int n = ::poll(p, w.cancelFd >= 0 ? 2 : 1, MsLeft(w.deadline));
        if (n > 0 && w.cancelFd >= 0 && p[1].revents) {
            r.failure = HttpReply::Failure::Cancelled;
            return false;
        }
        if (n > 0)
            return true;
        if (n == 0 || errno != EINTR) {
            r.failure = HttpReply::Failure::Timeout;
            return false;
        }
    }
}

struct Socket {
    int fd = -1;
    ~Socket()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// A connected non-blocking socket to one of the host's addresses.
HttpReply Connect(const HttpTarget& t, const Wait& wait, Socket& s)
{
    HttpReply r;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    const std::string port = std::to_string(t.port);
    if (::getaddrinfo(t.host.c_str(), port.c_str(), &hints, &list) != 0 || !list) {
        r.failure = HttpReply::Failure::Resolve;
        return r;
    }
    r.failure = HttpReply::Failure::Connect;
    for (addrinfo* a = list; a; a = a->ai_next) {
        Socket c;
        c.fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (c.fd < 0) {
            r.error = errno;
            continue;
        }
        if (::connect(c.fd, a->ai_addr, a->ai_addrlen) != 0 && errno != EINPROGRESS) {
            r.error = errno;
            continue;
        }
        if (!WaitFor(c.fd, POLLOUT, wait, r))
            break;
        int error = 0;
        socklen_t len = sizeof error;
        ::getsockopt(c.fd, SOL_SOCKET, SO_ERROR, &error, &len);
        if (error != 0) {
            r.error = error;
            continue;
        }
        std::swap(s.fd, c.fd);
        r = HttpReply{};
        break;
    }
    ::freeaddrinfo(list);
    return r;
}

bool SendAll(int fd, const char* data, std::size_t size, const Wait& wait, HttpReply& r)
{
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n > 0) {
            data += n;
            size -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!WaitFor(fd, POLLOUT, wait, r))
                return false;
            continue;
        }
        r.failure = HttpReply::Failure::Closed;
        r.error = n < 0 ? errno : 0;
        return false;
    }
    return true;
}

std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// The status and Content-Length of a complete header block; false when it is no HTTP answer.
bool ParseHead(const std::string& head, int& status, long& contentLength)
{
    // "HTTP/1.x NNN reason"
    if (head.compare(0, 5, "HTTP/") != 0)
        return false;
    const auto sp = head.find(' ');
    if (sp == std::string::npos || sp + 4 > head.size())
        return false;
    status = 0;
    for (std::size_t i = sp + 1; i < sp + 4; ++i) {
        if (head[i] < '0' || head[i] > '9')
            return false;
        status = status * 10 + (head[i] - '0');
    }
    contentLength = -1;
    const std::string lower = Lower(head);
    if (const auto p = lower.find("\r\ncontent-length:"); p != std::string::npos)
        contentLength = std::strtol(lower.c_str() + p + 17, nullptr, 10);
    return true;
}

}  // namespace

bool ParseHttpUrl(const std::string& url, HttpTarget& out, std::string& error, int language)
{
    static const std::string kScheme = "http://";
    if (Lower(url.substr(0, kScheme.size())) != kScheme) {
        error =
            TextPair{"die Adresse muss mit http:// beginnen", "the URL must start with http://"}[language];
        return false;
    }
    const std::string rest = url.substr(kScheme.size());
    const auto slash = rest.find_first_of("/?");
    std::string authority = rest.substr(0, slash);
    HttpTarget t;
    t.path = slash == std::string::npos ? "/" : rest.substr(slash);
    if (t.path[0] == '?')
        t.path.insert(0, "/");
    if (authority.find('@') != std::string::npos) {
        error = TextPair{"die Adresse darf weder Benutzer noch Passwort enthalten",
                         "the URL must not hold a user or password"}[language];
        return false;
    }
    std::string port;
    if (!authority.empty() && authority[0] == '[') {
        const auto close = authority.find(']');
        if (close == std::string::npos) {
            error =
                TextPair{"der IPv6-Adresse fehlt ihr ']'", "the URL's IPv6 address lacks its ']'"}[language];
            return false;
        }
        t.host = authority.substr(1, close - 1);
        if (close + 1 < authority.size()) {
            if (authority[close + 1] != ':') {
                error = TextPair{"auf den Rechner folgt etwas anderes als :PORT",
                                 "the URL's host is followed by something other than :PORT"}[language];
                return false;
            }
            port = authority.substr(close + 2);
        }
    } else {
        const auto colon = authority.find(':');
        t.host = authority.substr(0, colon);
        if (colon != std::string::npos)
            port = authority.substr(colon + 1);
    }
    if (t.host.empty()) {
        error = TextPair{"die Adresse nennt keinen Rechner", "the URL names no host"}[language];
        return false;
    }
    if (!port.empty() || authority.back() == ':') {
        long p = 0;
        bool digits = !port.empty() && port.size() <= 5;
        for (char c : port)
            digits = digits && c >= '0' && c <= '9';
        if (digits)
            p = std::strtol(port.c_str(), nullptr, 10);
        if (!digits || p < 1 || p > 65535) {
            error = TextPair{"der Port muss 1..65535 sein", "the URL's port must be 1..65535"}[language];
            return false;
        }
        t.port = static_cast<int>(p);
    }
    for (char c : url)
        if (static_cast<unsigned char>(c) <= ' ' || c == 0x7f) {
            error = TextPair{"die Adresse darf keine Leer- oder Steuerzeichen enthalten",
                             "the URL must not hold spaces or control characters"}[language];
            return false;
        }
    t.hostHeader = authority;
    out = t;
    return true;
}

HttpReply HttpPost(const HttpTarget& target, const std::string& body,
                   const std::vector<std::pair<std::string, std::string>>& headers, int timeoutMs,
                   int cancelFd)
{
    const Wait wait{SteadyClock::now() + std::chrono::milliseconds(timeoutMs), cancelFd};
    Socket s;
    HttpReply r = Connect(target, wait, s);
    if (r.failure != HttpReply::Failure::None)
        return r;
    std::string head = "POST " + target.path + " HTTP/1.1\r\nHost: " + target.hostHeader +
                       "\r\nConnection: close\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
    for (const auto& [name, value] : headers)
        head += name + ": " + value + "\r\n";
    head += "\r\n";
    if (!SendAll(s.fd, head.data(), head.size(), wait, r) ||
        !SendAll(s.fd, body.data(), body.size(), wait, r))
        return r;

    // The answer: its head, then as much of the body as it announces (a refusal's reason).
    constexpr std::size_t kMaxHead = 64 * 1024, kMaxBody = 4096;
    std::string in;
    std::size_t headEnd = std::string::npos;
    long contentLength = -1;
    for (;;) {
        if (headEnd == std::string::npos) {
            headEnd = in.find("\r\n\r\n");
            if (headEnd != std::string::npos) {
                if (!ParseHead(in.substr(0, headEnd + 2), r.status, contentLength)) {
                    r.failure = HttpReply::Failure::Garbled;
                    return r;
                }
                headEnd += 4;
            } else if (in.size() > kMaxHead) {
                r.failure = HttpReply::Failure::Garbled;
                return r;
            }
        }
        if (headEnd != std::string::npos) {
            const std::size_t have = in.size() - headEnd;
            const std::size_t want =
                contentLength < 0 ? kMaxBody
                                  : std::min<std::size_t>(kMaxBody, static_cast<std::size_t>(contentLength));
            if (have >= want || (contentLength < 0 && r.status == 204)) {
                r.body = in.substr(headEnd, want);
                return r;
            }
        }
        if (!WaitFor(s.fd, POLLIN, wait, r)) {
            if (headEnd != std::string::npos && contentLength < 0 &&
                r.failure == HttpReply::Failure::Timeout) {
                r.failure = HttpReply::Failure::None;  // an answer that neither closes nor says its length
                r.body = in.substr(headEnd);
            }
            return r;
        }
        char buf[4096];
        const ssize_t n = ::recv(s.fd, buf, sizeof buf, 0);
        if (n > 0) {
            in.append(buf, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            continue;
        // The end of the connection: a whole head is an answer, whatever body came.
        if (headEnd != std::string::npos) {
            r.body = in.substr(headEnd, kMaxBody);
            return r;
        }
        r.failure = HttpReply::Failure::Closed;
        r.error = n < 0 ? errno : 0;
        return r;
    }
}

}  // namespace qor::plant
