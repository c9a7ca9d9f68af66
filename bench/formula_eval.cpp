// Evaluation speed of the virtual channels: the compiled formula (exact 12-decimal rounding of
// every sub-result) beside muparser (no rounding) on the same formulas and values, and one
// week of one-second samples through four channels.
#include "data/virtual_channel.h"
#include "formula/decimal_round.h"
#include "formula/formula_program.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <random>
#include <string>
#include <vector>

#ifdef QOR_HAVE_MUPARSER
#include <muParser.h>
#endif

namespace {

// The machine is shared: the fastest of the repetitions is the figure to compare.
double Min(const std::vector<double>& v)
{
    return v.empty() ? 0.0 : *std::min_element(v.begin(), v.end());
}

const char* const kFormulas[] = {"y*z+1", "ln(y)/2", "(y-z)*100/z", "2*asin(y/100)-z^2"};
constexpr std::size_t kValues = 4096;

struct Values {
    std::vector<double> y, z;
    Values()
    {
        std::mt19937_64 rng(1);
        std::uniform_real_distribution<double> uy(0.5, 99.5);
        std::uniform_real_distribution<double> uz(0.5, 60.0);
        for (std::size_t i = 0; i < kValues; ++i) {
            y.push_back(uy(rng));
            z.push_back(uz(rng));
        }
    }
};
const Values& TestValues()
{
    static const Values v;
    return v;
}

void BM_Compiled(benchmark::State& state)
{
    const Values& v = TestValues();
    qor::formula::FormulaProgram p(kFormulas[state.range(0)]);
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(p.Evaluate(v.y[i], v.z[i]));
        i = (i + 1) & (kValues - 1);
    }
    state.SetLabel(kFormulas[state.range(0)]);
}
BENCHMARK(BM_Compiled)->DenseRange(0, 3)->Repetitions(5)->ComputeStatistics("min", Min);

// The way the export and the graph evaluate: a block of values at a time.
void BM_CompiledMany(benchmark::State& state)
{
    const Values& v = TestValues();
    qor::formula::FormulaProgram p(kFormulas[state.range(0)]);
    std::vector<double> out(kValues);
    for (auto _ : state) {
        p.EvaluateMany(v.y.data(), v.z.data(), out.data(), kValues);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kValues));
    state.SetLabel(kFormulas[state.range(0)]);
}
BENCHMARK(BM_CompiledMany)->DenseRange(0, 3)->Repetitions(5)->ComputeStatistics("min", Min);

#ifdef QOR_HAVE_MUPARSER
void BM_MuParser(benchmark::State& state)
{
    const Values& v = TestValues();
    double y = 0.0, z = 0.0;
    mu::Parser parser;
    parser.DefineVar("y", &y);
    parser.DefineVar("z", &z);
    parser.DefineFun("ln", static_cast<double (*)(double)>([](double x) { return std::log(x); }));
    parser.SetExpr(kFormulas[state.range(0)]);
    std::size_t i = 0;
    for (auto _ : state) {
        y = v.y[i];
        z = v.z[i];
        benchmark::DoNotOptimize(parser.Eval());
        i = (i + 1) & (kValues - 1);
    }
    state.SetLabel(kFormulas[state.range(0)]);
}
BENCHMARK(BM_MuParser)->DenseRange(0, 3)->Repetitions(5)->ComputeStatistics("min", Min);
#endif

// The literal route: substitute, parse and rewrite the text for every value.
void BM_TextEveryValue(benchmark::State& state)
{
    const Values& v = TestValues();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            qor::data::EvaluateVirtualChannel(kFormulas[state.range(0)], v.y[i], v.z[i]));
        i = (i + 1) & (kValues - 1);
    }
    state.SetLabel(kFormulas[state.range(0)]);
}
BENCHMARK(BM_TextEveryValue)->DenseRange(0, 3)->Repetitions(5)->ComputeStatistics("min", Min);

// One week of one-second samples, all four virtual channels: the goal is 0.5 s.
void BM_WeekFourChannels(benchmark::State& state)
{
    const Values& v = TestValues();
    qor::data::VirtualChannels channels;
    for (int k = 0; k < 4; ++k)
        channels.SetFormula(k, kFormulas[k]);
    constexpr std::size_t kSamples = 604800;
    const bool block = state.range(0) != 0;
    std::vector<double> out(kValues);
    for (auto _ : state) {
        double sum = 0.0;
        if (block) {
            for (std::size_t s = 0; s < kSamples; s += kValues)
                for (std::uint8_t k = 0; k < 4; ++k) {
                    const std::size_t n = std::min(kValues, kSamples - s);
                    channels.EvaluateMany(k, v.y.data(), v.z.data(), out.data(), n);
                    sum += out[0];
                }
        } else {
            for (std::size_t s = 0; s < kSamples; ++s) {
                const std::size_t i = s & (kValues - 1);
                for (std::uint8_t k = 0; k < 4; ++k)
                    sum += channels.EvaluateVirtualChannel(v.y[i], v.z[i], k);
            }
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetLabel(block ? "blocks of 4096" : "one value at a time");
}
BENCHMARK(BM_WeekFourChannels)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ComputeStatistics("min", Min);

}  // namespace

BENCHMARK_MAIN();
namespace {
void BM_Round12(benchmark::State& state)
{
    const Values& v = TestValues();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(qor::formula::RoundToDecimals(v.y[i] * v.z[i], 12));
        i = (i + 1) & (kValues - 1);
    }
}
BENCHMARK(BM_Round12);
}  // namespace
