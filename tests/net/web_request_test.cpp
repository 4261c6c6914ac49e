#include "net/web_request.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

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

const char* const AGENT = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

ScriptedResponse page(std::string body,
                      std::vector<std::pair<std::string, std::string>> headers = {}) {
    ScriptedResponse response;
    response.body = std::move(body);
    response.headers = std::move(headers);
    return response;
}

class WebRequest : public ::testing::Test {
  protected:
    TestHttpServer server;
};

TEST_F(WebRequest, DefaultHeaders) {
    server.on("/p", page("hello"));
    std::string headers;
    int status = 0;
    const Bytes body = web_request(server.url("/p"), {.headers = &headers, .status = &status});
    EXPECT_EQ(to_string(body), "hello");
    EXPECT_EQ(status, 200);
    const ReceivedRequest r = server.last_request();
    EXPECT_EQ(r.request_line, "GET /p HTTP/1.1");
    EXPECT_EQ(r.header_names(),
              (Names{"Host", "Accept", "Referer", "Accept-Language", "User-Agent"}));
    EXPECT_EQ(r.header("Accept"), "*/*");
    EXPECT_EQ(r.header("Referer"), server.url("/p"));
    EXPECT_EQ(r.header("User-Agent"), AGENT);
    EXPECT_EQ(headers, "Accept: */*\r\nReferer: " + server.url("/p") +
                           "\r\nAccept-Language: zh-cn\r\nUser-Agent: " + AGENT);
    EXPECT_TRUE(r.body.empty());
}

TEST_F(WebRequest, VerbAndBody) {
    server.on("/v", page("ok"));
    struct Case {
        int method;
        std::string body_text, request_line, body, content_type;
    };
    for (const Case& c : {
             Case{9, "", "GET /v HTTP/1.1", "", ""},
             Case{-1, "", "GET /v HTTP/1.1", "", ""},
             Case{0, "q=1", "GET /v HTTP/1.1", "q=1", ""},
             Case{1, "a=1", "POST /v HTTP/1.1", "a=1", "application/x-www-form-urlencoded"},
             Case{1, "", "POST /v HTTP/1.1", "", "application/x-www-form-urlencoded"},
             Case{2, "", "HEAD /v HTTP/1.1", "", ""},
             Case{3, "x", "PUT /v HTTP/1.1", "x", ""},
             Case{4, "", "OPTIONS /v HTTP/1.1", "", ""},
         }) {
        int status = 0;
        web_request(server.url("/v"),
                    {.method = c.method, .body_text = c.body_text, .status = &status});
        const ReceivedRequest r = server.last_request();
        EXPECT_EQ(status, 200) << c.method;
        EXPECT_EQ(r.request_line, c.request_line) << c.method;
        EXPECT_EQ(r.body, c.body) << c.method;
        EXPECT_EQ(r.header("Content-Type"), c.content_type) << c.method;
        EXPECT_EQ(r.header_count("Expect"), 0u) << c.method;
    }
}

TEST_F(WebRequest, CallerLines) {
    server.on("/h", page("ok"));
    std::string headers =
        "accept: text/html\r\nx-requested-with: XMLHttpRequest\r\n"
        "Connection: keep-alive\r\nno colon";
    web_request(server.url("/h"), {.headers = &headers});
    ReceivedRequest r = server.last_request();
    EXPECT_EQ(r.header_count("Accept"), 1u);
    EXPECT_EQ(r.header("Accept"), "text/html");
    EXPECT_EQ(r.header_count("Connection"), 0u);
    EXPECT_EQ(r.header_names(), (Names{"Host", "Accept", "X-Requested-With", "Referer",
                                       "Accept-Language", "User-Agent"}));
    EXPECT_EQ(headers.substr(0, 19), "Accept: text/html\r\n");

    headers = "X-A: 1\r\nConnection: close";
    web_request(server.url("/h"), {.headers = &headers, .complete_headers = false});
    r = server.last_request();
    EXPECT_EQ(r.header("Connection"), "close");
    EXPECT_EQ(r.header("X-A"), "1");
    EXPECT_EQ(r.header_count("Referer"), 0u);

    // A single line without a line break is sent as it is, not normalised.
    headers = "x-single: yes";
    web_request(server.url("/h"),
                {.headers = &headers, .complete_headers = false, .normalize_headers = false});
    EXPECT_EQ(server.last_request().header_lines.back(), "x-single: yes");
}

TEST_F(WebRequest, CookiePrefixIsStripped) {
    server.on("/c", page("ok"));
    std::string jar = "Cookie: a=1", received;
    web_request(server.url("/c"), {.request_cookies = &jar, .response_cookies = &received});
    const ReceivedRequest r = server.last_request();
    EXPECT_EQ(r.header_lines[1], "Cookie:  a=1");
    EXPECT_EQ(jar, "a=1");
    EXPECT_EQ(received, "a=1");
}

TEST_F(WebRequest, CookiesAreCollectedAndMerged) {
    server.on("/set", page("ok", {{"Set-Cookie", "a=1; path=/"}, {"Set-Cookie", "b=2"}}));
    std::string received = "old", raw;
    web_request(server.url("/set"), {.response_cookies = &received, .response_headers = &raw});
    EXPECT_EQ(received, "a=1; b=2");
    EXPECT_EQ(server.last_request().header_count("Cookie"), 0u);
    EXPECT_EQ(raw, "Set-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\nContent-Length: 2\r\n");

    std::string jar = "a=0; c=3";
    web_request(server.url("/set"), {.request_cookies = &jar, .response_cookies = &received});
    EXPECT_EQ(server.last_request().header("Cookie"), "a=0; c=3");
    EXPECT_EQ(received, "a=1; b=2; c=3");
    EXPECT_EQ(jar, "a=1; b=2; c=3");

    server.on("/gone", page("ok", {{"Set-Cookie", "b=deleted; path=/"}}));
    web_request(server.url("/gone"), {.request_cookies = &jar});
    EXPECT_EQ(jar, "a=1; c=3");
}

TEST_F(WebRequest, BodyBytesWinAndStayWhole) {
    std::string binary;
    for (int round = 0; round < 64; ++round) {
        for (int b = 255; b >= 0; --b) binary += static_cast<char>(b);
    }
    binary += std::string(3, '\0');
    server.on("/bin", page(binary));
    const Bytes body = web_request(
        server.url("/bin"), {.method = 1, .body_text = "ignored", .body_bytes = to_bytes(binary)});
    EXPECT_EQ(body, to_bytes(binary));
    EXPECT_EQ(server.last_request().body, binary);
}

TEST_F(WebRequest, Redirects) {
    ScriptedResponse moved = TestHttpServer::redirect(302, "/new");
    moved.headers.emplace_back("Set-Cookie", "hop=1");
    moved.body = "moved";
    server.on("/old", moved);
    server.on("/new", page("arrived"));
    int status = 0;
    std::string raw;
    EXPECT_EQ(to_string(web_request(server.url("/old"), {.status = &status})), "arrived");
    EXPECT_EQ(status, 200);
    EXPECT_EQ(server.request_count(), 2u);
    EXPECT_EQ(server.last_request().request_line, "GET /new HTTP/1.1");
    EXPECT_EQ(server.last_request().header("Cookie"), "hop=1");

    EXPECT_EQ(
        to_string(web_request(server.url("/old"),
                              {.response_headers = &raw, .status = &status, .no_redirect = true})),
        "moved");
    EXPECT_EQ(status, 302);
    EXPECT_EQ(server.request_count(), 3u);
    EXPECT_EQ(text_between(raw, "Location: ", "\r\n"), "/new");
}

TEST_F(WebRequest, ErrorPageIsBodyWithStatus) {
    int status = 0;
    EXPECT_EQ(to_string(web_request(server.url("/none"), {.status = &status})), "not found");
    EXPECT_EQ(status, 404);
}

TEST_F(WebRequest, FiftyMegabytes) {
    std::string big(50u << 20, 'b');
    for (std::size_t i = 0; i < big.size(); i += 4099) big[i] = static_cast<char>(i % 253);
    server.on("/large", page(big));
    const Bytes body = web_request(server.url("/large"));
    ASSERT_EQ(body.size(), big.size());
    EXPECT_EQ(std::memcmp(body.data(), big.data(), big.size()), 0);
}

TEST_F(WebRequest, ConnectionLostMidBody) {
    ScriptedResponse cut = page(std::string(100000, 'z'));
    cut.drop_after_body_bytes = 5000;
    server.on("/cut", cut);
    int status = -1;
    EXPECT_TRUE(web_request(server.url("/cut"), {.status = &status}).empty());
    EXPECT_EQ(status, 0);
}

TEST_F(WebRequest, SilentServerIsGivenUpAfterTheTimeOut) {
    ScriptedResponse silent;
    silent.never_answer = true;
    server.on("/silent", silent);
    int status = -1;
    const auto start = std::chrono::steady_clock::now();
    const Bytes body =
        web_request(server.url("/silent"), {.status = &status, .timeout_seconds = 1});
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(status, 0);
    EXPECT_GE(elapsed, std::chrono::milliseconds(900));
    EXPECT_LT(elapsed, std::chrono::seconds(8));
}

TEST_F(WebRequest, SlowButAnsweringServerIsAwaited) {
    ScriptedResponse slow = page("late");
    slow.delay = std::chrono::milliseconds(300);
    server.on("/slow", slow);
    EXPECT_EQ(to_string(web_request(server.url("/slow"), {.timeout_seconds = 2})), "late");
}

TEST(WebRequestTls, SelfSignedCertificateIsAccepted) {
    TestHttpServer server(TestHttpServer::Scheme::https);
    server.on("/s", page("secret"));
    int status = 0;
    EXPECT_EQ(to_string(web_request(server.url("/s"), {.status = &status})), "secret");
    EXPECT_EQ(status, 200);
    EXPECT_EQ(server.last_request().header("Referer"), server.url("/s"));
}

TEST(WebRequestProxy, ProxyCredentials) {
    TestHttpServer proxy;
    proxy.on("/via", page("proxied"));
    const std::string url = "http://origin.invalid/via";
    EXPECT_EQ(
        to_string(web_request(
            url, {.proxy = proxy.host_and_port(), .proxy_user = "user", .proxy_password = "pw"})),
        "proxied");
    ReceivedRequest r = proxy.last_request();
    EXPECT_EQ(r.request_line, "GET http://origin.invalid/via HTTP/1.1");
    EXPECT_EQ(r.header_count("Proxy-Authorization"), 1u);
    EXPECT_EQ(r.header("Proxy-Authorization"), "Basic " + base64_encode(to_bytes("user:pw")));

    // Through a tunnel the proxy alone sees the credentials.
    EXPECT_TRUE(
        web_request("https://origin.invalid/x",
                    {.proxy = proxy.host_and_port(), .proxy_user = "user", .proxy_password = "pw"})
            .empty());
    r = proxy.last_request();
    EXPECT_EQ(r.request_line, "CONNECT origin.invalid:443 HTTP/1.1");
    EXPECT_EQ(r.header("Proxy-Authorization"), "Basic " + base64_encode(to_bytes("user:pw")));
    EXPECT_EQ(r.header_count("Referer"), 0u);

    web_request(url, {.proxy = proxy.host_and_port(),
                      .proxy_user = "user",
                      .proxy_password = "pw",
                      .credentials_for = 0});
    r = proxy.last_request();
    EXPECT_EQ(r.header_count("Proxy-Authorization"), 0u);
    EXPECT_EQ(r.header_count("Authorization"), 0u);

    web_request(url, {.proxy = proxy.host_and_port(), .proxy_password = "pw"});
    EXPECT_EQ(proxy.last_request().header_count("Proxy-Authorization"), 0u);
}

TEST(WebRequestProxy, ServerCredentialsAnswerAChallenge) {
    TestHttpServer server;
    server.set_handler([](const ReceivedRequest& r) {
        if (r.header("Authorization") == "Basic " + base64_encode(to_bytes("u:p"))) {
            return page("welcome");
        }
        ScriptedResponse challenge = page("who?", {{"WWW-Authenticate", "Basic realm=\"x\""}});
        challenge.status = 401;
        challenge.reason = "Unauthorized";
        return challenge;
    });
    // The server is its own proxy here, so the credentials can go to the server.
    int status = 0;
    EXPECT_EQ(to_string(web_request(server.url("/"), {.status = &status,
                                                      .proxy = server.host_and_port(),
                                                      .proxy_user = "u",
                                                      .proxy_password = "p",
                                                      .credentials_for = 0})),
              "welcome");
    EXPECT_EQ(status, 200);
}

TEST(WebRequestBadInput, EmptyBodyAndNoStatus) {
    TestHttpServer server;
    server.on("/", page("up"));
    const RefusingPort closed;
    const std::string port = std::to_string(server.port());
    for (const std::string& url : std::vector<std::string>{
             std::string(""),
             std::string("http://"),
             std::string("http:///path"),
             "127.0.0.1:" + port + "/",
             "file:///etc/hostname",
             "http://127.0.0.1:99999/",
             "http://bad host:" + port + "/",
             "http://" + gbk("例子") + ".com/",
             "http://127.0.0.1:" + port + "/a b",
             "http://" + closed.host_and_port() + "/",
         }) {
        int status = -1;
        std::string raw = "before";
        EXPECT_TRUE(
            web_request(url, {.response_headers = &raw, .status = &status, .timeout_seconds = 2})
                .empty())
            << url;
        EXPECT_EQ(status, 0) << url;
        EXPECT_EQ(raw, "") << url;
    }
    int status = -1;
    EXPECT_TRUE(
        web_request(server.url("/"), {.status = &status, .proxy = closed.host_and_port()}).empty());
    EXPECT_EQ(status, 0);
    ScriptedResponse hang_up;
    hang_up.close_without_answer = true;
    server.on("/", hang_up);
    EXPECT_TRUE(web_request("http://origin.invalid/", {.proxy = server.host_and_port()}).empty());
}

}  // namespace
}  // namespace vokalin
