// tomelet_startup_probe [--runs N] PROGRAM...: starts each program (a
// tomelet-headless) N times, the programs taking turns, each run in a fresh
// empty folder with an empty script on standard input: the reader starts,
// paints its first page, closes and writes its state file.  Prints, per
// program, the median and the lowest wall time from fork to exit, the
// median CPU time (user and system), and the median and the highest peak
// resident memory (ru_maxrss of wait4).  Taking turns keeps a busy
// machine's noise even between the programs compared.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

struct sample {
    double ms;      // wall time
    double cpu_ms;  // user and system time of the process
    long kib;
};

// One run; false when the program could not be run or did not exit with 0.
bool run_once(const std::string& program, sample* out) {
    char pattern[] = "/tmp/tomelet-probe-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return false;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        const int in = open("/dev/null", O_RDONLY);
        if (in < 0 || dup2(in, 0) < 0 || chdir(pattern) != 0) _exit(127);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    const pid_t waited = wait4(pid, &status, 0, &usage);
    const auto end = std::chrono::steady_clock::now();
    std::error_code ignored;
    std::filesystem::remove_all(pattern, ignored);
    if (waited != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
    out->ms = std::chrono::duration<double, std::milli>(end - start).count();
    out->cpu_ms = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                  (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    out->kib = usage.ru_maxrss;
    return true;
}

template <typename T>
T median(std::vector<T> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 31;
    std::vector<std::string> programs;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::atoi(argv[++i]);
        } else {
            programs.push_back(std::filesystem::absolute(argv[i]).string());
        }
    }
    if (programs.empty() || runs < 1) {
        std::fprintf(stderr, "usage: tomelet_startup_probe [--runs N] PROGRAM...\n");
        return 2;
    }
    std::vector<std::vector<sample>> samples(programs.size());
    for (int r = 0; r < runs; ++r) {
        for (size_t p = 0; p < programs.size(); ++p) {
            sample s{};
            if (!run_once(programs[p], &s)) {
                std::fprintf(stderr, "tomelet_startup_probe: %s did not run to a clean exit\n", programs[p].c_str());
                return 1;
            }
            samples[p].push_back(s);
        }
    }
    std::printf("start-up to the first page and close, %d runs each\n", runs);
    for (size_t p = 0; p < programs.size(); ++p) {
        std::vector<double> ms;
        std::vector<double> cpu_ms;
        std::vector<long> kib;
        for (const sample& s : samples[p]) {
            ms.push_back(s.ms);
            cpu_ms.push_back(s.cpu_ms);
            kib.push_back(s.kib);
        }
        std::printf("%s\n  wall time: median %.2f ms, lowest %.2f ms\n  CPU time: median %.2f ms\n"
                    "  peak memory: median %.2f MiB, highest %.2f MiB\n",
                    programs[p].c_str(), median(ms), *std::min_element(ms.begin(), ms.end()), median(cpu_ms),
                    static_cast<double>(median(kib)) / 1024.0,
                    static_cast<double>(*std::max_element(kib.begin(), kib.end())) / 1024.0);
    }
    return 0;
}
