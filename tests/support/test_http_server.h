#pragma once

// A local HTTP/HTTPS server for network tests.
//
// It listens on 127.0.0.1 on a free port, records every request exactly as it
// arrived (request line, header lines in order, body) and answers each one with
// a scripted response: status, header lines in the order given, body, a delay,
// a dropped connection or no answer at all.
//
//     TestHttpServer server;                          // or TestHttpServer(Scheme::https)
//     server.on("/page", {.headers = {{"Set-Cookie", "a=1"}}, .body = "hello"});
//     server.on("/old", TestHttpServer::redirect(302, "/page"));
//     ... request server.url("/page") ...
//     ReceivedRequest r = server.last_request();
//     EXPECT_EQ(r.request_line, "GET /page HTTP/1.1");
//     EXPECT_EQ(r.header("Cookie"), "a=1");
//
// Routes match the path of the request target (the part before "?"; for an
// absolute target, as a proxy receives it, the path after the host). Unknown
// paths get 404. set_handler() replaces the routes with a function.
//
// HTTPS uses a self-signed certificate for 127.0.0.1 made when the first
// HTTPS server starts. Requests are answered on one thread per connection;
// connections are kept alive until the client closes them. Stopping (the
// destructor) ends silent answers and delays at once.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace vokalin::testing {

struct ReceivedRequest {
    std::string request_line;               // "GET /path HTTP/1.1"
    std::string method;                     // "GET"
    std::string target;                     // "/path" or "http://host/path" via a proxy
    std::vector<std::string> header_lines;  // as they arrived, without CR LF
    std::string body;                       // after Content-Length or chunked framing

    // Value of the first header line with this name (ASCII case ignored),
    // trimmed of blanks; empty when there is none.
    std::string header(std::string_view name) const;
    // Number of header lines with this name.
    std::size_t header_count(std::string_view name) const;
    // Names of the header lines in order, as written.
    std::vector<std::string> header_names() const;
};

struct ScriptedResponse {
    int status = 200;
    std::string reason = "OK";
    // Sent in this order. A Content-Length line is added after them unless
    // one is given here.
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    // Wait this long after the request has arrived before answering.
    std::chrono::milliseconds delay{0};
    // Read the request and never answer (until the server stops).
    bool never_answer = false;
    // Read the request and close the connection without answering.
    bool close_without_answer = false;
    // Send the headers (with the full Content-Length) and this many body
    // bytes, then close the connection.
    std::optional<std::size_t> drop_after_body_bytes;
    // When not empty, sent byte for byte instead of status, headers and body.
    std::string raw;
};

class TestHttpServer {
  public:
    enum class Scheme { http, https };
    using Handler = std::function<ScriptedResponse(const ReceivedRequest&)>;

    explicit TestHttpServer(Scheme scheme = Scheme::http);
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:<port>" followed by path.
    std::string url(std::string_view path = "/") const;
    // "127.0.0.1:<port>", as a proxy setting names the server.
    std::string host_and_port() const;

    void on(std::string path, ScriptedResponse response);
    void set_handler(Handler handler);

    std::vector<ReceivedRequest> requests() const;
    std::size_t request_count() const;
    // The last request; an empty record when none has arrived.
    ReceivedRequest last_request() const;
    // Waits until at least count requests have arrived or the time is up.
    bool wait_for_requests(std::size_t count, std::chrono::milliseconds limit) const;

    static ScriptedResponse redirect(int status, std::string location);

  private:
    struct Tls;
    class Connection;

    void accept_loop();
    void serve(int fd);
    ScriptedResponse answer_for(const ReceivedRequest& request);
    // Waits for the delay; false when the server stops first.
    bool pause(std::chrono::milliseconds delay);

    Scheme scheme_;
    int listen_fd_ = -1;
    int port_ = 0;
    std::unique_ptr<Tls> tls_;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool stopping_ = false;
    std::vector<std::pair<std::string, ScriptedResponse>> routes_;
    Handler handler_;
    std::vector<ReceivedRequest> received_;
    std::vector<int> open_fds_;
    std::vector<std::thread> connection_threads_;
    std::thread accept_thread_;
};

// A port on 127.0.0.1 that is bound but not listening: connecting to it is
// refused for as long as the object lives.
class RefusingPort {
  public:
    RefusingPort();
    ~RefusingPort();
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;
    int port() const { return port_; }
    std::string host_and_port() const;

  private:
    int fd_ = -1;
    int port_ = 0;
};

}  // namespace vokalin::testing
