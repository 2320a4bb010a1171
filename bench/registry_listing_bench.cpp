// ReadSubKeys on a key of 1,000 to 100,000 subkeys, beside the same listing done with
// hivex directly (open the hive, walk to the key, read every child's name). Both read
// the same hive file, written once per size before its first run.
#include <benchmark/benchmark.h>
#include <hivex.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "frame/module_memory.h"
#include "registry/registry_exports.h"
#include "hive_builder.h"

namespace kelvane::bench {
namespace {

constexpr const char* WIDE_KEY = "SOFTWARE\\Wide";

// A hive whose root holds one key, Wide, with `count` subkeys named "Key" and seven
// digits, so that their order is the order Windows sorts them.
std::vector<std::uint8_t> wideHive(std::size_t count) {
    tools::HiveImage hive;
    const std::uint32_t wide = hive.addKey(hive.root(), "Wide");
    for (std::size_t i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Key%07zu", i);
        hive.addKey(wide, name);
    }
    return hive.bytes();
}

// The folder that KELVANE_HKLM names for a size, holding a SOFTWARE hive of that width.
std::string hiveFolderFor(std::size_t count) {
    static std::map<std::size_t, std::string> folders;
    auto found = folders.find(count);
    if (found != folders.end()) return found->second;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("kelvane-bench-hklm-" + std::to_string(count));
    std::filesystem::create_directories(folder);
    const std::vector<std::uint8_t> image = wideHive(count);
    std::ofstream(folder / "SOFTWARE", std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    return folders[count] = folder.string();
}

void BM_ReadSubKeys(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    setenv("KELVANE_HKLM", hiveFolderFor(count).c_str(), 1);
    for (auto _ : state) {
        char* list = ReadSubKeys(WIDE_KEY);
        if (list == nullptr) {
            state.SkipWithError("ReadSubKeys gave null");
            break;
        }
        benchmark::DoNotOptimize(list[0]);
        moduleFree(list);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * count));
}

void BM_HivexListing(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    const std::string file = hiveFolderFor(count) + "/SOFTWARE";
    for (auto _ : state) {
        hive_h* hive = hivex_open(file.c_str(), 0);
        if (hive == nullptr) {
            state.SkipWithError("hivex cannot open the hive");
            break;
        }
        const hive_node_h key = hivex_node_get_child(hive, hivex_root(hive), "Wide");
        hive_node_h* children = hivex_node_children(hive, key);
        std::size_t bytes = 0;
        for (hive_node_h* child = children; child != nullptr && *child != 0; ++child) {
            char* name = hivex_node_name(hive, *child);
            bytes += std::strlen(name);
            std::free(name);
        }
        benchmark::DoNotOptimize(bytes);
        std::free(children);
        hivex_close(hive);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * count));
}

// Most subkeys hivex reads in one key (HIVEX_MAX_SUBKEYS): it refuses a wider key outright.
constexpr int HIVEX_SUBKEY_LIMIT = 70000;

// Subkey counts listed: from a small key to the widest hivex reads.
void widths(benchmark::internal::Benchmark* b) {
    for (int count : {1000, 3000, 10000, 30000, HIVEX_SUBKEY_LIMIT}) b->Arg(count);
    b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_ReadSubKeys)->Apply(widths);
BENCHMARK(BM_HivexListing)->Apply(widths);

}  // namespace
}  // namespace kelvane::bench
