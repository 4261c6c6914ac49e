#include "net/key_value_list.h"

#include <gtest/gtest.h>

#include "net/text_encoding.h"
#include "net/url_encode.h"

namespace vokalin {
namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

Pairs pairs_of(const KeyValueList& list) {
    std::vector<std::string> names{"stale"};
    std::vector<std::string> values{"stale"};
    list.get_names(names);
    list.get_values(values);
    Pairs out;
    for (std::size_t i = 0; i < names.size(); ++i) out.emplace_back(names[i], values[i]);
    return out;
}

TEST(UrlEncode, Bytes) {
    struct Case {
        std::string in;
        bool keep, utf8;
        std::string out;
    };
    for (const Case& c : {
             Case{"", true, false, ""},
             Case{"a b", true, false, "a%20b"},
             Case{"a b", false, false, "%61%20%62"},
             Case{"A-Z.9_~/", true, false, "A-Z.9%5F%7E%2F"},
             Case{gbk("中"), true, false, "%D6%D0"},
             Case{gbk("中"), true, true, "%E4%B8%AD"},
             Case{std::string("\xFF", 1), true, false, "%FF"},
         }) {
        EXPECT_EQ(url_encode(c.in, c.keep, c.utf8), c.out) << c.in;
    }
}

TEST(KeyValueList, Renders) {
    KeyValueList list;
    EXPECT_EQ(list.to_form(), "");
    EXPECT_EQ(list.to_headers(), "");
    EXPECT_EQ(list.to_json(), "{}");
    list.add("a", "1");
    list.add("b", "2");
    EXPECT_EQ(list.to_form(), "a=1&b=2");
    EXPECT_EQ(list.to_json(), R"({"a":"1","b":"2"})");
    list.set("b", "x y");
    EXPECT_EQ(list.to_form(true), "a=1&b=x%20y");

    KeyValueList headers;
    headers.add("user-agent", "X");
    headers.add("Accept", "*/*");
    EXPECT_EQ(headers.to_headers(), "user-agent: X\r\nAccept: */*");
    EXPECT_EQ(headers.to_headers(true), "user-agent: X\r\nAccept: %2A%2F%2A");

    KeyValueList quoted;
    quoted.add("k", "\"hi\"");
    EXPECT_EQ(quoted.to_json(), R"({"k":"\"hi\""})");
}

TEST(KeyValueList, AddQuery) {
    struct Case {
        std::string query;
        Pairs pairs;
    };
    for (const Case& c : {
             Case{"a=1&b=&=c&d", {{"a", "1"}, {"b", ""}, {"", "c"}, {"", ""}}},
             Case{"a=b=c", {{"a", "c"}}},
             Case{"a=b=", {{"a", "b="}}},
             Case{"a=1&&b=2&", {{"a", "1"}, {"", ""}, {"b", "2"}}},
             Case{"=", {{"", ""}}},
             Case{"", {}},
         }) {
        KeyValueList list;
        list.add_query(c.query);
        EXPECT_EQ(pairs_of(list), c.pairs) << c.query;
    }
}

TEST(KeyValueList, FirstEntryWins) {
    KeyValueList list;
    list.add("n", "1");
    list.add("n", "2");
    EXPECT_EQ(list.get("n"), "1");
    EXPECT_EQ(list.get("N"), "");
    list.set("n", "3");
    EXPECT_EQ(pairs_of(list), (Pairs{{"n", "3"}, {"n", "2"}}));
    list.remove("n");
    EXPECT_EQ(pairs_of(list), (Pairs{{"n", "2"}}));
    list.remove("absent");
    list.set("new", "v");
    EXPECT_EQ(pairs_of(list), (Pairs{{"n", "2"}, {"new", "v"}}));
    KeyValueList copy = list;
    list.clear();
    EXPECT_EQ(pairs_of(list), Pairs{});
    EXPECT_EQ(copy.size(), 2u);
}

TEST(KeyValueList, Utf8Conversion) {
    KeyValueList list;
    list.add(gbk("名"), gbk("值"), true);
    list.add_query(gbk("键=中"), true);
    EXPECT_EQ(pairs_of(list),
              (Pairs{{"\xE5\x90\x8D", "\xE5\x80\xBC"}, {"\xE9\x94\xAE", "\xE4\xB8\xAD"}}));
}

TEST(KeyValueList, Affixes) {
    struct Case {
        std::string text, affix, out;
    };
    for (const Case& c : {Case{",a,", ",", "a"}, Case{"a", ",", "a"}, Case{",", ",", ""},
                          Case{",,", ",", ""}, Case{"", ",", ""}, Case{"abab", "ab", ""}}) {
        std::string text = c.text;
        EXPECT_EQ(KeyValueList::strip_affix(text, c.affix), c.out) << c.text;
        EXPECT_EQ(text, c.out);
    }
    EXPECT_EQ(KeyValueList::escape_json_text(R"(say "x" \n)"), R"(say \"x\" \n)");
}

}  // namespace
}  // namespace vokalin
