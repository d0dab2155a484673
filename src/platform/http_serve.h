#pragma once
#include <httplib.h>

#include <memory>
#include <optional>

#include "platform/head_reader.h"
#include "platform/http_range.h"

namespace platform {

// cpp-httplib's server as the terminal and the site need it on a machine shared with other users:
// request heads are read by a thread of their own (HeadReader), and the workers only ever see a
// connection with a whole request head that was let in (a crowd of idle, trickling or half-sent
// connections holds no worker, and a head must arrive whole within a few seconds),
// small answers leave at once (no Nagle delay), and the Range header is left to the handlers
// (under kRangeHeader), so that access checks come first and ranges are answered as HTTP says.
// Accept-Encoding is left to the handlers too (under kAcceptEncodingHeader): the library would
// compress every text answer at its slowest setting.
class LoopbackServer : public httplib::Server {
 public:
  // admit: a first look at a whole head, before any worker sees it (false: 403 at once).
  explicit LoopbackServer(HeadReader::Admit admit = {}, size_t workers = 32);
  ~LoopbackServer() override;
  static constexpr const char* kRangeHeader = "X-Requested-Range";
  static constexpr const char* kAcceptEncodingHeader = "X-Accepted-Encoding";
  // Binds 127.0.0.1 at port (0: any free one) with a backlog for a crowd; the port, or -1.
  int bind_loopback(int port);
  // Connections waiting for a whole request head now (for tests).
  size_t waiting_for_heads() const { return reader_->waiting(); }
  // The answer to one request given as the bytes a connection would carry, through the same head
  // checks, renaming and handlers, without a socket (fuzzing and tests); "" while the head is unfinished.
  std::string answer_in_memory(std::string request);

 protected:
  bool process_and_close_socket(socket_t sock) override;

 private:
  void serve(ParkedConnection connection, std::string head);
  std::unique_ptr<httplib::ThreadPool> workers_;
  HeadReader::Admit admit_;
  std::unique_ptr<HeadReader> reader_;
};

// Starts the answer to a GET of a body of size bytes as HTTP says: a 416 with its Content-Range
// for a range beyond the end (then nothing), else the status, Accept-Ranges and Content-Range
// headers, and the part of the body to send.
std::optional<RangeAnswer> begin_range_answer(const httplib::Request& req, httplib::Response& res, int64_t size);

}  // namespace platform
