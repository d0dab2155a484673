#include "platform/http_range.h"

#include <strings.h>
#include <cctype>

namespace platform {

namespace {

bool parse_number(const std::string& s, int64_t& out) {
  if (s.empty() || s.size() > 18) return false;
  for (char c : s)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  out = std::stoll(s);
  return true;
}

std::string trimmed(const std::string& s) {
  size_t a = s.find_first_not_of(" \t"), b = s.find_last_not_of(" \t");
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

}  // namespace

RangeAnswer resolve_range(const std::string& header, int64_t size) {
  RangeAnswer whole{RangeAnswer::Whole, 0, size};
  const std::string h = trimmed(header);
  // The unit is "bytes" in any letter case; a range of another unit is ignored.
  if (h.size() < 6 || strncasecmp(h.c_str(), "bytes=", 6) != 0) return whole;
  const std::string wanted = trimmed(h.substr(6));
  const size_t dash = wanted.find('-');
  if (dash == std::string::npos || wanted.find(',') != std::string::npos) return whole;
  const std::string a = trimmed(wanted.substr(0, dash)), b = trimmed(wanted.substr(dash + 1));
  int64_t first = 0, last = 0;
  const RangeAnswer none{RangeAnswer::Unsatisfiable, 0, 0};
  if (a.empty()) {  // the last N bytes
    if (!parse_number(b, last)) return whole;
    if (last == 0 || size == 0) return none;
    const int64_t n = last < size ? last : size;
    return {RangeAnswer::Partial, size - n, n};
  }
  if (!parse_number(a, first)) return whole;
  if (b.empty()) last = size - 1;
  else if (!parse_number(b, last) || last < first) return whole;
  if (first >= size) return none;
  if (last >= size) last = size - 1;
  return {RangeAnswer::Partial, first, last - first + 1};
}

std::string content_range(const RangeAnswer& answer, int64_t size) {
  if (answer.kind == RangeAnswer::Unsatisfiable) return "bytes */" + std::to_string(size);
  return "bytes " + std::to_string(answer.first) + "-" + std::to_string(answer.first + answer.length - 1) + "/" +
         std::to_string(size);
}

}  // namespace platform
