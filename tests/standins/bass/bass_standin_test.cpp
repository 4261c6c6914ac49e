#include <gtest/gtest.h>
#include <httplib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "standins/bass/bass_api.h"
#include "tests/standins/bass/wav_writer.h"

namespace vokalin {
namespace {

namespace fs = std::filesystem;
using test::SampleFormat;

constexpr std::uint64_t FAILED64 = ~std::uint64_t{0};
constexpr std::uint32_t FAILED32 = ~std::uint32_t{0};

// Each test opens the device on SDL's disk driver; output() closes it and
// returns what reached the "device".
class Device : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder_ = fs::temp_directory_path() / ("bass_standin_test_" + std::to_string(getpid()));
        fs::create_directories(folder_);
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", (folder_ / "output.raw").c_str(), 1);
    }
    static void TearDownTestSuite() { fs::remove_all(folder_); }

    void SetUp() override { ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr)); }
    void TearDown() override { BASS_Free(); }

    // left channel of the output; closes the device so the file is complete
    std::vector<float> output_left() {
        BASS_Free();
        const auto all = test::read_floats((folder_ / "output.raw").string());
        std::vector<float> left;
        for (std::size_t i = 0; i + 1 < all.size(); i += 2) left.push_back(all[i]);
        return left;
    }
    std::vector<float> output_right() {
        BASS_Free();
        const auto all = test::read_floats((folder_ / "output.raw").string());
        std::vector<float> right;
        for (std::size_t i = 1; i < all.size(); i += 2) right.push_back(all[i]);
        return right;
    }

    static std::string file(const std::string& name) { return (folder_ / name).string(); }

    static std::uint32_t memory_stream(const std::vector<std::uint8_t>& wav) {
        return BASS_StreamCreateFile(1, wav.data(), 0, wav.size(), 0);
    }

    static void play_to_end(std::uint32_t handle) {
        ASSERT_TRUE(BASS_ChannelPlay(handle, 1));
        ASSERT_TRUE(test::await([&] { return BASS_ChannelIsActive(handle) == 0; }));
    }

    static fs::path folder_;
};
fs::path Device::folder_;

std::size_t first_nonzero(const std::vector<float>& values) {
    std::size_t i = 0;
    while (i < values.size() && values[i] == 0.0f) ++i;
    return i;
}

// value k/128 with k = 1..100, so every format holds it exactly and no sample is 0
std::vector<double> marker_signal(int frames, int channels) {
    std::vector<double> samples;
    for (int i = 0; i < frames; ++i) {
        const double v = ((i % 100) + 1) / 128.0;
        samples.push_back(v);
        if (channels > 1) samples.push_back(-v);
    }
    return samples;
}

struct FormatCase {
    SampleFormat format;
    int channels;
    int bytes_per_frame;
};

TEST_F(Device, EveryPcmFormatReachesTheDeviceSampleForSample) {
    const FormatCase cases[] = {{SampleFormat::u8, 1, 1},  {SampleFormat::s16, 1, 2},
                                {SampleFormat::s16, 2, 4}, {SampleFormat::s24, 2, 6},
                                {SampleFormat::s32, 1, 4}, {SampleFormat::f32, 2, 8}};
    constexpr int FRAMES = 1000;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "bytes per frame " << c.bytes_per_frame);
        BASS_Free();
        ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
        const std::string path = file("format.wav");
        test::write_file(
            path, test::make_wav(44100, c.channels, c.format, marker_signal(FRAMES, c.channels)));
        const std::uint32_t h = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0);
        ASSERT_NE(h, 0u);
        const std::uint64_t length = BASS_ChannelGetLength(h, 0);
        EXPECT_EQ(length, std::uint64_t{FRAMES} * c.bytes_per_frame);
        EXPECT_DOUBLE_EQ(BASS_ChannelBytes2Seconds(h, length), FRAMES / 44100.0);
        EXPECT_EQ(BASS_ChannelSeconds2Bytes(h, FRAMES / 44100.0), length);
        play_to_end(h);
        EXPECT_EQ(BASS_ChannelGetPosition(h, 0), length);

        BASS_Free();
        const auto all = test::read_floats(file("output.raw"));
        std::vector<float> left, right;
        for (std::size_t i = 0; i + 1 < all.size(); i += 2) {
            left.push_back(all[i]);
            right.push_back(all[i + 1]);
        }
        const std::size_t start = first_nonzero(left);
        ASSERT_LE(start + FRAMES, left.size());
        for (int i = 0; i < FRAMES; ++i) {
            const float v = static_cast<float>(((i % 100) + 1) / 128.0);
            ASSERT_EQ(left[start + i], v) << "frame " << i;
            ASSERT_EQ(right[start + i], c.channels > 1 ? -v : v) << "frame " << i;
        }
        EXPECT_EQ(first_nonzero(std::vector<float>(left.begin() + start + FRAMES, left.end())),
                  left.size() - start - FRAMES)
            << "sound after the end of the stream";
    }
}

std::vector<double> constant(double value, int frames) {
    return std::vector<double>(frames, value);
}

TEST_F(Device, StreamsMixAndMasterVolumeScales) {
    const auto a = test::make_wav(44100, 1, SampleFormat::s16, constant(0.25, 8000));
    const auto b = test::make_wav(44100, 1, SampleFormat::s16, constant(0.125, 8000));
    const std::uint32_t ha = memory_stream(a);
    const std::uint32_t hb = memory_stream(b);
    ASSERT_NE(ha, 0u);
    ASSERT_NE(hb, 0u);
    ASSERT_TRUE(BASS_ChannelPlay(ha, 1));
    ASSERT_TRUE(BASS_ChannelPlay(hb, 1));
    ASSERT_TRUE(test::await(
        [&] { return BASS_ChannelIsActive(ha) == 0 && BASS_ChannelIsActive(hb) == 0; }));
    auto left = output_left();
    EXPECT_GT(std::count(left.begin(), left.end(), 0.375f), 1000);

    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    ASSERT_TRUE(BASS_SetVolume(0.5f));
    EXPECT_FLOAT_EQ(BASS_GetVolume(), 0.5f);
    EXPECT_FALSE(BASS_SetVolume(1.5f));
    EXPECT_FALSE(BASS_SetVolume(-0.1f));
    EXPECT_FLOAT_EQ(BASS_GetVolume(), 0.5f);
    const std::uint32_t h = memory_stream(a);
    play_to_end(h);
    left = output_left();
    EXPECT_EQ(std::count(left.begin(), left.end(), 0.125f), 8000);
    EXPECT_EQ(std::count(left.begin(), left.end(), 0.25f), 0);
}

TEST_F(Device, OtherRatesAreResampledToTheDeviceRate) {
    const struct {
        int rate;
        int frames;
        int output_frames;
    } cases[] = {{16000, 1600, 4410}, {48000, 4800, 4410}, {8000, 400, 2205}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rate);
        BASS_Free();
        ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
        const std::uint32_t h =
            memory_stream(test::make_wav(c.rate, 1, SampleFormat::s16, constant(0.25, c.frames)));
        play_to_end(h);
        const auto left = output_left();
        EXPECT_NEAR(std::count(left.begin(), left.end(), 0.25f), c.output_frames, 2);
    }
    // a 500 Hz tone stays a 500 Hz tone: 50 periods in a tenth of a second
    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    const std::uint32_t h = memory_stream(
        test::make_wav(16000, 1, SampleFormat::s16, test::sine(16000, 1, 500.0, 0.5, 1600)));
    play_to_end(h);
    const auto left = output_left();
    int rising = 0;
    for (std::size_t i = 1; i < left.size(); ++i) {
        if (left[i - 1] < 0.0f && left[i] >= 0.0f) ++rising;
    }
    EXPECT_NEAR(rising, 50, 1);
}

TEST_F(Device, PauseKeepsTheBytePositionAndResumeContinuesThere) {
    constexpr int FRAMES = 20000;
    std::vector<double> ramp;
    for (int i = 0; i < FRAMES; ++i) ramp.push_back((i + 1) / 32768.0);
    const auto wav = test::make_wav(44100, 1, SampleFormat::s16, ramp);
    const std::uint32_t h = memory_stream(wav);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(BASS_ChannelIsActive(h), 0u);
    EXPECT_FALSE(BASS_ChannelPause(h)) << "a stopped stream cannot pause";

    ASSERT_TRUE(BASS_ChannelPlay(h, 1));
    EXPECT_EQ(BASS_ChannelIsActive(h), 1u);
    ASSERT_TRUE(test::await([&] { return BASS_ChannelGetPosition(h, 0) >= 4000; }));
    ASSERT_TRUE(BASS_ChannelPause(h));
    EXPECT_EQ(BASS_ChannelIsActive(h), 3u);
    const std::uint64_t paused_at = BASS_ChannelGetPosition(h, 0);
    EXPECT_LT(paused_at, std::uint64_t{FRAMES} * 2);
    EXPECT_EQ(paused_at % 2, 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(BASS_ChannelGetPosition(h, 0), paused_at);

    // how the program resumes: set the saved position, play without restart
    ASSERT_TRUE(BASS_ChannelSetPosition(h, paused_at, 0));
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    EXPECT_EQ(BASS_ChannelIsActive(h), 1u);
    ASSERT_TRUE(test::await([&] { return BASS_ChannelIsActive(h) == 0; }));

    // each frame played once, in order, with a silent gap where it was paused
    const auto left = output_left();
    std::vector<int> played;
    std::size_t gap = 0;
    for (std::size_t i = first_nonzero(left); i < left.size(); ++i) {
        if (left[i] == 0.0f) {
            if (static_cast<int>(played.size()) < FRAMES) ++gap;
            continue;
        }
        played.push_back(static_cast<int>(std::lround(left[i] * 32768.0f)) - 1);
    }
    ASSERT_EQ(played.size(), static_cast<std::size_t>(FRAMES));
    for (int i = 0; i < FRAMES; ++i) ASSERT_EQ(played[i], i);
    EXPECT_GE(gap, 512u) << "the pause left no silence";
}

std::vector<double> ramp(int frames) {
    std::vector<double> samples;
    for (int i = 0; i < frames; ++i) samples.push_back((i + 1) / 32768.0);
    return samples;
}

// frame numbers of the non-silent output
std::vector<int> frames_of(const std::vector<float>& left) {
    std::vector<int> frames;
    for (float v : left) {
        if (v != 0.0f) frames.push_back(static_cast<int>(std::lround(v * 32768.0f)) - 1);
    }
    return frames;
}

std::vector<int> range(int from, int to) {
    std::vector<int> out;
    for (int i = from; i < to; ++i) out.push_back(i);
    return out;
}

TEST_F(Device, PlayRestartStopAndPositionRules) {
    const auto wav = test::make_wav(44100, 1, SampleFormat::s16, ramp(800));
    const std::uint32_t h = memory_stream(wav);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(BASS_ChannelGetLength(h, 0), 1600u);
    EXPECT_DOUBLE_EQ(BASS_ChannelBytes2Seconds(h, 88200), 1.0);
    EXPECT_EQ(BASS_ChannelSeconds2Bytes(h, 0.01), 882u);
    EXPECT_EQ(BASS_ChannelSeconds2Bytes(h, -1.0), FAILED64);

    EXPECT_TRUE(BASS_ChannelSetPosition(h, 1001, 0));
    EXPECT_EQ(BASS_ChannelGetPosition(h, 0), 1000u) << "positions fall on whole frames";
    EXPECT_TRUE(BASS_ChannelSetPosition(h, 1600, 0));
    EXPECT_FALSE(BASS_ChannelSetPosition(h, 1602, 0));
    EXPECT_FALSE(BASS_ChannelSetPosition(h, 0, 1)) << "only byte positions";
    EXPECT_EQ(BASS_ChannelGetPosition(h, 1), FAILED64);
    EXPECT_EQ(BASS_ChannelGetLength(h, 1), FAILED64);

    auto await_end = [&] {
        ASSERT_TRUE(test::await([&] { return BASS_ChannelIsActive(h) == 0; }));
    };
    std::vector<int> expected;
    auto expect = [&](std::vector<int> frames) {
        expected.insert(expected.end(), frames.begin(), frames.end());
    };

    play_to_end(h);  // restart from the end position set above
    EXPECT_EQ(BASS_ChannelGetPosition(h, 0), 1600u);
    expect(range(0, 800));

    ASSERT_TRUE(BASS_ChannelSetPosition(h, 1400, 0));
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    await_end();
    expect(range(700, 800));

    ASSERT_TRUE(BASS_ChannelSetPosition(h, 1400, 0));
    ASSERT_TRUE(BASS_ChannelPlay(h, 1));
    await_end();
    expect(range(0, 800));

    // stop keeps the position: playing on without restart continues there
    ASSERT_TRUE(BASS_ChannelPlay(h, 1));
    ASSERT_TRUE(BASS_ChannelStop(h));
    EXPECT_EQ(BASS_ChannelIsActive(h), 0u);
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    await_end();
    expect(range(0, 800));

    ASSERT_TRUE(BASS_ChannelPlay(h, 0)) << "a stream at its end plays again from the start";
    await_end();
    expect(range(0, 800));

    EXPECT_TRUE(BASS_StreamFree(h));
    EXPECT_FALSE(BASS_StreamFree(h));
    EXPECT_EQ(frames_of(output_left()), expected);
}

TEST_F(Device, MemoryAndFileStreamsStartAtTheirOffset) {
    const auto wav = test::make_wav(16000, 1, SampleFormat::s16, constant(0.1, 500));
    std::vector<std::uint8_t> padded(100 + wav.size(), 0xAB);
    std::copy(wav.begin(), wav.end(), padded.begin() + 100);

    const std::uint32_t m = BASS_StreamCreateFile(1, padded.data(), 100, padded.size(), 0);
    ASSERT_NE(m, 0u);
    EXPECT_EQ(BASS_ChannelGetLength(m, 0), 1000u);
    EXPECT_EQ(BASS_StreamCreateFile(1, padded.data(), 0, padded.size(), 0), 0u);

    const std::string path = file("padded.wav");
    test::write_file(path, padded);
    const std::uint32_t f = BASS_StreamCreateFile(0, path.c_str(), 100, 0, 0);
    ASSERT_NE(f, 0u);
    EXPECT_EQ(BASS_ChannelGetLength(f, 0), 1000u);
    const std::uint32_t g = BASS_StreamCreateFile(0, path.c_str(), 100, wav.size(), 0);
    EXPECT_EQ(BASS_ChannelGetLength(g, 0), 1000u);
    EXPECT_NE(f, m);
}

TEST_F(Device, TagsComeFromTheFileAndAreNullWithoutAny) {
    const auto tagged =
        test::make_wav(16000, 1, SampleFormat::s16, constant(0.1, 100), "Morning news");
    const auto plain = test::make_wav(16000, 1, SampleFormat::s16, constant(0.1, 100));
    const std::uint32_t t = memory_stream(tagged);
    const std::uint32_t p = memory_stream(plain);
    ASSERT_NE(t, 0u);
    ASSERT_NE(p, 0u);
    ASSERT_NE(BASS_ChannelGetTags(t, 0), nullptr);
    EXPECT_STREQ(BASS_ChannelGetTags(t, 0), "title=Morning news");
    EXPECT_EQ(BASS_ChannelGetTags(t, 1), nullptr);
    EXPECT_EQ(BASS_ChannelGetTags(p, 0), nullptr);
}

TEST_F(Device, UrlStreamsDownloadFromAServer) {
    const auto wav = test::make_wav(16000, 1, SampleFormat::s16, constant(0.1, 4000));
    httplib::Server server;
    server.Get("/tone.wav", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(std::string(wav.begin(), wav.end()), "audio/wav");
    });
    std::string padded(100, 'x');
    padded.append(wav.begin(), wav.end());
    server.Get("/padded.wav", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(padded, "audio/wav");
    });
    server.Get("/junk", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content("not a sound at all", "text/plain");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port, 0);
    std::thread serving([&] { server.listen_after_bind(); });
    const std::string base = "http://127.0.0.1:" + std::to_string(port);

    std::size_t delivered = 0;
    int ends = 0;
    struct Counts {
        std::size_t* bytes;
        int* ends;
    } counts{&delivered, &ends};
    const std::uint32_t h =
        BASS_StreamCreateURL((base + "/tone.wav").c_str(), 0, 0,
                             [](const void* buffer, std::uint32_t length, void* user) {
                                 auto* c = static_cast<Counts*>(user);
                                 if (buffer)
                                     *c->bytes += length;
                                 else
                                     ++*c->ends;
                             },
                             &counts);
    EXPECT_NE(h, 0u);
    EXPECT_EQ(BASS_ChannelGetLength(h, 0), 8000u);
    EXPECT_EQ(delivered, wav.size());
    EXPECT_EQ(ends, 1);
    play_to_end(h);

    const std::uint32_t from_offset =
        BASS_StreamCreateURL((base + "/padded.wav").c_str(), 100, 0, nullptr, nullptr);
    EXPECT_NE(from_offset, 0u);
    EXPECT_EQ(BASS_ChannelGetLength(from_offset, 0), 8000u);
    EXPECT_EQ(BASS_StreamCreateURL((base + "/padded.wav").c_str(), 0, 0, nullptr, nullptr), 0u)
        << "the padding is no sound";

    EXPECT_EQ(BASS_StreamCreateURL((base + "/missing.wav").c_str(), 0, 0, nullptr, nullptr), 0u);
    EXPECT_EQ(BASS_StreamCreateURL((base + "/junk").c_str(), 0, 0, nullptr, nullptr), 0u);
    EXPECT_EQ(BASS_StreamCreateURL("", 0, 0, nullptr, nullptr), 0u);
    EXPECT_EQ(BASS_StreamCreateURL(nullptr, 0, 0, nullptr, nullptr), 0u);
    server.stop();
    serving.join();
    EXPECT_EQ(BASS_StreamCreateURL((base + "/tone.wav").c_str(), 0, 0, nullptr, nullptr), 0u)
        << "nobody listens any more";
}

TEST_F(Device, UnreadableSourcesGiveNoStream) {
    auto wav = test::make_wav(16000, 1, SampleFormat::s16, constant(0.1, 10000));
    std::vector<std::uint8_t> garbage(3000);
    for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<std::uint8_t>(i * 37);
    std::vector<std::uint8_t> header_only(wav.begin(), wav.begin() + 30);
    std::vector<std::uint8_t> no_channels = wav;
    no_channels[22] = 0;
    no_channels[23] = 0;

    EXPECT_EQ(memory_stream(garbage), 0u);
    EXPECT_EQ(memory_stream(header_only), 0u);
    EXPECT_EQ(memory_stream(no_channels), 0u);
    EXPECT_EQ(BASS_StreamCreateFile(1, wav.data(), 0, 0, 0), 0u);
    EXPECT_EQ(BASS_StreamCreateFile(1, wav.data(), wav.size(), wav.size(), 0), 0u);
    EXPECT_EQ(BASS_StreamCreateFile(1, nullptr, 0, 100, 0), 0u);
    EXPECT_EQ(BASS_StreamCreateFile(0, nullptr, 0, 0, 0), 0u);
    EXPECT_EQ(BASS_StreamCreateFile(0, file("missing.wav").c_str(), 0, 0, 0), 0u);
    EXPECT_EQ(BASS_StreamCreateFile(0, folder_.c_str(), 0, 0, 0), 0u);
    const std::string empty = file("empty.wav");
    test::write_file(empty, {});
    EXPECT_EQ(BASS_StreamCreateFile(0, empty.c_str(), 0, 0, 0), 0u);
    EXPECT_EQ(BASS_StreamCreateFile(0, empty.c_str(), 10, 0, 0), 0u);

    // a file cut short plays what it holds
    std::vector<std::uint8_t> truncated(wav.begin(), wav.begin() + 44 + 1000);
    const std::string cut = file("truncated.wav");
    test::write_file(cut, truncated);
    const std::uint32_t h = BASS_StreamCreateFile(0, cut.c_str(), 0, 0, 0);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(BASS_ChannelGetLength(h, 0), 1000u);
    play_to_end(h);
}

TEST_F(Device, InvalidHandlesFailWithoutHarm) {
    const auto wav = test::make_wav(16000, 1, SampleFormat::s16, constant(0.1, 100));
    const std::uint32_t freed = memory_stream(wav);
    ASSERT_TRUE(BASS_StreamFree(freed));
    float buffer[128];
    for (const std::uint32_t h : {0u, 12345u, freed, FAILED32}) {
        SCOPED_TRACE(h);
        EXPECT_FALSE(BASS_ChannelPlay(h, 1));
        EXPECT_FALSE(BASS_ChannelPause(h));
        EXPECT_FALSE(BASS_ChannelStop(h));
        EXPECT_EQ(BASS_ChannelIsActive(h), 0u);
        EXPECT_EQ(BASS_ChannelGetPosition(h, 0), FAILED64);
        EXPECT_FALSE(BASS_ChannelSetPosition(h, 0, 0));
        EXPECT_EQ(BASS_ChannelGetLength(h, 0), FAILED64);
        EXPECT_EQ(BASS_ChannelGetTags(h, 0), nullptr);
        EXPECT_FALSE(BASS_StreamFree(h));
        EXPECT_EQ(BASS_ChannelGetData(h, buffer, BASS_DATA_FFT256), FAILED32);
        EXPECT_LT(BASS_ChannelBytes2Seconds(h, 100), 0.0);
        EXPECT_EQ(BASS_ChannelSeconds2Bytes(h, 1.0), FAILED64);
    }
}

TEST_F(Device, OneDevicePerProcessAndNothingWithoutIt) {
    EXPECT_FALSE(BASS_Init(-1, 44100, 0, nullptr, nullptr)) << "already open";
    const auto wav = test::make_wav(16000, 1, SampleFormat::s16, constant(0.1, 100));
    const std::uint32_t h = memory_stream(wav);
    ASSERT_NE(h, 0u);
    EXPECT_TRUE(BASS_Free());
    EXPECT_FALSE(BASS_Free());
    EXPECT_EQ(BASS_ChannelGetLength(h, 0), FAILED64) << "closing the device frees its streams";
    EXPECT_EQ(memory_stream(wav), 0u);
    EXPECT_FALSE(BASS_SetVolume(0.5f));
    EXPECT_FLOAT_EQ(BASS_GetVolume(), -1.0f);
    EXPECT_FALSE(BASS_Init(-1, 5, 0, nullptr, nullptr)) << "no such output rate";
    EXPECT_FALSE(BASS_Init(-7, 44100, 0, nullptr, nullptr)) << "no such device";
    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    EXPECT_FLOAT_EQ(BASS_GetVolume(), 1.0f) << "a new device starts at full volume";
}

struct SineCase {
    int rate;
    int channels;
    double frequency;
    int bin;
};

TEST_F(Device, SpectrumOfASinePeaksInItsBand) {
    const SineCase cases[] = {{16000, 1, 1000.0, 16},
                              {16000, 1, 3000.0, 48},
                              {44100, 2, 20 * 44100.0 / 256, 20},
                              {44100, 1, 100 * 44100.0 / 256, 100}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.frequency);
        const auto wav = test::make_wav(c.rate, c.channels, SampleFormat::s16,
                                        test::sine(c.rate, c.channels, c.frequency, 0.5, 2048));
        const std::uint32_t h = memory_stream(wav);
        ASSERT_NE(h, 0u);
        ASSERT_TRUE(BASS_ChannelSetPosition(h, 512ull * 2 * c.channels, 0));
        std::array<float, 129> bins;
        bins.fill(-7.0f);
        EXPECT_EQ(BASS_ChannelGetData(h, bins.data(), BASS_DATA_FFT256), 512u);
        EXPECT_EQ(bins[128], -7.0f) << "wrote past 128 floats";
        const auto peak = std::max_element(bins.begin(), bins.begin() + 128) - bins.begin();
        EXPECT_EQ(peak, c.bin);
        EXPECT_NEAR(bins[c.bin], 0.5f, 0.05f);
        for (int k = 0; k < 128; ++k) {
            if (std::abs(k - c.bin) > 1) {
                EXPECT_LT(bins[k], 0.01f) << "bin " << k;
            }
        }
    }
    const auto wav = test::make_wav(16000, 1, SampleFormat::s16, constant(0.0, 300));
    const std::uint32_t h = memory_stream(wav);
    float buffer[128];
    EXPECT_EQ(BASS_ChannelGetData(h, buffer, 512), FAILED32) << "only the FFT is served";
    EXPECT_EQ(BASS_ChannelGetData(h, nullptr, BASS_DATA_FFT256), FAILED32);
}

// The program drives one stream from the GUI thread (pause, resume) while the
// player thread creates, polls and frees streams.
TEST_F(Device, CallsFromTwoThreadsAtOnce) {
    const auto wav = test::make_wav(16000, 1, SampleFormat::s16, constant(0.1, 1600));
    const std::uint32_t shared = memory_stream(wav);
    ASSERT_TRUE(BASS_ChannelPlay(shared, 1));
    std::atomic<bool> done{false};
    std::atomic<int> failures{0};
    std::thread player([&] {
        for (int i = 0; i < 40; ++i) {
            const std::uint32_t h = memory_stream(wav);
            if (h == 0 || !BASS_ChannelPlay(h, 1)) ++failures;
            BASS_ChannelIsActive(h);
            float bins[128];
            if (BASS_ChannelGetData(h, bins, BASS_DATA_FFT256) != 512) ++failures;
            if (!BASS_StreamFree(h)) ++failures;
        }
        done = true;
    });
    while (!done) {
        BASS_ChannelPause(shared);
        const std::uint64_t at = BASS_ChannelGetPosition(shared, 0);
        if (at == FAILED64 || !BASS_ChannelSetPosition(shared, at, 0)) ++failures;
        BASS_ChannelPlay(shared, 0);
        BASS_SetVolume(0.8f);
    }
    player.join();
    EXPECT_EQ(failures, 0);
}

TEST(DeviceSignals, TheHostProgramCanStillBeTerminated) {
    // Opening the device must not take over SIGTERM: a child process that has
    // the device open dies of the signal at once.
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0) {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        if (!BASS_Init(-1, 44100, 0, nullptr, nullptr)) _exit(3);
        if (write(ready[1], "x", 1) != 1) _exit(4);
        for (;;) pause();
    }
    ASSERT_GT(child, 0);
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);  // the device is open
    close(ready[0]);
    close(ready[1]);
    kill(child, SIGTERM);
    int status = 0;
    bool ended = false;
    for (int i = 0; i < 200 && !ended; ++i) {
        ended = waitpid(child, &status, WNOHANG) == child;
        if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!ended) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        FAIL() << "the process ignored SIGTERM";
    }
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit code " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
}

}  // namespace
}  // namespace vokalin
