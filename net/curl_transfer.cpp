#include "net/curl_transfer.h"

#include <curl/curl.h>

#include <array>
#include <mutex>
#include <new>

#include "net/header_utils.h"
#include "net/text_helpers.h"
#include "net/text_search.h"

namespace vokalin {
namespace {

void initialise_curl() {
    static const bool initialised = curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK;
    (void)initialised;
}

// The shared cookie store; it lives as long as the process.
class SharedStore {
  public:
    static SharedStore& instance() {
        static SharedStore store;
        return store;
    }
    CURLSH* share() const { return share_; }

  private:
    SharedStore() {
        share_ = curl_share_init();
        if (share_ == nullptr) return;
        curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, &SharedStore::lock);
        curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, &SharedStore::unlock);
        curl_share_setopt(share_, CURLSHOPT_USERDATA, this);
        curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    }
    static void lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
        static_cast<SharedStore*>(self)->mutexes_[index(data)].lock();
    }
    static void unlock(CURL*, curl_lock_data data, void* self) {
        static_cast<SharedStore*>(self)->mutexes_[index(data)].unlock();
    }
    static std::size_t index(curl_lock_data data) {
        const auto i = static_cast<std::size_t>(data);
        return i < CURL_LOCK_DATA_LAST ? i : 0;
    }

    CURLSH* share_ = nullptr;
    std::array<std::mutex, CURL_LOCK_DATA_LAST> mutexes_;
};

struct Receiver {
    CurlOutcome* outcome;
    bool out_of_memory = false;
};

std::size_t receive_body(char* data, std::size_t size, std::size_t count, void* user) {
    auto* receiver = static_cast<Receiver*>(user);
    const std::size_t n = size * count;
    try {
        receiver->outcome->body.insert(receiver->outcome->body.end(), data, data + n);
    } catch (const std::bad_alloc&) {
        receiver->out_of_memory = true;
        return 0;  // ends the transfer
    }
    return n;
}

std::size_t receive_header(char* data, std::size_t size, std::size_t count, void* user) {
    auto* receiver = static_cast<Receiver*>(user);
    const std::size_t n = size * count;
    std::string_view line(data, n);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    try {
        // Each response of a redirect chain (and of a proxy tunnel) starts
        // with its status line; only the last one is kept.
        if (starts_with_text(line, "HTTP/")) receiver->outcome->header_lines.clear();
        if (!line.empty()) receiver->outcome->header_lines.emplace_back(line);
    } catch (const std::bad_alloc&) {
        receiver->out_of_memory = true;
        return 0;
    }
    return n;
}

bool has_line_named(const std::vector<std::string>& lines, std::string_view name) {
    for (const std::string& line : lines) {
        if (ascii_lower(header_name(line)) == ascii_lower(name)) return true;
    }
    return false;
}

class HeaderList {
  public:
    ~HeaderList() { curl_slist_free_all(list_); }
    bool append(const std::string& line) {
        curl_slist* grown = curl_slist_append(list_, line.c_str());
        if (grown == nullptr) return false;
        list_ = grown;
        return true;
    }
    curl_slist* get() const { return list_; }

  private:
    curl_slist* list_ = nullptr;
};

}  // namespace

CurlTransfer::CurlTransfer() {
    initialise_curl();
    handle_ = curl_easy_init();
}

CurlTransfer::~CurlTransfer() {
    if (handle_ != nullptr) curl_easy_cleanup(handle_);
}

CurlOutcome CurlTransfer::perform(const CurlExchange& exchange) {
    CurlOutcome outcome;
    if (handle_ == nullptr) return outcome;
    CURL* h = handle_;
    Receiver receiver{&outcome};

    curl_easy_setopt(h, CURLOPT_URL, exchange.url.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &receive_body);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &receiver);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &receive_header);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &receiver);

    // The program talks to file-sharing and note sites whose certificates it
    // cannot vouch for and that it only scrapes for public data; like the
    // system clients it stands in for, it accepts any certificate.
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(h, CURLOPT_PROXY_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(h, CURLOPT_PROXY_SSL_VERIFYHOST, 0L);

    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, exchange.follow_redirects ? 1L : 0L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);

    // A silent peer: curl gives up when fewer than 1 byte per second travelled
    // over the whole silence time, which is "no byte at all for that long".
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, exchange.connect_timeout_ms);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, exchange.silence_timeout_seconds);

    // An empty proxy text means a direct connection, whatever the environment says.
    curl_easy_setopt(h, CURLOPT_PROXY, exchange.proxy.c_str());
    if (!exchange.proxy.empty()) {
        curl_easy_setopt(h, CURLOPT_NOPROXY, "");
        if (exchange.use_proxy_credentials) {
            curl_easy_setopt(h, CURLOPT_PROXYUSERNAME, exchange.proxy_user.c_str());
            curl_easy_setopt(h, CURLOPT_PROXYPASSWORD, exchange.proxy_password.c_str());
            // Basic goes out as the caller's own header line; the other
            // schemes answer a proxy's challenge.
            curl_easy_setopt(h, CURLOPT_PROXYAUTH, CURLAUTH_ANY & ~CURLAUTH_BASIC);
        }
    }
    if (exchange.use_server_credentials) {
        curl_easy_setopt(h, CURLOPT_USERNAME, exchange.server_user.c_str());
        curl_easy_setopt(h, CURLOPT_PASSWORD, exchange.server_password.c_str());
        curl_easy_setopt(h, CURLOPT_HTTPAUTH, CURLAUTH_ANY);
    }
    if (!exchange.agent.empty()) curl_easy_setopt(h, CURLOPT_USERAGENT, exchange.agent.c_str());

    switch (exchange.cookies) {
        case CurlExchange::CookieStore::none:
            break;
        case CurlExchange::CookieStore::per_call:
            curl_easy_setopt(h, CURLOPT_COOKIEFILE, "");
            break;
        case CurlExchange::CookieStore::shared:
            if (CURLSH* share = SharedStore::instance().share()) {
                curl_easy_setopt(h, CURLOPT_SHARE, share);
            }
            curl_easy_setopt(h, CURLOPT_COOKIEFILE, "");
            break;
    }

    const std::string& verb = exchange.verb;
    const bool sends_body = exchange.body && (verb == "POST" || !exchange.body->empty());
    static const char nothing[] = "";
    if (verb == "HEAD") {
        curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
    } else if (sends_body) {
        // Only verbs other than POST need naming: a named verb would also be
        // kept on the GET that follows a 301/302/303.
        if (verb != "POST") curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, verb.c_str());
        const Bytes& body = *exchange.body;
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
        curl_easy_setopt(h, CURLOPT_POSTFIELDS,
                         body.empty() ? nothing : reinterpret_cast<const char*>(body.data()));
    } else if (verb == "GET") {
        curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    } else {
        curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, verb.c_str());
    }

    // Only the caller's lines go out: curl's own Expect and form Content-Type
    // lines are switched off (a line ending in ":" removes curl's line).
    HeaderList headers;
    for (const std::string& line : exchange.header_lines) {
        if (line.find_first_of("\r\n") != std::string::npos) continue;
        if (!headers.append(line)) return outcome;
    }
    if (!has_line_named(exchange.header_lines, "Expect") && !headers.append("Expect:")) {
        return outcome;
    }
    if (sends_body && !has_line_named(exchange.header_lines, "Content-Type") &&
        !headers.append("Content-Type:")) {
        return outcome;
    }
    HeaderList proxy_headers;
    for (const std::string& line : exchange.proxy_header_lines) {
        if (line.find_first_of("\r\n") != std::string::npos) continue;
        if (!proxy_headers.append(line)) return outcome;
    }
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(h, CURLOPT_HEADEROPT, CURLHEADER_SEPARATE);
    curl_easy_setopt(h, CURLOPT_PROXYHEADER, proxy_headers.get());

    const CURLcode result = curl_easy_perform(h);
    outcome.completed = result == CURLE_OK && !receiver.out_of_memory;
    long status = 0;
    if (curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK) {
        outcome.status = status;
    }
    // The lists die with this frame; the handle must not point at them.
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, nullptr);
    curl_easy_setopt(h, CURLOPT_PROXYHEADER, nullptr);
    return outcome;
}

void clear_shared_cookie_store() {
    initialise_curl();
    CURL* h = curl_easy_init();
    if (h == nullptr) return;
    if (CURLSH* share = SharedStore::instance().share()) curl_easy_setopt(h, CURLOPT_SHARE, share);
    curl_easy_setopt(h, CURLOPT_COOKIELIST, "ALL");
    curl_easy_cleanup(h);
}

std::string collect_set_cookies(const std::string& header_block, bool ignore_case) {
    std::string cookies;
    for (const std::string& line : split_on(header_block, "\r\n")) {
        if (text_before(line, ": ") != "Set-Cookie") continue;
        if (contains_text(line, ";")) {
            cookies += trim_blanks(text_between(line, "Set-Cookie:", ";"));
        } else {
            cookies += trim_blanks(replace_all(line, "Set-Cookie:", "", ignore_case));
        }
        cookies += "; ";
    }
    if (!cookies.empty()) cookies.resize(cookies.size() - 2);
    return cookies;
}

}  // namespace vokalin
