#pragma once

// The light request engine: one HTTP or HTTPS exchange in the manner of the
// system's internet API, with a cookie store shared by all its calls.
//
//     Bytes page = inet_request(address);
//     std::string raw_headers;
//     Bytes page2 = inet_request(address, {.request_cookies = "sid=1",
//                                          .response_headers = &raw_headers});

#include <optional>
#include <string>
#include <string_view>

#include "platform/bytes.h"

namespace vokalin {

struct InetRequestOptions {
    // 0 GET, 1 POST, 2 HEAD, 3 PUT, 4 OPTIONS, 5 DELETE, 6 TRACE, 7 CONNECT;
    // any other value is GET.
    int method = 0;
    std::string body_text{};
    // Supplied (even empty): sent on a Cookie line when not empty, and the
    // shared cookie store is left alone. Omitted: the shared store is used.
    std::optional<std::string> request_cookies{};
    // Out: the cookies the response set, merged over request_cookies when
    // those were supplied and auto_merge_cookies is true.
    std::string* response_cookies = nullptr;
    // In/out: extra header lines separated by CR LF; on return the text as sent.
    std::string* headers = nullptr;
    // Out: status line and header lines of the final response, each ending in
    // CR LF, then an empty line; empty when the block has 5000 bytes or more.
    std::string* response_headers = nullptr;
    bool no_redirect = false;
    // Wins over body_text when not empty. No verb but GET sends a body.
    Bytes body_bytes{};
    // "host:port" of an HTTP proxy; empty: a direct connection.
    std::string proxy{};
    bool auto_merge_cookies = true;
    bool complete_headers = true;
    bool normalize_headers = true;
};

// The response body: every byte of a response that arrived whole, whatever
// its status. Empty when the URL names no host or a port outside 1-65535,
// or when the exchange failed (no answer, a connection lost before the whole
// body arrived, silence longer than the receive time-out).
Bytes inet_request(std::string_view url, const InetRequestOptions& options = {});

// Host in lower case, with ":port" as written when keep_port is true.
std::string url_host(std::string_view url, bool keep_port = false);
// The port written after the host, or 443 for "https" URLs and 80 otherwise.
long url_port(std::string_view url);
// Path with query from the first "/" after the host, in the case written; "/" when none.
std::string url_path(std::string_view url);

// The time-outs the system applies to every inet_request, process-wide:
// by default 60 seconds to connect and 30 seconds of silence while sending
// or receiving.
void set_inet_timeouts(long connect_seconds, long receive_seconds);

// Empties the shared cookie store.
void clear_inet_cookies();

}  // namespace vokalin
