#pragma once

#include <string>
#include <utility>
#include <vector>

namespace qor::plant {

// Where an HTTP request goes: "http://HOST[:PORT][/PATH][?QUERY]".
struct HttpTarget {
    std::string host;  // without the brackets of an IPv6 address
    int port = 80;
    std::string path = "/";  // path and query as sent in the request line
    std::string hostHeader;  // host[:port] as the Host header names it
};

// False with the reason (in `language`: 0 German, 1 English) for anything but a plain http
// URL with a host (https is not spoken).
bool ParseHttpUrl(const std::string& url, HttpTarget& out, std::string& error, int language = 1);

// What became of one request.
struct HttpReply {
    enum class Failure { None, Resolve, Connect, Timeout, Closed, Garbled, Cancelled };
    Failure failure = Failure::None;
    int error = 0;     // the system's error number behind a Connect or Closed failure, 0 when none
    int status = 0;    // the HTTP status when an answer came
    std::string body;  // the start of the answer's body (for the reason of a refusal)

    // 200 and 204 are the database's acknowledgement; anything else is not.
    bool Acknowledged() const { return failure == Failure::None && (status == 200 || status == 204); }
};

// One HTTP/1.1 POST with Content-Length and "Connection: close", done within `timeoutMs` as a
// whole (resolving, connecting, sending and reading the answer). Blocks the calling thread;
// `cancelFd`, when readable, cuts the wait short.
HttpReply HttpPost(const HttpTarget& target, const std::string& body,
                   const std::vector<std::pair<std::string, std::string>>& headers, int timeoutMs,
                   int cancelFd = -1);

}  // namespace qor::plant
