#include "platform/library_placement.h"

#include <map>
#include <mutex>

#include "platform/platform.h"

namespace vokalin::platform {
namespace fs = std::filesystem;
namespace {

std::mutex placement_mutex;
std::map<std::string, std::span<const std::uint8_t>>& images() {
    static std::map<std::string, std::span<const std::uint8_t>> registered;
    return registered;
}
fs::path& directory_setting() {
    static fs::path directory;
    return directory;
}

}  // namespace

void register_library_image(const std::string& file_name, std::span<const std::uint8_t> image) {
    std::lock_guard lock(placement_mutex);
    images()[file_name] = image;
}

bool place_library(const std::string& file_name, bool replace, std::string& error) {
    std::lock_guard lock(placement_mutex);
    const auto it = images().find(file_name);
    if (it == images().end()) return true;
    const fs::path dir = private_temp_directory(error);
    if (dir.empty()) return false;
    directory_setting() = dir;
    const fs::path path = dir / file_name;
    std::error_code ec;
    if (!replace && fs::exists(fs::symlink_status(path, ec))) return true;
    return write_file_atomically(path, it->second, error);
}

void set_library_directory(const fs::path& directory) {
    std::lock_guard lock(placement_mutex);
    directory_setting() = directory;
}

fs::path library_directory() {
    std::lock_guard lock(placement_mutex);
    return directory_setting();
}

void* load_vendor_library(const std::string& file_name, std::string& error) {
    const fs::path dir = library_directory();
    if (dir.empty()) {
        error = file_name + " has not been placed";
        return nullptr;
    }
    const fs::path path = dir / file_name;
    if (!is_private_to_user(dir, error) || !is_private_to_user(path, error)) {
        error = "refusing to load " + path.string() + ": " + error;
        return nullptr;
    }
    return load_library(path, error);
}

}  // namespace vokalin::platform
