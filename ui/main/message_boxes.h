#pragma once

#include <QString>
#include <atomic>
#include <functional>
#include <string>

class QWidget;

namespace vokalin {

// Every message box of the program goes through here so tests can watch them.
using MessageHandler =
    std::function<void(QWidget* owner, const QString& title, const QString& text)>;

// GUI thread: shows the box and returns when the user has closed it.
void show_message(QWidget* owner, const std::string& title_gbk, const std::string& text_gbk);

// Any other thread: shows the box on the GUI thread and waits until the user
// has closed it, or until cancel becomes true (the program is closing).
void show_message_from_worker(const std::string& title_gbk, const std::string& text_gbk,
                              const std::atomic<bool>& cancel);

// Replaces the handler (the default shows a QMessageBox); returns the old one.
MessageHandler set_message_handler(MessageHandler handler);

}  // namespace vokalin
