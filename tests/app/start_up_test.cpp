// Start-up as the program runs it: the embedded libraries are placed in the
// private temporary folder, the globals are made, the first window opens.

#include "app/start_up.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "net/text_encoding.h"
#include "ui/main/message_boxes.h"
#include "ui/main/qt_text.h"

namespace vokalin {
namespace {
namespace fs = std::filesystem;

std::string read_all(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class StartUp : public ::testing::Test {
  protected:
    void SetUp() override {
        temp_ = fs::temp_directory_path() / ("vokalin-start-" + std::to_string(getpid()));
        fs::remove_all(temp_);
        fs::create_directories(temp_);
        chmod(temp_.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", temp_.c_str(), 1);
        previous_ =
            set_message_handler([this](QWidget*, const QString& title, const QString& text) {
                messages_.push_back(text_from_qstring(title) + "|" + text_from_qstring(text));
            });
    }
    void TearDown() override {
        exit_cleanup();
        set_message_handler(previous_);
        chmod(temp_.c_str(), 0700);
        fs::remove_all(temp_);
    }
    fs::path temp_;
    std::vector<std::string> messages_;
    MessageHandler previous_;
};

TEST_F(StartUp, AnExistingAudioLibraryIsKeptTheSpeechLibraryIsRewritten) {
    std::ofstream(temp_ / "bass.dll") << "someone else's file";
    std::ofstream(temp_ / "msc.dll") << "an old copy";
    chmod((temp_ / "bass.dll").c_str(), 0600);
    create_globals();
    EXPECT_EQ(read_all(temp_ / "bass.dll"), "someone else's file");
    EXPECT_EQ(read_all(temp_ / "msc.dll"), read_all(VOKALIN_MSC_FILE));
    // the kept file is not a library: the program says so instead of staying silent
    EXPECT_NE(library_problems().find("bass.dll"), std::string::npos) << library_problems();
}

TEST_F(StartUp, PlacesBothLibrariesAndOpensTheMainWindow) {
    create_globals();
    EXPECT_EQ(read_all(temp_ / "bass.dll"), read_all(VOKALIN_BASS_FILE));
    EXPECT_EQ(read_all(temp_ / "msc.dll"), read_all(VOKALIN_MSC_FILE));
    EXPECT_EQ(library_problems(), "");

    const Globals& g = globals();
    EXPECT_EQ(g.download_addresses.size(), 3u);
    EXPECT_TRUE(g.remote_config.status_text.empty());

    std::unique_ptr<QWidget> window = start_routine();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8("Vokalin文字转语音（基础版）"));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(g.directory_space_name, "vokalin");
    EXPECT_TRUE(messages_.empty());
    window.reset();
}

TEST_F(StartUp, RefusesATemporaryFolderOthersCanWrite) {
    chmod(temp_.c_str(), 0777);
    create_globals();
    EXPECT_FALSE(fs::exists(temp_ / "msc.dll"));
    EXPECT_NE(library_problems().find("writable by other users"), std::string::npos)
        << library_problems();
    std::unique_ptr<QWidget> window = start_routine();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].substr(0, messages_[0].find('|')), gbk("错误提示"));
    EXPECT_NE(messages_[0].find("writable by other users"), std::string::npos);
    window.reset();
}

}  // namespace
}  // namespace vokalin

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
