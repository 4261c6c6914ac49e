#include "ui/main/split_text.h"

#include <gtest/gtest.h>

#include "net/text_encoding.h"

namespace vokalin {
namespace {

const std::string PAUSE_MARK = gbk("[3秒]");

SegmentLengthSource fixed_lengths(std::vector<int> lengths) {
    auto next = std::make_shared<std::size_t>(0);
    return [lengths = std::move(lengths), next] { return lengths[(*next)++ % lengths.size()]; };
}

TEST(SplitText, ShortTextsAreOneSegment) {
    struct Case {
        std::string text, segment;
    };
    const std::string seven_hundred(700, 'a');
    for (const Case& c : {
             Case{"", ""},
             Case{"hello world", "helloworld"},
             Case{"line one\r\nline two", "lineonelinetwo"},
             Case{"a\r \nb", "ab"},               // blanks go first, then the CR LF they hid
             Case{"a\rb\nc\td", "a\rb\nc\td"},    // lone CR, LF and tabs stay
             Case{gbk("中　文"), gbk("中　文")},  // full-width blanks stay
             Case{seven_hundred + "   ", seven_hundred},
         }) {
        std::vector<std::string> segments{"stale"};
        split_text(c.text, segments, fixed_lengths({200}));
        EXPECT_EQ(segments, std::vector<std::string>{c.segment}) << c.text;
    }
}

TEST(SplitText, LongTextsAreCutIntoDrawnLengths) {
    std::vector<std::string> segments;
    split_text(std::string(701, 'x'), segments, fixed_lengths({300, 250}));
    ASSERT_EQ(segments.size(), 3u);
    EXPECT_EQ(segments[0], std::string(300, 'x'));
    EXPECT_EQ(segments[1], std::string(250, 'x'));
    EXPECT_EQ(segments[2], std::string(151, 'x') + PAUSE_MARK);

    // ending exactly on a boundary leaves no short last segment
    split_text(std::string(800, 'x'), segments, fixed_lengths({400}));
    EXPECT_EQ(segments, (std::vector<std::string>{std::string(400, 'x'), std::string(400, 'x')}));
}

TEST(SplitText, ChineseCharactersCountAsOneUnit) {
    std::string text;
    for (int i = 0; i < 500; ++i) text += gbk("好");
    std::vector<std::string> segments;
    split_text(text, segments, fixed_lengths({200}));
    ASSERT_EQ(segments.size(), 3u);
    EXPECT_EQ(segments[0].size(), 400u);  // 200 characters of two bytes
    EXPECT_EQ(segments[2], text.substr(0, 200) + PAUSE_MARK);
}

TEST(SplitText, GbkCharactersWithALowSecondByteStayWhole) {
    // "丂" is 81 40 in GBK: its second byte is below 0x80.
    const std::string low_trail = "\x81\x40";
    std::string text;
    for (int i = 0; i < 400; ++i) text += low_trail;
    std::vector<std::string> segments;
    split_text(text, segments, fixed_lengths({300}));
    ASSERT_EQ(segments.size(), 2u);
    EXPECT_EQ(segments[0].size(), 600u);
    EXPECT_EQ(segments[1], text.substr(0, 200) + PAUSE_MARK);
    std::string joined;
    for (const auto& s : segments) joined += s;
    EXPECT_EQ(joined, text + PAUSE_MARK);  // nothing doubled, nothing lost
}

TEST(SplitText, TruncatedLastCharacterIsKept) {
    std::string text(699, 'a');
    text += gbk("好") + "\xB0";
    std::vector<std::string> segments;
    split_text(text, segments, fixed_lengths({400}));
    ASSERT_EQ(segments.size(), 2u);
    EXPECT_EQ(segments[1], text.substr(400) + PAUSE_MARK);
}

TEST(SplitText, RandomLengthsStayInRange) {
    const SegmentLengthSource lengths = random_segment_lengths();
    int low = 400, high = 200;
    for (int i = 0; i < 20000; ++i) {
        const int n = lengths();
        low = std::min(low, n);
        high = std::max(high, n);
    }
    EXPECT_EQ(low, 200);
    EXPECT_EQ(high, 400);
}

}  // namespace
}  // namespace vokalin
