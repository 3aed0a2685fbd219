// Numbers, random values and timers: the numeric commands of the engine.
#include "engine/numbers.h"

#include <cmath>
#include <memory>

#include "engine/degree_table.h"
#include "engine/engine_core.h"

namespace zorby {

namespace {

constexpr double kRadiansPerDegree = 0.017453292519943295;
constexpr double kDegreesPerRadian = 57.29577951308232;
constexpr uint32_t kGoldenRatio = 0x9e3779b9u;

// The eight-word mixing function of the generator's seeding.
void mix(std::array<uint32_t, 8>& w) {
    uint32_t &a = w[0], &b = w[1], &c = w[2], &d = w[3], &e = w[4], &f = w[5], &g = w[6], &h = w[7];
    a ^= b << 11;
    d += a;
    b += c;
    b ^= c >> 2;
    e += b;
    c += d;
    c ^= d << 8;
    f += c;
    d += e;
    d ^= e >> 16;
    g += d;
    e += f;
    e ^= f << 10;
    h += e;
    f += g;
    f ^= g >> 4;
    a += f;
    g += h;
    g ^= h << 8;
    b += g;
    h += a;
    h ^= a >> 9;
    c += h;
    a += b;
}

}  // namespace

// ---- random generator ----

RandomGenerator::RandomGenerator() {
    seed(0);
}

void RandomGenerator::generate() {
    uint32_t a = aa_;
    uint32_t b = bb_ + (++cc_);
    for (int i = 0; i < 256; ++i) {
        switch (i & 3) {
            case 0:
                a ^= a << 13;
                break;
            case 1:
                a ^= a >> 6;
                break;
            case 2:
                a ^= a << 2;
                break;
            default:
                a ^= a >> 16;
                break;
        }
        const uint32_t x = memory_[i];
        a += memory_[(i + 128) & 255];
        const uint32_t y = memory_[(x >> 2) & 255] + a + b;
        memory_[i] = y;
        b = memory_[(y >> 10) & 255] + x;
        result_[i] = b;
    }
    aa_ = a;
    bb_ = b;
}

uint32_t RandomGenerator::next() {
    generate();
    return result_[0];
}

void RandomGenerator::seed(uint32_t s) {
    // The result array is cleared too, so a seed alone decides the sequence.
    result_.fill(0);
    memory_.fill(0);
    aa_ = bb_ = cc_ = 0;
    std::array<uint32_t, 8> w;
    w.fill(kGoldenRatio);
    for (int g = 0; g < 256; g += 8) {
        w[0] += s;
        mix(w);
        for (int n = 0; n < 8; ++n) memory_[g + n] = w[n];
    }
    for (int n = 0; n < 4; ++n) mix(w);
    for (const auto* source : {&result_, &memory_}) {
        for (int g = 0; g < 256; g += 8) {
            for (int n = 0; n < 8; ++n) w[n] += (*source)[g + n];
            mix(w);
            for (int n = 0; n < 8; ++n) memory_[g + n] = w[n];
        }
    }
    next();  // the first draw after seeding is discarded
}

RandomGenerator& random_generator() {
    EngineCore& e = engine_core();
    if (!e.random) e.random = std::make_unique<RandomGenerator>();
    return *e.random;
}

uint32_t clock_seed(double clock_ms) {
    if (!std::isfinite(clock_ms)) return 0;
    double whole = std::fmod(std::trunc(clock_ms), 4294967296.0);
    if (whole < 0) whole += 4294967296.0;
    return static_cast<uint32_t>(whole);
}

void seed_random(uint32_t seed) {
    random_generator().seed(seed);
}

double random_int(double n) {
    if (!(n > 0)) return 0.0;  // no draw: the generator is left untouched
    const uint32_t r = random_generator().next();
    // k + 1 is computed in 64 bits so the largest bounds cannot divide by zero.
    const uint64_t k = n >= 4294967295.0 ? 4294967295u : static_cast<uint64_t>(n);
    return static_cast<double>(r % (k + 1));
}

// ---- arithmetic ----

int32_t truncate_int32(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return 2147483647;
    if (v <= -2147483648.0) return static_cast<int32_t>(-2147483647 - 1);
    return static_cast<int32_t>(v);
}

// Whole degrees (the game's star bursts turn by them) come from a table of the values
// Linux's C library gives, so that every system computes the same positions: other
// C libraries' sin and cos differ from it in the last bit for some angles (and by far
// more near multiples of 90 degrees).
double sin_deg(double x) {
    if (x == std::trunc(x) && x > -360 && x < 360) {
        const double s = degree_table::kSin[static_cast<int>(std::abs(x))];
        return std::signbit(x) ? -s : s;
    }
    return std::sin(x * kRadiansPerDegree);
}
double cos_deg(double x) {
    if (x == std::trunc(x) && x > -360 && x < 360) {
        return degree_table::kCos[static_cast<int>(std::abs(x))];
    }
    return std::cos(x * kRadiansPerDegree);
}
double tan_deg(double x) {
    return std::tan(x * kRadiansPerDegree);
}

double asin_deg(double x) {
    if (x >= 1) return 90.0;
    if (x <= -1) return -90.0;
    return std::asin(x) * kDegreesPerRadian;
}

double acos_deg(double x) {
    if (x >= 1) return 0.0;
    if (x <= -1) return 180.0;
    return std::acos(x) * kDegreesPerRadian;
}

double atan2_deg(double y, double x) {
    return std::atan2(y, x) * kDegreesPerRadian;
}
double square_root(double x) {
    return std::sqrt(x);
}
double power(double x, double y) {
    return std::pow(x, y);
}
double abs_value(double x) {
    return x < 0 ? -x : x;
}

double int_mod(double a, double b) {
    const int64_t ia = truncate_int32(a);
    const int64_t ib = truncate_int32(b);
    if (ib == 0) return 0.0;
    // In 64 bits: the smallest int32 modulo -1 cannot trap.
    return static_cast<double>(ia % ib);
}

// ---- clock ----

double timer_ms() {
    return clock_ms() - engine_core().clock_base;
}

void sleep_ms(double ms) {
    // NaN sleeps no time (as it always has); a sleep longer than the limit would hold
    // the program without a word.
    if (ms > kLongestWaitMs)
        bad_argument("sleep_ms", "ms", ms, "at most 3600000 milliseconds wanted");
    const int32_t wait = truncate_int32(ms);
    engine_core().platform->clock().sleep_ms(wait > 0 ? wait : 0);
}

}  // namespace zorby
