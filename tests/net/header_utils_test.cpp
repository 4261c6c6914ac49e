#include "net/header_utils.h"

#include <gtest/gtest.h>

namespace vokalin {
namespace {

TEST(HeaderLine, NameAndValue) {
    struct Case {
        std::string line, name, value;
    };
    for (const Case& c : {
             Case{"Content-Type: text/html", "Content-Type", "text/html"},
             Case{"Location:  /next/page ", "Location", "/next/page"},
             Case{"no colon here", "", ""},
             Case{"Date: Mon, 01 Jan 2024 10:00:00 GMT", "Date", "Mon, 01 Jan 2024 10:00:00 GMT"},
             Case{" X-A :\tv", "X-A", "\tv"},
             Case{":", "", ""},
             Case{"", "", ""},
         }) {
        EXPECT_EQ(header_name(c.line), c.name) << c.line;
        EXPECT_EQ(header_value(c.line), c.value) << c.line;
    }
}

TEST(HeaderLine, CapitalizeFirst) {
    EXPECT_EQ(capitalize_first("abc"), "Abc");
    EXPECT_EQ(capitalize_first("Abc"), "Abc");
    EXPECT_EQ(capitalize_first("1bc"), "1bc");
    EXPECT_EQ(capitalize_first(""), "");
}

TEST(HeaderBlock, Normalize) {
    struct Case {
        std::string in, out;
    };
    for (const Case& c : {
             Case{"accept: */*\r\nbad line\r\nuser-agent: x", "Accept: */*\r\nUser-Agent: x"},
             Case{"", ""},
             Case{"no\r\ncolons", ""},
             Case{"content-TYPE: x", "Content-TYPE: x"},
             Case{"x-requested-with:1", "X-Requested-With:1"},
             Case{"\r\naccept: a\r\n", "Accept: a"},
             Case{"a-b: c-d-e", "A-B: c-d-e"},
             Case{"a--b:", "A--B:"},
         }) {
        EXPECT_EQ(normalize_header_block(c.in), c.out) << c.in;
    }
}

TEST(Cookies, Merge) {
    struct Case {
        std::string current, received, merged;
    };
    for (const Case& c : {
             Case{"a=1; b=2", "b=3; c=4", "b=3; c=4; a=1"},
             Case{"a=1; b=2;", "b=deleted", "a=1"},
             Case{"", "", ""},
             Case{"a=1; a=1", "", "a=1"},
             Case{"a=1; a=2", "", "a=1"},       // of held items with one name the first survives
             Case{"", "a=1; a=2", "a=1; a=2"},  // received items are not reduced by name
             Case{"  a=1 ", " b=2;", "b=2; a=1"},
             Case{"a=1", "a=deleted", ""},
             Case{"flag; a=1", "flag", "flag; a=1"},
         }) {
        std::string current = c.current;
        std::string received = c.received;
        EXPECT_EQ(merge_cookies(current, received), c.merged) << c.current << " + " << c.received;
        EXPECT_EQ(current, c.merged);
    }
}

TEST(Cookies, MergeTrimsBothArguments) {
    std::string current = " a=1;";
    std::string received = " b=2 ";
    merge_cookies(current, received);
    EXPECT_EQ(received, "b=2");
}

TEST(Cookies, NamesAndItems) {
    EXPECT_EQ(cookie_name(" sid = 42"), "sid");
    EXPECT_EQ(cookie_name(" flag "), "flag");
    EXPECT_EQ(cookie_name("=x"), "");
    const std::vector<std::string> items{"a=1", "B=2"};
    EXPECT_TRUE(has_cookie_name(items, "a"));
    EXPECT_FALSE(has_cookie_name(items, "b"));  // case matters
    EXPECT_EQ(find_item(items, "B=2"), 2);
    EXPECT_EQ(find_item(items, "b=2"), -1);
    EXPECT_EQ(find_item({}, ""), -1);
    EXPECT_EQ(unique_items("x; y; x", "; "), "x; y");
    EXPECT_EQ(unique_items("", "; "), "");
    EXPECT_EQ(unique_items("x&&x&", "&"), "x&");
}

TEST(Cookies, LongCookieTextsStayFast) {
    std::string current;
    std::string received;
    for (int i = 0; i < 200'000; ++i) {
        current += "c" + std::to_string(i) + "=1; ";
        received += "c" + std::to_string(i % 1000) + "=2; ";
    }
    const std::string merged = merge_cookies(current, received);
    EXPECT_EQ(merged.substr(0, 11), "c0=2; c1=2;");
    EXPECT_NE(merged.find("c199999=1"), std::string::npos);
}

}  // namespace
}  // namespace vokalin
