#include "speech/speech_engine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "net/text_encoding.h"
#include "platform/library_placement.h"
#include "speech/message_box.h"
#include "speech/msc_binding.h"
#include "tests/speech/speech_test_support.h"

namespace vokalin {
namespace {

namespace fs = std::filesystem;
using test::PlayerLog;
using test::RecordingPlayer;

struct ShownMessage {
    std::string title;
    std::string text;
};

class SpeechEngineTest : public ::testing::Test {
  protected:
    // As in the program: the library's image is registered, construction
    // writes it into the private temporary folder and it is loaded from there.
    static void SetUpTestSuite() {
        runtime_dir() = test::private_folder();
        setenv("XDG_RUNTIME_DIR", runtime_dir().c_str(), 1);
        image() = test::file_bytes(VOKALIN_MSC_LIBRARY);
        platform::register_library_image("msc.dll", image());
    }
    static fs::path& runtime_dir() {
        static fs::path dir;
        return dir;
    }
    static Bytes& image() {
        static Bytes bytes;
        return bytes;
    }

    void SetUp() override {
        unsetenv("VOKALIN_MSC_FAIL_CHUNK");
        unsetenv("VOKALIN_MSC_STALL_CHUNK");
        previous_handler_ =
            set_message_box_handler([this](const std::string& title, const std::string& text) {
                shown_.push_back({title, text});
            });
        engine_ = std::make_unique<SpeechEngine>(std::make_unique<RecordingPlayer>(log_));
        ASSERT_EQ(engine_->login("a3c71d2e"), 0) << msc_load_error();
    }
    void TearDown() override {
        set_message_box_handler(previous_handler_);
        unsetenv("VOKALIN_MSC_FAIL_CHUNK");
        unsetenv("VOKALIN_MSC_STALL_CHUNK");
    }

    std::shared_ptr<PlayerLog> log_ = std::make_shared<PlayerLog>();
    std::unique_ptr<SpeechEngine> engine_;
    std::vector<ShownMessage> shown_;
    MessageBoxHandler previous_handler_;
};

TEST_F(SpeechEngineTest, ConstructionPlacesTheLibraryEveryTimeAndOpensTheDevice) {
    EXPECT_EQ(platform::library_directory(), runtime_dir());
    EXPECT_EQ(engine_->placement_error(), "");
    EXPECT_EQ(log_->init_calls, 1);
    EXPECT_EQ(log_->init_device, -1);
    EXPECT_EQ(log_->init_frequency, 44100);
    EXPECT_EQ(log_->init_flags, 0);
    EXPECT_EQ(log_->init_window, nullptr);

    const fs::path placed = runtime_dir() / "msc.dll";
    fs::remove(placed);  // the loaded library keeps its own copy
    {
        std::ofstream stale(placed, std::ios::binary);
        stale << "an older library";
    }
    SpeechEngine again(std::make_unique<RecordingPlayer>(std::make_shared<PlayerLog>()));
    EXPECT_EQ(test::file_bytes(placed), image()) << "msc.dll is rewritten at every start";
}

TEST_F(SpeechEngineTest, LoginPassesTheSdkResultThrough) {
    EXPECT_EQ(engine_->login("a3c71d2e"), 0);
    EXPECT_NE(engine_->login(""), 0) << "\"appid=\" alone is refused by the service";
}

TEST_F(SpeechEngineTest, SessionsBeginForEveryListedVoiceOnly) {
    for (const std::int32_t voice : {-1, 0, 5, 13, 16}) {
        const std::string id =
            engine_->begin_session(voice, {.speed = "50", .volume = "50", .pitch = "50"});
        EXPECT_FALSE(id.empty()) << voice;
        EXPECT_EQ(engine_->end_session(id), 0) << voice;
    }
    EXPECT_EQ(engine_->begin_session(17), "") << "empty voice name";
    EXPECT_EQ(engine_->begin_session(0, {.text_encoding = "EBCDIC"}), "");
    const std::string a = engine_->begin_session();
    const std::string b = engine_->begin_session();
    EXPECT_NE(a, b);
    engine_->end_session(a);
    engine_->end_session(b);
}

TEST_F(SpeechEngineTest, SynthesizeCollectsTheWholeAudio) {
    const std::string id =
        engine_->begin_session(0, {.speed = "50", .volume = "50", .pitch = "50"});
    ASSERT_FALSE(id.empty());
    const Bytes audio = engine_->synthesize(id, gbk("你好，世界[p500]"));
    EXPECT_EQ(audio.size() % 2, 0u);
    const double seconds = static_cast<double>(audio.size()) / 32000;
    EXPECT_GT(seconds, 1.3);
    EXPECT_LT(seconds, 3.0);
    EXPECT_TRUE(shown_.empty());
    EXPECT_EQ(engine_->end_session(id), 0);
    EXPECT_NE(engine_->end_session(id), 0) << "already ended";
}

TEST_F(SpeechEngineTest, WithoutASessionNothingIsSynthesizedOrEnded) {
    EXPECT_TRUE(engine_->synthesize("", gbk("你好")).empty());
    EXPECT_TRUE(engine_->synthesize("no-such-session", gbk("你好")).empty());
    EXPECT_EQ(engine_->end_session(""), 0) << "no call for an empty identifier";
    EXPECT_NE(engine_->end_session("no-such-session"), 0);
    const std::string id = engine_->begin_session();
    EXPECT_TRUE(engine_->synthesize(id, "").empty()) << "the service refuses an empty text";
    engine_->end_session(id);
    EXPECT_TRUE(shown_.empty());
}

TEST_F(SpeechEngineTest, AServiceErrorShowsTheQuotaMessageOnceAndKeepsTheAudioSoFar) {
    setenv("VOKALIN_MSC_FAIL_CHUNK", "3", 1);
    const std::string id = engine_->begin_session(1);
    ASSERT_FALSE(id.empty());
    const Bytes audio = engine_->synthesize(id, gbk("今天天气很好"));
    EXPECT_EQ(audio.size(), 2u * 3200u) << "the first two chunks of 100 ms";
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].title, gbk("错误提示"));
    EXPECT_EQ(shown_[0].text, gbk("软件今天的服务量已经使用完，请明天在使用。\r\n"
                                  "或者去官网下载没有限制版本使用。"));
    EXPECT_EQ(engine_->end_session(id), 0);

    // The message is shown once per failing text, not once per process.
    const std::string next = engine_->begin_session(1);
    EXPECT_EQ(engine_->synthesize(next, gbk("今天天气很好")).size(), 2u * 3200u);
    EXPECT_EQ(shown_.size(), 2u);
    engine_->end_session(next);
}

TEST_F(SpeechEngineTest, AStalledLibraryDoesNotHoldTheCallerForever) {
    setenv("VOKALIN_MSC_STALL_CHUNK", "3", 1);
    engine_->set_stall_limit(std::chrono::milliseconds(600));
    const std::string id = engine_->begin_session();
    const auto start = std::chrono::steady_clock::now();
    const Bytes audio = engine_->synthesize(id, gbk("今天天气很好"));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(audio.size(), 2u * 3200u);
    EXPECT_LT(waited, std::chrono::seconds(5));
    EXPECT_TRUE(shown_.empty()) << "a stall is not the quota error";
    engine_->end_session(id);
}

TEST_F(SpeechEngineTest, SpeakPlaysTheWrappedAudioToItsEnd) {
    engine_->speak(gbk("你好"));
    ASSERT_GE(log_->streamed.size(), 44u + 16000u);
    EXPECT_EQ(std::memcmp(log_->streamed.data(), "RIFF", 4), 0);
    const Bytes audio(log_->streamed.begin() + 44, log_->streamed.end());
    EXPECT_EQ(engine_->wrap_wav(audio), log_->streamed);
    EXPECT_EQ(log_->stream_path, "");
    EXPECT_EQ(log_->stream_url, "");
    EXPECT_EQ(log_->stream_offset, 0);
    EXPECT_EQ(log_->plays, 1);
    EXPECT_EQ(log_->restart, 1);
    EXPECT_EQ(log_->activity_checks, 2) << "checked again after each wait until it stopped";
    EXPECT_EQ(log_->frees, 1);
    EXPECT_EQ(log_->freed, 42u);

    auto other = std::make_shared<PlayerLog>();
    SpeechEngine with_unknown_voice(std::make_unique<RecordingPlayer>(other, 0));
    with_unknown_voice.speak(gbk("你好"), "nobody");
    EXPECT_EQ(other->plays, 0) << "no session, nothing played";
    with_unknown_voice.speak(gbk("hello"), "john", {.speed = "100"});
    EXPECT_EQ(other->plays, 1);
}

TEST_F(SpeechEngineTest, CopyHasItsOwnPlayerAndPlacesNothing) {
    const auto copied = engine_->copy();
    ASSERT_NE(copied, nullptr);
    ASSERT_NE(copied->voice_player(), nullptr);
    EXPECT_NE(copied->voice_player(), engine_->voice_player());
    EXPECT_EQ(log_->copies, 1);
    EXPECT_EQ(log_->init_calls, 1);
    const std::string id = copied->begin_session();
    EXPECT_FALSE(id.empty()) << "the copy reaches the same service";
    copied->end_session(id);
}

TEST_F(SpeechEngineTest, DestroyLogsOutAndReleasesThePlayer) {
    engine_->destroy();
    EXPECT_EQ(log_->destroy_calls, 1);
    EXPECT_EQ(engine_->voice_player(), nullptr);
    EXPECT_EQ(engine_->begin_session(), "") << "logged out";
    engine_->speak(gbk("你好"));  // no player any more: nothing to do, no crash
    engine_->destroy();           // a second logout is harmless
    EXPECT_EQ(log_->destroy_calls, 1);
}

TEST_F(SpeechEngineTest, WrapWavIsTheContainer) {
    const Bytes audio = {1, 2, 3};
    const Bytes wav = engine_->wrap_wav(audio);
    ASSERT_EQ(wav.size(), 47u);
    EXPECT_EQ(std::memcmp(wav.data() + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(wav[40], 3);
    EXPECT_EQ(Bytes(wav.begin() + 44, wav.end()), audio);
}

}  // namespace
}  // namespace vokalin
