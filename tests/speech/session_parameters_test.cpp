#include "speech/session_parameters.h"

#include <gtest/gtest.h>

namespace vokalin {
namespace {

TEST(SessionParameters, VoiceTable) {
    const struct {
        std::int32_t index;
        const char* name;
    } cases[] = {{-100, "xiaoyan"}, {-1, "xiaoyan"},   {0, "xiaoyan"},    {1, "yanping"},
                 {2, "xiaofeng"},   {3, "jinger"},     {4, "donaldduck"}, {5, "babyxu"},
                 {6, "nannan"},     {7, "xiaomeng"},   {8, "xiaolin"},    {9, "xiaoqian"},
                 {10, "xiaorong"},  {11, "xiaokun"},   {12, "xiaoqiang"}, {13, "xiaomei"},
                 {14, "dalong"},    {15, "catherine"}, {16, "john"},      {17, ""},
                 {1000, ""}};
    for (const auto& c : cases) EXPECT_EQ(voice_name_for_index(c.index), c.name) << c.index;
}

TEST(SessionParameters, SpeedIncreaseTable) {
    const struct {
        std::int32_t selector;
        const char* value;
    } cases[] = {{-3, "1"}, {0, "1"}, {1, "1"}, {2, "2"}, {3, "4"}, {4, ""}, {5, ""}};
    for (const auto& c : cases) EXPECT_EQ(speed_increase_value(c.selector), c.value) << c.selector;
    EXPECT_EQ(SessionOptions{}.speed_increase, 0) << "left out counts as 0";
}

TEST(SessionParameters, TextWithEverythingLeftOut) {
    EXPECT_EQ(session_parameter_text(voice_name_for_index(0), {}),
              "engine_type=,voice_name=xiaoyan,speed=,volume=,pitch=,"
              "tts_res_path=fo|common.jet|0|1024;fo| xiaoyan.jet|0|1024,rdn=,rcn=,"
              "text_encoding=GB2312,sample_rate=,background_sound=,aue=,ttp=,"
              "speed_increase=1,effect=");
}

TEST(SessionParameters, TextOfTheSynthesisJob) {
    EXPECT_EQ(session_parameter_text(voice_name_for_index(16),
                                     {.speed = "50", .volume = "73", .pitch = "40"}),
              "engine_type=,voice_name=john,speed=50,volume=73,pitch=40,"
              "tts_res_path=fo|common.jet|0|1024;fo| xiaoyan.jet|0|1024,rdn=,rcn=,"
              "text_encoding=GB2312,sample_rate=,background_sound=,aue=,ttp=,"
              "speed_increase=1,effect=");
}

TEST(SessionParameters, GivenValuesAreUsedAsTheyStand) {
    SessionOptions options;
    options.engine_type = "cloud";
    options.speed = "a,b";
    options.tts_res_path = "fo|mine.jet";
    options.rdn = "2";
    options.rcn = "1";
    options.text_encoding = "UTF8";
    options.sample_rate = "8000";
    options.background_sound = "0";
    options.aue = "speex";
    options.ttp = "cssml";
    options.speed_increase = 3;
    options.effect = "5";
    EXPECT_EQ(session_parameter_text("", options),
              "engine_type=cloud,voice_name=,speed=a,b,volume=,pitch=,tts_res_path=fo|mine.jet,"
              "rdn=2,rcn=1,text_encoding=UTF8,sample_rate=8000,background_sound=0,aue=speex,"
              "ttp=cssml,speed_increase=4,effect=5");
    options.speed_increase = 5;
    const std::string text = session_parameter_text("xiaoyan", options);
    EXPECT_NE(text.find(",speed_increase=,effect=5"), std::string::npos) << text;
    EXPECT_EQ(text.rfind("engine_type=cloud,", 0), 0u);
}

}  // namespace
}  // namespace vokalin
