// Cost per byte of reading and writing hex value lines: CRegValue::ParseLine on lines of 1 KiB,
// 64 KiB and 1 MiB of data, and WriteHexLine into a real file with one write call per piece
// (as the Win32 edge does with WriteFile). The "s/byte" column must stay flat as sizes grow.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "registry/reg_text_lines.h"
#include "registry/reg_value.h"

namespace {

using langsetup::RegTextSink;

std::vector<std::uint8_t> Bytes(std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 131 + 7);
    }
    return bytes;
}

class StringSink final : public RegTextSink {
public:
    void Write(std::u16string_view piece) override { text.append(piece); }
    std::u16string text;
};

// One write(2) per piece, unbuffered, like WriteFile on a file handle.
class FileSink final : public RegTextSink {
public:
    explicit FileSink(int fd) : fd_(fd) {}
    void Write(std::u16string_view piece) override {
        const ssize_t ignored = ::write(fd_, piece.data(), piece.size() * sizeof(char16_t));
        static_cast<void>(ignored);
    }

private:
    int fd_;
};

void PerByte(benchmark::State& state, std::size_t bytes) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["s/byte"] = benchmark::Counter(
        static_cast<double>(bytes),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void ParseHexLine(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    const std::vector<std::uint8_t> bytes = Bytes(size);
    // The value as written, its wrapped lines joined into one (continuations kept).
    StringSink out;
    langsetup::WriteHexLine(u"abc", bytes.data(), static_cast<std::uint32_t>(size), out);
    std::u16string line = out.text.substr(0, out.text.size() - 2);
    const std::size_t equals = line.find(u'=');

    langsetup::CRegValue value;
    for (auto _ : state) {
        line[equals] = u'=';  // ParseLine zeroes the first "="
        const bool understood = value.ParseLine(line);
        benchmark::DoNotOptimize(understood);
        benchmark::DoNotOptimize(value.GetData());
    }
    if (value.GetSize() != size) {
        state.SkipWithError("wrong byte count");
    }
    PerByte(state, size);
}

void WriteHexLineToFile(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    const std::vector<std::uint8_t> bytes = Bytes(size);
    const char* path = std::getenv("REG_TEXT_BENCH_FILE");
    const std::string file = path != nullptr ? path : "reg_text_bench.reg";
    const int fd = ::open(file.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    if (fd < 0) {
        state.SkipWithError("cannot create the output file");
        return;
    }
    FileSink sink(fd);
    for (auto _ : state) {
        ::lseek(fd, 0, SEEK_SET);
        langsetup::WriteHexLine(u"abc", bytes.data(), static_cast<std::uint32_t>(size), sink);
    }
    ::close(fd);
    ::unlink(file.c_str());
    PerByte(state, size);
}

BENCHMARK(ParseHexLine)->Arg(1 << 10)->Arg(64 << 10)->Arg(1 << 20)->Unit(benchmark::kMicrosecond);
BENCHMARK(WriteHexLineToFile)->Arg(1 << 10)->Arg(64 << 10)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
