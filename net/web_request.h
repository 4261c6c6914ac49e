#pragma once

// The full request engine: one synchronous HTTP or HTTPS exchange with
// browser-like default headers, a proxy with credentials, one time-out for
// every phase and a cookie text carried from call to call.
//
//     std::string jar;                                     // the site's cookies
//     Bytes listing = web_request(address, {.request_cookies = &jar});
//     int status = 0;
//     Bytes reply = web_request(form, {.method = 1, .body_text = fields, .status = &status});

#include <string>
#include <string_view>

#include "platform/bytes.h"

namespace vokalin {

struct WebRequestOptions {
    // 0 GET, 1 POST, 2 HEAD, 3 PUT, 4 OPTIONS, 5 DELETE, 6 TRACE, 7 CONNECT;
    // any other value is GET.
    int method = 0;
    // Sent (for every verb) when body_bytes is empty.
    std::string body_text{};
    // In/out, supplied when not null: sent as the Cookie header with every
    // "Cookie:" removed from it; with auto_merge_cookies it receives the merged
    // cookie text on return.
    std::string* request_cookies = nullptr;
    // Out: the cookies the response set, or the merge with request_cookies.
    std::string* response_cookies = nullptr;
    // In/out: extra header lines separated by CR LF; on return the lines as
    // completed and normalised.
    std::string* headers = nullptr;
    // Out: the header lines of the final response, each ending in CR LF
    // (one "Set-Cookie" line per cookie).
    std::string* response_headers = nullptr;
    // Out: the HTTP status of the final response; 0 when the exchange failed.
    int* status = nullptr;
    bool no_redirect = false;
    // Wins over body_text when not empty.
    Bytes body_bytes{};
    // "host:port" of an HTTP proxy; empty: no proxy.
    std::string proxy{};
    // Seconds for each phase; -1 keeps the client's own time-outs (60 s to
    // connect, 30 s to send or receive); 0 and other values below 1 mean 15.
    int timeout_seconds = 0;
    std::string proxy_user{};
    std::string proxy_password{};
    // 1: the credentials are the proxy's (a Proxy-Authorization header is sent
    // as well); 0: the server's.
    int credentials_for = 1;
    bool auto_merge_cookies = true;
    bool complete_headers = true;
    bool normalize_headers = true;
};

// The response body, whatever the status; empty when nothing (or not the
// whole response) was received.
Bytes web_request(std::string_view url, const WebRequestOptions& options = {});

}  // namespace vokalin
