// cryptFile on a 256 MiB file; the file is written afresh (untimed) before each call.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_data.h"
#include "crypt/file_crypt.h"

namespace kelvane::bench {
namespace {

constexpr std::size_t FILE_SIZE = std::size_t{256} << 20;

void writeBenchFile(const std::string& path) {
    const auto chunk = randomChunk(1 << 20);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return;
    for (std::size_t written = 0; written < FILE_SIZE; written += chunk.size()) {
        std::fwrite(chunk.data(), 1, chunk.size(), file);
    }
    std::fclose(file);
}

void BM_cryptFile256MiB(benchmark::State& state) {
    const std::string path =
        (std::filesystem::temp_directory_path() / "kelvane-bench-file.bin").string();
    for (auto _ : state) {
        state.PauseTiming();
        writeBenchFile(path);
        state.ResumeTiming();
        const int result = cryptFile(path.c_str());
        if (result != FILE_ENCRYPTED) {
            state.SkipWithError("cryptFile did not encipher");
            break;
        }
    }
    std::remove(path.c_str());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * FILE_SIZE);
}
BENCHMARK(BM_cryptFile256MiB)->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kelvane::bench
