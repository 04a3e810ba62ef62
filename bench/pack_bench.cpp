// Cost of one media lookup in a pack of 1000 entries appended to a file: the disk check,
// opening the pack, the index, reading and unpacking a small entry and handing it out as
// a memory file. Also the first lookup after SetMediaPacks, which reads the directory.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "files/pack.h"
#include "files/resolver.h"
#include "platform/tempdir.h"

namespace {

constexpr int kEntries = 1000;

// Writes the pack once per process and deletes it at exit.
class BenchPack {
public:
    BenchPack() {
        std::vector<qvt::PackFile> files;
        for (int i = 0; i < kEntries; ++i) {
            qvt::PackFile f;
            f.name = "pell/set" + std::to_string(i % 10) + "/sprite" + std::to_string(i) + ".png";
            for (int b = 0; b < 256; ++b) f.data.push_back(static_cast<std::uint8_t>((b * 7 + i) & 0xFF));
            files.push_back(std::move(f));
        }
        std::vector<std::uint8_t> pack(4096, 0x90);  // stands in for the executable
        std::vector<std::uint8_t> bytes;
        std::string error;
        if (!qvt::BuildMediaPack(files, qvt::PackFormat::Lzo, bytes, error)) std::abort();
        pack.insert(pack.end(), bytes.begin(), bytes.end());
        path_ = qvt::platform::privateTempDir() + "pack_bench.pak";
        FILE* f = std::fopen(path_.c_str(), "wb");
        if (f == nullptr || std::fwrite(pack.data(), 1, pack.size(), f) != pack.size()) std::abort();
        std::fclose(f);
    }
    ~BenchPack() { std::remove(path_.c_str()); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

const BenchPack& benchPack() {
    static const BenchPack pack;
    return pack;
}

void BM_PackLookup(benchmark::State& state) {
    qvt::SetMediaPacks(qvt::RuntimeString(std::string_view(benchPack().path())), "");
    const qvt::RuntimeString name("Media/pell/set7/sprite537.png");
    qvt::RuntimeString out;
    for (auto _ : state) {
        if (!qvt::ResolveMediaFile(qvt::kMediaResolver, name, out, true)) state.SkipWithError("not found");
        benchmark::DoNotOptimize(out.c_str());
    }
    qvt::ReleaseMediaResolvers();
}
BENCHMARK(BM_PackLookup);

void BM_PackFirstLookup(benchmark::State& state) {
    const qvt::RuntimeString pack{std::string_view(benchPack().path())};
    const qvt::RuntimeString name("Media/pell/set7/sprite537.png");
    qvt::RuntimeString out;
    for (auto _ : state) {
        qvt::SetMediaPacks(pack, "");
        if (!qvt::ResolveMediaFile(qvt::kMediaResolver, name, out, true)) state.SkipWithError("not found");
        benchmark::DoNotOptimize(out.c_str());
    }
    qvt::ReleaseMediaResolvers();
}
BENCHMARK(BM_PackFirstLookup);

}  // namespace
