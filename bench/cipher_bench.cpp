// cipherBuffer on one CHUNK_LIMIT chunk, for each algorithm, in each direction.
#include <benchmark/benchmark.h>

#include "bench_data.h"

namespace kelvane::bench {
namespace {

void runCipherBuffer(benchmark::State& state, std::uint16_t direction) {
    const auto algorithm = static_cast<std::int32_t>(state.range(0));
    auto chunk = randomChunk();
    for (auto _ : state) {
        cipherBuffer(chunk.data(), static_cast<std::uint16_t>(chunk.size()), algorithm, benchKey(), direction);
        benchmark::DoNotOptimize(chunk.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * chunk.size());
}

void BM_cipherBuffer(benchmark::State& state) { runCipherBuffer(state, CIPHER_ENCRYPT); }
BENCHMARK(BM_cipherBuffer)->ArgName("alg")->Arg(ALG_IDEA)->Arg(ALG_MD5_WIDE)->Arg(ALG_DES)->Arg(ALG_XOR);

void BM_cipherBufferDecrypt(benchmark::State& state) { runCipherBuffer(state, CIPHER_DECRYPT); }
BENCHMARK(BM_cipherBufferDecrypt)->ArgName("alg")->Arg(ALG_IDEA)->Arg(ALG_MD5_WIDE)->Arg(ALG_DES);

}  // namespace
}  // namespace kelvane::bench
