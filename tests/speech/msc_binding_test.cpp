#include "speech/msc_binding.h"

#include <gtest/gtest.h>

#include <fstream>

#include "net/text_encoding.h"
#include "platform/library_placement.h"
#include "speech/message_box.h"
#include "speech/speech_engine.h"
#include "tests/speech/speech_test_support.h"

namespace vokalin {
namespace {

namespace fs = std::filesystem;

// One test: the binding keeps the library once it is loaded.
TEST(MscBinding, CallsFailUntilALoadableLibraryIsThereAndThenBindIt) {
    int messages = 0;
    const auto previous =
        set_message_box_handler([&](const std::string&, const std::string&) { ++messages; });
    const fs::path folder = test::private_folder();
    platform::set_library_directory(folder);
    auto log = std::make_shared<test::PlayerLog>();
    SpeechEngine engine(std::make_unique<test::RecordingPlayer>(log));
    EXPECT_EQ(platform::library_directory(), folder) << "no image registered: nothing placed";

    auto expect_unavailable = [&](const char* situation) {
        EXPECT_EQ(msc_binding(), nullptr) << situation;
        EXPECT_FALSE(msc_load_error().empty()) << situation;
        EXPECT_EQ(engine.login("a3c71d2e"), MSC_LIBRARY_UNAVAILABLE) << situation;
        EXPECT_EQ(engine.begin_session(), "") << situation;
        EXPECT_TRUE(engine.synthesize("x", gbk("你好")).empty()) << situation;
        EXPECT_EQ(engine.end_session("x"), MSC_LIBRARY_UNAVAILABLE) << situation;
        EXPECT_EQ(engine.end_session(""), 0) << situation;
    };
    expect_unavailable("no file");

    {
        std::ofstream junk(folder / "msc.dll", std::ios::binary);
        junk << "not a library";
    }
    fs::permissions(folder / "msc.dll", fs::perms::owner_read | fs::perms::owner_write);
    expect_unavailable("not a library");

    fs::remove(folder / "msc.dll");
    fs::copy_file(VOKALIN_MSC_LIBRARY, folder / "msc.dll");
    fs::permissions(folder / "msc.dll", fs::perms::owner_all | fs::perms::group_write);
    expect_unavailable("a library others may change");

    fs::permissions(folder / "msc.dll", fs::perms::owner_all);
    ASSERT_NE(msc_binding(), nullptr) << msc_load_error();
    EXPECT_EQ(msc_load_error(), "");
    EXPECT_EQ(engine.login("a3c71d2e"), 0);
    const std::string id = engine.begin_session();
    EXPECT_FALSE(id.empty());
    EXPECT_EQ(engine.end_session(id), 0);
    EXPECT_EQ(messages, 0);
    set_message_box_handler(previous);
}

}  // namespace
}  // namespace vokalin
