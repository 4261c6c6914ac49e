// speak through both libraries, the audio one on SDL's disk driver: the speech
// reaches the output device and speak returns once it has been played.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "net/text_encoding.h"
#include "platform/library_placement.h"
#include "speech/speech_engine.h"
#include "tests/speech/speech_test_support.h"
#include "tests/standins/bass/wav_writer.h"

namespace vokalin {
namespace {

namespace fs = std::filesystem;

TEST(SpeechSpeak, TheSpeechIsPlayedToItsEndOnTheDevice) {
    const fs::path folder = test::private_folder(VOKALIN_MSC_LIBRARY);
    fs::copy_file(VOKALIN_BASS_LIBRARY, folder / "bass.dll");
    fs::permissions(folder / "bass.dll", fs::perms::owner_all);
    platform::set_library_directory(folder);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", (folder / "output.raw").c_str(), 1);

    SpeechEngine engine;
    ASSERT_EQ(engine.login("a3c71d2e"), 0);
    const std::string session = engine.begin_session(15);
    const double seconds =
        static_cast<double>(engine.synthesize(session, "hello there").size()) / 32000;
    engine.end_session(session);
    ASSERT_GT(seconds, 0.5);

    const auto start = std::chrono::steady_clock::now();
    engine.speak("hello there", "catherine");
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(took, seconds * 0.9) << "speak returns after the playback";
    EXPECT_LT(took, seconds + 3);
    ASSERT_TRUE(engine.voice_player()->free());

    // Stereo float frames at the device's 44100 Hz.
    const auto output = test::read_floats((folder / "output.raw").string());
    std::size_t first = output.size(), last = 0;
    float loudest = 0;
    for (std::size_t i = 0; i < output.size(); ++i) {
        if (output[i] == 0.0f) continue;
        first = std::min(first, i);
        last = i;
        loudest = std::max(loudest, std::abs(output[i]));
    }
    ASSERT_LT(first, last);
    const double heard = static_cast<double>(last - first) / 2 / 44100;
    EXPECT_GT(heard, seconds * 0.6);
    EXPECT_LT(heard, seconds + 0.05);
    EXPECT_GT(loudest, 0.05f);
    engine.destroy();
    fs::remove_all(folder);
}

}  // namespace
}  // namespace vokalin
