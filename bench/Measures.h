// What both benchmarks measure with: the high-resolution clock, medians and
// percentiles, and the machine's load.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

LONGLONG Now();
double Milliseconds(LONGLONG ticks, LONGLONG frequency);
double Median(std::vector<double> values);
double Percentile(std::vector<double> values, int percent);  // nearest rank

// "Load average: 1.23 0.98 0.75 on 2 processors", read from the Linux
// system under Wine; "Load average: unknown" elsewhere.
std::string LoadAverage();
