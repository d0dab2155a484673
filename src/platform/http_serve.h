#pragma once
#include <optional>

#include "platform/http_range.h"

namespace httplib {
struct Request;
struct Response;
}  // namespace httplib

namespace platform {

// Starts the answer to a GET of a body of size bytes as HTTP says: a 416 with its Content-Range
// for a range beyond the end (then nothing), else the status, Accept-Ranges and Content-Range
// headers, and the part of the body to send. The request's own range handling is switched off.
std::optional<RangeAnswer> begin_range_answer(const httplib::Request& req, httplib::Response& res, int64_t size);

}  // namespace platform
