// wsprintfA with the formats the game uses, and its limits.
#include <gtest/gtest.h>

#include <string>

#include "winapi.h"

namespace {

std::string Format(const char* format, auto... args) {
    char buffer[1100];
    const int length = wsprintfA(buffer, format, args...);
    EXPECT_EQ(static_cast<std::size_t>(length), std::string(buffer).size());
    return buffer;
}

TEST(Wsprintf, FormatsTheGamesTextsAndSurvivesStrayPercents) {
    EXPECT_EQ(Format("%x", 0x100A2u), "100a2") << "window handle caption";
    EXPECT_EQ(Format("%d %d", INT32_MIN, INT32_MAX), "-2147483648 2147483647");
    EXPECT_EQ(Format("VRAM\t%d Bytes\n%d", 1024, 0), "VRAM\t1024 Bytes\n0");
    EXPECT_EQ(Format("100%% %q end%"), "100% q end%");
}

TEST(Wsprintf, WritesAtMost1024BytesWithTheTerminator) {
    const std::string longText(2000, 'a');
    char buffer[2100];
    buffer[1024] = 'Z';
    EXPECT_EQ(wsprintfA(buffer, "%s", longText.c_str()), 1023);
    EXPECT_EQ(buffer[1023], '\0');
    EXPECT_EQ(buffer[1024], 'Z') << "nothing past the limit is touched";
    EXPECT_EQ(lstrlenA("Now Loading..."), 14);
}

} // namespace
