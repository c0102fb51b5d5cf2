// Kernel benchmarks timed by the CPU time of the thread that runs them, so that other work on the
// machine weighs less on the figures than wall-clock time would.
#pragma once

#include <benchmark/benchmark.h>

#include <ctime>

namespace ulka::bench {

inline double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Runs `body` once per iteration and reports its thread CPU time as the iteration time (for
// benchmarks registered with UseManualTime).
template <class Body>
void TimeByCpu(benchmark::State& state, Body&& body) {
  for (auto _ : state) {
    const double start = ThreadCpuSeconds();
    body();
    state.SetIterationTime(ThreadCpuSeconds() - start);
  }
}

}  // namespace ulka::bench
