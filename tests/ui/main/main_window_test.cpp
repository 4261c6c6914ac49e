// Drives the real main window offscreen, with the speech and audio stand-ins.

#include "ui/main/main_window.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSlider>
#include <QTest>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>

#include "audio/audio_player.h"
#include "net/text_encoding.h"
#include "platform/library_placement.h"
#include "platform/platform.h"
#include "speech/message_box.h"
#include "speech/speech_engine.h"
#include "speech/wav_container.h"
#include "ui/main/message_boxes.h"
#include "ui/main/qt_text.h"
#include "ui/main/status_bar.h"
#include "ui/main/super_button.h"

namespace vokalin {
namespace {
namespace fs = std::filesystem;

QString q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

Bytes read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Waits while processing window events; true when the condition came true.
template <typename Condition>
bool wait_until(Condition condition, int timeout_ms) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeout_ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QTest::qWait(2);
    }
    return true;
}

// One process-wide audio device and speech engine, as in the program.
struct Shared {
    std::unique_ptr<AudioPlayer> player;
    std::unique_ptr<SpeechEngine> speech_engine;
};
Shared& shared() {
    static Shared s = [] {
        // The program loads libraries only from a folder private to the user.
        std::string pattern = (fs::temp_directory_path() / "vokalin-libs-XXXXXX").string();
        const fs::path folder = mkdtemp(pattern.data());
        for (const char* name : {"bass.dll", "msc.dll"}) {
            fs::copy_file(fs::path(VOKALIN_STANDIN_DIR) / name, folder / name);
            fs::permissions(folder / name, fs::perms::owner_all);
        }
        platform::set_library_directory(folder);
        Shared made;
        made.player = std::make_unique<AudioPlayer>();
        made.speech_engine = std::make_unique<SpeechEngine>();
        return made;
    }();
    return s;
}

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        run_dir_ = fs::temp_directory_path() /
                   ("vokalin-window-" + std::to_string(getpid()) + "-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(run_dir_);
        fs::create_directories(run_dir_);
        previous_handler_ =
            set_message_handler([this](QWidget* owner, const QString& title, const QString& text) {
                messages_.push_back({title, text, owner != nullptr});
            });
        previous_open_ =
            platform::set_open_handler([this](const std::string& target, const std::string& verb) {
                opened_.push_back(verb + " " + target);
                return true;
            });
    }

    void TearDown() override {
        window_.reset();
        set_message_handler(previous_handler_);
        platform::set_open_handler(previous_open_);
        fs::remove_all(run_dir_);
    }

    MainWindow& open_window() {
        Shared& s = shared();
        window_ = std::make_unique<MainWindow>(
            MainWindowContext{*s.speech_engine, *s.player, playback_, job_state_, remote_config_,
                              current_version_, marquee_text_, "a3c71d2e", run_dir_});
        window_->on_created();
        return *window_;
    }

    template <typename T>
    T* control(const char* name) {
        return window_->findChild<T*>(q(name));
    }

    QString status(int part) { return control<StatusBar>("状态条1")->part_text(part); }
    void set_text(const std::string& gbk_text) {
        control<QPlainTextEdit>("编辑框1")->setPlainText(qstring_from_text(gbk_text));
    }
    void click(const char* name) { QTest::mouseClick(control<QPushButton>(name), Qt::LeftButton); }
    fs::path cache() const { return run_dir_ / "缓存"; }
    fs::path output() const { return run_dir_ / "音频" / "音频文件.wav"; }
    bool job_saved() { return status(0) == q("已经全部缓存到本地了"); }

    struct Message {
        QString title, text;
        bool owned;
    };

    fs::path run_dir_;
    PlaybackState playback_;
    JobState job_state_;
    RemoteConfig remote_config_;
    std::string current_version_ = "3.00";
    SharedText marquee_text_;
    std::unique_ptr<MainWindow> window_;
    std::vector<Message> messages_;
    std::vector<std::string> opened_;
    MessageHandler previous_handler_;
    platform::OpenHandler previous_open_;
};

std::string chinese_text(int characters) {
    const std::string sentence = gbk("今天天气很好，我们一起去公园散步。");  // 17 characters
    std::string text;
    while (static_cast<int>(text.size()) < characters * 2) text += sentence;
    return text.substr(0, static_cast<std::size_t>(characters) * 2);
}

TEST_F(MainWindowTest, ControlsFollowTheLayout) {
    MainWindow& w = open_window();
    EXPECT_EQ(w.windowTitle(), q("Vokalin文字转语音（基础版）"));
    struct Expected {
        const char* name;
        QRect geometry;
        const char* caption;
    };
    for (const Expected& e : {
             Expected{"超级按钮1", {384, 82, 96, 40}, "播放/保存"},
             Expected{"超级按钮2", {384, 142, 96, 40}, "暂停"},
             Expected{"超级按钮3", {384, 202, 96, 40}, "停止"},
             Expected{"超级按钮4", {384, 262, 96, 40}, "找到保存文件"},
             Expected{"超级按钮6", {392, 28, 90, 20}, "不使用语音提示"},
             Expected{"超级按钮5", {3, 0, 48, 24}, "官网"},
             Expected{"超级按钮7", {58, 0, 48, 24}, "更新"},
         }) {
        auto* b = control<QPushButton>(e.name);
        ASSERT_NE(b, nullptr) << e.name;
        EXPECT_EQ(b->geometry(), e.geometry) << e.name;
        EXPECT_EQ(b->text(), q(e.caption)) << e.name;
    }
    for (const Expected& e : {
             Expected{"标签1", {8, 14, 128, 24}, "发音人列表："},
             Expected{"标签2", {325, 19, 34, 16}, "语速："},
             Expected{"标签3", {407, 19, 34, 16}, "语调："},
             Expected{"标签4", {8, 48, 32, 16}, "音量："},
             Expected{"标签6", {364, 53, 56, 24}, "保存名称："},
             Expected{"标签8", {120, 0, 376, 24}, "提示："},
         }) {
        auto* l = control<QLabel>(e.name);
        ASSERT_NE(l, nullptr) << e.name;
        EXPECT_EQ(l->geometry(), e.geometry) << e.name;
        EXPECT_EQ(l->text(), q(e.caption)) << e.name;
    }
    EXPECT_EQ(control<QLabel>("标签9")->text(), QString(55, ' ') + "123456789");
    EXPECT_EQ(control<QLineEdit>("编辑框_语速")->text(), "50");
    EXPECT_EQ(control<QLineEdit>("编辑框_语调")->text(), "50");
    EXPECT_EQ(control<QLineEdit>("编辑框2")->text(), q("音频文件"));
    EXPECT_EQ(control<QGroupBox>("分组框1")->title(), q("语音设置"));
    EXPECT_EQ(control<QGroupBox>("分组框1")->geometry(), QRect(1, 304, 492, 80));
    EXPECT_EQ(control<QPlainTextEdit>("编辑框1")->geometry(), QRect(3, 24, 352, 286));
    auto* voices = control<QComboBox>("组合框1");
    ASSERT_EQ(voices->count(), 17);
    EXPECT_EQ(voices->currentIndex(), 0);
    EXPECT_EQ(voices->itemText(0), q("普通话_小燕_青年女声"));
    EXPECT_EQ(voices->itemText(16), q("美式纯英文_John_青年男声"));
    auto* slider = control<QSlider>("滑块条1");
    EXPECT_EQ(slider->minimum(), 1);
    EXPECT_EQ(slider->maximum(), 100);
    EXPECT_EQ(slider->value(), 50);
    EXPECT_EQ(slider->pageStep(), 5);
    EXPECT_EQ(slider->tickInterval(), 10);
    EXPECT_EQ(status(2), q("版本3.00"));
    // no official site: its buttons stay hidden, the site label stays, part 1 stays empty
    EXPECT_FALSE(control<QPushButton>("超级按钮5")->isVisible());
    EXPECT_FALSE(control<QPushButton>("超级按钮7")->isVisible());
    EXPECT_TRUE(control<QLabel>("标签5")->isVisible());
    EXPECT_EQ(status(1), "");
    EXPECT_NE(w.findChild<QWidget*>(q("音频转换1")), nullptr);
}

TEST_F(MainWindowTest, RemoteSettingsShowUp) {
    remote_config_.official_site = "https://vokalin.example/";
    remote_config_.announcement = gbk("欢迎使用");
    remote_config_.status_text = "ab" + gbk("中");
    open_window();
    EXPECT_TRUE(control<QPushButton>("超级按钮5")->isVisible());
    EXPECT_TRUE(control<QPushButton>("超级按钮7")->isVisible());
    EXPECT_FALSE(control<QLabel>("标签5")->isVisible());
    EXPECT_EQ(status(1), q("更多发音人请点击官网下载【可以加入配音版本】"));
    EXPECT_EQ(control<QPlainTextEdit>("编辑框1")->toPlainText(), q("欢迎使用"));
    // the marquee starts from 56 blanks and the text, then moves
    EXPECT_TRUE(wait_until(
        [&] { return control<QLabel>("标签9")->text() == QString(54, ' ') + q("ab中"); }, 2000));
    click("超级按钮5");
    EXPECT_EQ(opened_, std::vector<std::string>{"open https://vokalin.example/"});
    window_->close();  // the close handler stops the marquee
    EXPECT_TRUE(marquee_text_.empty());
}

TEST_F(MainWindowTest, UpdateCheckComparesVersions) {
    remote_config_.official_site = "https://vokalin.example/";
    remote_config_.update_address = "https://vokalin.example/new";
    open_window();
    for (const char* latest : {"3.00", "2.9", "", "x"}) {
        remote_config_.latest_version = latest;
        click("超级按钮7");
    }
    ASSERT_EQ(messages_.size(), 4u);
    for (const Message& m : messages_) {
        EXPECT_EQ(m.title, q("提示信息"));
        EXPECT_EQ(m.text, q("当前软件已是最新版本。"));
        EXPECT_FALSE(m.owned);
    }
    EXPECT_TRUE(opened_.empty());
    remote_config_.latest_version = "3.1";
    click("超级按钮7");
    EXPECT_EQ(opened_, std::vector<std::string>{"open https://vokalin.example/new"});
}

TEST_F(MainWindowTest, StandardSoundToggleTwiceRestoresEverything) {
    open_window();
    auto* check = control<QCheckBox>("选择框2");
    const bool initial = check->isChecked();
    auto sounds = [&] {
        std::vector<bool> on;
        for (const char* name : {"超级按钮1", "超级按钮2", "超级按钮3", "超级按钮4", "超级按钮6"}) {
            on.push_back(control<SuperButton>(name)->standard_sound());
        }
        return on;
    };
    EXPECT_EQ(sounds(), std::vector<bool>(5, initial));
    click("超级按钮6");
    EXPECT_EQ(check->isChecked(), !initial);
    EXPECT_EQ(sounds(), std::vector<bool>(5, !initial));
    click("超级按钮6");
    EXPECT_EQ(check->isChecked(), initial);
    EXPECT_EQ(sounds(), std::vector<bool>(5, initial));
}

TEST_F(MainWindowTest, AudioFolderButton) {
    open_window();
    click("超级按钮4");
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].title, q("提示信息"));
    EXPECT_EQ(messages_[0].text, q("没有音频文件！"));
    EXPECT_TRUE(messages_[0].owned);
    fs::create_directories(run_dir_ / "音频");
    click("超级按钮4");
    EXPECT_EQ(opened_, std::vector<std::string>{"explore " + (run_dir_ / "音频").string()});
}

TEST_F(MainWindowTest, EmptyTextGivesHeaderOnlyFiles) {
    open_window();
    set_text("");
    click("超级按钮1");
    EXPECT_EQ(status(0), q("正在工作中请稍后......"));
    EXPECT_FALSE(control<QPushButton>("超级按钮1")->isEnabled());
    EXPECT_FALSE(control<QGroupBox>("分组框1")->isEnabled());
    ASSERT_TRUE(wait_until([&] { return fs::exists(output()); }, 20000));
    EXPECT_EQ(read_file(output()), wrap_wav({}));
    // the player ends, deletes the cache and gives the buttons back
    ASSERT_TRUE(wait_until([&] { return control<QPushButton>("超级按钮1")->isEnabled(); }, 5000));
    EXPECT_FALSE(fs::exists(cache()));
    EXPECT_TRUE(control<QGroupBox>("分组框1")->isEnabled());
}

TEST_F(MainWindowTest, PauseKeepsThePositionAndPlaySaveResumes) {
    open_window();
    set_text(chinese_text(60));
    click("超级按钮1");
    ASSERT_TRUE(wait_until(
        [&] {
            const StreamHandle s = playback_.current_stream;
            return s != 0 && shared().player->get_position(s) > 16000;
        },
        20000));
    const StreamHandle stream = playback_.current_stream;
    click("超级按钮2");
    EXPECT_EQ(status(0), q("暂停播放状态"));
    EXPECT_EQ(playback_.paused, 1);
    EXPECT_TRUE(control<QPushButton>("超级按钮1")->isEnabled());
    const std::int64_t saved = playback_.paused_position;
    EXPECT_GT(saved, 0);
    EXPECT_EQ(shared().player->is_active(stream), 3);
    QTest::qWait(300);  // a paused stream does not move
    EXPECT_EQ(shared().player->get_position(stream), saved);

    const std::uint64_t job = playback_.job_thread;
    click("超级按钮1");
    EXPECT_EQ(playback_.paused, 0);
    EXPECT_EQ(playback_.job_thread, job);  // no new job
    EXPECT_EQ(playback_.current_stream, stream);
    EXPECT_EQ(shared().player->is_active(stream), 1);
    EXPECT_GE(shared().player->get_position(stream), saved);
    EXPECT_FALSE(control<QPushButton>("超级按钮1")->isEnabled());
    click("超级按钮3");
}

TEST_F(MainWindowTest, StopFromPauseLetsPlaySaveStartAgain) {
    open_window();
    set_text(chinese_text(40));
    click("超级按钮1");
    ASSERT_TRUE(wait_until([&] { return playback_.current_stream != 0; }, 20000));
    click("超级按钮2");
    click("超级按钮3");
    EXPECT_EQ(status(0), q("已经停止播放"));
    EXPECT_TRUE(control<QPushButton>("超级按钮1")->isEnabled());
    EXPECT_TRUE(control<QGroupBox>("分组框1")->isEnabled());
    ASSERT_TRUE(wait_until([&] { return !fs::exists(cache()); }, 2000));
    // play/save starts a new job instead of resuming the freed stream
    const std::uint64_t stopped_job = playback_.job_thread;
    click("超级按钮1");
    EXPECT_NE(playback_.job_thread, 0u);
    EXPECT_NE(playback_.job_thread, stopped_job);
    ASSERT_TRUE(wait_until([&] { return playback_.current_stream != 0; }, 30000));
    click("超级按钮3");
}

// Every segment file as it is now (they are written whole, then renamed in).
std::map<int, Bytes> segment_files(const fs::path& cache) {
    std::map<int, Bytes> segments;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(cache, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        segments[std::stoi(name)] = read_file(entry.path());
    }
    return segments;
}

bool playing_now(PlaybackState& playback) {
    const StreamHandle s = playback.current_stream;
    return s != 0 && shared().player->get_position(s) > 0;
}

TEST_F(MainWindowTest, LongTextPlaysWhileSynthesizingAndIsSavedWhole) {
    open_window();
    set_text(chinese_text(2000));
    click("超级按钮1");

    // Sound reaches the device while the job is still working.
    ASSERT_TRUE(wait_until([&] { return playing_now(playback_); }, 30000));
    EXPECT_FALSE(job_saved());
    EXPECT_TRUE(fs::exists(cache() / "1"));

    // The first segment plays for over a minute: when the job has saved the
    // whole text, every segment file is still in the cache.
    ASSERT_TRUE(wait_until([&] { return fs::exists(output()) && job_saved(); }, 120000));
    EXPECT_TRUE(control<QPushButton>("超级按钮4")->isEnabled());
    std::map<int, Bytes> segments = segment_files(cache());
    ASSERT_GE(segments.size(), 5u);
    Bytes all;
    for (int k = 1; k <= static_cast<int>(segments.size()); ++k) {
        ASSERT_TRUE(segments.count(k)) << "segment " << k << " missing";
        ASSERT_GT(segments[k].size(), 44u);
        all.insert(all.end(), segments[k].begin() + 44, segments[k].end());
    }
    EXPECT_EQ(read_file(output()), wrap_wav(all));
    click("超级按钮3");
}

TEST_F(MainWindowTest, StopEndsPlaybackAtOnceAndTheOutputStillAppears) {
    open_window();
    set_text(chinese_text(2000));
    click("超级按钮1");
    ASSERT_TRUE(wait_until([&] { return playing_now(playback_); }, 30000));
    ASSERT_FALSE(job_saved());

    QElapsedTimer stop_clock;
    stop_clock.start();
    click("超级按钮3");
    // The player has ended (it clears the stream) and deleted the cache; the
    // job, still working, may already have made the folder again for its next file.
    ASSERT_TRUE(wait_until(
        [&] { return playback_.current_stream == 0 && !fs::exists(cache() / "1"); }, 2000));
    EXPECT_LT(stop_clock.elapsed(), 400);
    EXPECT_EQ(status(0), q("已经停止播放"));
    EXPECT_EQ(playback_.job_thread, 0u);

    // The job runs on and saves the whole text.
    ASSERT_TRUE(wait_until([&] { return fs::exists(output()) && job_saved(); }, 120000));
    EXPECT_GT(read_file(output()).size(), 44u + 32000u * 60);
}

TEST_F(MainWindowTest, QuotaErrorShowsItsMessageFromTheJob) {
    // As the program installs it: the job's message is shown on the GUI thread.
    std::atomic<bool> closing{false};
    const MessageBoxHandler previous =
        set_message_box_handler([&](const std::string& title, const std::string& text) {
            show_message_from_worker(title, text, closing);
        });
    setenv("VOKALIN_MSC_FAIL_CHUNK", "2", 1);
    open_window();
    set_text(chinese_text(30));
    click("超级按钮1");
    const bool saved = wait_until([&] { return fs::exists(output()) && job_saved(); }, 30000);
    unsetenv("VOKALIN_MSC_FAIL_CHUNK");
    set_message_box_handler(previous);
    ASSERT_TRUE(saved);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].title, q("错误提示"));
    EXPECT_EQ(messages_[0].text,
              q("软件今天的服务量已经使用完，请明天在使用。\r\n或者去官网下载没有限制版本使用。"));
    // what came before the failing chunk is kept
    EXPECT_GT(read_file(output()).size(), 44u);
    click("超级按钮3");
}

TEST_F(MainWindowTest, Screenshot) {
    open_window();
    set_text(gbk("欢迎使用Vokalin文字转语音。\r\n请在这里输入要朗读的文字，然后点击“播放/保存”。"));
    QTest::qWait(50);
    const QString path = QString::fromUtf8(VOKALIN_SCREENSHOT_DIR) + "/main_window.png";
    ASSERT_TRUE(window_->grab().save(path));
    EXPECT_GT(fs::file_size(path.toStdString()), 1000u);
}

}  // namespace
}  // namespace vokalin

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
