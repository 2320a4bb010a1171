// cryptString and decryptString at 1 KiB, 1 MiB and 16 MiB of text.
#include <benchmark/benchmark.h>

#include <string>

#include "crypt/string_crypt.h"
#include "frame/module_memory.h"

namespace kelvane::bench {
namespace {

std::string benchText(std::size_t size) {
    std::string text(size, 'a');
    for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>('a' + i % 26);
    return text;
}

void BM_cryptString(benchmark::State& state) {
    const std::string text = benchText(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        char* hex = cryptString(text.c_str(), "pass phrase");
        benchmark::DoNotOptimize(hex);
        moduleFree(hex);  // a host would keep it; the benchmark must not grow the heap
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * text.size());
}
BENCHMARK(BM_cryptString)->Arg(1 << 10)->Arg(1 << 20)->Arg(16 << 20);

void BM_decryptString(benchmark::State& state) {
    const std::string text = benchText(static_cast<std::size_t>(state.range(0)));
    char* hexBlock = cryptString(text.c_str(), "pass phrase");
    const std::string hex = hexBlock;
    moduleFree(hexBlock);
    for (auto _ : state) {
        char* plain = decryptString(hex.c_str(), "pass phrase");
        benchmark::DoNotOptimize(plain);
        moduleFree(plain);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * text.size());
}
BENCHMARK(BM_decryptString)->Arg(1 << 10)->Arg(1 << 20)->Arg(16 << 20);

}  // namespace
}  // namespace kelvane::bench
