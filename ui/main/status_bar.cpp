#include "ui/main/status_bar.h"

#include <QMouseEvent>

namespace vokalin {

StatusBar::StatusBar(QWidget* parent) : QFrame(parent) {
    for (auto& part : parts_) {
        part = new QLabel(this);
        part->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        part->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
}

void StatusBar::set_part_text(int part, const QString& text) {
    if (part >= 0 && part < 3) parts_[part]->setText(text);
}

QString StatusBar::part_text(int part) const {
    return part >= 0 && part < 3 ? parts_[part]->text() : QString();
}

void StatusBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit clicked(event->position().toPoint().x());
    QFrame::mousePressEvent(event);
}

void StatusBar::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    const int h = height();
    parts_[0]->setGeometry(0, 0, 160, h);
    parts_[1]->setGeometry(160, 0, 280, h);
    parts_[2]->setGeometry(440, 0, std::max(0, width() - 440), h);
}

}  // namespace vokalin
