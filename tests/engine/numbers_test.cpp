// Numbers, random values and timers.
#include "engine/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "engine/degree_table.h"
#include "support/engine_fixture.h"

namespace zorby {
namespace {

using testing::TestEngine;

std::vector<uint32_t> draws(RandomGenerator g, int n) {
    std::vector<uint32_t> out;
    for (int i = 0; i < n; ++i) out.push_back(g.next());
    return out;
}

TEST(Numbers, DegreeTrigonometryClampsAndIntegerModulo) {
    EXPECT_NEAR(sin_deg(30), 0.5, 1e-12);
    EXPECT_NEAR(cos_deg(60), 0.5, 1e-12);
    EXPECT_NEAR(tan_deg(45), 1.0, 1e-12);
    EXPECT_EQ(asin_deg(2), 90.0);
    EXPECT_EQ(asin_deg(-1), -90.0);
    EXPECT_NEAR(asin_deg(0.5), 30.0, 1e-9);
    EXPECT_EQ(acos_deg(-5), 180.0);
    EXPECT_EQ(acos_deg(1), 0.0);
    EXPECT_NEAR(acos_deg(0.5), 60.0, 1e-9);
    EXPECT_NEAR(atan2_deg(1, -1), 135.0, 1e-9);
    EXPECT_TRUE(std::isnan(square_root(-1)));
    EXPECT_EQ(power(2, 10), 1024.0);
    EXPECT_EQ(abs_value(-3.5), 3.5);

    EXPECT_EQ(int_mod(7, 0), 0.0);
    EXPECT_EQ(int_mod(7, 0.5), 0.0);
    EXPECT_EQ(int_mod(-7, 3), -1.0);
    EXPECT_EQ(int_mod(7, -3), 1.0);
    EXPECT_EQ(int_mod(7.9, 3.2), 1.0);
    EXPECT_EQ(int_mod(-7.9, -3.2), -1.0);
    // The smallest integer modulo -1 must not trap; huge operands saturate.
    EXPECT_EQ(int_mod(-2147483648.0, -1), 0.0);
    EXPECT_EQ(int_mod(1e20, 10), 7.0);  // 2147483647 % 10
    EXPECT_EQ(int_mod(std::nan(""), 3), 0.0);
}

// The whole degrees come from a table so that Windows computes what Linux does; on
// Linux the table must equal the C library bit for bit (a stale or mistyped entry
// would move a star), and either way the commands answer from it, negative angles
// included, and fall back to the library between whole degrees.
TEST(Numbers, WholeDegreesGiveTheSameSinesOnEverySystem) {
    constexpr double k = 0.017453292519943295;
    for (int d = 0; d < 360; ++d) {
#ifndef _WIN32
        EXPECT_EQ(degree_table::kSin[d], std::sin(d * k)) << d;
        EXPECT_EQ(degree_table::kCos[d], std::cos(d * k)) << d;
#endif
        EXPECT_EQ(sin_deg(d), degree_table::kSin[d]) << d;
        EXPECT_EQ(cos_deg(d), degree_table::kCos[d]) << d;
        EXPECT_EQ(sin_deg(-d), -degree_table::kSin[d]) << d;
        EXPECT_EQ(cos_deg(-d), degree_table::kCos[d]) << d;
    }
    EXPECT_TRUE(std::signbit(sin_deg(-0.0)));
    EXPECT_EQ(cos_deg(90), 0x1.1a62633145c07p-54);  // not 0: 90 degrees is not pi/2 exactly
    EXPECT_EQ(sin_deg(30.5), std::sin(30.5 * k));
    EXPECT_EQ(sin_deg(400), std::sin(400 * k));
}

TEST(RandomNumbers, BoundsAndDrawsThatConsumeNoState) {
    TestEngine te;
    seed_random(1234);
    const RandomGenerator before = random_generator();
    EXPECT_EQ(random_int(0), 0.0);
    EXPECT_EQ(random_int(-3), 0.0);
    EXPECT_EQ(random_int(std::nan("")), 0.0);
    // Nothing was drawn: the next draws are the ones a copy taken before gives.
    EXPECT_EQ(draws(random_generator(), 5), draws(before, 5));

    // 0.5 draws (the state moves on) but can only give 0.
    EXPECT_EQ(random_int(0.5), 0.0);
    EXPECT_NE(draws(random_generator(), 5), draws(before, 5));

    std::set<double> seen_one, seen_five;
    for (int i = 0; i < 400; ++i) {
        const double one = random_int(1);
        const double five = random_int(5.9);
        seen_one.insert(one);
        seen_five.insert(five);
        ASSERT_EQ(five, std::trunc(five));
    }
    EXPECT_EQ(seen_one, (std::set<double>{0, 1}));
    EXPECT_EQ(seen_five, (std::set<double>{0, 1, 2, 3, 4, 5}));
    // The largest bounds neither divide by zero nor leave the 32-bit range.
    for (double n : {4294967295.0, 4294967296.0, 1e300}) {
        const double r = random_int(n);
        EXPECT_GE(r, 0.0);
        EXPECT_LE(r, 4294967295.0);
    }
}

TEST(RandomNumbers, SameSeedSameSequenceAndDifferentSeedsDiffer) {
    TestEngine te;
    seed_random(42);
    std::vector<double> first;
    for (int i = 0; i < 50; ++i) first.push_back(random_int(1000000));
    seed_random(7);
    std::vector<double> other;
    for (int i = 0; i < 50; ++i) other.push_back(random_int(1000000));
    seed_random(42);
    std::vector<double> again;
    for (int i = 0; i < 50; ++i) again.push_back(random_int(1000000));
    EXPECT_EQ(first, again);
    EXPECT_NE(first, other);
    // Neighbouring seeds (start-up seeds from the clock) give unrelated sequences.
    RandomGenerator a, b;
    a.seed(1000);
    b.seed(1001);
    const auto da = draws(a, 20), db = draws(b, 20);
    int equal = 0;
    for (size_t i = 0; i < da.size(); ++i) equal += da[i] == db[i];
    EXPECT_EQ(equal, 0);
}

TEST(RandomNumbers, DrawsAreUniform) {
    TestEngine te;
    seed_random(20240601);
    constexpr int kBuckets = 60;
    constexpr int kDraws = 60000;
    std::vector<int> count(kBuckets, 0);
    for (int i = 0; i < kDraws; ++i) {
        const double r = random_int(kBuckets - 1);
        ASSERT_GE(r, 0);
        ASSERT_LT(r, kBuckets);
        ++count[static_cast<int>(r)];
    }
    // Chi-square with 59 degrees of freedom: 100 is beyond the 0.1% tail.
    const double expected = static_cast<double>(kDraws) / kBuckets;
    double chi = 0;
    for (int c : count) chi += (c - expected) * (c - expected) / expected;
    EXPECT_LT(chi, 100.0);
    // Every bit of the raw words is used about half of the time.
    RandomGenerator g;
    g.seed(99);
    std::vector<int> ones(32, 0);
    for (int i = 0; i < 4000; ++i) {
        const uint32_t w = g.next();
        for (int b = 0; b < 32; ++b) ones[b] += (w >> b) & 1;
    }
    for (int b = 0; b < 32; ++b) {
        EXPECT_GT(ones[b], 1800) << "bit " << b;
        EXPECT_LT(ones[b], 2200) << "bit " << b;
    }
}

TEST(Timers, FollowThePlatformClock) {
    TestEngine te;
    ASSERT_TRUE(te.start());
    const double t0 = timer_ms();
    EXPECT_GE(t0, 0.0);
    EXPECT_LT(t0, 50.0);
    sleep_ms(250.7);
    EXPECT_DOUBLE_EQ(timer_ms(), t0 + 250.0);
    sleep_ms(-40);
    sleep_ms(std::nan(""));
    EXPECT_DOUBLE_EQ(timer_ms(), t0 + 250.0);
    double last = timer_ms();
    for (int i = 0; i < 5; ++i) {
        sleep_ms(1);
        EXPECT_GT(timer_ms(), last);
        last = timer_ms();
    }
}

}  // namespace
}  // namespace zorby

namespace zorby {
namespace {

// The start-up seed is the clock's low 32 bits: past 2^32 ms of uptime (and past the
// 2^31 where a saturating conversion would stick) two starts 1 ms apart still play
// different sequences.
TEST(RandomNumbers, StartsAtAnyUptimeSeedDifferently) {
    constexpr double k2to32 = 4294967296.0;
    EXPECT_EQ(clock_seed(k2to32 + 5000.7), 5000u);
    EXPECT_EQ(clock_seed(2147483648.0 + 3.0), 2147483651u);
    EXPECT_EQ(clock_seed(-1.0), 4294967295u);  // two's complement low bits
    std::vector<std::vector<double>> sequences;
    for (double start : {k2to32 + 777.0, k2to32 + 778.0, 3.0 * k2to32 + 777.0}) {
        platform::DeterministicOptions options;
        options.start_ms = start;
        testing::TestEngine te(options);
        ASSERT_TRUE(te.start());
        std::vector<double> draws;
        for (int i = 0; i < 8; ++i) draws.push_back(random_int(1e9));
        sequences.push_back(draws);
    }
    EXPECT_NE(sequences[0], sequences[1]);
    EXPECT_EQ(sequences[0], sequences[2]);  // 2^33 ms later the low bits agree again
}

}  // namespace
}  // namespace zorby
