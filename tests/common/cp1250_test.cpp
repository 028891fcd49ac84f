#include <gtest/gtest.h>

#include "cp1250.h"

using namespace rq36;

// Every Czech letter of the program's texts, both cases.
TEST(Cp1250, CzechLettersRoundTrip) {
    const std::string czech = "áčďéěíňóřšťúůýžÁČĎÉĚÍŇÓŘŠŤÚŮÝŽ";
    const std::string bytes = Utf8ToCp1250(czech);
    ASSERT_EQ(bytes.size(), 30u);
    EXPECT_EQ(Cp1250ToUtf8(bytes), czech);
    EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0xE8);   // č
    EXPECT_EQ(static_cast<unsigned char>(bytes[4]), 0xEC);   // ě
    EXPECT_EQ(static_cast<unsigned char>(bytes[8]), 0xF8);   // ř
    EXPECT_EQ(static_cast<unsigned char>(bytes[9]), 0x9A);   // š
    EXPECT_EQ(static_cast<unsigned char>(bytes[12]), 0xF9);  // ů
    EXPECT_EQ(static_cast<unsigned char>(bytes[14]), 0x9E);  // ž
}

TEST(Cp1250, ProgramTextsRoundTrip) {
    for (const char* t :
         {"Připojení", "Rozhraní", "Bázová adresa", "Číslo portu", "Řadič EUART", "Nápověda",
          " Probíhá čtení konfigurace z modulu (0 %)", "Timeout - nepřišla žádná odpověď", "Neznámý chybový kód"}) {
        EXPECT_EQ(Cp1250ToUtf8(Utf8ToCp1250(t)), t);
    }
}

TEST(Cp1250, EveryDefinedByteRoundTrips) {
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        const std::string back = Utf8ToCp1250(Cp1250ToUtf8(one));
        if (b == 0x81 || b == 0x83 || b == 0x88 || b == 0x90 || b == 0x98)
            EXPECT_EQ(back, "?") << b;  // undefined in the code page
        else
            EXPECT_EQ(back, one) << b;
    }
}

TEST(Cp1250, UnmappableAndMalformedBecomeQuestionMark) {
    EXPECT_EQ(Utf8ToCp1250("a€b"),
              "a\x80"
              "b");
    EXPECT_EQ(Utf8ToCp1250("Ω"), "?");               // Greek: not in the page
    EXPECT_EQ(Utf8ToCp1250("😀x"), "?x");             // outside the BMP
    EXPECT_EQ(Utf8ToCp1250("\xC3"), "?");            // truncated sequence
    EXPECT_EQ(Utf8ToCp1250("\xC0\xAF"), "??");       // overlong
    EXPECT_EQ(Utf8ToCp1250("\xED\xA0\x80"), "???");  // surrogate
    EXPECT_EQ(Utf8ToCp1250("\xFF"
                           "a"),
              "?a");
    EXPECT_EQ(Cp1250ToUtf8("\x81"), "\xEF\xBF\xBD");  // U+FFFD
}
