#include "net/web_request.h"

#include <array>

#include "net/curl_transfer.h"
#include "net/header_utils.h"
#include "net/text_helpers.h"
#include "net/text_search.h"

namespace vokalin {
namespace {

constexpr std::array<const char*, 8> VERBS = {"GET",     "POST",   "HEAD",  "PUT",
                                              "OPTIONS", "DELETE", "TRACE", "CONNECT"};
constexpr long DEFAULT_TIMEOUT_MS = 15000;

// The four phases (resolve, connect, send, receive) each get the time-out:
// curl's connect time-out covers resolving and connecting together, so it
// gets two of them; sending and receiving are given up after that long
// without a single byte moving, which is what a per-read time-out amounts to.
void apply_timeouts(int timeout_seconds, CurlExchange& exchange) {
    if (timeout_seconds == -1) {
        // The client's own: connect within 60 s, no 30 s silence while
        // sending or receiving.
        exchange.connect_timeout_ms = 60000;
        exchange.silence_timeout_seconds = 30;
        return;
    }
    const long long ms = timeout_seconds >= 1 ? timeout_seconds * 1000LL : DEFAULT_TIMEOUT_MS;
    exchange.connect_timeout_ms = static_cast<long>(2 * ms);
    exchange.silence_timeout_seconds = static_cast<long>((ms + 999) / 1000);
}

std::string header_line(const std::string& name, const std::string& value) {
    return name + ": " + value;
}

}  // namespace

Bytes web_request(std::string_view url_text, const WebRequestOptions& options) {
    const std::string url(url_text);
    const int method = options.method < 0 || options.method > 7 ? 0 : options.method;

    CurlTransfer transfer;
    if (!transfer.valid()) return {};

    CurlExchange exchange;
    exchange.url = url;
    exchange.verb = VERBS[static_cast<std::size_t>(method)];
    exchange.proxy = options.proxy;
    exchange.follow_redirects = !options.no_redirect;
    // Cookies set along a redirect chain go on with it, as in one client
    // session; nothing is kept after the call.
    exchange.cookies = CurlExchange::CookieStore::per_call;
    apply_timeouts(options.timeout_seconds, exchange);

    std::string headers = options.headers != nullptr ? *options.headers : std::string();
    if (options.complete_headers) {
        if (!contains_text(headers, "Accept:", true)) headers += "\r\nAccept: */*";
        if (!contains_text(headers, "Referer:", true)) headers += "\r\nReferer: " + url;
        if (!contains_text(headers, "Accept-Language:", true)) {
            headers += "\r\nAccept-Language: zh-cn";
        }
        if (!contains_text(headers, "User-Agent:", true)) {
            headers += "\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
        }
        if (method == 1 && !contains_text(headers, "Content-Type:", true)) {
            headers += "\r\nContent-Type: application/x-www-form-urlencoded";
        }
    }
    if (options.normalize_headers) headers = normalize_header_block(headers);
    if (options.headers != nullptr) *options.headers = headers;

    if (!options.proxy.empty() && !options.proxy_user.empty()) {
        if (options.credentials_for == 1) {
            exchange.use_proxy_credentials = true;
            exchange.proxy_user = options.proxy_user;
            exchange.proxy_password = options.proxy_password;
            const std::string authorization = header_line(
                "Proxy-Authorization", "Basic " + base64_encode(to_bytes(options.proxy_user + ":" +
                                                                         options.proxy_password)));
            // Through a tunnel only the proxy sees it; a plain request goes to the proxy.
            if (starts_with_text(url, "https://", true)) {
                exchange.proxy_header_lines.push_back(authorization);
            } else {
                exchange.header_lines.push_back(authorization);
            }
        } else if (options.credentials_for == 0) {
            exchange.use_server_credentials = true;
            exchange.server_user = options.proxy_user;
            exchange.server_password = options.proxy_password;
        }
    }

    if (options.request_cookies != nullptr) {
        std::string& cookies = *options.request_cookies;
        if (!cookies.empty() && contains_text(cookies, "Cookie:", true)) {
            cookies = replace_all(cookies, "Cookie:", "", true);
        }
        exchange.header_lines.push_back(header_line("Cookie", cookies));
    }

    const auto add_line = [&](const std::string& line) {
        const std::string name = header_name(line);
        if (!name.empty()) exchange.header_lines.push_back(header_line(name, header_value(line)));
    };
    if (!contains_text(headers, "\r\n")) {
        add_line(headers);
    } else {
        for (const std::string& line : split_on(headers, "\r\n")) {
            if (line.empty()) continue;
            if (header_name(line) == "Connection" && header_value(line) == "keep-alive") continue;
            add_line(line);
        }
    }

    exchange.body = options.body_bytes.empty() ? to_bytes(options.body_text) : options.body_bytes;

    // Only absolute http and https URLs are requested; others fail like an
    // unreachable host.
    const bool absolute =
        starts_with_text(url, "http://", true) || starts_with_text(url, "https://", true);
    CurlOutcome outcome = absolute ? transfer.perform(exchange) : CurlOutcome{};

    std::string response_headers;
    int status = 0;
    Bytes body;
    if (outcome.completed) {
        // Without the status line, as the header text of a response is given.
        for (std::size_t i = 1; i < outcome.header_lines.size(); ++i) {
            response_headers += outcome.header_lines[i] + "\r\n";
        }
        status = static_cast<int>(outcome.status);
        body = std::move(outcome.body);
    }
    if (options.response_headers != nullptr) *options.response_headers = response_headers;
    if (options.status != nullptr) *options.status = status;

    std::string cookies = collect_set_cookies(response_headers, true);
    if (options.auto_merge_cookies && options.request_cookies != nullptr) {
        cookies = merge_cookies(*options.request_cookies, cookies);
    }
    if (options.response_cookies != nullptr) *options.response_cookies = cookies;
    return body;
}

}  // namespace vokalin
