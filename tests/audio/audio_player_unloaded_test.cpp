// AudioPlayer when the audio library cannot be loaded: every operation gives
// its failure value, and the library is loaded by the first call that can.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "audio/audio_player.h"
#include "audio/bass_binding.h"
#include "audio/image_canvas.h"
#include "platform/library_placement.h"
#include "tests/audio/library_folder.h"

namespace vokalin {
namespace {

namespace fs = std::filesystem;

void expect_every_operation_fails(AudioPlayer& player) {
    const std::vector<std::uint8_t> data(100, 1);
    EXPECT_FALSE(player.init());
    EXPECT_FALSE(player.free());
    EXPECT_EQ(player.create_stream("x.wav", data, "http://127.0.0.1/"), 0u);
    EXPECT_FALSE(player.play(7));
    EXPECT_FALSE(player.pause(7));
    EXPECT_FALSE(player.stop(7));
    EXPECT_EQ(player.get_position(7), -1);
    EXPECT_FALSE(player.set_position(7, 0));
    EXPECT_EQ(player.get_length(7), -1);
    EXPECT_EQ(player.get_tags(7), "");
    EXPECT_EQ(player.is_active(7), 0);
    EXPECT_FALSE(player.free_stream(7));
    std::vector<float> values(4, 2.0f);
    EXPECT_EQ(player.get_spectrum(7, values), -1);
    EXPECT_EQ(values, std::vector<float>(128, 0.0f));
    EXPECT_FALSE(player.set_volume(0.5f));
    EXPECT_FLOAT_EQ(player.get_volume(), -1.0f);
    EXPECT_LT(player.bytes_to_seconds(7, 100), 0.0);
    EXPECT_EQ(player.seconds_to_bytes(7, 1.0), -1);
    EXPECT_EQ(player.color_channel(0x00336699, 2), 0x66) << "needs no library";
    ImageCanvas target(20, 10);
    target.fill(0x123456);
    player.draw_spectrum(target, 7, 0x0000FF, 0xFF0000);
    EXPECT_EQ(target.pixel(0, 0), 0x123456u);
    EXPECT_EQ(target.pixel(1, 9), 0x123456u);
}

TEST(UnloadedLibrary, FailsEverywhereUntilASafeCopyIsThere) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    AudioPlayer player;

    const fs::path empty = test::private_library_folder({});
    platform::set_library_directory(empty);
    {
        SCOPED_TRACE("no library in the folder");
        expect_every_operation_fails(player);
        EXPECT_NE(bass_load_error(), "");
    }

    const fs::path shared = test::private_library_folder(BASS_STANDIN_LIBRARY);
    chmod(shared.c_str(), 0777);
    platform::set_library_directory(shared);
    {
        SCOPED_TRACE("folder writable by others");
        expect_every_operation_fails(player);
        EXPECT_NE(bass_load_error().find("writable by other users"), std::string::npos)
            << bass_load_error();
    }
    chmod(shared.c_str(), 0700);
    chmod((shared / "bass.dll").c_str(), 0777);
    {
        SCOPED_TRACE("library writable by others");
        expect_every_operation_fails(player);
    }

    chmod((shared / "bass.dll").c_str(), 0700);
    EXPECT_TRUE(player.init());
    EXPECT_EQ(bass_load_error(), "");
    EXPECT_FLOAT_EQ(player.get_volume(), 1.0f);
    EXPECT_TRUE(player.free());
    fs::remove_all(empty);
    fs::remove_all(shared);
}

}  // namespace
}  // namespace vokalin
