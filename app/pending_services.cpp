// The directory login and the configuration check are not part of this build
// yet: the program starts as if the login gave no token and the check found
// no newer version and no remote settings, so the main window opens.

#include "app/pending_services.h"

#include <QWidget>

#include "app/globals.h"

namespace vokalin {

std::string cloud_disk_login(Globals&, const std::string&) {
    return {};
}

bool check_remote_config(Globals&) {
    return false;
}

std::unique_ptr<QWidget> load_update_window(Globals&) {
    return nullptr;
}

}  // namespace vokalin
