#pragma once
#include <httplib.h>
#include <optional>

#include "platform/http_range.h"

namespace platform {

// cpp-httplib's server as the terminal and the site need it on a machine shared with other users:
// a connection's request head must arrive whole within a few seconds (a client that trickles or
// stalls loses its connection instead of holding a worker), there are workers for many clients,
// small answers leave at once (no Nagle delay), and the Range header is left to the handlers
// (under kRangeHeader), so that access checks come first and ranges are answered as HTTP says.
// Accept-Encoding is left to the handlers too (under kAcceptEncodingHeader): the library would
// compress every text answer at its slowest setting.
class LoopbackServer : public httplib::Server {
 public:
  explicit LoopbackServer(size_t workers = 64);
  static constexpr const char* kRangeHeader = "X-Requested-Range";
  static constexpr const char* kAcceptEncodingHeader = "X-Accepted-Encoding";

 protected:
  bool process_and_close_socket(socket_t sock) override;
};

// Starts the answer to a GET of a body of size bytes as HTTP says: a 416 with its Content-Range
// for a range beyond the end (then nothing), else the status, Accept-Ranges and Content-Range
// headers, and the part of the body to send.
std::optional<RangeAnswer> begin_range_answer(const httplib::Request& req, httplib::Response& res, int64_t size);

}  // namespace platform
