#include "ui/main/super_button.h"

namespace vokalin {

SuperButton::SuperButton(const QString& object_name, const QString& caption, QWidget* parent)
    : QPushButton(caption, parent) {
    setObjectName(object_name);
    // Connected first, so the sound starts before the button's own handler runs.
    connect(this, &QPushButton::clicked, this, [this] {
        if (standard_sound_ && click_sound_) click_sound_();
    });
}

}  // namespace vokalin
