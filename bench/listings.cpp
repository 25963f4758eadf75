// Listing decoding speed: the one-line parser, and listing bytes to file entries.

#include "Classes/Others/ListLineParser.h"
#include "Classes/Others/NetworkManager.h"
#include "Classes/Others/NetworkManagerListing.h"

#include "Platform/Foundation/NSLog.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

constexpr const char* kMonths[] = { "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec" };

std::string unixLine(int i)
{
    const std::string type = (i % 7 == 0) ? "drwxr-xr-x" : "-rw-r--r--";
    std::string line = type + "   1 webuser  staff    " + std::to_string(1000 + i * 37) + " " + kMonths[i % 12] + " " + std::to_string(1 + i % 28);
    line += (i % 3 == 0) ? "  2019 " : " 14:07 ";
    return line + "file_" + std::to_string(i) + ((i % 5 == 0) ? ".html" : ".php");
}

std::string msdosLine(int i)
{
    std::string line = "0" + std::to_string(1 + i % 9) + "-" + std::to_string(10 + i % 18) + "-19  0" + std::to_string(1 + i % 9) + ":2" + std::to_string(i % 10) + (i % 2 ? "PM" : "AM");
    line += (i % 7 == 0) ? "       <DIR>          " : "          " + std::to_string(2048 + i * 13) + " ";
    return line + "file_" + std::to_string(i) + ".txt";
}

std::string eplfLine(int i) { return "+i8388621." + std::to_string(i) + ",m824255902,r,s" + std::to_string(i * 11) + ",\tfile_" + std::to_string(i) + ".txt"; }

std::string vmsLine(int i) { return "FILE_" + std::to_string(i) + ".TXT;1  5/12  02-JUL-1999 18:04:59  [ADMIN,STAFF]   (RWED,RWED,,)"; }

std::vector<std::string> mixedLines(int count)
{
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        switch (i % 4) {
        case 0: lines.push_back(unixLine(i)); break;
        case 1: lines.push_back(msdosLine(i)); break;
        case 2: lines.push_back(eplfLine(i)); break;
        default: lines.push_back(vmsLine(i)); break;
        }
    }
    return lines;
}

// Log lines go to a sink that drops them, as a test or a quiet build would have it.
struct QuietLog {
    QuietLog() : previous(NSLogSetSink([](const std::string&) {})) { }
    ~QuietLog() { NSLogSetSink(previous); }
    NSLogSink previous;
};

// The app keeps the listing on show until the next one replaces it, with the rest of the app
// above it on the heap, so a decode reuses the memory of the listing before last. Set that
// up before timing: decode twice, keep the second (the one on show) for the whole run and
// free the first. Otherwise each iteration's freed entries lie at the top of the heap, go back
// to the system and are faulted in again by the next iteration, which then measures the
// kernel rather than the decoder.
template <class Decode>
NetworkManager::Entries listingOnShow(const Decode& decode)
{
    const NetworkManager::Entries spare = decode();
    NetworkManager::Entries shown = decode();
    return shown;
}

void BM_parseListLine(benchmark::State& state)
{
    const std::vector<std::string> lines = mixedLines(100000);
    std::size_t bytes = 0;
    for (const auto& line : lines) bytes += line.size();
    ListLineInfo info;
    for (auto _ : state) {
        int entries = 0;
        for (const auto& line : lines) entries += parseListLine(info, line.data(), line.size());
        benchmark::DoNotOptimize(entries);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(lines.size()));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_parseListLine)->Unit(benchmark::kMillisecond);

void BM_parseDirDataList(benchmark::State& state)
{
    NSData listing = "total 123456\r\n";
    for (int i = 0; i < state.range(0); ++i) listing += unixLine(i) + "\r\n";
    const auto decode = [&listing] { return parseDirDataList(listing); };
    const auto shown = listingOnShow(decode);
    for (auto _ : state) benchmark::DoNotOptimize(decode());
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(listing.size()));
}
BENCHMARK(BM_parseDirDataList)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_parseDirList(benchmark::State& state)
{
    const QuietLog quiet;
    std::vector<std::string> lines;
    for (int i = 0; i < state.range(0); ++i) lines.push_back(msdosLine(i));
    const auto decode = [&lines] { return parseDirList(lines); };
    const auto shown = listingOnShow(decode);
    for (auto _ : state) benchmark::DoNotOptimize(decode());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_parseDirList)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_parseMicrosoftListing(benchmark::State& state)
{
    const QuietLog quiet;
    NSData listing;
    for (int i = 0; i < state.range(0); ++i) listing += msdosLine(i) + "\r\n";
    const auto decode = [&listing] { return parseMicrosoftListing(listing); };
    const auto shown = listingOnShow(decode);
    for (auto _ : state) benchmark::DoNotOptimize(decode());
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(listing.size()));
}
BENCHMARK(BM_parseMicrosoftListing)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace
