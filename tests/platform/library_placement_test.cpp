#include "platform/library_placement.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "platform/platform.h"

namespace vokalin::platform {
namespace {
namespace fs = std::filesystem;

std::string read_all(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class Placement : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("vokalin-placement-test-" + std::to_string(getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_);
        chmod(root_.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", root_.c_str(), 1);
    }
    void TearDown() override { fs::remove_all(root_); }
    fs::path root_;
};

TEST_F(Placement, WritesOnlyWhenAbsentUnlessReplacing) {
    static const std::uint8_t first[] = {'o', 'n', 'e'};
    static const std::uint8_t second[] = {'t', 'w', 'o', '!'};
    std::string error;
    register_library_image("keep.dll", first);
    ASSERT_TRUE(place_library("keep.dll", false, error)) << error;
    EXPECT_EQ(library_directory(), root_);
    EXPECT_EQ(read_all(root_ / "keep.dll"), "one");

    // an existing file is not touched when not replacing, whatever it holds
    std::ofstream(root_ / "keep.dll") << "other";
    register_library_image("keep.dll", second);
    ASSERT_TRUE(place_library("keep.dll", false, error)) << error;
    EXPECT_EQ(read_all(root_ / "keep.dll"), "other");
    ASSERT_TRUE(place_library("keep.dll", true, error)) << error;
    EXPECT_EQ(read_all(root_ / "keep.dll"), "two!");
}

TEST_F(Placement, NothingRegisteredLeavesTheFolderAlone) {
    set_library_directory("/somewhere/else");
    std::string error;
    EXPECT_TRUE(place_library("unknown.dll", true, error));
    EXPECT_EQ(library_directory(), fs::path("/somewhere/else"));
    EXPECT_FALSE(fs::exists(root_ / "unknown.dll"));
}

TEST_F(Placement, RefusesToLoadWhatOthersCanWrite) {
    std::string error;
    set_library_directory(root_);
    std::ofstream(root_ / "open.dll") << "not a library";
    chmod((root_ / "open.dll").c_str(), 0666);
    EXPECT_EQ(load_vendor_library("open.dll", error), nullptr);
    EXPECT_NE(error.find("writable by other users"), std::string::npos) << error;

    chmod((root_ / "open.dll").c_str(), 0600);
    error.clear();
    EXPECT_EQ(load_vendor_library("open.dll", error), nullptr);  // not an ELF file
    EXPECT_FALSE(error.empty());

    chmod(root_.c_str(), 0777);
    error.clear();
    EXPECT_EQ(load_vendor_library("open.dll", error), nullptr);
    EXPECT_NE(error.find("writable by other users"), std::string::npos) << error;
    chmod(root_.c_str(), 0700);

    set_library_directory({});
    EXPECT_EQ(load_vendor_library("open.dll", error), nullptr);
    EXPECT_NE(error.find("has not been placed"), std::string::npos) << error;
}

}  // namespace
}  // namespace vokalin::platform
