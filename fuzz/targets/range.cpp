// The Range header of the servers' GET answers; the first eight bytes give the body's size.
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "platform/http_range.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8) return 0;
  int64_t body = 0;
  std::memcpy(&body, data, 8);
  body = body < 0 ? -(body + 1) : body;
  body %= int64_t(1) << 50;
  const std::string header(reinterpret_cast<const char*>(data) + 8, size - 8);
  const platform::RangeAnswer answer = platform::resolve_range(header, body);
  if (answer.kind == platform::RangeAnswer::Partial) {
    FUZZ_CHECK(answer.first >= 0 && answer.length > 0);
    FUZZ_CHECK(answer.first + answer.length <= body);
  }
  const std::string range = platform::content_range(answer, body);
  FUZZ_CHECK(range.rfind("bytes ", 0) == 0);
  return 0;
}
