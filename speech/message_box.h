#pragma once

#include <functional>
#include <string>

namespace vokalin {

// Shows a message box without owner window and returns when the user has
// closed it. Texts are GBK. The GUI installs its own handler; without one the
// message goes to the standard error stream.
using MessageBoxHandler =
    std::function<void(const std::string& title_gbk, const std::string& text_gbk)>;

void show_message_box(const std::string& title_gbk, const std::string& text_gbk);

// Installs handler (an empty one restores the default) and returns the previous one.
MessageBoxHandler set_message_box_handler(MessageBoxHandler handler);

}  // namespace vokalin
