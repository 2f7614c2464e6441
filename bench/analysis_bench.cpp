// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of the analysis per captured block. The counter "block_seconds" carries the
// duration of the block each call stands for; bench/report-analysis turns it into the
// share of one core that the analysis takes while measuring.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "analysis/fourier_transform.h"
#include "analysis/mains_hum_filter.h"

namespace {

std::vector<std::int16_t> GuitarLikeBlock(std::size_t count) {
  // A low E with a strong second and third harmonic, as a plucked string gives.
  std::vector<std::int16_t> block(count);
  for (std::size_t n = 0; n < count; ++n) {
    const double t = static_cast<double>(n) / 44100.0;
    const double w = 2 * kTransformPi * 82.41 * t;
    block[n] = static_cast<std::int16_t>(
        std::lround(4000 * std::sin(w) + 7000 * std::sin(2 * w + 0.4) + 5000 * std::sin(3 * w + 1.1)));
  }
  return block;
}

void SetBlockShare(benchmark::State& state, double blockSamples) {
  state.counters["block_seconds"] = blockSamples / 44100.0;
}

void BM_FFT(benchmark::State& state) {
  const auto M = static_cast<std::int32_t>(state.range(0));
  const auto frame = GuitarLikeBlock(static_cast<std::size_t>(M));
  const auto table = BitReversal(M);
  PitchAnalysis analysis;
  for (auto _ : state) {
    analysis.FFT(1, frame, table, 44100);
    benchmark::DoNotOptimize(analysis.PeakBinFrequency);
  }
  SetBlockShare(state, 2.0 * M);  // two frames make one block
}
BENCHMARK(BM_FFT)->Arg(512)->Arg(1024)->Arg(2048);

void BM_DominantFrequency(benchmark::State& state) {
  const auto N = static_cast<std::size_t>(state.range(0));
  auto buffer = GuitarLikeBlock(N);
  buffer.resize(2 * N, 0);
  const auto table = BitReversal(static_cast<std::int32_t>(N / 2));
  PitchAnalysis analysis;
  std::string caption;
  analysis.SetTuningCaption = [&](const std::string& text) { caption = text; };
  for (auto _ : state) benchmark::DoNotOptimize(analysis.DominantFrequency(buffer, table, 44100));
  SetBlockShare(state, static_cast<double>(N));
}
BENCHMARK(BM_DominantFrequency)->Arg(1024)->Arg(2048)->Arg(4096);

// The hum filter on the same blocks, with 50 Hz hum added (second argument 1) or without:
// with hum it learns, works the hum out, finds it and subtracts it on every call.
void BM_MainsHumFilter(benchmark::State& state) {
  const auto N = static_cast<std::size_t>(state.range(0));
  auto original = GuitarLikeBlock(N);
  if (state.range(1) != 0)
    for (std::size_t n = 0; n < N; ++n)
      original[n] = static_cast<std::int16_t>(
          original[n] + std::lround(2000 * std::sin(2 * kTransformPi * 50.0 * static_cast<double>(n) / 44100.0)));
  std::vector<std::int16_t> block(N);
  MainsHumFilter filter(44100);
  std::uint64_t position = 0;
  for (auto _ : state) {
    block = original;
    filter.Remove(block.data(), N, position);
    position += N;
    benchmark::DoNotOptimize(block.data());
  }
  SetBlockShare(state, static_cast<double>(N));
}
BENCHMARK(BM_MainsHumFilter)->ArgsProduct({{1024, 2048, 4096}, {0, 1}});

}  // namespace
