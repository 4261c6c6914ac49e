#include "platform/platform.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace vokalin::platform {
namespace {
namespace fs = std::filesystem;

class TempDirectory : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("vokalin-platform-test-" + std::to_string(getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_);
        saved_runtime_ = getenv_or_empty("XDG_RUNTIME_DIR");
        saved_tmp_ = getenv_or_empty("TMPDIR");
        unsetenv("XDG_RUNTIME_DIR");
        setenv("TMPDIR", root_.c_str(), 1);
    }
    void TearDown() override {
        restore("XDG_RUNTIME_DIR", saved_runtime_);
        restore("TMPDIR", saved_tmp_);
        fs::remove_all(root_);
    }
    static std::string getenv_or_empty(const char* name) {
        const char* v = std::getenv(name);
        return v ? v : "";
    }
    static void restore(const char* name, const std::string& value) {
        if (value.empty()) {
            unsetenv(name);
        } else {
            setenv(name, value.c_str(), 1);
        }
    }
    fs::path root_;
    std::string saved_runtime_, saved_tmp_;
};

TEST_F(TempDirectory, CreatesPrivateFolderUnderTmpdir) {
    std::string error;
    const fs::path dir = private_temp_directory(error);
    ASSERT_FALSE(dir.empty()) << error;
    EXPECT_EQ(dir, root_ / ("vokalin-" + std::to_string(geteuid())));
    struct stat st {};
    ASSERT_EQ(stat(dir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // a second call finds the same folder
    EXPECT_EQ(private_temp_directory(error), dir);
}

TEST_F(TempDirectory, RefusesFoldersOthersCanWrite) {
    const fs::path dir = root_ / ("vokalin-" + std::to_string(geteuid()));
    fs::create_directory(dir);
    chmod(dir.c_str(), 0777);
    std::string error;
    EXPECT_TRUE(private_temp_directory(error).empty());
    EXPECT_NE(error.find("writable by other users"), std::string::npos) << error;

    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    error.clear();
    EXPECT_TRUE(private_temp_directory(error).empty());
    EXPECT_FALSE(error.empty());
}

TEST_F(TempDirectory, RefusesSymbolicLinks) {
    const fs::path target = root_ / "elsewhere";
    fs::create_directory(target);
    chmod(target.c_str(), 0700);
    fs::create_directory_symlink(target, root_ / ("vokalin-" + std::to_string(geteuid())));
    std::string error;
    EXPECT_TRUE(private_temp_directory(error).empty());
    EXPECT_NE(error.find("symbolic link"), std::string::npos) << error;
}

TEST_F(TempDirectory, WholeFileWrites) {
    const fs::path file = root_ / "out.bin";
    const std::uint8_t first[] = {1, 2, 3, 0, 5};
    std::string error;
    ASSERT_TRUE(write_file_atomically(file, first, error)) << error;
    EXPECT_EQ(fs::file_size(file), 5u);
    const std::uint8_t second[] = {9};
    ASSERT_TRUE(write_file_atomically(file, second, error)) << error;
    EXPECT_EQ(fs::file_size(file), 1u);
    // nothing but the file itself is left behind
    EXPECT_EQ(std::distance(fs::directory_iterator(root_), fs::directory_iterator()), 1);
    EXPECT_FALSE(write_file_atomically(root_ / "missing" / "x", second, error));
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
}

TEST(Paths, GbkNamesAreUtf8OnDisk) {
    const std::string gbk_name = "\xBB\xBA\xB4\xE6";  // 缓存
    EXPECT_EQ(path_from_text(gbk_name).string(), "\xE7\xBC\x93\xE5\xAD\x98");
    EXPECT_EQ(text_from_path(path_from_text(gbk_name)), gbk_name);
    EXPECT_EQ(text_from_path(fs::path("\xF0\x9F\x98\x80.wav")), "?.wav");
}

TEST(Libraries, LoadFailureIsReported) {
    std::string error;
    EXPECT_EQ(load_library("/nonexistent/libnothing.so", error), nullptr);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(library_symbol(nullptr, "x"), nullptr);
}

TEST(Shell, HandlerReplacesTheDesktop) {
    std::string seen;
    const OpenHandler previous =
        set_open_handler([&](const std::string& target, const std::string& verb) {
            seen = verb + " " + target;
            return true;
        });
    EXPECT_TRUE(shell_open("https://example.invalid/"));
    EXPECT_EQ(seen, "open https://example.invalid/");
    set_open_handler(previous);
}

TEST(Folders, RunDirectoryHoldsTheExecutable) {
    EXPECT_TRUE(fs::exists(run_directory() / "platform_test"));
}

}  // namespace
}  // namespace vokalin::platform
