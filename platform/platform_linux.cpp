#include <dlfcn.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/platform.h"

extern char** environ;

namespace vokalin::platform {
namespace fs = std::filesystem;

fs::path run_directory() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return fs::current_path(ec);
    return exe.parent_path();
}

bool is_private_to_user(const fs::path& path, std::string& error) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) {
        error = path.string() + ": " + std::strerror(errno);
        return false;
    }
    if (S_ISLNK(st.st_mode)) {
        error = path.string() + " is a symbolic link";
        return false;
    }
    if (st.st_uid != geteuid()) {
        error = path.string() + " is not owned by the current user";
        return false;
    }
    if (st.st_mode & (S_IWGRP | S_IWOTH)) {
        error = path.string() + " is writable by other users";
        return false;
    }
    return true;
}

fs::path private_temp_directory(std::string& error) {
    fs::path dir;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        dir = runtime;
    } else {
        const char* tmp = std::getenv("TMPDIR");
        dir = fs::path(tmp && *tmp ? tmp : "/tmp") / ("vokalin-" + std::to_string(geteuid()));
        if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
            error = "cannot create " + dir.string() + ": " + std::strerror(errno);
            return {};
        }
    }
    if (!is_private_to_user(dir, error)) return {};
    return dir;
}

fs::path path_from_text(std::string_view gbk_text) {
    return fs::path(wide_to_multibyte(multibyte_to_wide(gbk_text, CODE_PAGE_GBK), CODE_PAGE_UTF8));
}

std::string text_from_path(const fs::path& path) {
    return wide_to_multibyte(multibyte_to_wide(path.string(), CODE_PAGE_UTF8), CODE_PAGE_GBK);
}

bool write_file_atomically(const fs::path& path, std::span<const std::uint8_t> bytes,
                           std::string& error) {
    static std::atomic<unsigned> counter{0};
    const fs::path temp = path.string() + ".part-" + std::to_string(getpid()) + "-" +
                          std::to_string(counter.fetch_add(1));
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = "cannot write " + temp.string() + ": " + std::strerror(errno);
        return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = "cannot write " + temp.string() + ": " + std::strerror(errno);
            close(fd);
            unlink(temp.c_str());
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    if (close(fd) != 0 || rename(temp.c_str(), path.c_str()) != 0) {
        error = "cannot write " + path.string() + ": " + std::strerror(errno);
        unlink(temp.c_str());
        return false;
    }
    return true;
}

void* load_library(const fs::path& path, std::string& error) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        error = why ? why : ("cannot load " + path.string());
    }
    return handle;
}

void* library_symbol(void* library, const char* name) {
    return library ? dlsym(library, name) : nullptr;
}

void unload_library(void* library) {
    if (library) dlclose(library);
}

namespace {

std::mutex open_handler_mutex;
OpenHandler open_handler;

bool spawn_xdg_open(const std::string& target) {
    const char* argv[] = {"xdg-open", target.c_str(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, const_cast<char* const*>(argv), environ) !=
        0) {
        return false;
    }
    // xdg-open returns as soon as it has handed the target on.
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

bool shell_open(const std::string& target_utf8, const std::string& verb) {
    OpenHandler handler;
    {
        std::lock_guard lock(open_handler_mutex);
        handler = open_handler;
    }
    if (handler) return handler(target_utf8, verb);
    return spawn_xdg_open(target_utf8);
}

OpenHandler set_open_handler(OpenHandler handler) {
    std::lock_guard lock(open_handler_mutex);
    std::swap(open_handler, handler);
    return handler;
}

}  // namespace vokalin::platform
