// Encodes and decodes a full unit image (the unit data file and the analog
// connection file, 1.8 MB) with the .BKC LZW codec, and the same bytes with
// deflate at level 1 (what gzip -1 does) and its inflate (gzip -d), in turns.
// Counters: "ratio" is LZW time / deflate time; "size_ratio" compares outputs.
#include "lzw.h"
#include "unit_image.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <chrono>
#include <cstdlib>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Image {
    std::vector<unsigned char> unit = kravin::test::unitDataImage(), analog = kravin::test::analogImage();
    std::size_t size() const { return unit.size() + analog.size(); }
};

std::vector<unsigned char> deflate1(const std::vector<unsigned char>& in)
{
    uLongf n = compressBound(static_cast<uLong>(in.size()));
    std::vector<unsigned char> out(n);
    if (compress2(out.data(), &n, in.data(), static_cast<uLong>(in.size()), 1) != Z_OK) std::abort();
    out.resize(n);
    return out;
}

void inflateTo(const std::vector<unsigned char>& in, std::vector<unsigned char>& out)
{
    uLongf n = static_cast<uLongf>(out.size());
    if (uncompress(out.data(), &n, in.data(), static_cast<uLong>(in.size())) != Z_OK || n != out.size()) std::abort();
}

template <class F>
double timed(F&& f)
{
    const auto t0 = Clock::now();
    f();
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

void report(benchmark::State& state, double mine, double baseline, std::size_t bytes)
{
    const double n = static_cast<double>(state.iterations());
    state.counters["lzw_ms"] = 1000 * mine / n;
    state.counters["gzip_ms"] = 1000 * baseline / n;
    state.counters["ratio"] = baseline > 0 ? mine / baseline : 0;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}

void BM_EncodeBesideGzip1(benchmark::State& state)
{
    const Image image;
    std::size_t lzwBytes = 0, gzBytes = 0;
    double mine = 0, baseline = 0;
    for (auto _ : state) {
        mine += timed([&] {
            std::vector<unsigned char> a, b;
            kravinb::LzwEncodeMember(image.unit, a);
            kravinb::LzwEncodeMember(image.analog, b);
            lzwBytes = a.size() + b.size();
            benchmark::DoNotOptimize(a.data());
        });
        baseline += timed([&] {
            const auto a = deflate1(image.unit), b = deflate1(image.analog);
            gzBytes = a.size() + b.size();
            benchmark::DoNotOptimize(a.data());
        });
    }
    report(state, mine, baseline, image.size());
    state.counters["size_ratio"] = gzBytes ? static_cast<double>(lzwBytes) / static_cast<double>(gzBytes) : 0;
}

void BM_DecodeBesideGzipD(benchmark::State& state)
{
    const Image image;
    std::vector<unsigned char> lzwUnit, lzwAnalog;
    kravinb::LzwEncodeMember(image.unit, lzwUnit);
    kravinb::LzwEncodeMember(image.analog, lzwAnalog);
    const auto gzUnit = deflate1(image.unit), gzAnalog = deflate1(image.analog);
    std::vector<unsigned char> outUnit, outAnalog;
    std::vector<unsigned char> zUnit(image.unit.size()), zAnalog(image.analog.size());
    double mine = 0, baseline = 0;
    for (auto _ : state) {
        mine += timed([&] {
            if (kravinb::LzwDecodeMember(lzwUnit, image.unit.size(), outUnit) != kravinb::LzwStatus::Ok ||
                kravinb::LzwDecodeMember(lzwAnalog, image.analog.size(), outAnalog) != kravinb::LzwStatus::Ok)
                std::abort();
            benchmark::DoNotOptimize(outAnalog.data());
        });
        baseline += timed([&] {
            inflateTo(gzUnit, zUnit);
            inflateTo(gzAnalog, zAnalog);
            benchmark::DoNotOptimize(zAnalog.data());
        });
    }
    if (outUnit != image.unit || outAnalog != image.analog) std::abort();
    report(state, mine, baseline, image.size());
}

BENCHMARK(BM_EncodeBesideGzip1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeBesideGzipD)->Unit(benchmark::kMillisecond);

}  // namespace
