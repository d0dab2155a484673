#include "platform/http_serve.h"

#include <httplib.h>

namespace platform {

std::optional<RangeAnswer> begin_range_answer(const httplib::Request& req, httplib::Response& res, int64_t size) {
  const_cast<httplib::Request&>(req).ranges.clear();  // answered here: the library would not clamp them
  const RangeAnswer range = resolve_range(req.get_header_value("Range"), size);
  if (range.kind == RangeAnswer::Unsatisfiable) {
    res.status = 416;
    res.set_header("Content-Range", content_range(range, size));
    res.set_content("", "text/plain");
    return std::nullopt;
  }
  res.set_header("Accept-Ranges", "bytes");
  if (range.kind == RangeAnswer::Partial) {
    res.status = 206;
    res.set_header("Content-Range", content_range(range, size));
  }
  return range;
}

}  // namespace platform
