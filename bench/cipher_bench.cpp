// Blowfish block throughput and key set-up beside OpenSSL's BF_ecb_encrypt / BF_set_key, and
// a whole EncryptText call of the size the hiscore file uses (9 characters, two blocks).
// Goals: blocks at least as fast as OpenSSL, key set-up within 1.2x of it.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/blowfish.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "core/cipher.h"

namespace {

constexpr std::size_t kBufferBytes = 64 * 1024;
constexpr std::uint8_t kKey[16] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef,
                                   0xfe, 0xdc, 0xba, 0x98, 0x76, 0x54, 0x32, 0x10};

std::vector<std::uint8_t> testBuffer() {
    std::vector<std::uint8_t> buffer(kBufferBytes);
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        buffer[i] = static_cast<std::uint8_t>(i * 131);
    }
    return buffer;
}

void BM_QvtEcbBlocks(benchmark::State& state) {
    const qvt::Blowfish cipher(kKey, sizeof kKey);
    auto buffer = testBuffer();
    for (auto _ : state) {
        cipher.encryptBlocks(buffer.data(), buffer.size() / 8);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBufferBytes));
}
BENCHMARK(BM_QvtEcbBlocks);

// One call per block on its halves, the same call pattern as OpenSSL's below.
void BM_QvtEncryptBlockCalls(benchmark::State& state) {
    const qvt::Blowfish cipher(kKey, sizeof kKey);
    std::vector<std::uint32_t> words(kBufferBytes / 4, 0x9e3779b9u);
    for (auto _ : state) {
        for (std::size_t i = 0; i < words.size(); i += 2) {
            cipher.encryptBlock(words[i], words[i + 1]);
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBufferBytes));
}
BENCHMARK(BM_QvtEncryptBlockCalls);

void BM_OpenSslEcbBlocks(benchmark::State& state) {
    BF_KEY key;
    BF_set_key(&key, sizeof kKey, kKey);
    auto buffer = testBuffer();
    for (auto _ : state) {
        for (std::size_t at = 0; at < buffer.size(); at += 8) {
            BF_ecb_encrypt(buffer.data() + at, buffer.data() + at, &key, BF_ENCRYPT);
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBufferBytes));
}
BENCHMARK(BM_OpenSslEcbBlocks);

// OpenSSL's raw block call on host-order halves, without BF_ecb_encrypt's byte packing.
void BM_OpenSslEncryptHalves(benchmark::State& state) {
    BF_KEY key;
    BF_set_key(&key, sizeof kKey, kKey);
    std::vector<BF_LONG> words(kBufferBytes / 4, 0x9e3779b9u);
    for (auto _ : state) {
        for (std::size_t i = 0; i < words.size(); i += 2) BF_encrypt(&words[i], &key);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBufferBytes));
}
BENCHMARK(BM_OpenSslEncryptHalves);

void BM_QvtSetKey(benchmark::State& state) {
    qvt::Blowfish cipher;
    for (auto _ : state) {
        cipher.setKey(kKey, sizeof kKey);
        benchmark::DoNotOptimize(cipher);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_QvtSetKey);

void BM_OpenSslSetKey(benchmark::State& state) {
    BF_KEY key;
    for (auto _ : state) {
        BF_set_key(&key, sizeof kKey, kKey);
        benchmark::DoNotOptimize(key);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_OpenSslSetKey);

void BM_EncryptText9(benchmark::State& state) {
    const qvt::RuntimeString key("m4rq7e2dw");
    const qvt::RuntimeString text("ORVELSOFT");
    for (auto _ : state) benchmark::DoNotOptimize(qvt::EncryptText(key, text));
}
BENCHMARK(BM_EncryptText9);

}  // namespace
