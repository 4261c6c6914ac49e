#pragma once

// One HTTP/1.1 exchange over libcurl, as both request engines need it: the
// verb, URL and header lines given, the body as raw bytes, and the header
// lines of the final response as they arrived.

#include <optional>
#include <string>
#include <vector>

#include "platform/bytes.h"

typedef void CURL;

namespace vokalin {

struct CurlExchange {
    std::string url;
    std::string verb = "GET";
    // "Name: value" lines sent in this order after the Host line.
    std::vector<std::string> header_lines;
    // Lines sent only to a proxy in a CONNECT request.
    std::vector<std::string> proxy_header_lines;
    // Sent as the request body when set (an empty body still counts for POST).
    std::optional<Bytes> body;
    std::string agent;  // empty: no agent of the client's own
    std::string proxy;  // "host:port"; empty: a direct connection
    std::string proxy_user, proxy_password;
    std::string server_user, server_password;
    bool use_proxy_credentials = false;
    bool use_server_credentials = false;
    bool follow_redirects = true;

    enum class CookieStore {
        none,      // cookies only as the header lines carry them
        per_call,  // cookies set during this exchange (redirects) are sent on
        shared,    // the process-wide store shared by every exchange that asks for it
    };
    CookieStore cookies = CookieStore::none;

    // Time allowed to resolve and connect; time without a single byte
    // travelling either way after which the exchange is given up.
    long connect_timeout_ms = 60000;
    long silence_timeout_seconds = 30;
};

struct CurlOutcome {
    bool completed = false;  // the whole response arrived
    long status = 0;         // 0 when no status line arrived
    Bytes body;
    // Status line and header lines of the final response, without CR LF.
    std::vector<std::string> header_lines;
};

// An easy handle, created before the caller prepares its request so that a
// client that cannot be created changes nothing.
class CurlTransfer {
  public:
    CurlTransfer();
    ~CurlTransfer();
    CurlTransfer(const CurlTransfer&) = delete;
    CurlTransfer& operator=(const CurlTransfer&) = delete;

    bool valid() const { return handle_ != nullptr; }
    CurlOutcome perform(const CurlExchange& exchange);

  private:
    CURL* handle_ = nullptr;
};

// Forgets every cookie of the shared store.
void clear_shared_cookie_store();

// The name=value pairs of the "Set-Cookie" lines of a header block, joined by
// "; " in header order. ignore_case applies to removing the "Set-Cookie:" prefix
// of a line without attributes.
std::string collect_set_cookies(const std::string& header_block, bool ignore_case);

}  // namespace vokalin
