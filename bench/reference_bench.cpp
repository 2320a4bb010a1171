// The reference libraries on the same chunk: OpenSSL's DES_ecb_encrypt (one call per
// block, its public API), the same followed by OpenSSL's hex text (what cryptString
// does, on 16 MiB), three OpenSSL MD5_Transform calls per 32 bytes (the bound of
// the MD5-based block), and Crypto++'s IDEA in bulk ECB.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <benchmark/benchmark.h>
#include <cryptopp/idea.h>
#include <cryptopp/modes.h>
#include <openssl/crypto.h>
#include <openssl/des.h>
#include <openssl/md5.h>

#include "bench_data.h"

namespace kelvane::bench {
namespace {

void BM_reference_openssl_DES_ecb_encrypt(benchmark::State& state) {
    auto chunk = randomChunk();
    DES_cblock key;
    std::copy(benchKey(), benchKey() + 8, key);
    DES_key_schedule schedule;
    DES_set_key_unchecked(&key, &schedule);
    for (auto _ : state) {
        for (std::size_t offset = 0; offset < chunk.size(); offset += 8) {
            auto* block = reinterpret_cast<DES_cblock*>(chunk.data() + offset);
            DES_ecb_encrypt(block, block, &schedule, DES_ENCRYPT);
        }
        benchmark::DoNotOptimize(chunk.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * chunk.size());
}
BENCHMARK(BM_reference_openssl_DES_ecb_encrypt);

// cryptString's work done with OpenSSL: copy the text, encipher it block by block with
// DES_ecb_encrypt, write it as hex (upper case, no separator) into a buffer made once.
void BM_reference_openssl_DES_hex(benchmark::State& state) {
    const auto text = randomChunk(static_cast<std::size_t>(state.range(0)));
    std::vector<std::uint8_t> bytes(text.size());
    std::vector<char> hex(2 * text.size() + 1);
    DES_cblock key;
    std::copy(benchKey(), benchKey() + 8, key);
    DES_key_schedule schedule;
    DES_set_key_unchecked(&key, &schedule);
    for (auto _ : state) {
        std::copy(text.begin(), text.end(), bytes.begin());
        for (std::size_t offset = 0; offset < bytes.size(); offset += 8) {
            auto* block = reinterpret_cast<DES_cblock*>(bytes.data() + offset);
            DES_ecb_encrypt(block, block, &schedule, DES_ENCRYPT);
        }
        std::size_t written = 0;
        OPENSSL_buf2hexstr_ex(hex.data(), hex.size(), &written, bytes.data(), bytes.size(), '\0');
        benchmark::DoNotOptimize(hex.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * text.size());
}
BENCHMARK(BM_reference_openssl_DES_hex)->Arg(16 << 20);

void BM_reference_openssl_MD5_Transform_x3(benchmark::State& state) {
    auto chunk = randomChunk();
    unsigned char block[64] = {};
    MD5_CTX context;
    MD5_Init(&context);
    for (auto _ : state) {
        for (std::size_t offset = 0; offset < chunk.size(); offset += 32) {
            std::copy(chunk.data() + offset, chunk.data() + offset + 16, block);
            for (int h = 0; h < 3; ++h) MD5_Transform(&context, block);
        }
        benchmark::DoNotOptimize(context.A);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * chunk.size());
}
BENCHMARK(BM_reference_openssl_MD5_Transform_x3);

void BM_reference_cryptopp_IDEA_ecb(benchmark::State& state) {
    auto chunk = randomChunk();
    CryptoPP::ECB_Mode<CryptoPP::IDEA>::Encryption idea(benchKey(), 16);
    for (auto _ : state) {
        idea.ProcessData(chunk.data(), chunk.data(), chunk.size());
        benchmark::DoNotOptimize(chunk.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * chunk.size());
}
BENCHMARK(BM_reference_cryptopp_IDEA_ecb);

}  // namespace
}  // namespace kelvane::bench
