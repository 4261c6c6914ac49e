#include "net/inet_request.h"

#include <array>
#include <atomic>

#include "net/curl_transfer.h"
#include "net/header_utils.h"
#include "net/text_helpers.h"
#include "net/text_search.h"

namespace vokalin {
namespace {

constexpr std::array<const char*, 8> VERBS = {"GET",     "POST",   "HEAD",  "PUT",
                                              "OPTIONS", "DELETE", "TRACE", "CONNECT"};
const char* const DEFAULT_AGENT = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
constexpr std::size_t HEADER_BUFFER_SIZE = 5000;

std::atomic<long> connect_timeout_seconds{60};
std::atomic<long> receive_timeout_seconds{30};

// Leading sign and digits as a number, 0 without digits; saturates far
// beyond any port.
long leading_integer(std::string_view text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value < 1000000000L) value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

bool usable_host(std::string_view host) {
    if (host.empty()) return false;
    for (const char c : host) {
        const auto byte = static_cast<unsigned char>(c);
        // Anything that would make the client read the host as user, path or port.
        if (byte <= 0x20 || byte == 0x7f ||
            std::string_view("@/\\?#[]").find(c) != std::string_view::npos) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string url_host(std::string_view url, bool keep_port) {
    std::string u = ascii_lower(url);
    if (!ends_with_text(u, "/")) u += "/";
    std::string scheme = "https://";
    if (!starts_with_text(u, scheme)) {
        scheme = "http://";
        if (!contains_text(u, scheme)) u = scheme + u;
    }
    const std::string host = text_between(u, scheme, "/");
    if (keep_port || !contains_text(host, ":")) return host;
    return text_before(host, ":");
}

long url_port(std::string_view url) {
    const std::string host = url_host(url, true);
    const std::size_t colon = find_last_text(host, ":", host.size());
    if (colon != 0) return leading_integer(std::string_view(host).substr(colon));
    return ascii_lower(url.substr(0, 5)) == "https" ? 443 : 80;
}

std::string url_path(std::string_view url) {
    // The host is looked for after the scheme, so that a host such as "h"
    // is not found inside "http://".
    const std::size_t scheme_end = find_text(url, "://");
    const std::size_t after_scheme = scheme_end == 0 ? 1 : scheme_end + 3;
    const std::size_t host_at = find_text(url, url_host(url), after_scheme, true);
    const std::size_t slash = find_text(url, "/", host_at == 0 ? after_scheme : host_at, true);
    if (slash == 0) return "/";
    return std::string(url.substr(slash - 1));
}

void set_inet_timeouts(long connect_seconds, long receive_seconds) {
    connect_timeout_seconds = connect_seconds < 1 ? 1 : connect_seconds;
    receive_timeout_seconds = receive_seconds < 1 ? 1 : receive_seconds;
}

void clear_inet_cookies() {
    clear_shared_cookie_store();
}

Bytes inet_request(std::string_view url_text, const InetRequestOptions& options) {
    const std::string url(url_text);
    std::string headers = options.headers != nullptr ? *options.headers : std::string();
    if (options.normalize_headers) {
        headers = normalize_header_block(headers);
        if (options.headers != nullptr) *options.headers = headers;
    }

    const int method = options.method < 0 || options.method > 7 ? 0 : options.method;
    const bool secure = starts_with_text(url, "https://", true);

    std::string agent = DEFAULT_AGENT;
    if (contains_text(headers, "User-Agent:", true)) {
        agent = trim_blanks(text_between(headers + "\r\n", "User-Agent:", "\r\n"));
        if (agent.empty()) agent = header_value(headers);
    }

    CurlTransfer transfer;
    if (!transfer.valid()) return {};
    const std::string host = url_host(url);
    long port = url_port(url);
    if (port == 0) port = secure ? 443 : 80;
    if (!usable_host(host) || port < 1 || port > 65535) return {};

    CurlExchange exchange;
    exchange.url =
        (secure ? "https://" : "http://") + host + ":" + std::to_string(port) + url_path(url);
    exchange.verb = VERBS[static_cast<std::size_t>(method)];
    exchange.agent = agent;
    exchange.proxy = options.proxy;
    exchange.follow_redirects = !options.no_redirect;
    exchange.cookies = options.request_cookies ? CurlExchange::CookieStore::none
                                               : CurlExchange::CookieStore::shared;
    exchange.connect_timeout_ms = connect_timeout_seconds.load() * 1000;
    exchange.silence_timeout_seconds = receive_timeout_seconds.load();

    if (options.complete_headers) {
        if (headers.empty()) headers = "Accept: */*";
        if (!contains_text(headers, "Accept:", true)) headers += "\r\nAccept: */*";
        if (!contains_text(headers, "Referer:", true)) headers += "\r\nReferer: " + url;
        if (!contains_text(headers, "Accept-Language:", true)) {
            headers += "\r\nAccept-Language: zh-cn";
        }
        if (method == 1 && !contains_text(headers, "Content-Type:", true)) {
            headers += "\r\nContent-Type: application/x-www-form-urlencoded";
        }
    }
    if (options.request_cookies && !options.request_cookies->empty()) {
        const std::string& cookies = *options.request_cookies;
        headers += contains_text(cookies, "Cookie:") ? "\r\n" + cookies : "\r\nCookie: " + cookies;
    }
    if (options.headers != nullptr) *options.headers = headers;
    for (std::string& line : split_on(headers, "\r\n")) {
        if (!line.empty()) exchange.header_lines.push_back(std::move(line));
    }

    if (method != 0) {
        exchange.body =
            options.body_bytes.empty() ? to_bytes(options.body_text) : options.body_bytes;
    }

    CurlOutcome outcome = transfer.perform(exchange);

    std::string block;
    for (const std::string& line : outcome.header_lines) block += line + "\r\n";
    if (!block.empty()) block += "\r\n";
    // The block is read into a buffer of fixed size (with its terminating zero).
    if (block.size() >= HEADER_BUFFER_SIZE) block.clear();

    std::string cookies = collect_set_cookies(block, false);
    if (options.auto_merge_cookies && options.request_cookies) {
        std::string current = *options.request_cookies;
        cookies = merge_cookies(current, cookies);
    }
    if (options.response_headers != nullptr) *options.response_headers = block;
    if (options.response_cookies != nullptr) *options.response_cookies = cookies;
    // A body that did not arrive whole is not handed on as if it had.
    if (!outcome.completed) return {};
    return std::move(outcome.body);
}

}  // namespace vokalin
