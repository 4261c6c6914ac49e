// AudioPlayer over the real audio library, on SDL's disk driver: what the
// program plays is what reaches the device.

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "audio/audio_player.h"
#include "audio/image_canvas.h"
#include "net/text_encoding.h"
#include "platform/library_placement.h"
#include "tests/audio/library_folder.h"
#include "tests/standins/bass/wav_writer.h"

namespace vokalin {
namespace {

namespace fs = std::filesystem;
using test::SampleFormat;

constexpr int RATE = 16000;  // the rate of the program's speech segments

// (i + 1) / 32768 for frame i: the output tells which frame it came from
std::vector<double> ramp(int frames, int first = 0) {
    std::vector<double> samples;
    for (int i = 0; i < frames; ++i) samples.push_back((first + i + 1) / 32768.0);
    return samples;
}

class Playback : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder_ = test::private_library_folder(BASS_STANDIN_LIBRARY);
        platform::set_library_directory(folder_);
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", (folder_ / "output.raw").c_str(), 1);
    }
    static void TearDownTestSuite() { fs::remove_all(folder_); }

    void SetUp() override { ASSERT_TRUE(player_.init(-1, RATE)); }
    void TearDown() override { player_.free(); }

    // frame numbers of the non-silent output, left channel
    std::vector<int> played_frames() {
        player_.free();
        const auto all = test::read_floats((folder_ / "output.raw").string());
        std::vector<int> frames;
        for (std::size_t i = 0; i + 1 < all.size(); i += 2) {
            if (all[i] != 0.0f)
                frames.push_back(static_cast<int>(std::lround(all[i] * 32768.0f)) - 1);
        }
        return frames;
    }

    static std::vector<int> sequence(int count) {
        std::vector<int> frames(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) frames[static_cast<std::size_t>(i)] = i;
        return frames;
    }

    static fs::path folder_;
    AudioPlayer player_;
};
fs::path Playback::folder_;

TEST_F(Playback, ASegmentFileReachesTheDeviceSampleForSample) {
    fs::create_directories(folder_ / "缓存");
    const fs::path segment = folder_ / "缓存" / "1.wav";
    test::write_file(segment.string(), test::make_wav(RATE, 1, SampleFormat::s16, ramp(3000)));

    const StreamHandle h = player_.create_stream(gbk(segment.string()));
    ASSERT_NE(h, 0u);
    EXPECT_EQ(player_.get_length(h), 6000);
    EXPECT_DOUBLE_EQ(player_.bytes_to_seconds(h, 6000), 3000.0 / RATE);
    EXPECT_EQ(player_.seconds_to_bytes(h, 0.5), 16000);
    EXPECT_EQ(player_.get_tags(h), "");
    EXPECT_EQ(player_.is_active(h), 0);
    ASSERT_TRUE(player_.play(h));
    EXPECT_EQ(player_.is_active(h), 1);
    ASSERT_TRUE(test::await([&] { return player_.is_active(h) == 0; }));
    EXPECT_EQ(player_.get_position(h), 6000);
    EXPECT_TRUE(player_.free_stream(h));
    EXPECT_FALSE(player_.free_stream(h));
    EXPECT_EQ(played_frames(), sequence(3000));
}

TEST_F(Playback, PauseAndResumeContinueWherePlaybackStopped) {
    const auto wav = test::make_wav(RATE, 1, SampleFormat::s16, ramp(8000));
    const StreamHandle h = player_.create_stream({}, wav);
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(player_.play(h));
    ASSERT_TRUE(test::await([&] { return player_.get_position(h) >= 2000; }));

    // the pause command
    ASSERT_TRUE(player_.pause(h));
    const std::int64_t paused_position = player_.get_position(h);
    EXPECT_EQ(player_.is_active(h), 3);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(player_.get_position(h), paused_position);

    // resuming
    ASSERT_TRUE(player_.set_position(h, paused_position));
    ASSERT_TRUE(player_.play(h, 0));
    ASSERT_TRUE(test::await([&] { return player_.is_active(h) == 0; }));
    EXPECT_EQ(played_frames(), sequence(8000));
}

TEST_F(Playback, SpectrumAndAnalyserFollowThePlayingSound) {
    const auto wav =
        test::make_wav(RATE, 1, SampleFormat::s16, test::sine(RATE, 1, 1000.0, 0.5, RATE));
    const StreamHandle h = player_.create_stream({}, wav);
    ASSERT_TRUE(player_.play(h));
    ASSERT_TRUE(test::await([&] { return player_.get_position(h) > 1000; }));
    std::vector<float> values;
    EXPECT_EQ(player_.get_spectrum(h, values), 512);
    ASSERT_EQ(values.size(), 128u);
    EXPECT_EQ(std::max_element(values.begin(), values.end()) - values.begin(), 16);

    ImageCanvas target(400, 60);
    player_.draw_spectrum(target, h);
    // band 17 (bin 16) sits at x = 1 + 16 x 3 and is clipped to the full height
    EXPECT_EQ(target.pixel(49, 2), 0x00FFFFu);
    EXPECT_EQ(target.pixel(49, 0), 0x00FFFFu);
    EXPECT_EQ(target.pixel(49 + 30, 30), 0u) << "a quiet band";

    EXPECT_TRUE(player_.stop(h));
    EXPECT_EQ(player_.is_active(h), 0);
    EXPECT_TRUE(player_.free_stream(h));
    std::vector<float> after(3, 1.0f);
    EXPECT_EQ(player_.get_spectrum(h, after), -1);
    EXPECT_EQ(after, std::vector<float>(128, 0.0f));
}

TEST_F(Playback, DataWinsOverTheUrlAndNothingGivesNoStream) {
    const auto wav = test::make_wav(RATE, 1, SampleFormat::s16, ramp(100));
    const StreamHandle h = player_.create_stream(gbk((folder_ / "没有这个文件.wav").string()), wav,
                                                 "http://127.0.0.1:1/");
    EXPECT_NE(h, 0u);
    EXPECT_EQ(player_.get_length(h), 200);
    EXPECT_EQ(player_.create_stream(), 0u);
    EXPECT_EQ(player_.create_stream(gbk((folder_ / "没有这个文件.wav").string())), 0u);
    EXPECT_EQ(player_.play(0), false);
    const std::vector<std::uint8_t> junk(500, 0x5A);
    EXPECT_EQ(player_.create_stream({}, junk), 0u);
}

// The segment player plays the cache files one after another on its own
// thread while the GUI thread pauses and resumes the current stream.
TEST_F(Playback, SegmentPlayerAndPauseCommandsOnTwoThreads) {
    constexpr int SEGMENTS = 3;
    constexpr int FRAMES = 2400;
    std::vector<std::vector<std::uint8_t>> segments;
    for (int k = 0; k < SEGMENTS; ++k) {
        segments.push_back(test::make_wav(RATE, 1, SampleFormat::s16, ramp(FRAMES, k * FRAMES)));
    }
    AudioPlayer& player = player_;
    std::atomic<StreamHandle> current_stream{0};
    std::atomic<bool> finished{false};
    std::thread segment_player([&] {
        for (const auto& wav : segments) {
            const StreamHandle h = player.create_stream({}, wav);
            current_stream = h;
            player.play(h);
            while (player.is_active(h) != 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            player.free_stream(h);
        }
        finished = true;
    });
    int pauses = 0;
    while (!finished) {
        const StreamHandle h = current_stream;
        if (h != 0 && player.pause(h)) {
            ++pauses;
            const std::int64_t paused_position = player.get_position(h);
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
            player.set_position(h, paused_position);
            player.play(h, 0);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    segment_player.join();
    EXPECT_GT(pauses, 0);
    EXPECT_EQ(played_frames(), sequence(SEGMENTS * FRAMES));
}

}  // namespace
}  // namespace vokalin
