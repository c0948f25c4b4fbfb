// Renders a million numbers through each route of the style table and counts
// heap allocations per rendered number (expected 0: text is appended into the
// caller's reused string).
#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "numfmt/date_time_pattern.h"
#include "numfmt/general_format.h"
#include "numfmt/number_pattern.h"
#include "numfmt/regional_settings.h"
#include "xls/style_table.h"

namespace {

std::atomic<std::size_t> g_allocations{0};

}  // namespace

// Counting replacements of the global allocation functions. GCC pairs the
// malloc inside operator new with the free inside operator delete and warns of
// a mismatch that is not there.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace tabulox {
namespace {

constexpr std::size_t kValues = 1'000'000;

const std::vector<double>& Numbers() {
  static const std::vector<double> values = [] {
    std::mt19937_64 random(1);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-6, 12);
    std::vector<double> v(kValues);
    for (double& x : v) x = mantissa(random) * std::pow(10.0, exponent(random));
    return v;
  }();
  return values;
}

const std::vector<double>& Serials() {
  static const std::vector<double> values = [] {
    std::mt19937_64 random(2);
    std::uniform_real_distribution<double> serial(1.0, 60000.0);
    std::vector<double> v(kValues);
    for (double& x : v) x = serial(random);
    return v;
  }();
  return values;
}

template <typename Render>
void RenderAll(benchmark::State& state, const std::vector<double>& values, Render render) {
  SetRegionalSettings(RegionalSettings{});
  std::string out;
  out.reserve(512);
  std::size_t bytes = 0;
  std::size_t allocations = 0;
  for (auto _ : state) {
    const std::size_t before = g_allocations.load(std::memory_order_relaxed);
    for (double value : values) {
      out.clear();
      render(value, out);
      bytes += out.size();
    }
    allocations += g_allocations.load(std::memory_order_relaxed) - before;
    benchmark::DoNotOptimize(out.data());
  }
  const auto items = static_cast<double>(state.iterations() * values.size());
  state.SetItemsProcessed(static_cast<std::int64_t>(items));
  state.counters["ns_per_number"] = benchmark::Counter(
      static_cast<double>(state.iterations() * values.size()),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["allocs_per_number"] = static_cast<double>(allocations) / items;
  state.counters["bytes_per_number"] = static_cast<double>(bytes) / items;
}

void BM_General(benchmark::State& state) {
  RenderAll(state, Numbers(), [](double v, std::string& out) { AppendGeneral(v, out); });
}

// Number and date codes are read once, as the style table reads each slot's
// code; the loops measure rendering alone.
void BM_NumberPattern(benchmark::State& state) {
  static const NumberPattern pattern("#,##0.00");
  RenderAll(state, Numbers(), [](double v, std::string& out) { pattern.Append(v, out); });
}

void BM_Scientific(benchmark::State& state) {
  static const NumberPattern pattern("0.00E+00");
  RenderAll(state, Numbers(), [](double v, std::string& out) { pattern.Append(v, out); });
}

void BM_Percent(benchmark::State& state) {
  static const NumberPattern pattern("0.00%");
  RenderAll(state, Numbers(), [](double v, std::string& out) {
    pattern.Append(static_cast<long double>(v) * 100.0L, out);
  });
}

void BM_DateTime(benchmark::State& state) {
  static const DateTimeTokens tokens("yyyy-mm-dd hh:mm:ss");
  RenderAll(state, Serials(), [](double v, std::string& out) {
    tokens.Append(v, DateSystem::k1900, out);
  });
}

void BM_DateTimeNames(benchmark::State& state) {
  static const DateTimeTokens tokens("dddd, mmmm d, yyyy h:mm AM/PM");
  RenderAll(state, Serials(), [](double v, std::string& out) {
    tokens.Append(v, DateSystem::k1900, out);
  });
}

// Reading a code and rendering one value through it, as FormatNumberPattern
// does for callers outside the style table.
void BM_NumberPatternReadEachTime(benchmark::State& state) {
  RenderAll(state, Numbers(),
            [](double v, std::string& out) { FormatNumberPattern("#,##0.00", v, out); });
}

// The whole route of a cell: XF lookup, slot, kind, interpreter.
void BM_RenderNumberPercentXf(benchmark::State& state) {
  static StyleTable styles = [] {
    StyleTable s;
    InitStyleData(s);
    XfEntry xf;
    xf.formatIndex = 10;
    AddXF(s, xf);
    return s;
  }();
  RenderAll(state, Numbers(),
            [](double v, std::string& out) { RenderNumber(styles, 0, v, out); });
}

BENCHMARK(BM_General)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NumberPattern)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NumberPatternReadEachTime)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Scientific)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Percent)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DateTime)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DateTimeNames)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderNumberPercentXf)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tabulox

BENCHMARK_MAIN();
