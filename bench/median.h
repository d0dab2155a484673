#pragma once
#include <algorithm>
#include <vector>

// The machine is shared and noisy: a figure is the median of its rounds (the upper middle of an
// even count; 0 for none).
inline double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
  return v[v.size() / 2];
}
