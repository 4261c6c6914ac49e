#include "tests/support/test_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstring>
#include <stdexcept>

namespace vokalin::testing {
namespace {

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool same_name(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

std::string trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return std::string(text);
}

std::string line_name(std::string_view line) {
    const std::size_t colon = line.find(':');
    return colon == std::string_view::npos ? std::string() : trimmed(line.substr(0, colon));
}

// A framing number of a request; an unreadable one reads as one that cannot be met.
std::size_t number(const std::string& text, int base) {
    try {
        return std::stoull("0" + text, nullptr, base);
    } catch (const std::exception&) {
        return std::size_t(1) << 40;
    }
}

int bind_loopback(int& port, bool listening) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        (listening && ::listen(fd, 64) != 0) ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        throw std::runtime_error("bind 127.0.0.1");
    }
    port = ntohs(address.sin_port);
    return fd;
}

// One key and certificate for every HTTPS server of the process.
struct Credentials {
    EVP_PKEY* key = nullptr;
    X509* certificate = nullptr;
};

const Credentials& self_signed() {
    static const Credentials credentials = [] {
        Credentials made;
        made.key = EVP_EC_gen("P-256");
        made.certificate = X509_new();
        if (made.key == nullptr || made.certificate == nullptr) {
            throw std::runtime_error("key generation");
        }
        X509* x = made.certificate;
        X509_set_version(x, 2);
        ASN1_INTEGER_set(X509_get_serialNumber(x), 1);
        X509_gmtime_adj(X509_getm_notBefore(x), -3600);
        X509_gmtime_adj(X509_getm_notAfter(x), 7 * 24 * 3600);
        X509_set_pubkey(x, made.key);
        X509_NAME* name = X509_get_subject_name(x);
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                   reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
        X509_set_issuer_name(x, name);
        if (X509_sign(x, made.key, EVP_sha256()) == 0) {
            throw std::runtime_error("certificate signing");
        }
        return made;
    }();
    return credentials;
}

}  // namespace

std::string ReceivedRequest::header(std::string_view name) const {
    for (const std::string& line : header_lines) {
        if (same_name(line_name(line), name)) return trimmed(line.substr(line.find(':') + 1));
    }
    return {};
}

std::size_t ReceivedRequest::header_count(std::string_view name) const {
    return static_cast<std::size_t>(
        std::count_if(header_lines.begin(), header_lines.end(),
                      [&](const std::string& line) { return same_name(line_name(line), name); }));
}

std::vector<std::string> ReceivedRequest::header_names() const {
    std::vector<std::string> names;
    for (const std::string& line : header_lines) names.push_back(line_name(line));
    return names;
}

struct TestHttpServer::Tls {
    SSL_CTX* context = nullptr;
    ~Tls() { SSL_CTX_free(context); }
};

// A socket, with TLS on it for an HTTPS server; reads keep what was read past
// the end of one request for the next.
class TestHttpServer::Connection {
  public:
    Connection(int fd, SSL_CTX* context) : fd_(fd) {
        if (context == nullptr) return;
        ssl_ = SSL_new(context);
        SSL_set_fd(ssl_, fd);
        if (SSL_accept(ssl_) != 1) {
            SSL_free(ssl_);
            ssl_ = nullptr;
            failed_ = true;
        }
    }
    ~Connection() {
        if (ssl_ != nullptr) {
            SSL_shutdown(ssl_);
            SSL_free(ssl_);
        }
    }
    bool failed() const { return failed_; }

    bool write_all(std::string_view data) {
        while (!data.empty()) {
            const int chunk = static_cast<int>(std::min<std::size_t>(data.size(), 1 << 20));
            const long n = ssl_ != nullptr ? SSL_write(ssl_, data.data(), chunk)
                                           : ::send(fd_, data.data(), chunk, MSG_NOSIGNAL);
            if (n <= 0) return false;
            data.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }

    // Reads until the buffer holds at least count bytes; false at the end of the stream.
    bool fill(std::size_t count) {
        char chunk[16384];
        while (buffer_.size() < count) {
            const long n = ssl_ != nullptr ? SSL_read(ssl_, chunk, sizeof chunk)
                                           : ::recv(fd_, chunk, sizeof chunk, 0);
            if (n <= 0) return false;
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
        return true;
    }

    // The bytes up to (not including) the marker, consuming the marker too.
    std::optional<std::string> take_until(std::string_view marker, std::size_t limit) {
        std::size_t searched = 0;
        for (;;) {
            const std::size_t at = buffer_.find(marker, searched);
            if (at != std::string::npos) {
                std::string part = buffer_.substr(0, at);
                buffer_.erase(0, at + marker.size());
                return part;
            }
            if (buffer_.size() > limit) return std::nullopt;
            searched = buffer_.size() >= marker.size() ? buffer_.size() - marker.size() + 1 : 0;
            if (!fill(buffer_.size() + 1)) return std::nullopt;
        }
    }

    std::optional<std::string> take(std::size_t count) {
        if (!fill(count)) return std::nullopt;
        std::string part = buffer_.substr(0, count);
        buffer_.erase(0, count);
        return part;
    }

  private:
    int fd_;
    SSL* ssl_ = nullptr;
    bool failed_ = false;
    std::string buffer_;
};

TestHttpServer::TestHttpServer(Scheme scheme) : scheme_(scheme) {
    std::signal(SIGPIPE, SIG_IGN);
    if (scheme_ == Scheme::https) {
        const Credentials& credentials = self_signed();
        tls_ = std::make_unique<Tls>();
        tls_->context = SSL_CTX_new(TLS_server_method());
        if (tls_->context == nullptr ||
            SSL_CTX_use_certificate(tls_->context, credentials.certificate) != 1 ||
            SSL_CTX_use_PrivateKey(tls_->context, credentials.key) != 1) {
            throw std::runtime_error("TLS context");
        }
    }
    listen_fd_ = bind_loopback(port_, true);
    accept_thread_ = std::thread([this] { accept_loop(); });
}

TestHttpServer::~TestHttpServer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        ::shutdown(listen_fd_, SHUT_RDWR);
        for (int fd : open_fds_) ::shutdown(fd, SHUT_RDWR);
    }
    changed_.notify_all();
    accept_thread_.join();
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(mutex_);
        threads.swap(connection_threads_);
    }
    for (std::thread& t : threads) t.join();
    ::close(listen_fd_);
}

std::string TestHttpServer::url(std::string_view path) const {
    return (scheme_ == Scheme::https ? "https://" : "http://") + host_and_port() +
           std::string(path);
}

std::string TestHttpServer::host_and_port() const {
    return "127.0.0.1:" + std::to_string(port_);
}

void TestHttpServer::on(std::string path, ScriptedResponse response) {
    std::lock_guard lock(mutex_);
    for (auto& route : routes_) {
        if (route.first == path) {
            route.second = std::move(response);
            return;
        }
    }
    routes_.emplace_back(std::move(path), std::move(response));
}

void TestHttpServer::set_handler(Handler handler) {
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

std::vector<ReceivedRequest> TestHttpServer::requests() const {
    std::lock_guard lock(mutex_);
    return received_;
}

std::size_t TestHttpServer::request_count() const {
    std::lock_guard lock(mutex_);
    return received_.size();
}

ReceivedRequest TestHttpServer::last_request() const {
    std::lock_guard lock(mutex_);
    return received_.empty() ? ReceivedRequest{} : received_.back();
}

bool TestHttpServer::wait_for_requests(std::size_t count, std::chrono::milliseconds limit) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] { return received_.size() >= count; });
}

ScriptedResponse TestHttpServer::redirect(int status, std::string location) {
    ScriptedResponse response;
    response.status = status;
    response.reason = status == 301 ? "Moved Permanently" : "Found";
    response.headers = {{"Location", std::move(location)}};
    return response;
}

void TestHttpServer::accept_loop() {
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::vector<Worker> workers;
    for (;;) {
        const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
        std::lock_guard lock(mutex_);
        if (fd < 0) {
            if (stopping_) break;
            continue;
        }
        if (stopping_) {
            ::close(fd);
            break;
        }
        // Join the connections that have ended so that a long run keeps few threads.
        for (auto it = workers.begin(); it != workers.end();) {
            if (it->done->load()) {
                it->thread.join();
                it = workers.erase(it);
            } else {
                ++it;
            }
        }
        // Head and body go out in separate writes; without this the body would
        // wait for the client's delayed acknowledgement.
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        open_fds_.push_back(fd);
        auto done = std::make_shared<std::atomic<bool>>(false);
        workers.push_back({std::thread([this, fd, done] {
                               serve(fd);
                               done->store(true);
                           }),
                           done});
    }
    std::lock_guard lock(mutex_);
    for (Worker& worker : workers) connection_threads_.push_back(std::move(worker.thread));
}

bool TestHttpServer::pause(std::chrono::milliseconds delay) {
    std::unique_lock lock(mutex_);
    if (delay == std::chrono::milliseconds::max()) {
        changed_.wait(lock, [&] { return stopping_; });
        return false;
    }
    return !changed_.wait_for(lock, delay, [&] { return stopping_; });
}

ScriptedResponse TestHttpServer::answer_for(const ReceivedRequest& request) {
    std::unique_lock lock(mutex_);
    if (handler_) {
        const Handler handler = handler_;
        lock.unlock();
        return handler(request);
    }
    std::string_view path = request.target;
    if (const std::size_t scheme = path.find("://"); scheme != std::string_view::npos) {
        const std::size_t slash = path.find('/', scheme + 3);
        path = slash == std::string_view::npos ? "/" : path.substr(slash);
    }
    path = path.substr(0, path.find('?'));
    for (const auto& route : routes_) {
        if (route.first == path) return route.second;
    }
    ScriptedResponse missing;
    missing.status = 404;
    missing.reason = "Not Found";
    missing.body = "not found";
    return missing;
}

void TestHttpServer::serve(int fd) {
    {
        Connection connection(fd, tls_ ? tls_->context : nullptr);
        while (!connection.failed()) {
            const std::optional<std::string> head = connection.take_until("\r\n\r\n", 1 << 20);
            if (!head) break;
            ReceivedRequest request;
            std::string_view rest = *head;
            const std::size_t first_end = rest.find("\r\n");
            request.request_line = std::string(rest.substr(0, first_end));
            rest = first_end == std::string_view::npos ? std::string_view()
                                                       : rest.substr(first_end + 2);
            while (!rest.empty()) {
                const std::size_t end = rest.find("\r\n");
                request.header_lines.emplace_back(rest.substr(0, end));
                rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 2);
            }
            const std::size_t space = request.request_line.find(' ');
            request.method = request.request_line.substr(0, space);
            if (space != std::string::npos) {
                const std::size_t second = request.request_line.find(' ', space + 1);
                request.target = request.request_line.substr(space + 1, second - space - 1);
            }

            bool complete = true;
            if (same_name(request.header("Transfer-Encoding"), "chunked")) {
                for (;;) {
                    const std::optional<std::string> size_line =
                        connection.take_until("\r\n", 1024);
                    if (!size_line) {
                        complete = false;
                        break;
                    }
                    const std::size_t size = number(*size_line, 16);
                    const std::optional<std::string> data = connection.take(size + 2);
                    if (!data) {
                        complete = false;
                        break;
                    }
                    if (size == 0) break;
                    request.body.append(*data, 0, size);
                }
            } else if (const std::string length = request.header("Content-Length");
                       !length.empty()) {
                const std::optional<std::string> data = connection.take(number(length, 10));
                if (data) {
                    request.body = *data;
                } else {
                    complete = false;
                }
            }
            const bool client_closes = same_name(request.header("Connection"), "close");
            {
                std::lock_guard lock(mutex_);
                received_.push_back(request);
            }
            changed_.notify_all();
            if (!complete) break;

            const ScriptedResponse response = answer_for(request);
            if (response.never_answer) {
                pause(std::chrono::milliseconds::max());
                break;
            }
            if (response.delay.count() > 0 && !pause(response.delay)) break;
            if (response.close_without_answer) break;

            std::string out = response.raw;
            std::size_t body_to_send = 0;
            if (out.empty()) {
                body_to_send = response.body.size();
                out =
                    "HTTP/1.1 " + std::to_string(response.status) + " " + response.reason + "\r\n";
                bool has_length = false;
                for (const auto& [name, value] : response.headers) {
                    out += name + ": " + value + "\r\n";
                    has_length = has_length || same_name(name, "Content-Length");
                }
                if (!has_length) {
                    out += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
                }
                out += "\r\n";
                if (request.method == "HEAD") body_to_send = 0;
                if (response.drop_after_body_bytes) {
                    body_to_send = std::min(body_to_send, *response.drop_after_body_bytes);
                }
            }
            if (!connection.write_all(out) ||
                !connection.write_all(std::string_view(response.body).substr(0, body_to_send))) {
                break;
            }
            if (response.drop_after_body_bytes || !response.raw.empty() || client_closes) break;
        }
    }
    std::lock_guard lock(mutex_);
    open_fds_.erase(std::find(open_fds_.begin(), open_fds_.end(), fd));
    ::close(fd);
}

RefusingPort::RefusingPort() {
    fd_ = bind_loopback(port_, false);
}

RefusingPort::~RefusingPort() {
    ::close(fd_);
}

std::string RefusingPort::host_and_port() const {
    return "127.0.0.1:" + std::to_string(port_);
}

}  // namespace vokalin::testing
