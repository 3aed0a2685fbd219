// Per-call costs of the value commands the game pays every frame: building the score
// text ("Score: " + number), printing a number, a checked array read, and a random
// draw (Time attack draws about 60 per frame; each draw runs a full generation step).
//
//   bench_values [--benchmark_filter=...]      (build with -DCMAKE_BUILD_TYPE=Release)
#include <benchmark/benchmark.h>

#include "engine/engine_array.h"
#include "engine/engine_string.h"
#include "engine/numbers.h"
#include "runtime/engine.h"

namespace {

using namespace zorby;

// The score as a double (as the game keeps it) and as a whole number.
template <typename Score>
void BM_ScoreText(benchmark::State& state) {
    Score score = 12345;
    for (auto _ : state) {
        EngineString text = EngineString("Score: ") + score;
        benchmark::DoNotOptimize(text.text());
        score += 25;
    }
}
BENCHMARK(BM_ScoreText<double>);
BENCHMARK(BM_ScoreText<int32_t>);

void BM_NumberText(benchmark::State& state) {
    double value = 1.0 / 3.0;
    for (auto _ : state) {
        EngineString text = from_number(value);
        benchmark::DoNotOptimize(text.text());
        value += 1.25;
    }
}
BENCHMARK(BM_NumberText);

void BM_FormatNumber(benchmark::State& state) {
    double value = 59.5;
    for (auto _ : state) {
        EngineString text = format_number(6, 1, value);
        benchmark::DoNotOptimize(text.text());
        value -= 0.0166;
    }
}
BENCHMARK(BM_FormatNumber);

void BM_CheckedArrayRead(benchmark::State& state) {
    NumberArray holes;
    dim_numbers(holes, 100);
    for (int i = 0; i < 100; ++i) number_at(holes, i) = i;
    int32_t i = 0;
    double sum = 0;
    for (auto _ : state) {
        sum += number_at(holes, i);
        i = (i + 7) % 30;
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_CheckedArrayRead);

void BM_CheckedArrayRead2D(benchmark::State& state) {
    NumberArray map;
    dim_numbers(map, 64, 48);
    int32_t x = 0, y = 0;
    double sum = 0;
    for (auto _ : state) {
        sum += number_at(map, x, y);
        x = (x + 5) & 63;
        y = (y + 3) % 48;
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_CheckedArrayRead2D);

void BM_RandomInt(benchmark::State& state) {
    double sum = 0;
    for (auto _ : state) {
        sum += random_int(29);
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_RandomInt);

void BM_TextCompare(benchmark::State& state) {
    const EngineString a("ANNA"), b("ANNE");
    double n = 0;
    for (auto _ : state) {
        n += (a < b) + (a == "ANNA") + (a == 12);
        benchmark::DoNotOptimize(n);
    }
}
BENCHMARK(BM_TextCompare);

}  // namespace

int main(int argc, char** argv) {
    // The random draws use the engine's generator; no window or device is needed.
    Engine engine_object;
    set_current_engine(&engine_object);
    seed_random(12345);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    set_current_engine(nullptr);
    return 0;
}
