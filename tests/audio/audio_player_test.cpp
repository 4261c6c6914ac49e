// AudioPlayer over a recording fake of the audio library: what each operation
// passes to the library, what it makes of the answers, and the spectrum drawing.

#include "audio/audio_player.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "audio/image_canvas.h"
#include "net/text_encoding.h"
#include "platform/library_placement.h"
#include "platform/platform.h"
#include "tests/audio/fake_bass.h"
#include "tests/audio/library_folder.h"

namespace vokalin {
namespace {

namespace fs = std::filesystem;

class InspectablePlayer : public AudioPlayer {
  public:
    InspectablePlayer() = default;
    explicit InspectablePlayer(const AudioPlayer& other) : AudioPlayer(other) {}
    ImageCanvas* surface() const { return dynamic_cast<ImageCanvas*>(spectrum_canvas_.get()); }
    const std::shared_ptr<Canvas>& canvas() const { return spectrum_canvas_; }
    float bar(int band) const { return bar_heights_.at(static_cast<std::size_t>(band - 1)); }
    float peak(int band) const { return peak_heights_.at(static_cast<std::size_t>(band - 1)); }
    std::size_t arrays() const { return bar_heights_.size() + peak_heights_.size(); }
};

class Player : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder_ = test::private_library_folder(FAKE_BASS_LIBRARY);
        platform::set_library_directory(folder_);
        std::string error;
        void* library = platform::load_library(folder_ / "bass.dll", error);
        ASSERT_NE(library, nullptr) << error;
        calls_ = reinterpret_cast<fake_bass_calls_fn>(
            platform::library_symbol(library, "fake_bass_calls"));
        reset_ = reinterpret_cast<fake_bass_reset_fn>(
            platform::library_symbol(library, "fake_bass_reset"));
        set_spectrum_ = reinterpret_cast<fake_bass_set_spectrum_fn>(
            platform::library_symbol(library, "fake_bass_set_spectrum"));
        set_tags_ = reinterpret_cast<fake_bass_set_tags_fn>(
            platform::library_symbol(library, "fake_bass_set_tags"));
        ASSERT_TRUE(calls_ && reset_ && set_spectrum_ && set_tags_);
    }
    static void TearDownTestSuite() { fs::remove_all(folder_); }

    void SetUp() override { reset_(); }

    static std::string calls() { return calls_(); }
    static void spectrum(float magnitude, std::uint32_t result = 512) {
        float values[128];
        for (float& v : values) v = magnitude;
        set_spectrum_(values, result);
    }

    static fs::path folder_;
    static fake_bass_calls_fn calls_;
    static fake_bass_reset_fn reset_;
    static fake_bass_set_spectrum_fn set_spectrum_;
    static fake_bass_set_tags_fn set_tags_;
    InspectablePlayer player_;
};
fs::path Player::folder_;
fake_bass_calls_fn Player::calls_;
fake_bass_reset_fn Player::reset_;
fake_bass_set_spectrum_fn Player::set_spectrum_;
fake_bass_set_tags_fn Player::set_tags_;

std::string pointer_text(const void* p) {
    char text[32];
    std::snprintf(text, sizeof text, "%p", p);
    return text;
}

TEST_F(Player, InitPassesItsDefaultsAndExplicitValues) {
    EXPECT_TRUE(player_.init());
    EXPECT_EQ(calls(), "BASS_Init(-1,44100,0,(nil),(nil))\n");
    reset_();
    int window = 0;
    EXPECT_TRUE(player_.init(0, 0, 0, &window));
    EXPECT_EQ(calls(), "BASS_Init(0,0,0," + pointer_text(&window) + ",(nil))\n");
}

TEST_F(Player, CreateStreamPrefersAnExistingFileThenDataThenTheUrl) {
    const fs::path dir = folder_ / "音频";
    fs::create_directories(dir);
    const fs::path wav = dir / "片段 1.wav";
    std::ofstream(wav) << "RIFF";
    const std::string existing = gbk((folder_ / "音频" / "片段 1.wav").string());
    const std::string missing = gbk((folder_ / "音频" / "没有.wav").string());
    const std::string directory = gbk(dir.string());
    const std::vector<std::uint8_t> bytes(300, 7);
    const std::span<const std::uint8_t> data(bytes);
    const std::string memory = "BASS_StreamCreateFile(1," + pointer_text(bytes.data());

    struct Case {
        const char* what;
        std::string path;
        std::span<const std::uint8_t> data;
        std::string url;
        std::int32_t offset;
        StreamHandle handle;
        std::string calls;
    } cases[] = {
        {"nothing to open", "", {}, "", 0, 0, ""},
        {"missing file, data, url", missing, data, "http://127.0.0.1/a.wav", 0, 102,
         memory + ",0,300,0)\n"},
        {"missing file only", missing, {}, "", 0, 0, ""},
        {"a folder is no file", directory, data, "", 0, 102, memory + ",0,300,0)\n"},
        {"existing file wins", existing, data, "http://127.0.0.1/a.wav", 7, 101,
         "BASS_StreamCreateFile(0," + (folder_ / "音频" / "片段 1.wav").string() + ",7,0,0)\n"},
        {"url",
         "",
         {},
         "http://127.0.0.1/a.wav",
         5,
         103,
         "BASS_StreamCreateURL(http://127.0.0.1/a.wav,5,0,(nil),(nil))\n"},
        {"data with offset", "", data, "", 44, 102, memory + ",44,300,0)\n"},
        {"negative offset widened", "", data, "", -1, 102,
         memory + ",18446744073709551615,300,0)\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        reset_();
        EXPECT_EQ(player_.create_stream(c.path, c.data, c.url, c.offset), c.handle);
        EXPECT_EQ(calls(), c.calls);
    }
    reset_();
    EXPECT_EQ(player_.create_stream(), 0u);
    EXPECT_EQ(calls(), "");
}

TEST_F(Player, PlayNeedsAHandleAndRestartsByDefault) {
    EXPECT_FALSE(player_.play(0));
    EXPECT_FALSE(player_.play(0, 0));
    EXPECT_EQ(calls(), "");
    EXPECT_TRUE(player_.play(7));
    EXPECT_TRUE(player_.play(7, 0));
    EXPECT_EQ(calls(), "BASS_ChannelPlay(7,1)\nBASS_ChannelPlay(7,0)\n");
}

TEST_F(Player, ChannelOperationsPassTheLibraryResultsThrough) {
    EXPECT_TRUE(player_.pause(7));
    EXPECT_FALSE(player_.stop(7));
    EXPECT_EQ(player_.get_position(7), 0x123456789);
    EXPECT_TRUE(player_.set_position(7, 99));
    EXPECT_EQ(player_.get_length(7), -1);
    EXPECT_EQ(player_.is_active(7), 3);
    EXPECT_TRUE(player_.free_stream(7));
    EXPECT_TRUE(player_.set_volume(0.5f));
    EXPECT_FLOAT_EQ(player_.get_volume(), 0.25f);
    EXPECT_DOUBLE_EQ(player_.bytes_to_seconds(7, 3200), 1.5);
    EXPECT_EQ(player_.seconds_to_bytes(7, 2.5), 48000);
    EXPECT_TRUE(player_.free());
    EXPECT_EQ(calls(),
              "BASS_ChannelPause(7)\n"
              "BASS_ChannelStop(7)\n"
              "BASS_ChannelGetPosition(7,0)\n"
              "BASS_ChannelSetPosition(7,99,0)\n"
              "BASS_ChannelGetLength(7,0)\n"
              "BASS_ChannelIsActive(7)\n"
              "BASS_StreamFree(7)\n"
              "BASS_SetVolume(0.5)\n"
              "BASS_GetVolume()\n"
              "BASS_ChannelBytes2Seconds(7,3200)\n"
              "BASS_ChannelSeconds2Bytes(7,2.5)\n"
              "BASS_Free()\n");
}

TEST_F(Player, TagsAreCopiedAndEmptyWithoutAnAddress) {
    EXPECT_EQ(player_.get_tags(7), "");
    set_tags_("title=晨报");
    EXPECT_EQ(player_.get_tags(7), "title=晨报");
    set_tags_("");
    EXPECT_EQ(player_.get_tags(7), "");
    EXPECT_EQ(calls(),
              "BASS_ChannelGetTags(7,0)\nBASS_ChannelGetTags(7,0)\nBASS_ChannelGetTags(7,0)\n");
}

TEST_F(Player, GetSpectrumAlwaysReplacesTheCallersArray) {
    std::vector<float> values(5, 9.0f);
    spectrum(0.0f, ~0u);
    EXPECT_EQ(player_.get_spectrum(12345, values), -1);
    EXPECT_EQ(values, std::vector<float>(128, 0.0f));
    EXPECT_EQ(calls(), "BASS_ChannelGetData(12345,0x80000000)\n");

    spectrum(0.75f, 512);
    EXPECT_EQ(player_.get_spectrum(7, values), 512);
    EXPECT_EQ(values, std::vector<float>(128, 0.75f));
}

TEST_F(Player, ColorChannelSplitsByFloorDivision) {
    const struct {
        std::int32_t colour, which, value;
    } cases[] = {{65535, 1, 255},       {65535, 2, 255},       {65535, 3, 0},
                 {65535, 4, 0},         {65535, 0, 0},         {0x00336699, 1, 0x99},
                 {0x00336699, 2, 0x66}, {0x00336699, 3, 0x33}, {0x12336699, 3, 0x1233},
                 {-1, 1, 255},          {-1, 2, 255},          {-1, 3, -1}};
    for (const auto& c : cases) {
        EXPECT_EQ(player_.color_channel(c.colour, c.which), c.value)
            << c.colour << " channel " << c.which;
    }
}

std::vector<int> bar_columns(const ImageCanvas& surface) {
    std::vector<int> columns;
    for (const auto& line : surface.lines()) {
        if (line.x1 == line.x2 && line.y2 == surface.height()) columns.push_back(line.x1);
    }
    return columns;
}

TEST_F(Player, DrawSpectrumPutsOneBandEveryStepColumnsUpTo128) {
    struct Case {
        int width;
        int step;
        int bands;
        int last_x;
    } cases[] = {{100, 3, 34, 100},
                 {1000, 3, 128, 382},
                 {20, 5, 4, 16},
                 {100, 0, 34, 100},
                 {100, -4, 34, 100}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " pixels, step " << c.step);
        InspectablePlayer player;
        ImageCanvas target(c.width, 50);
        spectrum(0.05f);
        player.draw_spectrum(target, 7, 0, 0, 65535, c.step);
        ASSERT_NE(player.surface(), nullptr);
        const auto columns = bar_columns(*player.surface());
        ASSERT_EQ(columns.size(), static_cast<std::size_t>(c.bands));
        const int step = c.step < 1 ? 3 : c.step;
        for (int n = 0; n < c.bands; ++n) EXPECT_EQ(columns[n], 1 + n * step);
        EXPECT_EQ(columns.back(), c.last_x);
    }
}

TEST_F(Player, DrawSpectrumPaintsBarsAndPeaksOntoTheTarget) {
    ImageCanvas target(100, 50, 0x000000);
    spectrum(0.05f);  // level 0.05 x 50 x 10 = 25
    player_.draw_spectrum(target, 7);
    EXPECT_EQ(calls(), "BASS_ChannelGetData(7,0x80000000)\n");
    EXPECT_FLOAT_EQ(player_.bar(1), 25.0f);
    EXPECT_FLOAT_EQ(player_.peak(1), 27.0f);
    const std::uint32_t yellow = 0x00FFFF;
    for (int y = 0; y < 50; ++y) {
        EXPECT_EQ(target.pixel(1, y), y >= 25 || y == 23 ? yellow : 0u) << "bar, row " << y;
        EXPECT_EQ(target.pixel(2, y), y == 23 ? yellow : 0u) << "beside the bar, row " << y;
        EXPECT_EQ(target.pixel(0, y), 0u) << "column 0, row " << y;
        EXPECT_EQ(target.pixel(3, y), 0u) << "between bands, row " << y;
    }
    EXPECT_EQ(target.pixel(1, 23), yellow) << "peak mark";
    EXPECT_EQ(target.pixel(1, 24), 0u) << "gap between peak and bar";
}

TEST_F(Player, BarsFallByThreeToOneAndPeaksByOne) {
    ImageCanvas target(10, 100);
    spectrum(0.05f);  // level 50
    player_.draw_spectrum(target, 7);
    ASSERT_FLOAT_EQ(player_.bar(1), 50.0f);
    ASSERT_FLOAT_EQ(player_.peak(1), 52.0f);
    spectrum(0.0f);
    float expected_bar = 50.0f;
    float expected_peak = 52.0f;
    for (int call = 1; call <= 60; ++call) {
        SCOPED_TRACE(call);
        player_.draw_spectrum(target, 7);
        expected_bar = std::max(expected_bar - 3.0f, 1.0f);
        expected_peak -= 1.0f;
        ASSERT_FLOAT_EQ(player_.bar(1), expected_bar);
        ASSERT_FLOAT_EQ(player_.peak(1), expected_peak);
        const auto& lines = player_.surface()->lines();
        const bool peak_drawn = std::any_of(lines.begin(), lines.end(), [](const auto& l) {
            return l.x1 == 1 && l.x2 == 2 && l.y1 == l.y2;
        });
        EXPECT_EQ(peak_drawn, expected_peak > 2.0f);
        EXPECT_EQ(target.pixel(1, 99), 0x00FFFFu) << "a bar never drops below one pixel";
    }
    EXPECT_FLOAT_EQ(player_.bar(1), 1.0f);
    EXPECT_LT(player_.peak(1), 0.0f) << "peaks have no floor";

    spectrum(0.03125f);  // level 31 passes the fallen peak
    player_.draw_spectrum(target, 7);
    EXPECT_FLOAT_EQ(player_.bar(1), 31.0f);
    EXPECT_FLOAT_EQ(player_.peak(1), 33.0f);
}

TEST_F(Player, ClippedBarsPutTheirPeakOnTheTopEdge) {
    const struct {
        float magnitude;
        float bar;
        float peak;
    } cases[] = {{1.0f, 48.0f, 50.0f},  {0.096f, 48.0f, 50.0f}, {0.1f, 48.0f, 50.0f},
                 {1e30f, 48.0f, 50.0f}, {-1e30f, 1.0f, -1.0f},  {NAN, 1.0f, -1.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.magnitude);
        InspectablePlayer player;
        ImageCanvas target(10, 50);
        spectrum(c.magnitude);
        player.draw_spectrum(target, 7);
        EXPECT_FLOAT_EQ(player.bar(1), c.bar);
        EXPECT_FLOAT_EQ(player.peak(1), c.peak);
        if (c.peak == 50.0f) {
            EXPECT_EQ(target.pixel(1, 0), 0x00FFFFu) << "peak mark at the top edge";
            EXPECT_EQ(target.pixel(1, 1), 0u);
            EXPECT_EQ(target.pixel(1, 2), 0x00FFFFu) << "top of the bar";
        }
    }
}

TEST_F(Player, GradientOnlyWithoutABackgroundPicture) {
    ImageCanvas plain(20, 11, 0x101010);
    spectrum(0.0f);
    player_.draw_spectrum(plain, 7, 0x0000FF, 0xFF0000, 0x00FF00);
    EXPECT_EQ(plain.pixel(0, 0), 0x0000FFu) << "colour1 at the top";
    EXPECT_EQ(plain.pixel(0, 10), 0xFF0000u) << "colour2 at the bottom";
    EXPECT_EQ(plain.pixel(0, 5), 0x7F0080u);
    EXPECT_EQ(plain.pixel(1, 10), 0x00FF00u) << "bar colour";

    InspectablePlayer no_colours;
    ImageCanvas dark(20, 11, 0x101010);
    no_colours.draw_spectrum(dark, 7);
    EXPECT_EQ(dark.pixel(0, 0), 0x101010u);

    Picture picture{20, 11, std::vector<std::uint32_t>(220, 0x445566)};
    InspectablePlayer pictured;
    ImageCanvas with_picture(20, 11, 0x101010, picture);
    pictured.draw_spectrum(with_picture, 7, 0x0000FF, 0xFF0000);
    EXPECT_EQ(with_picture.pixel(0, 0), 0x445566u);
    EXPECT_EQ(with_picture.pixel(5, 5), 0x445566u);
}

TEST_F(Player, UnreadableSpectrumLeavesTheTargetAlone) {
    ImageCanvas target(30, 20);
    target.fill(0x123456);
    spectrum(0.5f, ~0u);
    player_.draw_spectrum(target, 12345, 0x0000FF, 0xFF0000);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 30; ++x) ASSERT_EQ(target.pixel(x, y), 0x123456u);
    }
    EXPECT_FLOAT_EQ(player_.bar(1), 0.0f);
}

TEST_F(Player, PrivateCanvasIsKeptAndSharedByCopies) {
    ImageCanvas first(100, 50);
    spectrum(0.05f);
    player_.draw_spectrum(first, 7);
    const auto canvas = player_.canvas();
    ImageCanvas second(30, 20);
    second.fill(0x123456);
    player_.draw_spectrum(second, 7);
    EXPECT_EQ(player_.canvas(), canvas);
    EXPECT_EQ(player_.surface()->width(), 100);
    EXPECT_EQ(player_.surface()->height(), 50);
    EXPECT_EQ(second.pixel(0, 0), 0u) << "the frame was copied onto the new target";

    // look inside the copy through a copy of it
    InspectablePlayer twin_view(*player_.copy());
    InspectablePlayer* twin = &twin_view;
    EXPECT_EQ(twin->canvas(), canvas);
    EXPECT_FLOAT_EQ(twin->bar(1), 22.0f);
    spectrum(0.0f);
    twin->draw_spectrum(second, 7);
    EXPECT_FLOAT_EQ(player_.bar(1), 22.0f) << "an unchanged level counts as falling";
    EXPECT_FLOAT_EQ(twin->bar(1), 19.0f) << "the copy has its own heights";
    EXPECT_FLOAT_EQ(player_.bar(1), 22.0f);
}

TEST_F(Player, DestroyReleasesTheArraysAndDrawingStartsAfresh) {
    ImageCanvas target(10, 50);
    spectrum(0.05f);
    player_.draw_spectrum(target, 7);
    player_.destroy();
    EXPECT_EQ(player_.arrays(), 0u);
    spectrum(0.0f);
    player_.draw_spectrum(target, 7);
    EXPECT_FLOAT_EQ(player_.bar(1), 1.0f);
    EXPECT_FLOAT_EQ(player_.peak(1), -1.0f);
}

}  // namespace
}  // namespace vokalin
