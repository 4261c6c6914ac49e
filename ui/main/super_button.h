#pragma once

#include <QPushButton>
#include <functional>

namespace vokalin {

// A push button whose standard click sound can be switched on and off.
class SuperButton : public QPushButton {
    Q_OBJECT
    Q_PROPERTY(bool standardSound READ standard_sound WRITE set_standard_sound)

  public:
    SuperButton(const QString& object_name, const QString& caption, QWidget* parent);

    bool standard_sound() const { return standard_sound_; }
    void set_standard_sound(bool on) { standard_sound_ = on; }
    // Played on each click while standardSound is on.
    void set_click_sound(std::function<void()> sound) { click_sound_ = std::move(sound); }

  private:
    bool standard_sound_ = false;
    std::function<void()> click_sound_;
};

}  // namespace vokalin
