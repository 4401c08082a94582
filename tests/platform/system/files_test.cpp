// Files as the WAV reader uses them.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "winapi.h"

namespace {

// A folder of its own holding Wave/data.bin, whose byte i is i (100 bytes).
class FilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/quorvane-files-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        previous = std::filesystem::current_path();
        std::filesystem::current_path(folder);
        std::filesystem::create_directory("Wave");
        std::ofstream out("Wave/data.bin", std::ios::binary);
        for (int i = 0; i < 100; ++i) {
            out.put(static_cast<char>(i));
        }
    }
    void TearDown() override {
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(folder);
    }
    HANDLE Open(const char* name) {
        return CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    }

    std::string folder;
    std::filesystem::path previous;
};

TEST_F(FilesTest, ReadsAndSeeksLikeTheWavReaderWalkingItsChunks) {
    HANDLE file = Open("Wave\\data.bin"); // backslash separates folders
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    unsigned char buffer[64];
    DWORD got = 0;
    ASSERT_TRUE(ReadFile(file, buffer, 12, &got, nullptr));
    EXPECT_EQ(got, 12u);
    EXPECT_EQ(buffer[11], 11);
    EXPECT_EQ(SetFilePointer(file, 8, nullptr, FILE_CURRENT), 20u);
    EXPECT_EQ(SetFilePointer(file, -30, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), 20u) << "a failed seek moves nothing";
    EXPECT_EQ(SetFilePointer(file, -10, nullptr, FILE_END), 90u);
    ASSERT_TRUE(ReadFile(file, buffer, 64, &got, nullptr));
    EXPECT_EQ(got, 10u) << "a short count at the end of the file";
    EXPECT_EQ(buffer[0], 90);
    // Beyond the end is allowed; reading there succeeds with nothing.
    EXPECT_EQ(SetFilePointer(file, 1000, nullptr, FILE_BEGIN), 1000u);
    got = 7;
    ASSERT_TRUE(ReadFile(file, buffer, 8, &got, nullptr));
    EXPECT_EQ(got, 0u);
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_FALSE(ReadFile(file, buffer, 8, &got, nullptr)) << "a closed handle";
}

TEST_F(FilesTest, NamesIgnoreCaseAndMissingFilesOrFoldersDoNotOpen) {
    std::ofstream("Wave/New.bin", std::ios::binary) << "RIFF";
    DWORD got = 0;
    char buffer[4];
    HANDLE in = Open("WAVE/NEW.BIN");
    ASSERT_TRUE(ReadFile(in, buffer, 4, &got, nullptr));
    EXPECT_EQ(std::string(buffer, got), "RIFF");
    CloseHandle(in);

    EXPECT_EQ(Open("Wave\\missing.wav"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open("Wave"), INVALID_HANDLE_VALUE);
}

TEST_F(FilesTest, CurrentDirectoryReportsLengthOrNeededSize) {
    char buffer[MAX_PATH];
    EXPECT_EQ(GetCurrentDirectoryA(MAX_PATH, buffer), folder.size());
    EXPECT_EQ(std::string(buffer), folder);
    char small[4] = "ab";
    EXPECT_EQ(GetCurrentDirectoryA(sizeof small, small), folder.size() + 1);
    EXPECT_STREQ(small, "ab") << "a buffer too small is left as it was";
}

} // namespace
