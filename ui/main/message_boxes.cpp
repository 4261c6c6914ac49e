#include "ui/main/message_boxes.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "ui/main/qt_text.h"

namespace vokalin {
namespace {

std::mutex handler_mutex;
MessageHandler& current_handler() {
    static MessageHandler handler = [](QWidget* owner, const QString& title, const QString& text) {
        QMessageBox::information(owner, title, text);
    };
    return handler;
}

MessageHandler handler_copy() {
    std::lock_guard lock(handler_mutex);
    return current_handler();
}

}  // namespace

void show_message(QWidget* owner, const std::string& title_gbk, const std::string& text_gbk) {
    handler_copy()(owner, qstring_from_text(title_gbk), qstring_from_text(text_gbk));
}

void show_message_from_worker(const std::string& title_gbk, const std::string& text_gbk,
                              const std::atomic<bool>& cancel) {
    struct Answer {
        std::mutex mutex;
        std::condition_variable closed;
        bool done = false;
    };
    auto answer = std::make_shared<Answer>();
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;
    QMetaObject::invokeMethod(
        app,
        [answer, title = title_gbk, text = text_gbk] {
            handler_copy()(nullptr, qstring_from_text(title), qstring_from_text(text));
            std::lock_guard lock(answer->mutex);
            answer->done = true;
            answer->closed.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(answer->mutex);
    while (!answer->done && !cancel) {
        answer->closed.wait_for(lock, std::chrono::milliseconds(100));
    }
}

MessageHandler set_message_handler(MessageHandler handler) {
    std::lock_guard lock(handler_mutex);
    std::swap(current_handler(), handler);
    return handler;
}

}  // namespace vokalin
