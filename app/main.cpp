#include <QApplication>
#include <QStyleFactory>
#include <QWidget>
#include <atomic>
#include <cstdlib>
#include <string>

#include "app/start_up.h"
#include "speech/message_box.h"
#include "ui/main/message_boxes.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create("Fusion"));

    // The quota message comes from the synthesis job's thread; it is shown on
    // the GUI thread and stops waiting once the program is closing.
    static std::atomic<bool> closing{false};
    vokalin::set_message_box_handler([](const std::string& title, const std::string& text) {
        vokalin::show_message_from_worker(title, text, closing);
    });

    vokalin::create_globals();
    std::atexit(vokalin::exit_cleanup);

    std::unique_ptr<QWidget> window = vokalin::start_routine();
    if (window) app.exec();
    closing = true;
    window.reset();
    return 0;
}
