#include "net/inet_request.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "net/text_encoding.h"
#include "net/text_helpers.h"
#include "tests/support/test_http_server.h"

namespace vokalin {
namespace {

using testing::ReceivedRequest;
using testing::RefusingPort;
using testing::ScriptedResponse;
using testing::TestHttpServer;
using Names = std::vector<std::string>;

ScriptedResponse page(std::string body,
                      std::vector<std::pair<std::string, std::string>> headers = {}) {
    ScriptedResponse response;
    response.body = std::move(body);
    response.headers = std::move(headers);
    return response;
}

TEST(UrlParts, HostPortAndPath) {
    struct Case {
        std::string url, host, host_and_port;
        long port;
        std::string path;
    };
    for (const Case& c : {
             Case{"example.com/a/b", "example.com", "example.com", 80, "/a/b"},
             Case{"HTTPS://WWW.Example.COM:8443/Path/File?Q=Abc#F", "www.example.com",
                  "www.example.com:8443", 8443, "/Path/File?Q=Abc#F"},
             Case{"Http://Host.CN", "host.cn", "host.cn", 80, "/"},
             Case{"https://a.b?x=1", "a.b?x=1", "a.b?x=1", 443, "/"},
             Case{"https://a.b/", "a.b", "a.b", 443, "/"},
             Case{"http://h/x", "h", "h", 80, "/x"},
             Case{"http://t:81/p", "t", "t:81", 81, "/p"},
             Case{"http://a.com:abc/", "a.com", "a.com:abc", 0, "/"},
             Case{"http://a.com:99999/", "a.com", "a.com:99999", 99999, "/"},
             Case{"", "", "", 80, "/"},
         }) {
        EXPECT_EQ(url_host(c.url), c.host) << c.url;
        EXPECT_EQ(url_host(c.url, true), c.host_and_port) << c.url;
        EXPECT_EQ(url_port(c.url), c.port) << c.url;
        EXPECT_EQ(url_path(c.url), c.path) << c.url;
    }
}

class InetRequest : public ::testing::Test {
  protected:
    void SetUp() override { clear_inet_cookies(); }
    TestHttpServer server;
};

TEST_F(InetRequest, EmptyHeaderTextIsCompleted) {
    server.on("/p", page("hello"));
    std::string headers;
    const Bytes body = inet_request(server.url("/p"), {.headers = &headers});
    EXPECT_EQ(to_string(body), "hello");
    const ReceivedRequest r = server.last_request();
    EXPECT_EQ(r.request_line, "GET /p HTTP/1.1");
    EXPECT_EQ(r.header_names(),
              (Names{"Host", "User-Agent", "Accept", "Referer", "Accept-Language"}));
    EXPECT_EQ(r.header("Host"), server.host_and_port());
    EXPECT_EQ(r.header("User-Agent"), "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)");
    EXPECT_EQ(r.header("Referer"), server.url("/p"));
    EXPECT_EQ(r.header("Accept-Language"), "zh-cn");
    EXPECT_EQ(headers,
              "Accept: */*\r\nReferer: " + server.url("/p") + "\r\nAccept-Language: zh-cn");
}

TEST_F(InetRequest, VerbAndBody) {
    server.on("/v", page("ok"));
    struct Case {
        int method;
        std::string request_line, body, content_type;
    };
    for (const Case& c : {
             Case{0, "GET /v HTTP/1.1", "", ""},
             Case{9, "GET /v HTTP/1.1", "", ""},
             Case{-1, "GET /v HTTP/1.1", "", ""},
             Case{1, "POST /v HTTP/1.1", "a=1&b=2", "application/x-www-form-urlencoded"},
             Case{3, "PUT /v HTTP/1.1", "a=1&b=2", ""},
             Case{5, "DELETE /v HTTP/1.1", "a=1&b=2", ""},
         }) {
        inet_request(server.url("/v"), {.method = c.method, .body_text = "a=1&b=2"});
        const ReceivedRequest r = server.last_request();
        EXPECT_EQ(r.request_line, c.request_line) << c.method;
        EXPECT_EQ(r.body, c.body) << c.method;
        EXPECT_EQ(r.header("Content-Type"), c.content_type) << c.method;
        EXPECT_EQ(r.header_count("Expect"), 0u) << c.method;
    }
}

TEST_F(InetRequest, CallerLinesWinOverDefaults) {
    server.on("/h", page("ok"));
    std::string headers = "accept: text/html\r\nuser-agent: Probe/2\r\nX-Extra: " + gbk("中文");
    inet_request(server.url("/h"), {.method = 1, .headers = &headers});
    const ReceivedRequest r = server.last_request();
    EXPECT_EQ(r.header_count("Accept"), 1u);
    EXPECT_EQ(r.header("Accept"), "text/html");
    EXPECT_EQ(r.header_count("User-Agent"), 1u);
    EXPECT_EQ(r.header("User-Agent"), "Probe/2");
    EXPECT_EQ(r.header("X-Extra"), gbk("中文"));
    EXPECT_EQ(r.header_names(), (Names{"Host", "Accept", "User-Agent", "X-Extra", "Referer",
                                       "Accept-Language", "Content-Type", "Content-Length"}));
    EXPECT_EQ(headers.substr(0, 18), "Accept: text/html\r");
}

TEST_F(InetRequest, RequestCookieLine) {
    server.on("/c", page("ok"));
    inet_request(server.url("/c"), {.request_cookies = "a=1; b=2"});
    EXPECT_EQ(server.last_request().header_lines.back(), "Cookie: a=1; b=2");
    inet_request(server.url("/c"), {.request_cookies = "Cookie: x=9"});
    EXPECT_EQ(server.last_request().header_lines.back(), "Cookie: x=9");
    inet_request(server.url("/c"), {.request_cookies = ""});
    EXPECT_EQ(server.last_request().header_count("Cookie"), 0u);
}

TEST_F(InetRequest, ResponseCookies) {
    server.on("/set", page("ok", {{"Set-Cookie", "a=1; path=/"}, {"Set-Cookie", "b=2"}}));
    std::string cookies, raw;
    inet_request(server.url("/set"),
                 {.request_cookies = "", .response_cookies = &cookies, .response_headers = &raw});
    EXPECT_EQ(cookies, "a=1; b=2");
    EXPECT_EQ(raw,
              "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n"
              "Content-Length: 2\r\n\r\n");

    inet_request(server.url("/set"), {.request_cookies = "a=0; c=3", .response_cookies = &cookies});
    EXPECT_EQ(cookies, "a=1; b=2; c=3");
    inet_request(
        server.url("/set"),
        {.request_cookies = "a=0; c=3", .response_cookies = &cookies, .auto_merge_cookies = false});
    EXPECT_EQ(cookies, "a=1; b=2");
}

TEST_F(InetRequest, SharedStoreIsSafeAcrossThreads) {
    server.set_handler([](const ReceivedRequest& r) {
        return page("ok", {{"Set-Cookie", r.target.substr(1) + "=1; path=/"}});
    });
    std::vector<std::thread> threads;
    std::atomic<int> answered{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 10; ++i) {
                const std::string path = "/t" + std::to_string(t) + "_" + std::to_string(i);
                if (to_string(inet_request(server.url(path))) == "ok") ++answered;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(answered.load(), 40);
    inet_request(server.url("/last"));
    const std::string sent = server.last_request().header("Cookie");
    for (const char* name : {"t0_0=1", "t1_9=1", "t3_5=1"}) {
        EXPECT_NE(sent.find(name), std::string::npos) << name;
    }
}

TEST_F(InetRequest, SharedStoreOnlyWithoutRequestCookies) {
    server.on("/set", page("ok", {{"Set-Cookie", "sid=42; path=/"}}));
    server.on("/next", page("ok"));
    inet_request(server.url("/set"));
    inet_request(server.url("/next"));
    EXPECT_EQ(server.last_request().header("Cookie"), "sid=42");
    inet_request(server.url("/next"), {.request_cookies = "own=1"});
    EXPECT_EQ(server.last_request().header("Cookie"), "own=1");
    EXPECT_EQ(server.last_request().header_count("Cookie"), 1u);
}

TEST_F(InetRequest, HeaderBlockLimit) {
    // Status line, X-Pad line, Content-Length line and the empty line.
    const std::string fixed = "HTTP/1.1 200 OK\r\nX-Pad: \r\nContent-Length: 4\r\n\r\n";
    for (const std::size_t size : {std::size_t{4999}, std::size_t{5000}, std::size_t{7000}}) {
        server.on("/big", page("body", {{"X-Pad", std::string(size - fixed.size() - 17, 'x')},
                                        {"Set-Cookie", "k=v"}}));
        std::string raw = "old", cookies = "old";
        const Bytes body = inet_request(server.url("/big"),
                                        {.response_cookies = &cookies, .response_headers = &raw});
        EXPECT_EQ(to_string(body), "body") << size;
        if (size < 5000) {
            EXPECT_EQ(raw.size(), size);
            EXPECT_EQ(cookies, "k=v");
        } else {
            EXPECT_EQ(raw, "") << size;
            EXPECT_EQ(cookies, "") << size;
        }
    }
}

TEST_F(InetRequest, Redirects) {
    ScriptedResponse moved = TestHttpServer::redirect(302, "/new");
    moved.body = "moved";
    server.on("/old", moved);
    server.on("/new", page("arrived"));
    std::string raw;
    EXPECT_EQ(to_string(inet_request(server.url("/old"), {.response_headers = &raw})), "arrived");
    EXPECT_EQ(server.request_count(), 2u);
    EXPECT_EQ(server.last_request().request_line, "GET /new HTTP/1.1");
    EXPECT_EQ(raw.substr(0, 17), "HTTP/1.1 200 OK\r\n");

    EXPECT_EQ(to_string(inet_request(server.url("/old"),
                                     {.response_headers = &raw, .no_redirect = true})),
              "moved");
    EXPECT_EQ(server.request_count(), 3u);
    EXPECT_EQ(text_between(raw, "Location: ", "\r\n"), "/new");
}

TEST_F(InetRequest, BinaryBodiesStayWhole) {
    std::string binary;
    for (int round = 0; round < 64; ++round) {
        for (int b = 0; b < 256; ++b) binary += static_cast<char>(b);
    }
    binary += std::string(5, '\0');
    server.on("/bin", page(binary));
    Bytes upload = to_bytes(binary);
    const Bytes body = inet_request(server.url("/bin"),
                                    {.method = 1, .body_text = "ignored", .body_bytes = upload});
    EXPECT_EQ(body, to_bytes(binary));
    EXPECT_EQ(server.last_request().body, binary);
}

TEST_F(InetRequest, FiftyMegabytes) {
    std::string big(50u << 20, 'a');
    for (std::size_t i = 0; i < big.size(); i += 4093) big[i] = static_cast<char>(i % 251);
    server.on("/large", page(big));
    const Bytes body = inet_request(server.url("/large"));
    ASSERT_EQ(body.size(), big.size());
    EXPECT_EQ(std::memcmp(body.data(), big.data(), big.size()), 0);
}

TEST_F(InetRequest, ConnectionLostMidBody) {
    ScriptedResponse cut = page(std::string(100000, 'z'));
    cut.drop_after_body_bytes = 5000;
    server.on("/cut", cut);
    EXPECT_TRUE(inet_request(server.url("/cut")).empty());
}

TEST_F(InetRequest, SilentServerIsGivenUp) {
    ScriptedResponse silent;
    silent.never_answer = true;
    server.on("/silent", silent);
    set_inet_timeouts(1, 1);
    const auto start = std::chrono::steady_clock::now();
    const Bytes body = inet_request(server.url("/silent"));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    set_inet_timeouts(60, 30);
    EXPECT_TRUE(body.empty());
    EXPECT_LT(elapsed, std::chrono::seconds(10));
    EXPECT_EQ(server.request_count(), 1u);
}

TEST_F(InetRequest, ErrorPagesAreBodies) {
    EXPECT_EQ(to_string(inet_request(server.url("/missing"))), "not found");
}

TEST(InetRequestTls, SelfSignedCertificateIsAccepted) {
    TestHttpServer server(TestHttpServer::Scheme::https);
    server.on("/s", page("secret"));
    const std::string url = "HTTPS://127.0.0.1:" + std::to_string(server.port()) + "/s?Q=1";
    EXPECT_EQ(to_string(inet_request(url)), "secret");
    EXPECT_EQ(server.last_request().request_line, "GET /s?Q=1 HTTP/1.1");
}

TEST(InetRequestProxy, PlainRequestGoesThroughProxy) {
    TestHttpServer proxy;
    proxy.on("/via", page("proxied"));
    EXPECT_EQ(
        to_string(inet_request("http://origin.invalid/via?x=1", {.proxy = proxy.host_and_port()})),
        "proxied");
    const ReceivedRequest r = proxy.last_request();
    EXPECT_EQ(r.method, "GET");
    EXPECT_EQ(r.target.find("http://origin.invalid"), 0u) << r.target;
    EXPECT_EQ(r.target.substr(r.target.size() - 8), "/via?x=1");
}

TEST(InetRequestBadInput, EmptyBodyNeverACrash) {
    TestHttpServer server;
    server.on("/", page("up"));
    const RefusingPort closed;
    const std::string port = std::to_string(server.port());
    for (const std::string& url : std::vector<std::string>{
             std::string("http://"),
             std::string("http:///path"),
             "http://127.0.0.1:99999/",
             "http://127.0.0.1:-5/",
             "http://user@127.0.0.1:" + port + "/",
             "http://bad host:" + port + "/",
             "http://" + gbk("例子") + ".com/",
             "http://127.0.0.1:" + port + "/a b",
             "http://" + closed.host_and_port() + "/",
         }) {
        std::string raw = "before";
        EXPECT_TRUE(inet_request(url, {.response_headers = &raw}).empty()) << url;
        EXPECT_TRUE(raw == "before" || raw.empty()) << url;
    }
    EXPECT_TRUE(inet_request(server.url("/"), {.proxy = closed.host_and_port()}).empty());
    ScriptedResponse hang_up;
    hang_up.close_without_answer = true;
    server.on("/", hang_up);
    EXPECT_TRUE(inet_request("http://origin.invalid/", {.proxy = server.host_and_port()}).empty());
}

}  // namespace
}  // namespace vokalin
