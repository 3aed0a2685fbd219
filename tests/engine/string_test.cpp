// EngineString: capacity steps, copies, number text and the mixed operators.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "engine/engine_string.h"

namespace zorby {
namespace {

TEST(EngineStringStorage, EmptyValueOwnsNothingAndAnyStoredTextReservesSteps) {
    EngineString fresh;
    EXPECT_TRUE(fresh.uses_shared_empty());
    EXPECT_EQ(fresh.capacity(), 0u);
    EXPECT_EQ(fresh.length(), 0);
    EXPECT_STREQ(fresh.text(), "");

    EngineString empty_text("");
    EXPECT_FALSE(empty_text.uses_shared_empty());
    EXPECT_EQ(empty_text.capacity(), 512u);

    EngineString s;
    s = std::string(511, 'a');
    EXPECT_EQ(s.capacity(), 512u);
    EXPECT_EQ(s.length(), 511);
    s = std::string(512, 'b');
    EXPECT_EQ(s.capacity(), 1024u);
    EXPECT_EQ(s.length(), 512);
    // Storage never shrinks; a shorter text reuses it.
    s = "short";
    EXPECT_EQ(s.capacity(), 1024u);
    EXPECT_STREQ(s.c_str(), "short");

    // Appending reallocates only when a 512-byte boundary is crossed.
    EngineString line;
    for (int n = 0; n < 511; ++n) line += "x";
    EXPECT_EQ(line.capacity(), 512u);
    line += "y";
    EXPECT_EQ(line.capacity(), 1024u);
    EXPECT_EQ(line.length(), 512);
    EXPECT_EQ(line.char_at(511), 'y');
}

TEST(EngineStringStorage, CopiesAreDeepAndSelfReferencesAreSafe) {
    EngineString a("hello");
    EngineString b(a);
    b.set_char_at(0, 'j');
    EXPECT_STREQ(a.c_str(), "hello");
    EXPECT_STREQ(b.c_str(), "jello");

    EngineString moved(std::move(b));
    EXPECT_STREQ(moved.c_str(), "jello");
    EXPECT_TRUE(b.uses_shared_empty());  // NOLINT: a moved-from value is left empty on purpose

    // Appending a value to itself across a reallocation.
    EngineString big(std::string(300, 'q'));
    big += big;
    EXPECT_EQ(big.length(), 600);
    EXPECT_EQ(big.str(), std::string(600, 'q'));
    // Appending and assigning its own text.
    EngineString t("abc");
    t += t.c_str();
    EXPECT_STREQ(t.c_str(), "abcabc");
    t = t.c_str() + 3;
    EXPECT_STREQ(t.c_str(), "abc");
}

TEST(EngineStringStorage, WritableBufferRecountAndTruncate) {
    EngineString s;
    char* buf = s.writable_buffer(10);
    EXPECT_EQ(s.capacity(), 512u);
    buf[0] = 'h';
    buf[1] = 'i';
    buf[2] = '\0';
    // Written but not yet counted: reads as empty.
    EXPECT_STREQ(s.text(), "");
    s.recount_length();
    EXPECT_STREQ(s.text(), "hi");
    EXPECT_EQ(s.length(), 2);

    // A buffer filled without a terminator keeps its last byte as one.
    std::fill(buf, buf + s.capacity(), 'z');
    s.recount_length();
    EXPECT_EQ(s.length(), 511);

    s = "Player 1";
    s.truncate(6);
    EXPECT_STREQ(s.c_str(), "Player");
    s.truncate(100);
    EXPECT_STREQ(s.c_str(), "Player");
    EXPECT_EQ(s.char_at(0), 'P');
    EXPECT_EQ(s.char_at(6), 0);
    EXPECT_EQ(s.char_at(-1), 0);
    EXPECT_EQ(EngineString().char_at(0), 0);
    EngineString().set_char_at(0, 'x');  // never writes the shared empty buffer
    EXPECT_STREQ(EngineString().c_str(), "");
}

TEST(EngineStringNumbers, NumberTextUsesTenSignificantDigits) {
    EXPECT_EQ(from_number(100).str(), "100");
    EXPECT_EQ(from_number(0.5).str(), "0.5");
    EXPECT_EQ(from_number(-2.25).str(), "-2.25");
    EXPECT_EQ(from_number(1.0 / 3.0).str(), "0.3333333333");
    EXPECT_EQ(from_number(2.0 / 3.0).str(), "0.6666666667");
    EXPECT_EQ(from_number(0).str(), "0");
    EXPECT_EQ(from_number(-0.0).str(), "0");
    EXPECT_EQ(from_number(1234567890).str(), "1234567890");
    EXPECT_EQ(from_number(9999999999.4).str(), "9999999999");
    EXPECT_EQ(from_number(1e10).str(), "1e+10");
    EXPECT_EQ(from_number(12345678901.0).str(), "1.23456789e+10");
    EXPECT_EQ(from_number(1e-7).str(), "1e-07");
    EXPECT_EQ(from_number(0.0001).str(), "0.0001");
    EXPECT_EQ(from_number(-1.5e300).str(), "-1.5e+300");
    EXPECT_EQ(from_number(std::numeric_limits<double>::infinity()).str(), "inf");

    // Integers in plain decimal, floats through the same rule as doubles.
    EXPECT_EQ((EngineString("Score: ") + 12).str(), "Score: 12");
    EXPECT_EQ((EngineString("x") + 0.1).str(), "x0.1");
    EXPECT_EQ((EngineString() + 0).str(), "0");
    EXPECT_EQ((EngineString("") + (-2147483647 - 1)).str(), "-2147483648");
    EXPECT_EQ((7 + EngineString(" lives")).str(), "7 lives");
    EXPECT_EQ((EngineString("f") + 0.5f).str(), "f0.5");
    EXPECT_EQ(EngineString(0).str(), "0");
    EXPECT_EQ(EngineString(-12.5).str(), "-12.5");
    EngineString s;
    s = 2.5;
    EXPECT_EQ(s.str(), "2.5");
    s += 10;
    EXPECT_EQ(s.str(), "2.510");
}

TEST(EngineStringNumbers, FormatNumberNeverOverrunsAndToNumberReadsTheLeadingNumber) {
    EXPECT_EQ(format_number(8, 2, 3.14159).str(), "    3.14");
    EXPECT_EQ(format_number(-8, 2, 3.14159).str(), "3.14    ");
    EXPECT_EQ(format_number(0, 0, 2.5).str(), "2");  // round half to even, as printf
    EXPECT_EQ(format_number(5.9, 1.9, -1).str(), " -1.0");
    EXPECT_EQ(format_number(1, -3, 42.7).str(), "43");
    // Far beyond the old 255-character limit: clamped to a 1024-character field.
    EXPECT_EQ(format_number(5000, 2, 1).length(), 1024);
    EXPECT_EQ(format_number(-1e12, 2, 1).length(), 1024);
    EXPECT_EQ(format_number(0, 1e9, 1).length(), 102);  // decimals are limited to 100
    EXPECT_EQ(format_number(10, 2, 1e300).length(), 304);

    EXPECT_EQ(to_number(EngineString("42abc")), 42.0);
    EXPECT_EQ(to_number(EngineString("  -3.5e2")), -350.0);
    EXPECT_EQ(to_number(EngineString("abc")), 0.0);
    EXPECT_EQ(to_number(EngineString()), 0.0);

    const unsigned char bytes[] = {0x00, 0x7f, 0xab, 0xff};
    EXPECT_EQ(bytes_to_hex(bytes, 4).str(), "007FABFF");
    EXPECT_EQ(bytes_to_hex(bytes, 0).str(), "");
}

TEST(EngineStringOperators, TextComparesBytesAndNumbersCompareValues) {
    const EngineString ten("10");
    EXPECT_EQ(ten == 10, 1.0);
    EXPECT_EQ(10 == ten, 1.0);
    EXPECT_EQ(ten == EngineString("10.0"), 0.0);
    EXPECT_EQ(ten == "10.0", 0.0);
    EXPECT_EQ(ten < 9.5, 0.0);
    EXPECT_EQ(ten >= 10.0f, 1.0);
    EXPECT_EQ(EngineString("abc") < EngineString("abd"), 1.0);
    EXPECT_EQ(EngineString("B") < EngineString("a"), 1.0);
    EXPECT_EQ("B" < EngineString("a"), 1.0);
    EXPECT_EQ(EngineString("abc") == "abc", 1.0);
    EXPECT_EQ("abc" == EngineString("abc"), 1.0);
    EXPECT_EQ(EngineString("abc") != "abc", 0.0);
    EXPECT_EQ(EngineString("ab") <= EngineString("ab"), 1.0);
    EXPECT_EQ(EngineString("ab") > EngineString("a"), 1.0);
    EXPECT_EQ(EngineString() == "", 1.0);
    EXPECT_EQ(EngineString() == EngineString(""), 1.0);

    // Not a number: == is false and != is true, whichever side it is on.
    const double nan = std::nan("");
    EXPECT_EQ(EngineString("nan") == nan, 0.0);
    EXPECT_EQ(EngineString("nan") != nan, 1.0);
    EXPECT_EQ(EngineString("1") == nan, 0.0);
    EXPECT_EQ(nan != EngineString("1"), 1.0);
    EXPECT_EQ(EngineString("nan") != 1, 1.0);
}

TEST(EngineStringText, MiddleClampsItsArguments) {
    const EngineString player("Player 1");
    EXPECT_EQ(middle(player, 7, 5).str(), "1");
    EXPECT_EQ(middle(player, 0, 6).str(), "Player");
    const EngineString abc("abc");
    EXPECT_EQ(middle(abc, 0, 2).str(), "ab");
    EXPECT_EQ(middle(abc, 1, 100).str(), "bc");
    EXPECT_EQ(middle(abc, 3, 1).str(), "");
    EXPECT_EQ(middle(abc, -1, 2).str(), "");
    EXPECT_EQ(middle(abc, 1, -5).str(), "");
    EXPECT_EQ(middle(abc, 4, -1).str(), "");
    EXPECT_EQ(middle(abc, 1.9, 1.9).str(), "b");
    EXPECT_EQ(middle(abc, std::nan(""), 1).str(), "");
    EXPECT_EQ(middle(abc, 1e300, 1e300).str(), "");
    EXPECT_EQ(middle(EngineString(), 0, 5).str(), "");
}

TEST(EngineStringText, CaseChangesOnlyAsciiLetters) {
    const EngineString mixed("Hello, World! \xc4\xe4 z@[`{");
    EXPECT_EQ(lower_case(mixed).str(), "hello, world! \xc4\xe4 z@[`{");
    EXPECT_EQ(upper_case(mixed).str(), "HELLO, WORLD! \xc4\xe4 Z@[`{");
    EXPECT_STREQ(mixed.c_str(), "Hello, World! \xc4\xe4 z@[`{");
    EXPECT_EQ(upper_case(EngineString()).str(), "");
}

}  // namespace
}  // namespace zorby
