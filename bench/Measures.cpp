// The benchmarks' clock, statistics and reading of the machine's load.
#include "Measures.h"

#include <algorithm>
#include <cstdio>

LONGLONG Now()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double Milliseconds(LONGLONG ticks, LONGLONG frequency)
{
    return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency);
}

double Median(std::vector<double> values)
{
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Percentile(std::vector<double> values, int percent)
{
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    size_t rank = (values.size() * percent + 99) / 100;
    return values[rank == 0 ? 0 : rank - 1];
}

std::string LoadAverage()
{
    // Wine's drive for the root folder reaches the Linux system's /proc.
    FILE* file = std::fopen("Z:\\proc\\loadavg", "r");
    if (file == nullptr) return "Load average: unknown";
    double loads[3] = {};
    int read = std::fscanf(file, "%lf %lf %lf", &loads[0], &loads[1], &loads[2]);
    std::fclose(file);
    if (read != 3) return "Load average: unknown";
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    char text[96];
    std::snprintf(text, sizeof text, "Load average: %.2f %.2f %.2f on %lu processors", loads[0], loads[1], loads[2],
                  static_cast<unsigned long>(system.dwNumberOfProcessors));
    return text;
}
