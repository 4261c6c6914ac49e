// The controls of the main window, with the names, places and captions of its layout.

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSlider>

#include "ui/main/main_window.h"
#include "ui/main/status_bar.h"
#include "ui/main/super_button.h"

namespace vokalin {

namespace {

const char* const VOICE_ENTRIES[] = {
    "普通话_小燕_青年女声",     "普通话_燕平_青年女声",
    "普通话_晓峰_青年男声",     "普通话_晓婧_青年女声",
    "普通话_唐老鸭_卡通",       "普通话_许小宝_童声",
    "普通话_楠楠_童声",         "普通话_晓梦_青年女声",
    "台湾普通话_晓琳_青年女声", "东北话_晓倩_青年女声",
    "四川话_晓蓉_青年女声",     "河南话_小坤_青年男声",
    "湖南话_小强_青年男声",     "粤语_晓美_青年女声",
    "粤语_大龙_青年男声",       "美式纯英文_Catherine_青年女声",
    "美式纯英文_John_青年男声",
};

// The window's client area; the status bar sits along its bottom edge.
constexpr int CLIENT_WIDTH = 494;
constexpr int CLIENT_HEIGHT = 408;

}  // namespace

template <typename T>
T* MainWindow::make(const char* utf8_name, QWidget* parent) {
    T* widget = new T(parent);
    widget->setObjectName(QString::fromUtf8(utf8_name));
    return widget;
}

void MainWindow::build_controls() {
    setWindowTitle(QString::fromUtf8("Vokalin文字转语音（基础版）"));
    setGeometry(50, 50, CLIENT_WIDTH, CLIENT_HEIGHT);
    setFixedSize(CLIENT_WIDTH, CLIENT_HEIGHT);

    auto label = [this](const char* name, QWidget* parent, QRect rect, const char* caption) {
        QLabel* l = make<QLabel>(name, parent);
        l->setGeometry(rect);
        l->setText(QString::fromUtf8(caption));
        return l;
    };
    auto button = [this](const char* name, QRect rect, const char* caption) {
        auto* b = new SuperButton(QString::fromUtf8(name), QString::fromUtf8(caption), this);
        b->setGeometry(rect);
        b->set_click_sound([this] { play_click(); });
        return b;
    };

    site_label_ = label("标签5", this, {0, 0, 128, 24}, "Vokalin");

    text_box_ = make<QPlainTextEdit>("编辑框1", this);
    text_box_->setGeometry(3, 24, 352, 286);

    voice_group_ = make<QGroupBox>("分组框1", this);
    voice_group_->setGeometry(1, 304, 492, 80);
    voice_group_->setTitle(QString::fromUtf8("语音设置"));
    label("标签1", voice_group_, {8, 14, 128, 24}, "发音人列表：");
    label("标签2", voice_group_, {325, 19, 34, 16}, "语速：");
    label("标签3", voice_group_, {407, 19, 34, 16}, "语调：");
    label("标签4", voice_group_, {8, 48, 32, 16}, "音量：");
    voice_list_ = make<QComboBox>("组合框1", voice_group_);
    voice_list_->setGeometry(74, 17, 250, 20);
    voice_list_->setEditable(false);
    for (const char* entry : VOICE_ENTRIES) voice_list_->addItem(QString::fromUtf8(entry));
    voice_list_->setCurrentIndex(0);
    speed_box_ = make<QLineEdit>("编辑框_语速", voice_group_);
    speed_box_->setGeometry(355, 16, 32, 24);
    speed_box_->setText("50");
    pitch_box_ = make<QLineEdit>("编辑框_语调", voice_group_);
    pitch_box_->setGeometry(437, 16, 32, 24);
    pitch_box_->setText("50");
    volume_slider_ = make<QSlider>("滑块条1", voice_group_);
    volume_slider_->setOrientation(Qt::Horizontal);
    volume_slider_->setGeometry(38, 42, 448, 26);
    volume_slider_->setRange(1, 100);
    volume_slider_->setValue(50);
    volume_slider_->setPageStep(5);
    volume_slider_->setSingleStep(1);
    volume_slider_->setTickInterval(10);
    volume_slider_->setTickPosition(QSlider::TicksBelow);

    file_name_box_ = make<QLineEdit>("编辑框2", this);
    file_name_box_->setGeometry(418, 54, 62, 24);
    file_name_box_->setText(QString::fromUtf8("音频文件"));
    label("标签6", this, {364, 53, 56, 24}, "保存名称：");

    play_button_ = button("超级按钮1", {384, 82, 96, 40}, "播放/保存");
    pause_button_ = button("超级按钮2", {384, 142, 96, 40}, "暂停");
    stop_button_ = button("超级按钮3", {384, 202, 96, 40}, "停止");
    folder_button_ = button("超级按钮4", {384, 262, 96, 40}, "找到保存文件");

    sound_check_ = make<QCheckBox>("选择框2", this);
    sound_check_->setGeometry(376, 30, 104, 16);
    sound_check_->setText(QString::fromUtf8("使用语音提示"));
    sound_check_->setChecked(true);
    sound_button_ = button("超级按钮6", {392, 28, 90, 20}, "不使用语音提示");

    site_button_ = button("超级按钮5", {3, 0, 48, 24}, "官网");
    site_button_->hide();
    update_button_ = button("超级按钮7", {58, 0, 48, 24}, "更新");
    update_button_->hide();
    label("标签8", this, {120, 0, 376, 24}, "提示：");
    marquee_label_ = label("标签9", this, {156, 0, 336, 24}, "");
    marquee_label_->setText(QString(55, ' ') + "123456789");

    // Kept for the layout's sake; nothing uses it.
    QWidget* converter = make<QWidget>("音频转换1", this);
    converter->setGeometry(8, 262, 32, 32);
    converter->hide();

    status_bar_ = new StatusBar(this);
    status_bar_->setObjectName(QString::fromUtf8("状态条1"));
    status_bar_->setGeometry(0, CLIENT_HEIGHT - 20, CLIENT_WIDTH, 20);
    status_bar_->set_part_text(2, QString::fromUtf8("版本3.00"));
}

}  // namespace vokalin
