// One line per target of a benchmark, in a form scripts/bench.sh collects
// into its summary at the end of a run:
//   target: <what>: <figure> (at most|at least <limit>): met|MISSED
#pragma once

#include <cstdio>
#include <string>

namespace bench {

enum class Bound { kAtMost, kAtLeast };

// Prints the line and says whether the target was met. figure and limit are
// printed with the given precision and unit ("" for a plain ratio).
inline bool ReportTarget(const std::string& what, double figure, Bound bound, double limit,
                         const char* unit = "", int precision = 2) {
  const bool met = bound == Bound::kAtMost ? figure <= limit : figure >= limit;
  std::printf("target: %s: %.*f%s (%s %.*f%s): %s\n", what.c_str(), precision, figure, unit,
              bound == Bound::kAtMost ? "at most" : "at least", precision, limit, unit,
              met ? "met" : "MISSED");
  std::fflush(stdout);
  return met;
}

}  // namespace bench
