#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace terminal {

// What an answer's head says about its body.
struct HttpHead {
  int status = 0;
  int64_t length = -1;        // Content-Length, -1 when not given
  std::string content_range;  // as sent
};

// Where a GET ended.
enum class FetchEnd { Whole, Stopped, Failed };

// One GET of a plain "http://" address over a connection of its own, read in large pieces (the
// download's rate is this loop's rate). The head goes to on_head, then the body as it arrives to
// on_body; either returning false stops the fetch. Connecting may take 5 s, a silence 15 s.
// Whole: the body arrived to its end (its length, its last chunk, or the close of a body that
// gave neither).
FetchEnd http_get(const std::string& url, const std::string& range, const std::function<bool(const HttpHead&)>& on_head,
                  const std::function<bool(const char*, size_t)>& on_body);

}  // namespace terminal
