#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "net/text_encoding.h"
#include "standins/msc/msc_api.h"
#include "tests/standins/msc/audio_measures.h"
#include "tests/standins/msc/tts_run.h"

namespace vokalin {
namespace {

using test::run_tts;
using test::samples_of;
using test::tts_params;

const std::vector<std::string> ALL_VOICES = {
    "xiaoyan",   "yanping",  "xiaofeng", "jinger",    "donaldduck", "babyxu",
    "nannan",    "xiaomeng", "xiaolin",  "xiaoqian",  "xiaorong",   "xiaokun",
    "xiaoqiang", "xiaomei",  "dalong",   "catherine", "john"};

double seconds(const std::vector<std::uint8_t>& audio) {
    return static_cast<double>(audio.size()) / 2 / 16000;
}

// espeak-ng adds a little random noise and speaks the first text after a change
// of voice a little softer, so two renderings of the same text are compared by
// length, loudness and pitch rather than sample by sample.
::testing::AssertionResult same_speech(const std::vector<std::uint8_t>& a,
                                       const std::vector<std::uint8_t>& b) {
    const auto sa = samples_of(a), sb = samples_of(b);
    const double ra = test::rms(sa), rb = test::rms(sb);
    const double pa = test::median_pitch(sa), pb = test::median_pitch(sb);
    const double la = static_cast<double>(a.size()), lb = static_cast<double>(b.size());
    if (std::abs(la - lb) <= 0.005 * std::max(la, lb) &&
        std::abs(ra - rb) <= 0.06 * std::max(ra, rb) + 1 &&
        std::abs(pa - pb) <= 0.03 * std::max(pa, pb) + 1)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "lengths " << a.size() << " and " << b.size() << ", loudness " << ra << " and " << rb
           << ", pitch " << pa << " and " << pb;
}

class MscStandin : public ::testing::Test {
  protected:
    void SetUp() override {
        unsetenv("VOKALIN_MSC_FAIL_CHUNK");
        unsetenv("VOKALIN_MSC_STALL_CHUNK");
        ASSERT_EQ(MSPLogin("", "", "appid=a3c71d2e"), 0);
    }
    void TearDown() override {
        unsetenv("VOKALIN_MSC_FAIL_CHUNK");
        unsetenv("VOKALIN_MSC_STALL_CHUNK");
    }
};

TEST_F(MscStandin, SessionsNeedALoginWithAnApplicationIdentifier) {
    const std::string params = tts_params("xiaoyan");
    struct Case {
        const char* login;
        bool begins;
    } cases[] = {{nullptr, false},         {"", false},
                 {"appid=", false},        {"user=x", false},
                 {"appid=a3c71d2e", true}, {"timeout=5, appid=x", true}};
    for (const Case& c : cases) {
        MSPLogout();
        const int result = MSPLogin("", "", c.login);
        EXPECT_EQ(result == 0, c.begins) << (c.login ? c.login : "null");
        int error = -1;
        const char* id = QTTSSessionBegin(params.c_str(), &error);
        if (c.begins) {
            ASSERT_NE(id, nullptr);
            EXPECT_EQ(error, 0);
            EXPECT_EQ(QTTSSessionEnd(id, "正常关闭"), 0);
        } else {
            EXPECT_EQ(id, nullptr) << (c.login ? c.login : "null");
            EXPECT_NE(error, 0);
        }
    }
    ASSERT_EQ(MSPLogout(), 0);
    int error = 0;
    EXPECT_EQ(QTTSSessionBegin(params.c_str(), &error), nullptr);
    EXPECT_EQ(error, MSC_ERROR_NOT_LOGGED_IN);
}

TEST_F(MscStandin, UnknownVoicesAndEncodingsDoNotBeginASession) {
    for (const std::string& params :
         {tts_params(""), tts_params("nobody"), tts_params("xiaoyan2"),
          tts_params("xiaoyan", "50", "50", "50", "KOI8-R"), std::string("speed=50")}) {
        int error = 0;
        EXPECT_EQ(QTTSSessionBegin(params.c_str(), &error), nullptr) << params;
        EXPECT_NE(error, 0) << params;
    }
    int error = 0;
    EXPECT_EQ(QTTSSessionBegin(nullptr, &error), nullptr);
    EXPECT_NE(error, 0);
    EXPECT_EQ(QTTSSessionBegin("voice_name=xiaoyan", nullptr) != nullptr, true);
}

TEST_F(MscStandin, SessionIdentifiersAreUniqueAndUnknownOnesAreErrors) {
    const std::string params = tts_params("xiaoyan");
    std::vector<std::string> ids;
    for (int i = 0; i < 5; ++i) {
        int error = 0;
        const char* id = QTTSSessionBegin(params.c_str(), &error);
        ASSERT_NE(id, nullptr);
        ASSERT_STRNE(id, "");
        ids.push_back(id);
    }
    for (std::size_t i = 0; i < ids.size(); ++i)
        for (std::size_t j = i + 1; j < ids.size(); ++j) EXPECT_NE(ids[i], ids[j]);
    for (const std::string& id : ids) EXPECT_EQ(QTTSSessionEnd(id.c_str(), "正常关闭"), 0);

    for (const char* unknown : {static_cast<const char*>(nullptr), "", "nope", ids[0].c_str()}) {
        EXPECT_NE(QTTSTextPut(unknown, "abc", 3, ""), 0);
        unsigned int length = 7;
        int status = 0;
        int error = 0;
        EXPECT_EQ(QTTSAudioGet(unknown, &length, &status, &error), nullptr);
        EXPECT_EQ(length, 0u);
        EXPECT_NE(error, 0);
        EXPECT_NE(QTTSSessionEnd(unknown, "正常关闭"), 0);
    }
}

TEST_F(MscStandin, TextPutRefusesMissingOversizedAndOverlappingTexts) {
    int error = 0;
    const char* begun = QTTSSessionBegin(tts_params("john").c_str(), &error);
    ASSERT_NE(begun, nullptr);
    const std::string id = begun;
    unsigned int length = 0;
    int status = 0;
    EXPECT_EQ(QTTSAudioGet(id.c_str(), &length, &status, &error), nullptr);
    EXPECT_NE(error, 0) << "audio before any text";
    EXPECT_NE(QTTSTextPut(id.c_str(), nullptr, 3, ""), 0);
    EXPECT_NE(QTTSTextPut(id.c_str(), "abc", 0, ""), 0);
    const std::string huge(MSC_TEXT_LIMIT + 1, 'a');
    EXPECT_EQ(QTTSTextPut(id.c_str(), huge.data(), static_cast<unsigned>(huge.size()), ""),
              MSC_ERROR_TEXT_TOO_LONG);
    EXPECT_EQ(QTTSTextPut(id.c_str(), "one", 3, ""), 0);
    EXPECT_EQ(QTTSTextPut(id.c_str(), "two", 3, ""), MSC_ERROR_BUSY);
    EXPECT_EQ(QTTSAudioGet(id.c_str(), nullptr, &status, &error), nullptr);
    EXPECT_NE(error, 0);
    EXPECT_EQ(QTTSSessionEnd(id.c_str(), "正常关闭"), 0);
}

TEST_F(MscStandin, AudioComesInSeveralChunksOf16BitSamplesEndingWithStatus2) {
    const auto run = run_tts(tts_params("xiaoyan"), gbk("你好，世界"));
    ASSERT_EQ(run.begin_error, 0);
    ASSERT_EQ(run.put_result, 0);
    EXPECT_EQ(run.error, 0);
    EXPECT_TRUE(run.ended);
    EXPECT_TRUE(run.end_came_with_audio);
    ASSERT_GE(run.chunk_sizes.size(), 5u);
    for (std::size_t i = 0; i + 1 < run.chunk_sizes.size(); ++i)
        EXPECT_EQ(run.chunk_sizes[i], 3200u) << "chunk " << i;  // 100 ms at 16 kHz
    EXPECT_EQ(run.chunk_sizes.back() % 2, 0u);
    // espeak-ng speaks at 22050 Hz; delivered at 16 kHz the length must match.
    const double expected = test::espeak_program_seconds("cmn-latn-pinyin", "你好，世界");
    EXPECT_NEAR(seconds(run.audio), expected, expected * 0.1);
}

TEST_F(MscStandin, TheFirstChunkArrivesLongBeforeTheLast) {
    run_tts(tts_params("xiaoyan"), gbk("你好"));  // the engine and voice are ready
    std::string text;
    for (int i = 0; i < 12; ++i) text += "今天天气很好，我们一起去公园散步吧。";
    const auto run = run_tts(tts_params("xiaoyan"), gbk(text));
    ASSERT_TRUE(run.ended);
    EXPECT_GT(run.chunk_sizes.size(), 100u);
    EXPECT_LT(run.first_chunk_seconds, run.end_seconds / 4)
        << run.first_chunk_seconds << " s of " << run.end_seconds << " s";
}

TEST_F(MscStandin, EveryVoiceSpeaksAndNoTwoSoundAlike) {
    std::map<std::string, std::vector<std::uint8_t>> audio;
    for (const std::string& voice : ALL_VOICES) {
        const auto run = run_tts(tts_params(voice), gbk("你好 hello"));
        ASSERT_TRUE(run.ended) << voice;
        EXPECT_GT(seconds(run.audio), 0.4) << voice;
        EXPECT_GT(test::rms(samples_of(run.audio)), 500) << voice;
        audio[voice] = run.audio;
    }
    for (auto a = audio.begin(); a != audio.end(); ++a)
        for (auto b = std::next(a); b != audio.end(); ++b)
            EXPECT_NE(a->second, b->second) << a->first << " and " << b->first;
}

// Each group of voices must sound like its language: the length of the audio is
// nearest to what espeak-ng makes of the same text in that language. The text
// tells the languages apart; Debian's "cmn" voice, which reads tone digits
// aloud, makes Chinese about 40 % longer than Mandarin does.
TEST_F(MscStandin, VoicesSpeakTheirLanguage) {
    struct Group {
        std::vector<std::string> voices;
        std::string text;
        std::string language;
        std::vector<std::string> others;
    } groups[] = {
        {{"xiaoyan", "yanping", "xiaofeng", "jinger", "donaldduck", "babyxu", "nannan", "xiaomeng",
          "xiaolin", "xiaoqian", "xiaorong", "xiaokun", "xiaoqiang"},
         "妈妈骂马",
         "cmn-latn-pinyin",
         {"cmn", "en-us"}},
        {{"xiaomei", "dalong"}, "今天天气很好", "yue", {"cmn-latn-pinyin", "en-us"}},
        {{"catherine", "john"}, "the the the the the", "en-us", {"cmn-latn-pinyin", "yue"}},
    };
    for (const Group& group : groups) {
        const double wanted = test::espeak_program_seconds(group.language, group.text);
        ASSERT_GT(wanted, 0) << "espeak-ng program";
        for (const std::string& voice : group.voices) {
            const double got = seconds(run_tts(tts_params(voice), gbk(group.text)).audio);
            EXPECT_NEAR(got, wanted, wanted * 0.12) << voice;
            for (const std::string& other : group.others) {
                const double theirs = test::espeak_program_seconds(other, group.text);
                EXPECT_LT(std::abs(got - wanted), std::abs(got - theirs))
                    << voice << " sounds like " << other;
            }
        }
    }
}

TEST_F(MscStandin, SpeedPitchAndVolumeChangeTheAudioMonotonically) {
    const std::string text = gbk("今天天气很好");
    const std::vector<std::string> steps = {"0", "25", "50", "75", "100"};
    std::vector<double> durations, pitches, loudness;
    for (const std::string& v : steps) {
        durations.push_back(seconds(run_tts(tts_params("xiaofeng", v), text).audio));
        pitches.push_back(
            test::median_pitch(samples_of(run_tts(tts_params("xiaofeng", "50", v), text).audio)));
        loudness.push_back(
            test::rms(samples_of(run_tts(tts_params("xiaofeng", "50", "50", v), text).audio)));
    }
    for (std::size_t i = 1; i < steps.size(); ++i) {
        EXPECT_LT(durations[i], durations[i - 1] * 0.95) << "speed " << steps[i];
        EXPECT_GT(pitches[i], pitches[i - 1] * 1.05) << "pitch " << steps[i];
        EXPECT_GT(loudness[i], loudness[i - 1] * 1.1) << "volume " << steps[i];
    }
    EXPECT_LT(loudness[0], 2) << "volume 0 is silent";
    const double faster =
        seconds(run_tts(tts_params("xiaofeng", "50", "50", "50", "GB2312", "2"), text).audio);
    EXPECT_LT(faster, durations[2] * 0.7) << "speed_increase 2";
}

TEST_F(MscStandin, ProsodyValuesOutsideTheRangeAreClampedAndJunkIsNormal) {
    const std::string text = gbk("你好");
    auto audio = [&](const std::string& speed, const std::string& pitch,
                     const std::string& volume) {
        const auto run = run_tts(tts_params("xiaoyan", speed, pitch, volume), text);
        EXPECT_TRUE(run.ended) << speed << "/" << pitch << "/" << volume;
        return run.audio;
    };
    const auto normal = audio("50", "50", "50");
    EXPECT_TRUE(same_speech(audio("abc", "", "5x"), normal));
    EXPECT_TRUE(same_speech(audio(" 50 ", "50.0", "+50"), normal));
    EXPECT_TRUE(same_speech(audio("nan", "inf", "1e9"), normal));
    EXPECT_TRUE(
        same_speech(audio("150", "250", "99999999999999999999999"), audio("100", "100", "100")));
    EXPECT_TRUE(same_speech(audio("-7", "-0.5", "-1000"), audio("0", "0", "0")));
}

TEST_F(MscStandin, PauseMarksBecomeSilenceOfThatLength) {
    const auto plain = run_tts(tts_params("xiaoyan"), gbk("你好你好")).audio;
    struct Case {
        const char* text;
        double pause;
    } cases[] = {{"你好[3秒]你好", 3.0},
                 {"你好[p500]你好", 0.5},
                 {"你好[0.5秒]你好", 0.5},
                 {"你好[250毫秒]你好", 0.25}};
    for (const Case& c : cases) {
        const auto run = run_tts(tts_params("xiaoyan"), gbk(c.text));
        ASSERT_TRUE(run.ended) << c.text;
        // The mark is not read out: only the pause (and one clause end) is added.
        EXPECT_NEAR(seconds(run.audio), seconds(plain) + c.pause, 0.45) << c.text;
        const double quiet =
            static_cast<double>(test::longest_quiet_run(samples_of(run.audio), 0)) / 16000;
        EXPECT_GE(quiet, c.pause) << c.text;
        EXPECT_LT(quiet, c.pause + 0.5) << c.text;
    }
    const auto only_pause = run_tts(tts_params("xiaoyan"), gbk("[3秒]"));
    EXPECT_TRUE(only_pause.ended);
    EXPECT_EQ(only_pause.audio, std::vector<std::uint8_t>(3 * 32000, 0));
    // Something that is not a pause mark is read.
    const auto not_a_mark = run_tts(tts_params("xiaoyan"), gbk("你好[三秒]你好"));
    EXPECT_GT(seconds(not_a_mark.audio), seconds(plain) + 0.3);
    EXPECT_LT(test::longest_quiet_run(samples_of(not_a_mark.audio), 0), 8000u);
}

TEST_F(MscStandin, TextIsDecodedFromTheSessionsEncoding) {
    const std::string utf8 = "今天 hello";
    const auto reference = run_tts(tts_params("xiaoyan"), gbk(utf8)).audio;
    ASSERT_FALSE(reference.empty());
    const Bytes wide = to_wide(utf8);  // UTF-16LE with a terminating zero unit
    const std::string unicode(wide.begin(), wide.end() - 2);
    struct Case {
        std::string encoding;
        std::string text;
    } cases[] = {{"GBK", gbk(utf8)}, {"gb18030", gbk(utf8)}, {"UTF8", utf8},
                 {"UTF-8", utf8},    {"unicode", unicode},   {"", gbk(utf8)}};
    for (const Case& c : cases)
        EXPECT_TRUE(same_speech(
            run_tts(tts_params("xiaoyan", "50", "50", "50", c.encoding), c.text).audio, reference))
            << c.encoding;
}

TEST_F(MscStandin, BrokenTextIsSpokenAsFarAsItGoes) {
    struct Case {
        std::string encoding;
        std::string text;
    } cases[] = {{"GB2312", gbk("你好") + "\xC4"},         // half a character at the end
                 {"UTF8", std::string("ok \xFF\xFE ok")},  // bytes that are never UTF-8
                 {"unicode", std::string("o\0k\0!", 5)},   // odd byte count
                 {"GB2312", std::string("a\0b", 3)},       // zero byte inside
                 {"GB2312", std::string("\x81\x30", 2)}};  // truncated four-byte sequence
    for (const Case& c : cases) {
        const auto run = run_tts(tts_params("john", "50", "50", "50", c.encoding), c.text);
        EXPECT_EQ(run.put_result, 0) << c.encoding;
        EXPECT_TRUE(run.ended) << c.encoding;
        EXPECT_EQ(run.error, 0) << c.encoding;
    }
}

TEST_F(MscStandin, FaultInjectionFailsTheChosenChunk) {
    const std::string text = gbk("你好，世界");
    const auto whole = run_tts(tts_params("xiaoyan"), text);
    ASSERT_GE(whole.chunk_sizes.size(), 4u);
    setenv("VOKALIN_MSC_FAIL_CHUNK", "3", 1);
    int error = 0;
    const char* begun = QTTSSessionBegin(tts_params("xiaoyan").c_str(), &error);
    ASSERT_NE(begun, nullptr);
    const std::string id = begun;
    ASSERT_EQ(QTTSTextPut(id.c_str(), text.data(), static_cast<unsigned>(text.size()), ""), 0);
    std::vector<std::uint8_t> received;
    int chunks = 0;
    for (int calls = 0; calls < 1000; ++calls) {
        unsigned int length = 0;
        int status = 0;
        const void* data = QTTSAudioGet(id.c_str(), &length, &status, &error);
        if (error != 0) {
            EXPECT_EQ(data, nullptr);
            EXPECT_EQ(length, 0u);
            break;
        }
        if (data && length) {
            ++chunks;
            received.insert(received.end(), static_cast<const std::uint8_t*>(data),
                            static_cast<const std::uint8_t*>(data) + length);
        }
        ASSERT_NE(status, MSC_TTS_AUDIO_END) << "ended without the fault";
    }
    EXPECT_EQ(error, MSC_ERROR_QUOTA);
    EXPECT_EQ(chunks, 2);
    EXPECT_EQ(received.size(), whole.chunk_sizes[0] + whole.chunk_sizes[1]);
    unsigned int length = 0;
    int status = 0;
    EXPECT_EQ(QTTSAudioGet(id.c_str(), &length, &status, &error), nullptr);
    EXPECT_EQ(error, MSC_ERROR_QUOTA) << "the session stays failed";
    EXPECT_EQ(QTTSSessionEnd(id.c_str(), "正常关闭"), 0);
}

TEST_F(MscStandin, StallInjectionStopsTheAudioWithoutEndingTheText) {
    setenv("VOKALIN_MSC_STALL_CHUNK", "2", 1);
    int error = 0;
    const char* begun = QTTSSessionBegin(tts_params("xiaoyan").c_str(), &error);
    ASSERT_NE(begun, nullptr);
    const std::string id = begun;
    const std::string text = gbk("你好，世界");
    ASSERT_EQ(QTTSTextPut(id.c_str(), text.data(), static_cast<unsigned>(text.size()), ""), 0);
    int chunks = 0;
    for (int call = 0; call < 4; ++call) {
        unsigned int length = 0;
        int status = 0;
        const void* data = QTTSAudioGet(id.c_str(), &length, &status, &error);
        if (data && length) ++chunks;
        EXPECT_EQ(error, 0);
        EXPECT_EQ(status, MSC_TTS_AUDIO_FOLLOWS);
    }
    EXPECT_EQ(chunks, 1);
    EXPECT_EQ(QTTSSessionEnd(id.c_str(), "正常关闭"), 0);
}

}  // namespace
}  // namespace vokalin
