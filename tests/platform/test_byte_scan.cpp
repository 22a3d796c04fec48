#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "platform/ByteScan.h"

using namespace qm;

namespace {

// The plain answer the word-at-a-time search must give.
size_t FirstOf(std::string_view s, size_t from, std::string_view set)
{
    return from >= s.size() ? std::string_view::npos : s.find_first_of(set, from);
}

} // namespace

// Every length up to 70 (several blocks of sixteen and a last one moved back), every start and every place of
// a match, with bytes above 0x7F and near the sought ones around it (a borrow between bytes must not fake a
// match).
TEST(ByteScan, FindsTheFirstMatchFromEveryStartInEveryLength)
{
    std::mt19937 rng(3);
    const char filler[] = {'a',    '\x0c', '\x0e', '\x09', '\x0b', '\x80',
                           '\xff', '\x8d', '\x8a', '<',    '>',    '\x01'};
    for (size_t n = 0; n <= 70; ++n) {
        for (int round = 0; round < 20; ++round) {
            std::string s(n, 'a');
            for (char& c : s)
                c = filler[rng() % sizeof filler];
            // None, one or several matches at random places.
            for (int k = int(rng() % 3); k > 0 && n > 0; --k)
                s[rng() % n] = "\r\n="[rng() % 3];
            for (size_t from = 0; from <= n + 1; ++from) {
                ASSERT_EQ(FindAnyByte(s, from, '\r', '\n'), FirstOf(s, from, "\r\n")) << n << " " << from;
                ASSERT_EQ(FindAnyByte(s, from, '\r', '\n', '='), FirstOf(s, from, "\r\n="))
                    << n << " " << from;
                ASSERT_EQ(FindAnyByte(s, from, '='), FirstOf(s, from, "=")) << n << " " << from;
            }
            EXPECT_EQ(ContainsAnyByte(s, '\r', '\n'), FirstOf(s, 0, "\r\n") != std::string_view::npos);
        }
    }
    // A NUL is a byte like any other.
    EXPECT_EQ(FindAnyByte(std::string_view("abc\0def\0", 8), 4, '\0'), 7u);
}

TEST(ByteScan, FoldsOnlyTheLowerCaseLettersOfEachByte)
{
    for (int lane = 0; lane < 8; ++lane) {
        for (int c = 0; c < 256; ++c) {
            // The byte in one lane, neighbours that would carry into it if the folding leaked.
            uint64_t word = 0x7A7A7A7A7A7A7A7Aull;
            word &= ~(uint64_t(0xFF) << (8 * lane));
            word |= uint64_t(c) << (8 * lane);
            const uint64_t folded = FoldAsciiLetters(word);
            const int expected = c >= 'a' && c <= 'z' ? c - 32 : c;
            ASSERT_EQ(int((folded >> (8 * lane)) & 0xFF), expected) << lane << " " << c;
            for (int other = 0; other < 8; ++other) {
                if (other != lane) {
                    ASSERT_EQ(int((folded >> (8 * other)) & 0xFF), 'Z') << lane << " " << c;
                }
            }
        }
    }
}

TEST(ByteScan, SameBytesTellsEveryDifferenceInEveryLength)
{
    for (size_t n = 0; n <= 40; ++n) {
        const std::string a(n, 'q');
        EXPECT_TRUE(SameBytes(a, std::string(n, 'q')));
        EXPECT_FALSE(SameBytes(a, std::string(n + 1, 'q')));
        for (size_t at = 0; at < n; ++at) {
            std::string b = a;
            b[at] = '\xF1';
            ASSERT_FALSE(SameBytes(a, b)) << n << " " << at;
        }
    }
}

TEST(ByteScan, DelimiterStartsAreEveryPlaceTheWholeDelimiterBegins)
{
    std::mt19937 rng(4);
    for (const std::string delimiter : {",", ",-,", ",,", "aaaa", ",-,-,-,-,-,-,-,-"}) {
        for (int round = 0; round < 300; ++round) {
            std::string text(16 + delimiter.size() - 1, 'x');
            for (char& c : text)
                c = ",-a\x80"[rng() % 4];
            unsigned expected = 0;
            for (size_t i = 0; i < 16; ++i)
                if (text.compare(i, delimiter.size(), delimiter) == 0)
                    expected |= 1u << i;
            ASSERT_EQ(DelimiterStarts16(text.data(), delimiter), expected) << delimiter << " in " << text;
            ASSERT_EQ(DelimiterStarts16Plain(text.data(), delimiter), expected)
                << delimiter << " in " << text;
            if (delimiter == ",-,") {
                ASSERT_EQ((DelimiterStarts16<',', '-', ','>(text.data())), expected) << text;
            }
        }
    }
}

// Each text placed at the very end of a block of its own size, with no terminating NUL and no
// room in a string object after it, so that a load of eight or sixteen bytes that reaches
// past the text is caught by the address checks of a sanitizer build.
TEST(ByteScan, ReadsNothingPastTheEndOfTheText)
{
    for (size_t n = 0; n <= 40; ++n) {
        const std::unique_ptr<char[]> a(new char[n]), b(new char[n]);
        for (size_t i = 0; i < n; ++i)
            a[i] = b[i] = char('a' + i % 26);
        const std::string_view s(a.get(), n), t(b.get(), n);
        for (size_t from = 0; from <= n; ++from) {
            ASSERT_EQ(FindAnyByte(s, from, '\r', '\n'), std::string_view::npos) << n << " " << from;
            ASSERT_EQ(FindAnyByte(s, from, '\r', '\n', '='), std::string_view::npos) << n << " " << from;
        }
        EXPECT_TRUE(SameBytes(s, t)) << n;
        EXPECT_FALSE(ContainsAnyByte(s, '\r', '\n', '=')) << n;
        if (n > 0) {
            a[n - 1] = '=';
            EXPECT_EQ(FindAnyByte(s, 0, '='), n - 1);
            EXPECT_TRUE(ContainsAnyByte(s, '=')) << n;
            EXPECT_FALSE(SameBytes(s, t)) << n;
        }
    }
}
