#include "ui/main/text_checks.h"

#include <gtest/gtest.h>

#include "net/text_encoding.h"

namespace vokalin {
namespace {

TEST(DoubleByte, WithoutPattern) {
    struct Case {
        std::string text;
        bool expected;
    };
    for (const Case& c : {
             Case{gbk("中文"), true},
             Case{gbk("中"), true},
             Case{"\xA1\xA1", false},  // a full-width blank is not a character here
             Case{gbk("中") + " ", true},
             Case{"ab", false},
             Case{gbk("中") + "a", false},
             Case{"\x81", false},
             Case{"", false},
             Case{"  ", false},
         }) {
        EXPECT_EQ(is_all_double_byte(c.text), c.expected) << c.text;
    }
}

TEST(DoubleByte, WithPattern) {
    EXPECT_TRUE(is_all_double_byte(gbk("中文"), true));
    EXPECT_FALSE(is_all_double_byte(gbk("中a"), true));
    EXPECT_FALSE(is_all_double_byte(gbk("，。"), true));  // punctuation is not an ideograph
    EXPECT_FALSE(is_all_double_byte(gbk("中") + " ", true));
}

TEST(Marquee, TwoLettersAndOneChineseCharacterTakeSixtySteps) {
    const std::string full = marquee_full_text("ab" + gbk("中"));
    ASSERT_EQ(full.size(), 60u);
    const std::vector<std::string> frames = marquee_frames(full);
    ASSERT_EQ(frames.size(), 60u);
    EXPECT_EQ(frames[0], std::string(55, ' ') + "ab" + gbk("中"));
    EXPECT_EQ(frames[55], "ab" + gbk("中"));
    EXPECT_EQ(frames[56], "b" + gbk("中"));
    EXPECT_EQ(frames[57], gbk("中"));
    EXPECT_EQ(frames[58], "");  // the character left in one step
    EXPECT_EQ(frames[59], "");
}

TEST(Versions, UpdateComparison) {
    struct Case {
        std::string current, latest;
        bool update;
    };
    for (const Case& c : {
             Case{"3.00", "3.1", true},
             Case{"3.00", "3.00", false},
             Case{"3.00", "2.9", false},
             Case{"3.00", "", false},
             Case{"3.00", "abc", false},
             Case{"", "3.1", true},
             Case{"3.00", " 3.10", true},
             Case{"3.00", "3.01beta", true},
         }) {
        EXPECT_EQ(update_available(c.current, c.latest), c.update) << c.current << " " << c.latest;
    }
    EXPECT_FLOAT_EQ(version_number("3.00"), 3.0f);
    EXPECT_FLOAT_EQ(version_number("x"), 0.0f);
}

}  // namespace
}  // namespace vokalin
