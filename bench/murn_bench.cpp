// Times the two pages' load and apply sequences over a game folder against
// the least the same file work can cost (posix_floor.h), on a 1.4 MB SH3.exe
// and on a 2 GB sparse one, and prints each as a multiple of its floor.
//
//   murn_bench [benchmark flags]      the timings and the table of ratios
//   murn_bench --once=SEQ:PAGE [--file=KIND] [--repeat=N]
//       runs one sequence N times (default 1) between two marker calls,
//       access("@murn-bench:begin") and access("@murn-bench:end"), so that a
//       system-call trace can be cut to exactly those runs;
//       SEQ is load, apply, floor-load or floor-apply, PAGE main or mods,
//       KIND 1.4MB (default), 2GB@1M or 2GB@end.

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <unistd.h>

#include <benchmark/benchmark.h>

#include "game_folder.h"
#include "page.h"
#include "posix_floor.h"
#include "test_support.h"

// Every C++ allocation is counted, so that an allocation per byte of a file
// would show as a count that grows with the file.
namespace {
std::size_t g_newCalls = 0;

void* CountedAllocation(std::size_t size) {
    ++g_newCalls;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t size) { return CountedAllocation(size); }
void* operator new[](std::size_t size) { return CountedAllocation(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace murn::bench {
namespace {

enum class Sequence { Load, Apply, FloorLoad, FloorApply };

constexpr Sequence kSequences[] = {Sequence::Load, Sequence::FloorLoad, Sequence::Apply,
                                   Sequence::FloorApply};
constexpr ExeKind kExeKinds[] = {ExeKind::Small, ExeKind::Sparse, ExeKind::SparseAtEnd};

const char* SequenceName(Sequence sequence) {
    switch (sequence) {
        case Sequence::Load: return "load";
        case Sequence::Apply: return "apply";
        case Sequence::FloorLoad: return "floor-load";
        case Sequence::FloorApply: return "floor-apply";
    }
    return "?";
}

Sequence FloorOf(Sequence sequence) {
    return sequence == Sequence::Load || sequence == Sequence::FloorLoad ? Sequence::FloorLoad
                                                                         : Sequence::FloorApply;
}

const char* PageName(const PageProfile& profile) { return profile.mainPageAreas ? "main" : "mods"; }

std::string RunName(Sequence sequence, const PageProfile& profile, ExeKind kind) {
    return std::string(SequenceName(sequence)) + ":" + PageName(profile) + "/" + ExeKindName(kind);
}

// One page's sequence over one game folder, ready to run again and again.
// An apply starts from a load, as it does behind a shown page; a floor apply
// writes back what a floor load read.
class Runner {
public:
    Runner(const GameFolder& folder, const PageProfile& profile, Sequence sequence)
        : profile_(profile),
          sequence_(sequence),
          files_(folder.Path()),
          state_(profile),
          areas_(FloorAreasFor(folder, profile)) {
        if (sequence == Sequence::Apply || sequence == Sequence::Load) {
            LoadPage(profile_, state_, view_, files_);
            if (!view_.messages.empty()) {
                problem_ = "the load failed: " + test::Narrow(view_.messages.front());
            } else if (!LoadedWhatWasWritten()) {
                problem_ = "the load did not find the bytes the folder holds";
            }
        } else if (!FloorLoad(areas_, bytes_)) {
            problem_ = "the floor load failed";
        }
    }

    const std::string& Problem() const { return problem_; }

    // One run; false when it did not end as a good load or apply ends.
    bool RunOnce() {
        view_.calls.clear();
        view_.messages.clear();
        switch (sequence_) {
            case Sequence::Load:
                LoadPage(profile_, state_, view_, files_);
                return view_.messages.empty();
            case Sequence::Apply:
                ApplyPage(profile_, state_, view_, files_);
                return view_.messages.size() == 1 && view_.messages.front() == kUpdatedMessage;
            case Sequence::FloorLoad: return FloorLoad(areas_, bytes_);
            case Sequence::FloorApply: return FloorApply(areas_, bytes_);
        }
        return false;
    }

private:
    // The values that game_folder.cpp put into SH3.exe, seen through the page.
    bool LoadedWhatWasWritten() const {
        const bool main = profile_.mainPageAreas;
        const std::array<int, 2> sliders = main ? std::array<int, 2>{2, 5} : std::array<int, 2>{1, 2};
        return state_.switchFlags[0] == 1 && state_.switchFlags[1] == 0 &&
               state_.switchFlags[3] == 1 && state_.sliderPositions == sliders &&
               (!main || (state_.largeAddressFlag == 1 && state_.versionDisplay == L"v1.44"));
    }

    const PageProfile& profile_;
    Sequence sequence_;
    StdioFileSystem files_;
    OptionState state_;
    test::RecordingView view_;
    FloorAreas areas_;
    FloorBytes bytes_;
    std::string problem_;
};

// Collects the medians while the console reporter prints as usual.
class MedianCollector : public benchmark::ConsoleReporter {
public:
    // Colours only on a terminal: the flag --benchmark_color reaches the
    // library's own reporter, not one handed in.
    MedianCollector() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

    struct Median {
        double microseconds = 0;
        double newCalls = 0;
    };
    std::map<std::string, Median> medians;

    // Prints the median and the coefficient of variation of each benchmark
    // (the mean and the deviation add little beside them) and keeps the median.
    void ReportRuns(const std::vector<Run>& reports) override {
        std::vector<Run> shown;
        for (const Run& run : reports) {
            if (run.run_type != Run::RT_Aggregate || run.aggregate_name == "median" ||
                run.aggregate_name == "cv")
                shown.push_back(run);
        }
        if (!shown.empty()) ConsoleReporter::ReportRuns(shown);
        for (const Run& run : reports) {
            if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median" ||
                run.error_occurred)
                continue;
            Median& median = medians[run.run_name.function_name];
            median.microseconds = run.GetAdjustedRealTime();
            const auto counter = run.counters.find("new/op");
            if (counter != run.counters.end()) median.newCalls = counter->second.value;
        }
    }
};

void PrintRatioTable(const MedianCollector& collector) {
    auto find = [&](const std::string& name) -> const MedianCollector::Median* {
        const auto it = collector.medians.find(name);
        return it == collector.medians.end() ? nullptr : &it->second;
    };
    std::printf("\nMedian real time per run in microseconds; xF is the multiple of the POSIX\n"
                "floor on the same file; 1.4MB/2GB is the time on the 1.4 MB SH3.exe over the\n"
                "time on the 2 GB one (about 1 means the cost does not grow with the file).\n\n");
    std::printf("%-18s", "sequence");
    for (const ExeKind kind : kExeKinds) std::printf(" %9s %5s", ExeKindName(kind), "xF");
    std::printf(" %13s %14s %7s\n", "1.4MB/2GB@1M", "1.4MB/2GB@end", "new/op");
    for (const PageProfile* profile : {&MainPageProfile, &ModsPageProfile}) {
        for (const Sequence sequence : kSequences) {
            const std::string label = std::string(SequenceName(sequence)) + ":" + PageName(*profile);
            std::printf("%-18s", label.c_str());
            double times[3] = {0, 0, 0};
            double newCalls = -1;
            for (std::size_t k = 0; k < 3; ++k) {
                const auto* run = find(RunName(sequence, *profile, kExeKinds[k]));
                const auto* floor = find(RunName(FloorOf(sequence), *profile, kExeKinds[k]));
                if (run == nullptr) {
                    std::printf(" %9s %5s", "-", "-");
                    continue;
                }
                times[k] = run->microseconds;
                if (k == 0) newCalls = run->newCalls;
                if (floor != nullptr && FloorOf(sequence) != sequence)
                    std::printf(" %9.2f %5.2f", run->microseconds, run->microseconds / floor->microseconds);
                else
                    std::printf(" %9.2f %5s", run->microseconds, "");
            }
            for (std::size_t k = 1; k < 3; ++k) {
                if (times[0] > 0 && times[k] > 0)
                    std::printf(" %*.2f", k == 1 ? 13 : 14, times[0] / times[k]);
                else
                    std::printf(" %*s", k == 1 ? 13 : 14, "-");
            }
            if (newCalls < 0)
                std::printf(" %7s\n", "-");
            else
                std::printf(" %7.1f\n", newCalls);
        }
    }
}

int RunBenchmarks(int argc, char** argv) {
    std::vector<std::unique_ptr<GameFolder>> folders;
    std::vector<std::unique_ptr<Runner>> runners;
    for (const ExeKind kind : kExeKinds) folders.push_back(std::make_unique<GameFolder>(kind));

    for (const PageProfile* profile : {&MainPageProfile, &ModsPageProfile}) {
        for (const Sequence sequence : kSequences) {
            for (const auto& folder : folders) {
                runners.push_back(std::make_unique<Runner>(*folder, *profile, sequence));
                Runner* runner = runners.back().get();
                const std::string name = RunName(sequence, *profile, folder->Kind());
                benchmark::RegisterBenchmark(name.c_str(), [runner](benchmark::State& state) {
                    if (!runner->Problem().empty()) {
                        state.SkipWithError(runner->Problem().c_str());
                        return;
                    }
                    const std::size_t newCallsBefore = g_newCalls;
                    for (auto _ : state) {
                        if (!runner->RunOnce()) {
                            state.SkipWithError("a run did not end well");
                            break;
                        }
                    }
                    state.counters["new/op"] = benchmark::Counter(
                        static_cast<double>(g_newCalls - newCallsBefore),
                        benchmark::Counter::kAvgIterations);
                })->Unit(benchmark::kMicrosecond);
            }
        }
    }

    // Defaults that keep a full run under a minute; flags given later win.
    std::vector<char*> args(argv, argv + argc);
    char repetitions[] = "--benchmark_repetitions=15";
    char minTime[] = "--benchmark_min_time=0.05";
    char aggregatesOnly[] = "--benchmark_report_aggregates_only=true";
    // Repetitions in random order, so that a busy spell of the machine falls
    // on a sequence and its floor alike rather than on one of them.
    char interleaving[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, {repetitions, minTime, aggregatesOnly, interleaving});
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 2;

    MedianCollector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    benchmark::Shutdown();
    PrintRatioTable(collector);
    return 0;
}

void Marker(const char* name) {
    // A call that does nothing but shows in a trace with its argument.
    (void)::access(name, F_OK);
}

}  // namespace
}  // namespace murn::bench

// Not inlined and not mangled, so that a profiler can be told to count only
// inside it (callgrind --toggle-collect=murn_bench_run).
extern "C" __attribute__((noinline)) int murn_bench_run(void* runner, int repeat) {
    auto* r = static_cast<murn::bench::Runner*>(runner);
    int good = 0;
    for (int i = 0; i < repeat; ++i) good += r->RunOnce() ? 1 : 0;
    return good;
}

namespace murn::bench {
namespace {

int RunOnceMode(const std::string& what, const std::string& file, int repeat) {
    const std::size_t colon = what.find(':');
    const std::string sequenceName = what.substr(0, colon);
    const std::string pageName = colon == std::string::npos ? "" : what.substr(colon + 1);
    const Sequence* sequence = nullptr;
    for (const Sequence& s : kSequences) {
        if (sequenceName == SequenceName(s)) sequence = &s;
    }
    const PageProfile* profile = pageName == "main"   ? &MainPageProfile
                                 : pageName == "mods" ? &ModsPageProfile
                                                      : nullptr;
    ExeKind kind = ExeKind::Small;
    if (sequence == nullptr || profile == nullptr || !ExeKindFromName(file, kind) || repeat < 0) {
        std::fprintf(stderr, "murn_bench: unknown --once=%s --file=%s --repeat=%d\n", what.c_str(),
                     file.c_str(), repeat);
        return 2;
    }

    GameFolder folder(kind);
    Runner runner(folder, *profile, *sequence);
    if (!runner.Problem().empty()) {
        std::fprintf(stderr, "murn_bench: %s\n", runner.Problem().c_str());
        return 1;
    }
    const std::size_t newCallsBefore = g_newCalls;
    Marker("@murn-bench:begin");
    const int good = murn_bench_run(&runner, repeat);
    Marker("@murn-bench:end");
    const std::size_t newCalls = g_newCalls - newCallsBefore;
    std::fprintf(stderr, "murn_bench: %s, %d of %d runs good, %zu C++ allocations\n",
                 RunName(*sequence, *profile, kind).c_str(), good, repeat, newCalls);
    return good == repeat ? 0 : 1;
}

std::string OptionValue(const char* arg, const char* option) {
    const std::size_t length = std::strlen(option);
    return std::strncmp(arg, option, length) == 0 ? std::string(arg + length) : std::string();
}

}  // namespace
}  // namespace murn::bench

int main(int argc, char** argv) {
    using namespace murn::bench;
    std::string once;
    std::string file = ExeKindName(ExeKind::Small);
    int repeat = 1;
    for (int i = 1; i < argc; ++i) {
        if (const std::string v = OptionValue(argv[i], "--once="); !v.empty()) once = v;
        if (const std::string v = OptionValue(argv[i], "--file="); !v.empty()) file = v;
        if (const std::string v = OptionValue(argv[i], "--repeat="); !v.empty())
            repeat = std::atoi(v.c_str());
    }
    if (!once.empty()) return RunOnceMode(once, file, repeat);
    return RunBenchmarks(argc, argv);
}
