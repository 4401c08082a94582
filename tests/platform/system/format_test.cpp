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

TEST(Wsprintf, FormatsTheGamesTexts) {
    EXPECT_EQ(Format("%dFPS", 60), "60FPS");
    EXPECT_EQ(Format("%x", 0x100A2u), "100a2") << "window handle caption";
    EXPECT_EQ(Format("%d", -250), "-250");
    EXPECT_EQ(Format("%s", "Wave\\BGM00.wav"), "Wave\\BGM00.wav");
    EXPECT_EQ(Format("VRAM\t%d Bytes\n%d", 1024, 0), "VRAM\t1024 Bytes\n0");
}

TEST(Wsprintf, WidthsPaddingAndSizes) {
    EXPECT_EQ(Format("[%5d|%-5d|%05d]", 42, 42, -42), "[   42|42   |-0042]");
    EXPECT_EQ(Format("%08X", 0xBEEFu), "0000BEEF");
    EXPECT_EQ(Format("%#x %#X %#x", 255u, 255u, 0u), "0xff 0XFF 0");
    EXPECT_EQ(Format("%lu %ld %u", 4000000000u, -5, 7u), "4000000000 -5 7");
    EXPECT_EQ(Format("%hd %hu", 70000, 70000), "4464 4464");
    EXPECT_EQ(Format("%c%c %.2s %5.1s|", 'o', 'k', "abc", "xyz"), "ok ab     x|");
    EXPECT_EQ(Format("%d %d", INT32_MIN, INT32_MAX), "-2147483648 2147483647");
    EXPECT_EQ(Format("%.3d", 5), "005");
}

TEST(Wsprintf, PercentsNullsAndUnknownConversions) {
    EXPECT_EQ(Format("100%%"), "100%");
    EXPECT_EQ(Format("%s", static_cast<const char*>(nullptr)), "(null)");
    EXPECT_EQ(Format("%q"), "q");
    EXPECT_EQ(Format("end%"), "end%");
}

TEST(Wsprintf, WritesAtMost1024BytesWithTheTerminator) {
    const std::string longText(2000, 'a');
    char buffer[2100];
    buffer[1024] = 'Z';
    EXPECT_EQ(wsprintfA(buffer, "%s", longText.c_str()), 1023);
    EXPECT_EQ(buffer[1023], '\0');
    EXPECT_EQ(buffer[1024], 'Z') << "nothing past the limit is touched";
}

TEST(Lstrlen, CountsBytesAndTakesNull) {
    EXPECT_EQ(lstrlenA("Now Loading..."), 14);
    EXPECT_EQ(lstrlenA("\x82\xa0"), 2);
    EXPECT_EQ(lstrlenA(nullptr), 0);
}

} // namespace
