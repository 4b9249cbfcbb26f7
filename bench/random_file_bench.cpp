#include "foundation/random_file.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

// The viewer reads byte by byte through RandomFile::GetChar. These two
// measure that against the plain cost of getting the same bytes with read()
// in 16 KiB blocks, over one 256 MiB file that stays in the page cache
// after the first pass. Both touch every byte (they sum them), so the
// comparison is the cost of the byte-wise access itself.

namespace {

constexpr long long FileSize = 256LL << 20;

// The test file, written on first use and removed at exit.
class BenchFile
{
public:
    BenchFile()
    {
        const char* tmp = std::getenv("TMPDIR");
        std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/pxbench.XXXXXX";
        int fd = mkstemp(tmpl.data());
        if (fd < 0) {
            std::perror("mkstemp");
            std::exit(1);
        }
        name = tmpl;
        std::vector<unsigned char> block(1 << 20);
        unsigned x = 1;
        for (auto& b : block) {
            x = x * 1103515245u + 12345u;
            b = static_cast<unsigned char>(x >> 16);
        }
        for (long long done = 0; done < FileSize; done += static_cast<long long>(block.size()))
            if (write(fd, block.data(), block.size()) != static_cast<ssize_t>(block.size())) {
                std::perror("write");
                std::exit(1);
            }
        close(fd);
    }
    ~BenchFile() { unlink(name.c_str()); }

    std::string name;
};

const std::string& bench_file()
{
    static BenchFile file;
    return file.name;
}

void BM_RandomFileGetChar(benchmark::State& state)
{
    const std::string& name = bench_file();
    for (auto _ : state) {
        RandomFile f;
        if (f.open(name.c_str(), StdFile::OpenRead) != 0) {
            state.SkipWithError("open failed");
            return;
        }
        unsigned long long sum = 0;
        for (long long pos = 0;; pos++) {
            int c = f.GetChar(pos);
            if (c < 0)
                break;
            sum += static_cast<unsigned>(c);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(state.iterations() * FileSize);
}

void BM_ReadBlocks16K(benchmark::State& state)
{
    const std::string& name = bench_file();
    std::vector<unsigned char> buf(RandomFile::BlockSize);
    for (auto _ : state) {
        int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            state.SkipWithError("open failed");
            return;
        }
        unsigned long long sum = 0;
        ssize_t n;
        while ((n = read(fd, buf.data(), buf.size())) > 0)
            for (ssize_t i = 0; i < n; i++)
                sum += buf[static_cast<size_t>(i)];
        close(fd);
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(state.iterations() * FileSize);
}

}

BENCHMARK(BM_RandomFileGetChar)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadBlocks16K)->Unit(benchmark::kMillisecond);
