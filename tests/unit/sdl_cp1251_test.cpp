// The fatal message reaches SDL's message box as UTF-8.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/sdl/cp1251.h"

using sdlmap::Cp1251CodePoint;
using sdlmap::Cp1251ToUtf8;

TEST(SdlCp1251, FatalMessageReadsAsRussian) {
    const char* text =
        "\xCF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xE0 \xEF\xF0\xE5\xF0\xE2\xE0\xED\xE0\n"
        "\xCE\xF8\xE8\xE1\xEA\xE0 \xE2 DirectDrawCreate";
    EXPECT_EQ(Cp1251ToUtf8(text), std::string("Программа прервана\nОшибка в DirectDrawCreate"));
    EXPECT_EQ(Cp1251ToUtf8("Velkaro"), "Velkaro");
}

TEST(SdlCp1251, CodePointsOfTheUpperHalf) {
    const struct {
        unsigned char byte;
        unsigned codePoint;
    } cases[] = {
        {0x80, 0x0402}, {0x82, 0x201A}, {0x88, 0x20AC}, {0x8F, 0x040F}, {0x96, 0x2013},
        {0x98, 0xFFFD}, {0x99, 0x2122}, {0x9F, 0x045F}, {0xA0, 0x00A0}, {0xA5, 0x0490},
        {0xA8, 0x0401}, {0xAA, 0x0404}, {0xAF, 0x0407}, {0xB2, 0x0406}, {0xB4, 0x0491},
        {0xB8, 0x0451}, {0xB9, 0x2116}, {0xBC, 0x0458}, {0xBF, 0x0457}, {0xC0, 0x0410},
        {0xDF, 0x042F}, {0xE0, 0x0430}, {0xFF, 0x044F},
    };
    for (const auto& c : cases) EXPECT_EQ(Cp1251CodePoint(c.byte), c.codePoint) << int(c.byte);
}

TEST(SdlCp1251, AlphabetIsContiguousAndTheTableHasNoDuplicates) {
    for (unsigned b = 0xC0; b <= 0xFF; ++b) EXPECT_EQ(Cp1251CodePoint(b), 0x0410 + (b - 0xC0)) << b;
    for (unsigned b = 1; b < 0x80; ++b) EXPECT_EQ(Cp1251CodePoint(b), b);
    std::set<unsigned> seen;
    for (unsigned b = 0x80; b <= 0xFF; ++b) {
        unsigned cp = Cp1251CodePoint(b);
        EXPECT_GE(cp, 0xA0u) << b;  // never a C1 control
        EXPECT_TRUE(seen.insert(cp).second) << "byte " << b << " repeats U+" << std::hex << cp;
    }
}

TEST(SdlCp1251, EncodesTwoAndThreeByteSequences) {
    EXPECT_EQ(Cp1251ToUtf8("\xA8\xB8"), "\xD0\x81\xD1\x91");    // Ёё
    EXPECT_EQ(Cp1251ToUtf8("\xB9 1"), "\xE2\x84\x96 1");          // №
    EXPECT_EQ(Cp1251ToUtf8("\x88"), "\xE2\x82\xAC");              // €
    EXPECT_EQ(Cp1251ToUtf8("\xA0"), "\xC2\xA0");
    EXPECT_EQ(Cp1251ToUtf8(""), "");
    EXPECT_EQ(Cp1251ToUtf8(nullptr), "");
}
