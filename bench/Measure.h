#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <time.h>
#include <unistd.h>
#include <vector>

// Small helpers of the benchmark: wall time, resident memory, medians and
// the "name: value unit" lines it prints.
namespace Measure {

using Clock = std::chrono::steady_clock;

inline double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Work figures count the CPU time of the calling thread by default: the
// machines are shared, and wall time there measures the neighbours too.
inline bool& useWallClock()
{
    static bool wall = false;
    return wall;
}

inline double workSeconds()
{
    if (useWallClock())
        return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Seconds of work since it was made.
class Stopwatch {
public:
    Stopwatch() : start_(workSeconds()) {}
    double seconds() const { return workSeconds() - start_; }

private:
    double start_;
};

inline double residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE));
}

inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

inline double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t at = std::min(values.size() - 1, size_t(p / 100.0 * double(values.size())));
    return values[at];
}

inline void print(const char* name, double value, const char* unit)
{
    std::printf("%s: %.4g %s\n", name, value, unit);
    std::fflush(stdout);
}

inline void note(const std::string& text)
{
    std::printf("# %s\n", text.c_str());
    std::fflush(stdout);
}

}  // namespace Measure
