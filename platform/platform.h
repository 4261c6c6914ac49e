#pragma once

// The thin operating-system layer. Everything that differs between operating
// systems is declared here; each OS provides its own source file.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vokalin::platform {

// ---- code pages -----------------------------------------------------------
// Code page numbers as the program uses them: 936 = GBK, 65001 = UTF-8,
// 0 = the program's own text encoding (GBK).
inline constexpr int CODE_PAGE_ANSI = 0;
inline constexpr int CODE_PAGE_GBK = 936;
inline constexpr int CODE_PAGE_UTF8 = 65001;

// Decodes bytes of a code page into UTF-16. Invalid or truncated sequences
// become U+FFFD; an unknown code page gives an empty result.
std::u16string multibyte_to_wide(std::string_view bytes, int code_page);

// Encodes UTF-16 into a code page. Characters the code page cannot hold, and
// unpaired surrogates, become "?"; an unknown code page gives an empty result.
std::string wide_to_multibyte(std::u16string_view units, int code_page);

// Appends the UTF-8 form of one code point.
void append_utf8(std::string& out, char32_t code_point);

// The same by charset name ("UTF-8", "GBK", "GB18030", "UTF-16LE", ...).
// std::nullopt when the name is unknown.
std::optional<std::u16string> decode_charset(std::string_view bytes, const std::string& charset);
std::optional<std::string> encode_charset(std::u16string_view units, const std::string& charset);

// ---- folders --------------------------------------------------------------
// The folder of the running executable.
std::filesystem::path run_directory();

// The private per-user temporary folder: $XDG_RUNTIME_DIR when set, otherwise
// ${TMPDIR:-/tmp}/vokalin-<uid>, created with mode 0700. Empty when the folder
// cannot be made or is not safe (not owned by the user, or writable by others);
// error then says why.
std::filesystem::path private_temp_directory(std::string& error);

// True when path is owned by the current user and not writable by group or others.
bool is_private_to_user(const std::filesystem::path& path, std::string& error);

// A file-system path for GBK text, and back (paths on disk are UTF-8).
std::filesystem::path path_from_text(std::string_view gbk_text);
std::string text_from_path(const std::filesystem::path& path);

// Writes the whole file through a temporary name in the same folder and a
// rename, so that a reader sees either the old file or the complete new one.
bool write_file_atomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                           std::string& error);

// ---- libraries ------------------------------------------------------------
// Loads a shared library by full path; nullptr on failure with error set.
void* load_library(const std::filesystem::path& path, std::string& error);
void* library_symbol(void* library, const char* name);
void unload_library(void* library);

// ---- shell ----------------------------------------------------------------
// Hands a URL or a file to the desktop ("open" or "explore"). Tests replace the
// handler so that nothing is launched.
using OpenHandler = std::function<bool(const std::string& target_utf8, const std::string& verb)>;
bool shell_open(const std::string& target_utf8, const std::string& verb = "open");
OpenHandler set_open_handler(OpenHandler handler);

}  // namespace vokalin::platform
