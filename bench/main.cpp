// The benchmarks' main: Google Benchmark's, with a reporter that also prints
// the cost of a whole page turn against the cost of building the page
// (the time per page of each, the median when there are repetitions).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

class ratio_reporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto per_page = run.counters.find("time_per_page");
            if (per_page == run.counters.end() || run.error_occurred) continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Aggregate && !median) continue;
            entry& e = per_page_[run.run_name.function_name];
            if (median || !e.median) e = entry{per_page->second.value, median};
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto turn = per_page_.find("BM_PageTurnEveryPage");
        const auto build = per_page_.find("BM_AssembleAndRunEveryPage");
        if (turn == per_page_.end() || build == per_page_.end() || build->second.seconds <= 0) return;
        std::printf("page turn %.2f us per page, page build %.2f us per page: page turn / page build = %.1f\n",
                    turn->second.seconds * 1e6, build->second.seconds * 1e6,
                    turn->second.seconds / build->second.seconds);
    }

private:
    struct entry {
        double seconds = 0;
        bool median = false;
    };
    std::map<std::string, entry> per_page_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    ratio_reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
