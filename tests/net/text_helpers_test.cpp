#include "net/text_helpers.h"

#include <gtest/gtest.h>

#include "net/text_encoding.h"
#include "net/text_search.h"

namespace vokalin {
namespace {

// "啊" is B0 A1 and "阿" is B0 A2 in GBK: a marker made of A1 B0 only occurs
// across the boundary of two characters.
const std::string AH = "\xB0\xA1";

struct BetweenCase {
    const char* name;
    std::string text, left, right, expected;
};

class TextBetween : public ::testing::TestWithParam<BetweenCase> {};

TEST_P(TextBetween, Cuts) {
    const auto& c = GetParam();
    EXPECT_EQ(text_between(c.text, c.left, c.right), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextBetween,
    ::testing::Values(BetweenCase{"quoted_value", "x version=\"3.10\" more", gbk("version=#引号"),
                                  gbk("#引号"), "3.10"},
                      BetweenCase{"right_missing", "x version=\"3.10 more", gbk("version=#引号"),
                                  gbk("#引号"), ""},
                      BetweenCase{"right_directly_after_left", "<a></a>", "<a>", "</a>", ""},
                      BetweenCase{"left_absent_right_present", "abc</a>", "<a>", "</a>", ""},
                      BetweenCase{"right_not_inside_left", "[[x]", "[[", "[", ""},
                      BetweenCase{"first_left_wins", "<b>1</b><b>2</b>", "<b>", "</b>", "1"},
                      BetweenCase{"across_char_boundary", AH + AH + "x" + AH, "\xA1\xB0", "x", ""},
                      BetweenCase{"chinese_markers", gbk("开始内容结束"), gbk("开始"), gbk("结束"),
                                  gbk("内容")},
                      BetweenCase{"empty_left_marker", "abc", "", "c", ""},
                      BetweenCase{"empty_text", "", "<", ">", ""},
                      BetweenCase{"truncated_lead_byte_at_end", "<a>x\xB0", "<a>", "\xB0\xA1", ""}),
    [](const auto& param_info) { return param_info.param.name; });

TEST(TextBetween, StartPositionAndCase) {
    EXPECT_EQ(text_between("<a>1</a><a>2</a>", "<a>", "</a>", 5), "2");
    EXPECT_EQ(text_between("<A>1</A>", "<a>", "</a>", 0, true), "1");
    EXPECT_EQ(text_between("<A>1</A>", "<a>", "</a>"), "");
}

struct BeforeCase {
    const char* name;
    std::string text, marker;
    long start;
    std::string expected;
};

class TextBefore : public ::testing::TestWithParam<BeforeCase> {};

TEST_P(TextBefore, Cuts) {
    const auto& c = GetParam();
    EXPECT_EQ(text_before(c.text, c.marker, c.start), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextBefore,
    ::testing::Values(BeforeCase{"header_name", "Content-Type: text/html", ":", 0, "Content-Type"},
                      BeforeCase{"marker_at_position_1", ":abc", ":", 0, ""},
                      BeforeCase{"marker_absent", "abc", ":", 0, ""},
                      BeforeCase{"forward_from_start", "a:b:c", ":", 3, "a:b"},
                      BeforeCase{"backward_skips_last_byte", "abc:", ":", -1, ""},
                      BeforeCase{"forward_finds_last_byte", "abc:", ":", 0, "abc"},
                      BeforeCase{"backward_finds_last", "a:b:c", ":", -1, "a:b"},
                      // -3 leaves out three bytes and one more: only "a:b" is searched
                      BeforeCase{"backward_leaves_out_n", "a:b:cde", ":", -3, "a"},
                      BeforeCase{"backward_longer_than_text", "a:b", ":", -9, ""},
                      BeforeCase{"not_inside_character", AH + AH + ":", "\xA1\xB0", 0, ""},
                      BeforeCase{"backward_not_inside_character", AH + AH + "::", "\xA1\xB0", -1,
                                 ""},
                      BeforeCase{"empty_marker", "abc", "", 0, ""}),
    [](const auto& param_info) { return param_info.param.name; });

TEST(Base64, LengthsAndPadding) {
    struct Case {
        std::string in, out;
    };
    for (const Case& c :
         {Case{"", ""}, Case{"M", "TQ=="}, Case{"Ma", "TWE="}, Case{"Man", "TWFu"},
          Case{"user:pass", "dXNlcjpwYXNz"}, Case{std::string("\0\xFF\xFE", 3), "AP/+"}}) {
        EXPECT_EQ(base64_encode(to_bytes(c.in)), c.out) << c.in;
    }
    const std::string hundred = base64_encode(Bytes(100, 0x41));
    EXPECT_EQ(hundred.size(), 136u);
    EXPECT_EQ(hundred.find('\n'), std::string::npos);
}

struct SplitCase {
    const char* name;
    std::string text, separator;
    std::vector<std::string> items;
};

class SplitOn : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitOn, Items) {
    const auto& c = GetParam();
    EXPECT_EQ(split_on(c.text, c.separator), c.items);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitOn,
    ::testing::Values(SplitCase{"empty_text", "", "; ", {}},
                      SplitCase{"two_items", "a=1; b=2", "; ", {"a=1", "b=2"}},
                      SplitCase{"leading_separator", "; a", "; ", {"", "a"}},
                      SplitCase{"consecutive", "a&&b", "&", {"a", "", "b"}},
                      SplitCase{"trailing_separator", "a&b&", "&", {"a", "b"}},
                      SplitCase{"only_separator", "&", "&", {""}},
                      SplitCase{"separator_inside_character", AH + AH, "\xA1\xB0", {AH + AH}}),
    [](const auto& param_info) { return param_info.param.name; });

TEST(TrimBlanks, AsciiAndFullWidthBlanksOnly) {
    const std::string full = "\xA1\xA1";
    EXPECT_EQ(trim_blanks("  a b  "), "a b");
    EXPECT_EQ(trim_blanks(full + " a" + full), "a");
    EXPECT_EQ(trim_blanks("\ta\r\n"), "\ta\r\n");
    EXPECT_EQ(trim_blanks(full + full), "");
    // The last byte of "啊" and a following A1 are not a full-width blank.
    EXPECT_EQ(trim_blanks(AH + full), AH);
    EXPECT_EQ(trim_blanks(AH + "\xA1"), AH + "\xA1");
    EXPECT_EQ(trim_blanks(""), "");
}

TEST(TextSearch, HugeInputsStayLinear) {
    // Tens of megabytes of double-byte text with the marker missing, and of
    // separators, finish quickly and do not read past the end.
    std::string big;
    for (int i = 0; i < 10'000'000; ++i) big += AH;
    big.push_back('\xB0');  // truncated final character
    EXPECT_EQ(text_between(big, "\xA1\xB0", "x"), "");
    EXPECT_EQ(find_text(big, "\xB0\xA1\xB0"), 1u);
    const std::vector<std::string> items = split_on(std::string(5'000'000, '&'), "&");
    EXPECT_EQ(items.size(), 5'000'000u);
}

}  // namespace
}  // namespace vokalin
