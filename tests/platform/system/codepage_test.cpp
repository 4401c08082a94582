// Code page 932 (Shift-JIS) conversion.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text.h"
#include "winapi.h"

namespace {

// "DirectDrawの初期化に失敗しました" as the game stores it.
const char kDirectDrawFailed[] =
    "DirectDraw\x82\xcc\x8f\x89\x8a\xfa\x89\xbb\x82\xc9\x8e\xb8\x94\x73\x82\xb5\x82\xdc\x82\xb5"
    "\x82\xbd";

TEST(CodePage932, WidensShiftJisTextWithTheWin32SizingRules) {
    const int needed = MultiByteToWideChar(CP_ACP, 0, kDirectDrawFailed, -1, nullptr, 0);
    EXPECT_EQ(needed, 22) << "10 Latin letters, 11 kana and kanji, the terminator";
    WCHAR wide[64];
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, kDirectDrawFailed, -1, wide, 64), needed);
    EXPECT_EQ(std::u16string(wide), u"DirectDrawの初期化に失敗しました");

    WCHAR tooSmall[5];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, kDirectDrawFailed, -1, tooSmall, 5), 0);
}

TEST(CodePage932, TrailByte5CIsPartOfTheCharacterAndYenStaysBackslash) {
    // 表 is 0x95 0x5C: its second byte is the backslash's code.
    EXPECT_EQ(platform::AnsiToUtf8("\x95\x5c"), "表");
    EXPECT_EQ(platform::AnsiToUtf8("a\\b"), "a\\b");
    EXPECT_EQ(platform::NativePath("Wave\\\x95\x5c.wav"), "Wave/表.wav");
}

TEST(CodePage932, BadBytesBecomeTheMiddleDot) {
    // 0x81 starts a double-byte character; 0x20 cannot end one. A lead byte at
    // the very end is cut off.
    EXPECT_EQ(platform::AnsiToUtf16("x\x81 y\x82"), u"x・ y・");
    // GDI draws the same characters (through the decoder that reuses its buffer).
    std::vector<char32_t> drawn{U'?'};
    platform::AnsiToCodePoints("x\x81 y\x83\x41\x82", drawn);
    EXPECT_EQ(std::u32string(drawn.begin(), drawn.end()), U"x・ yア・");
}

TEST(CodePage932, NarrowsBackAndMarksCharactersItLacks) {
    const std::u16string name = u"ソフトウェア シンセサイザ";
    char ansi[64];
    BOOL usedDefault = TRUE;
    const int length =
        WideCharToMultiByte(CP_ACP, 0, name.c_str(), -1, ansi, sizeof ansi, nullptr, &usedDefault);
    ASSERT_GT(length, 0);
    EXPECT_EQ(static_cast<std::size_t>(length), std::strlen(ansi) + 1);
    EXPECT_FALSE(usedDefault);
    EXPECT_EQ(platform::AnsiToUtf16(ansi), name);

    const std::u16string emoji = u"a\U0001F600b";
    EXPECT_EQ(
        WideCharToMultiByte(CP_ACP, 0, emoji.c_str(), -1, ansi, sizeof ansi, nullptr, &usedDefault),
        4);
    EXPECT_STREQ(ansi, "a?b");
    EXPECT_TRUE(usedDefault);
}

} // namespace
