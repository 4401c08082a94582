// The generators write exactly the same bytes on every run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/assets/asset_files.h"

namespace {

namespace fs = std::filesystem;

class FreshOutput : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "quorvane-assets-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

    int Run(const std::string& program, const std::string& to = "") {
        const std::string command =
            "'" + program + "' '" + (to.empty() ? dir.string() : to) + "' 2>/dev/null";
        return std::system(command.c_str());
    }

    fs::path dir;
};

TEST_F(FreshOutput, ArtworkGeneratorRepeatsItself) {
    ASSERT_EQ(Run(ARTGEN_PATH), 0);
    EXPECT_EQ(ReadBytes((dir / "artwork.dib").string()), ReadBytes(ARTWORK_DIB_PATH));
    EXPECT_EQ(ReadBytes((dir / "artwork.bmp").string()), ReadBytes(ARTWORK_BMP_PATH));
    EXPECT_EQ(ReadBytes((dir / "artwork.png").string()), ReadBytes(ARTWORK_PNG_PATH));
}

TEST_F(FreshOutput, SoundGeneratorRepeatsItself) {
    ASSERT_EQ(Run(SOUNDGEN_PATH), 0);
    EXPECT_EQ(ReadBytes((dir / "BGM00.wav").string()), ReadBytes(BGM_WAV_PATH));
    EXPECT_EQ(ReadBytes((dir / "shooting.wav").string()), ReadBytes(SHOT_WAV_PATH));
}

TEST_F(FreshOutput, GeneratorsRefuseAnUnwritableDestination) {
    const std::string missing = (dir / "no" / "such" / "folder").string();
    EXPECT_NE(Run(ARTGEN_PATH, missing), 0);
    EXPECT_NE(Run(SOUNDGEN_PATH, missing), 0);
}

} // namespace
