#include "net/text_encoding.h"

#include <gtest/gtest.h>

namespace vokalin {
namespace {

const std::string ZHONGWEN_UTF8 = "\xE4\xB8\xAD\xE6\x96\x87";  // 中文
const std::string ZHONGWEN_GBK = "\xD6\xD0\xCE\xC4";

TEST(TextEncoding, RoundTripBetweenUtf8AndGbk) {
    EXPECT_EQ(to_gbk(ZHONGWEN_UTF8), ZHONGWEN_GBK);
    EXPECT_EQ(to_utf8(ZHONGWEN_GBK), ZHONGWEN_UTF8);
    EXPECT_EQ(gbk("中文"), ZHONGWEN_GBK);
    EXPECT_EQ(to_gbk("plain ascii"), "plain ascii");
    EXPECT_EQ(to_gbk(""), "");
    EXPECT_EQ(to_utf8(""), "");
}

struct BadCase {
    const char* name;
    std::string utf8_in, gbk_out;
};

class BadUtf8 : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadUtf8, BecomesQuestionMarks) {
    EXPECT_EQ(to_gbk(GetParam().utf8_in), GetParam().gbk_out);
}

INSTANTIATE_TEST_SUITE_P(Cases, BadUtf8,
                         ::testing::Values(BadCase{"invalid_byte",
                                                   "a\xFF"
                                                   "b",
                                                   "a?b"},
                                           BadCase{"truncated_at_end", "a\xE4\xB8", "a?"},
                                           BadCase{"overlong", "\xC0\xAF", "??"},
                                           BadCase{"surrogate_encoded", "\xED\xA0\x80", "???"},
                                           BadCase{"not_in_gbk", "x\xF0\x9F\x98\x80y", "x?y"},
                                           BadCase{"embedded_zero_ends_text",
                                                   std::string("ab\0cd", 5), "ab"}),
                         [](const auto& param_info) { return param_info.param.name; });

TEST(TextEncoding, TruncatedGbkCharacterAtTheEnd) {
    // A lone lead byte cannot be decoded; it is replaced, nothing is read past it.
    EXPECT_EQ(to_utf8(ZHONGWEN_GBK + "\xD6"), ZHONGWEN_UTF8 + "\xEF\xBF\xBD");
    EXPECT_EQ(to_utf8("\x81"), "\xEF\xBF\xBD");
}

TEST(TextEncoding, WideForms) {
    EXPECT_EQ(to_wide(ZHONGWEN_UTF8), (Bytes{0x2D, 0x4E, 0x87, 0x65, 0, 0}));
    EXPECT_EQ(to_wide(ZHONGWEN_GBK, 936), (Bytes{0x2D, 0x4E, 0x87, 0x65, 0, 0}));
    EXPECT_EQ(to_wide(""), (Bytes{0, 0}));
    EXPECT_EQ(from_wide(Bytes{0x2D, 0x4E, 0x87, 0x65, 0, 0}), ZHONGWEN_GBK);
    EXPECT_EQ(from_wide(Bytes{0x2D, 0x4E, 0x87, 0x65, 0, 0}, 65001), ZHONGWEN_UTF8);
    // readers stop at the first zero unit; an odd trailing byte is ignored
    EXPECT_EQ(from_wide(Bytes{'a', 0, 0, 0, 'b', 0}), "a");
    EXPECT_EQ(from_wide(Bytes{'a', 0, 'b'}), "a");
    // a surrogate pair that GBK cannot hold is one "?", a lone surrogate too
    EXPECT_EQ(from_wide(Bytes{0x3D, 0xD8, 0x00, 0xDE, 'z', 0}), "?z");
    EXPECT_EQ(from_wide(Bytes{0x00, 0xDC, 'z', 0}), "?z");
    // unknown code pages give nothing
    EXPECT_EQ(to_wide("abc", 1252), (Bytes{0, 0}));
    EXPECT_EQ(from_wide(Bytes{'a', 0}, 1252), "");
}

TEST(TextEncoding, Utf8Bodies) {
    EXPECT_EQ(utf8_to_text({}), "");
    EXPECT_EQ(utf8_to_text(to_bytes(ZHONGWEN_UTF8)), ZHONGWEN_GBK);
    EXPECT_EQ(utf8_to_text(to_bytes(std::string("ab\0cd", 5))), "ab");
}

TEST(TextEncoding, ConvertCharset) {
    const Bytes page = to_bytes("<p>" + ZHONGWEN_UTF8 + "</p>");
    EXPECT_EQ(convert_charset(page, "", ""), to_bytes("<p>" + ZHONGWEN_GBK + "</p>"));
    EXPECT_EQ(convert_charset(page), to_bytes("<p>" + ZHONGWEN_GBK + "</p>"));
    EXPECT_EQ(convert_charset(to_bytes("\xEF\xBB\xBFok")), to_bytes("ok"));
    EXPECT_EQ(convert_charset(page, "UTF-8", "GBK", 3), to_bytes(ZHONGWEN_GBK + "</p>"));
    EXPECT_EQ(convert_charset(page, "UTF-8", "GBK", 1000), Bytes{});
    EXPECT_EQ(convert_charset(to_bytes(ZHONGWEN_GBK), "GBK", "UTF-8"), to_bytes(ZHONGWEN_UTF8));
    EXPECT_EQ(convert_charset(page, "no-such-charset", "GBK"), Bytes{});
    EXPECT_EQ(convert_charset(page, "UTF-8", "no-such-charset"), Bytes{});
    EXPECT_EQ(convert_charset({}), Bytes{});
}

TEST(TextEncoding, TensOfMegabytes) {
    std::string big;
    big.reserve(30'000'000);
    for (int i = 0; i < 5'000'000; ++i) big += ZHONGWEN_UTF8;
    const std::string converted = to_gbk(big);
    ASSERT_EQ(converted.size(), 20'000'000u);
    EXPECT_EQ(converted.substr(0, 4), ZHONGWEN_GBK);
    EXPECT_EQ(to_utf8(converted).size(), big.size());
    EXPECT_EQ(to_gbk(std::string(20'000'000, '\xFF')), std::string(20'000'000, '?'));
}

}  // namespace
}  // namespace vokalin
