#include "script/regex_matcher.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "net/text_encoding.h"

namespace vokalin {
namespace {

using namespace std::chrono_literals;

// Pages in the shape of the cloud-disk share pages.
const std::string SHARE_PAGE =
    "<html><head><script src=\"/js/a.js\"></script></head>\n"
    "<body><img src=\"/fx\">\n"
    "<iframe class=\"ifr2\" name=\"1\" src=\"/fn?AbCdEfGhIjKl_123\" frameborder=\"0\" "
    "scrolling=\"no\"></iframe>\n</body></html>\n";

const std::string SIGN = std::string(40, 'A') + "_0123456789abcdefghijklmnopqrstuvwxyz";

std::string frame_page() {
    return "<script type=\"text/javascript\">\n"
           "var ajaxdata = '?ctdf';\n"
           "var wp_sign = 'short_c_c';\n"
           "var pdownload = '" +
           SIGN +
           "_c_c';\n"
           "$.ajax({\n  type : 'post',\n  url : '/ajaxm.php?file=998877',\n"
           "  data : { 'action':'downprocess','signs':ajaxdata,'sign':pdownload,'ves':1 },\n"
           "  dataType : 'json'\n});\n</script>\n";
}

const std::string PROTECTED_PAGE =
    "<script>\nfunction down_p(){\n var pwd = $('#pwd').val();\n $.ajax({\n"
    "  url : '/ajaxm.php',\n  data : 'action=downprocess&sign=AbCd_EfGh_IjKl_c_c&p='+pwd,\n"
    " });\n}\n</script>\n";

struct PageCase {
    const char* name;
    std::string pattern;
    std::string page;
    bool use_quote_placeholder;
    long group;
    std::string expected;
};

class CloudDiskPatterns : public ::testing::TestWithParam<PageCase> {};

TEST_P(CloudDiskPatterns, FindTheToken) {
    const auto& c = GetParam();
    RegexMatcher matcher;
    ASSERT_TRUE(matcher.search(c.pattern, c.page, false, true, true, c.use_quote_placeholder));
    const std::string text =
        c.group == 0 ? matcher.match_text(1) : matcher.submatch_text(1, c.group);
    EXPECT_EQ(text, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CloudDiskPatterns,
    ::testing::Values(
        PageCase{"frame_path", gbk("src=#引号(/fn?[^#引号]{10,})#引号"), SHARE_PAGE, true, 1,
                 "/fn?AbCdEfGhIjKl_123"},
        PageCase{"sign_token", "[0-9a-zA-Z\\_]{70,}_c_c", frame_page(), false, 0, SIGN + "_c_c"},
        PageCase{"action", "action':'(.*?)'", frame_page(), false, 1, "downprocess"},
        PageCase{"signs", "ajaxdata = '(.*?)'", frame_page(), false, 1, "?ctdf"},
        PageCase{"ajax_path", "url : '/(.+?)'", frame_page(), false, 1, "ajaxm.php?file=998877"},
        PageCase{"protected_action", "action=(.*?)&sign=(.{10,}?)&p=", PROTECTED_PAGE, false, 1,
                 "downprocess"},
        PageCase{"protected_sign", "action=(.*?)&sign=(.{10,}?)&p=", PROTECTED_PAGE, false, 2,
                 "AbCd_EfGh_IjKl_c_c"},
        PageCase{"placeholder_left_alone", gbk("src=#引号(/fn?[^#引号]{10,})#引号"), SHARE_PAGE,
                 false, 1, ""}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

struct OptionCase {
    const char* name;
    std::string pattern;
    std::string subject;
    bool case_sensitive;
    bool multiline;
    long expected_count;
};

class Options : public ::testing::TestWithParam<OptionCase> {};

TEST_P(Options, CountMatches) {
    const auto& c = GetParam();
    RegexMatcher matcher;
    ASSERT_TRUE(matcher.search(c.pattern, c.subject, c.case_sensitive, c.multiline));
    EXPECT_EQ(matcher.match_count(), c.expected_count);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Options,
    ::testing::Values(OptionCase{"case_ignored", "abc", "xABCx abc", false, true, 2},
                      OptionCase{"case_counts", "abc", "xABCx abc", true, true, 1},
                      OptionCase{"dot_stops_at_lf", "a.c", "a\nc", false, true, 0},
                      OptionCase{"dot_stops_at_cr", "a.c", "a\rc", false, true, 0},
                      OptionCase{"dot_takes_chinese", "a.c", gbk("a中c"), false, true, 1},
                      OptionCase{"caret_at_lines", "^b", "b\nb\r\nb", false, true, 3},
                      OptionCase{"caret_only_at_start", "^b", "b\nb", false, false, 1},
                      OptionCase{"dollar_at_lines", "x$", "x\nx", false, true, 2},
                      OptionCase{"dollar_only_at_end", "x$", "x\n", false, false, 0},
                      OptionCase{"unicode_escape", "\\u4e2d+", gbk("中中文中"), false, true, 2},
                      OptionCase{"hex_escape", "\\x41", "zAz", true, true, 1},
                      OptionCase{"lazy_minimum", "a{2,}?", "aaaaa", false, true, 2},
                      OptionCase{"empty_matches", "x*", "ab", false, true, 3},
                      OptionCase{"any_class", "a[^]b", "a\nb", false, true, 1},
                      OptionCase{"no_match", "zzz", "abc", false, true, 0}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

TEST(RegexMatcher, NothingMatched) {
    RegexMatcher matcher;
    EXPECT_TRUE(matcher.search("zzz", "abc"));
    EXPECT_EQ(matcher.match_count(), 0);
    long offset = 7;
    EXPECT_EQ(matcher.match_text(1, &offset), "");
    EXPECT_EQ(offset, -1);
    EXPECT_EQ(matcher.submatch_count(), 0);
    EXPECT_EQ(matcher.replace_matches("x"), "abc");
}

TEST(RegexMatcher, InvalidPattern) {
    RegexMatcher matcher;
    ASSERT_TRUE(matcher.search("a", "a"));
    EXPECT_FALSE(matcher.search("(a", "a"));
    EXPECT_EQ(matcher.pattern_text(), "(a");
    EXPECT_EQ(matcher.match_count(), 0);
    EXPECT_EQ(matcher.match_text(1), "");
    EXPECT_EQ(matcher.replace_matches("x"), "");
}

TEST(RegexMatcher, PatternText) {
    RegexMatcher matcher;
    EXPECT_EQ(matcher.pattern_text(), "");
    EXPECT_EQ(matcher.match_count(), 0);
    EXPECT_EQ(matcher.replace_matches("x"), "");
    matcher.search(gbk("a=#引号(.*?)#引号"), "a=\"1\"", false, true, true, true);
    EXPECT_EQ(matcher.pattern_text(), "a=\"(.*?)\"");
    EXPECT_EQ(matcher.submatch_text(1, 1), "1");
}

TEST(RegexMatcher, MatchesAndGroupsAreOneBased) {
    RegexMatcher matcher;
    ASSERT_TRUE(matcher.search("(\\w)(\\d)?-", "a1-b-c2-"));
    EXPECT_EQ(matcher.match_count(), 3);
    EXPECT_EQ(matcher.submatch_count(), 2);
    EXPECT_EQ(matcher.match_text(1), "a1-");
    EXPECT_EQ(matcher.match_text(3), "c2-");
    EXPECT_EQ(matcher.match_text(0), "");
    EXPECT_EQ(matcher.match_text(4), "");
    EXPECT_EQ(matcher.submatch_text(2, 1), "b");
    long offset = 0;
    EXPECT_EQ(matcher.submatch_text(2, 2, &offset), "");  // did not take part
    EXPECT_EQ(offset, -1);
    EXPECT_EQ(matcher.submatch_text(1, 3), "");
    EXPECT_EQ(matcher.submatch_text(1, 0), "");
}

TEST(RegexMatcher, OnlyFirstMatchWithoutGlobal) {
    RegexMatcher matcher;
    ASSERT_TRUE(matcher.search("\\d", "1 2 3", false, true, false));
    EXPECT_EQ(matcher.match_count(), 1);
    EXPECT_EQ(matcher.replace_matches("x"), "x 2 3");
}

struct OffsetCase {
    const char* name;
    std::string pattern;
    std::string subject;
    long match;
    long group;
    long expected_offset;
    std::string expected_text;
};

class Offsets : public ::testing::TestWithParam<OffsetCase> {};

TEST_P(Offsets, AreBytePositionsInTheGbkSubject) {
    const auto& c = GetParam();
    RegexMatcher matcher;
    ASSERT_TRUE(matcher.search(c.pattern, c.subject));
    long offset = -99;
    const std::string text = c.group == 0 ? matcher.match_text(c.match, &offset)
                                          : matcher.submatch_text(c.match, c.group, &offset);
    EXPECT_EQ(text, c.expected_text);
    EXPECT_EQ(offset, c.expected_offset);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Offsets,
    ::testing::Values(OffsetCase{"after_two_chinese", "abc", gbk("中文abc"), 1, 0, 4, "abc"},
                      OffsetCase{"at_start", "a", "abc", 1, 0, 0, "a"},
                      // An equal text between the character index and the real place.
                      OffsetCase{"second_of_equal_texts", "a", gbk("中中中中aa"), 2, 0, 9, "a"},
                      // The group's own place, not the first equal text inside the match.
                      OffsetCase{"group_inside_match", "a(a)b", "xaab", 1, 1, 2, "a"},
                      OffsetCase{"chinese_match", "[\\u4e00-\\u9fa5]+", gbk("ab中文cd"), 1, 0, 2,
                                 gbk("中文")},
                      OffsetCase{"case_ignored", "ABC", gbk("中abc"), 1, 0, 2, "abc"},
                      OffsetCase{"after_broken_byte", "abc",
                                 "\x80"
                                 "abc",
                                 1, 0, 1, "abc"},
                      OffsetCase{"after_lone_lead_byte", "x", "\x81\x20x", 1, 0, 2, "x"},
                      OffsetCase{"broken_byte_kept", "a.b",
                                 "a\xFF"
                                 "b",
                                 1, 0, 0,
                                 "a\xFF"
                                 "b"},
                      OffsetCase{"two_byte_utf8_char", "z", gbk("·z"), 1, 0, 2, "z"},
                      OffsetCase{"empty_match_at_end", "$", gbk("中"), 1, 0, 2, ""}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

struct ReplaceCase {
    const char* name;
    std::string pattern;
    std::string subject;
    std::string replacement;
    std::string expected;
};

class Replace : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(Replace, ExpandsReferences) {
    const auto& c = GetParam();
    RegexMatcher matcher;
    ASSERT_TRUE(matcher.search(c.pattern, c.subject));
    EXPECT_EQ(matcher.replace_matches(c.replacement), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Replace,
    ::testing::Values(ReplaceCase{"whole_match", "\\d+", "a1b22", "<$&>", "a<1>b<22>"},
                      ReplaceCase{"groups_swapped", "(\\w)(\\d)", "a1 b2", "$2$1", "1a 2b"},
                      ReplaceCase{"dollar", "x", "axb", "$$", "a$b"},
                      ReplaceCase{"missing_group_literal", "(x)", "axb", "$2$0", "a$2$0b"},
                      ReplaceCase{"two_digit_falls_back", "(x)", "axb", "$10", "ax0b"},
                      ReplaceCase{"unset_group_empty", "(x)|(y)", "y", "[$1]", "[]"},
                      ReplaceCase{"before_and_after", "b", "abc", "($`|$')", "a(a|c)c"},
                      ReplaceCase{"trailing_dollar", "b", "abc", "$", "a$c"},
                      ReplaceCase{"chinese", gbk("文"), gbk("中文字"), gbk("[$&]"),
                                  gbk("中[文]字")},
                      ReplaceCase{"empty_matches", "x*", "ab", "-", "-a-b-"}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

TEST(RegexMatcher, CopySharesResultsKeepsItsSubject) {
    RegexMatcher matcher;
    ASSERT_TRUE(matcher.search("(b)", "abc"));
    auto copy = matcher.copy();
    ASSERT_TRUE(matcher.search("z", "zz"));
    EXPECT_EQ(copy->match_count(), 1);
    EXPECT_EQ(copy->submatch_text(1, 1), "b");
    EXPECT_EQ(copy->replace_matches("[$1]"), "a[b]c");
    matcher.destroy();
    EXPECT_EQ(matcher.match_count(), 0);
    EXPECT_EQ(copy->match_text(1), "b");
}

TEST(RegexMatcher, WholeTextTest) {
    const std::string cjk = "^[\\u4e00-\\u9fa5]{1,}$";
    EXPECT_TRUE(regex_test(cjk, gbk("语音合成")));
    EXPECT_FALSE(regex_test(cjk, gbk("语音a合成")));
    EXPECT_FALSE(regex_test(cjk, gbk("语音 合成")));
    EXPECT_FALSE(regex_test(cjk, gbk("语音\n合成")));
    EXPECT_FALSE(regex_test(cjk, gbk("，")));
    EXPECT_FALSE(regex_test(cjk, ""));
    EXPECT_TRUE(regex_test("abc", "xabcx"));
    EXPECT_FALSE(regex_test("abc", "ABC"));
}

TEST(RegexMatcher, CatastrophicBacktrackingFailsQuickly) {
    const std::string subject = std::string(30000, 'a') + "!";
    for (const std::string pattern : {"^(\\w+\\s?)*$", "(a|aa)+$", "(a|a?)+$"}) {
        RegexMatcher matcher;
        const auto started = std::chrono::steady_clock::now();
        EXPECT_FALSE(matcher.search(pattern, subject)) << pattern;
        EXPECT_LT(std::chrono::steady_clock::now() - started, 1s) << pattern;
        EXPECT_EQ(matcher.match_count(), 0);
    }
}

TEST(RegexMatcher, LongPage) {
    std::string page;
    while (page.size() < (1u << 20)) page += gbk("<p>一段很长的文字 some text</p>\n");
    page += "ajaxdata = '?found';\n";
    RegexMatcher matcher;
    ASSERT_TRUE(matcher.search("ajaxdata = '(.*?)'", page));
    long offset = 0;
    EXPECT_EQ(matcher.submatch_text(1, 1, &offset), "?found");
    EXPECT_EQ(page.substr(static_cast<std::size_t>(offset), 6), "?found");
    ASSERT_TRUE(matcher.search(gbk("文字"), page));
    EXPECT_GT(matcher.match_count(), 10000);
}

TEST(RegexMatcher, SubjectEndsAtZeroByte) {
    RegexMatcher matcher;
    ASSERT_TRUE(matcher.search("b", std::string("ab\0b", 4)));
    EXPECT_EQ(matcher.match_count(), 1);
    EXPECT_EQ(matcher.replace_matches("x"), "ax");
}

}  // namespace
}  // namespace vokalin
