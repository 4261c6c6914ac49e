#pragma once

#include <QFrame>
#include <QLabel>
#include <array>

namespace vokalin {

// A status bar of three parts: 160 pixels, 280 pixels and the rest. A press of
// the left mouse button reports its x position.
class StatusBar : public QFrame {
    Q_OBJECT

  public:
    explicit StatusBar(QWidget* parent);
    void set_part_text(int part, const QString& text);
    QString part_text(int part) const;

  signals:
    void clicked(int x);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    std::array<QLabel*, 3> parts_{};
};

}  // namespace vokalin
