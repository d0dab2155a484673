#pragma once
#include <cstdint>
#include <string>

namespace platform {

// What a single "Range: bytes=..." request header asks of a body of size bytes, as HTTP says:
// "N-" from N, "-N" the last N, "A-B" clamped to the end, the unit in any letter case; a start
// beyond the end cannot be satisfied; anything else (no header, other units, several ranges,
// nonsense) is ignored: the whole body.
struct RangeAnswer {
  enum Kind { Whole, Partial, Unsatisfiable } kind = Whole;
  int64_t first = 0;
  int64_t length = 0;
};

RangeAnswer resolve_range(const std::string& header, int64_t size);

// "bytes first-last/size", or "bytes */size" for an unsatisfiable range.
std::string content_range(const RangeAnswer& answer, int64_t size);

}  // namespace platform
