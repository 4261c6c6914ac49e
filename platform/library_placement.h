#pragma once

// Where the program's vendor libraries ("bass.dll", "msc.dll") come from.
// The executable carries their byte images; at start-up they are written into
// the private temporary folder, which becomes the folder they are loaded from
// at their first call. A library is only ever loaded by full path from a folder
// that is private to the user.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace vokalin::platform {

// Makes an image known under its file name (done once by the executable).
void register_library_image(const std::string& file_name, std::span<const std::uint8_t> image);

// Writes the registered image of file_name into the private temporary folder
// (always when replace is true, otherwise only when no file is there yet) and
// makes that folder the library folder. Returns false with error set when the
// folder is unsafe or the file cannot be written. Without a registered image
// nothing is written and the library folder stays as it is.
bool place_library(const std::string& file_name, bool replace, std::string& error);

// The folder libraries are loaded from; settable so tests can point it at the
// freshly built libraries.
void set_library_directory(const std::filesystem::path& directory);
std::filesystem::path library_directory();

// Loads library_directory()/file_name by full path after checking that the
// folder and the file are private to the user. nullptr with error set otherwise.
void* load_vendor_library(const std::string& file_name, std::string& error);

}  // namespace vokalin::platform
