#pragma once

#include <memory>
#include <string>

class QWidget;

namespace vokalin {

struct Globals;

// The cloud-disk directory login: the access token, or the empty text.
std::string cloud_disk_login(Globals& g, const std::string& password);

// The remote configuration check: true when a newer version is published and
// the update window must open. On failure it has shown its message and set
// quit_requested.
bool check_remote_config(Globals& g);

// The update window; none in this build.
std::unique_ptr<QWidget> load_update_window(Globals& g);

}  // namespace vokalin
