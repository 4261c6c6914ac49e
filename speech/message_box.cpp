#include "speech/message_box.h"

#include <cstdio>
#include <mutex>

#include "net/text_encoding.h"

namespace vokalin {
namespace {

std::mutex handler_mutex;
MessageBoxHandler installed;

}  // namespace

void show_message_box(const std::string& title_gbk, const std::string& text_gbk) {
    MessageBoxHandler handler;
    {
        std::lock_guard lock(handler_mutex);
        handler = installed;
    }
    if (handler) {
        handler(title_gbk, text_gbk);
        return;
    }
    std::fprintf(stderr, "[%s] %s\n", to_utf8(title_gbk).c_str(), to_utf8(text_gbk).c_str());
}

MessageBoxHandler set_message_box_handler(MessageBoxHandler handler) {
    std::lock_guard lock(handler_mutex);
    std::swap(installed, handler);
    return handler;
}

}  // namespace vokalin
