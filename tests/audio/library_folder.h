#pragma once

// Copies a built library into a fresh folder private to the user, the only
// kind of folder the program loads libraries from.

#include <stdlib.h>

#include <filesystem>
#include <string>

namespace vokalin::test {

inline std::filesystem::path private_library_folder(const std::filesystem::path& library) {
    std::string pattern = (std::filesystem::temp_directory_path() / "vokalin-lib-XXXXXX").string();
    const char* made = mkdtemp(pattern.data());
    if (!made) return {};
    const std::filesystem::path folder = made;
    if (!library.empty()) {
        std::filesystem::copy_file(library, folder / "bass.dll");
        std::filesystem::permissions(folder / "bass.dll", std::filesystem::perms::owner_all);
    }
    return folder;
}

}  // namespace vokalin::test
