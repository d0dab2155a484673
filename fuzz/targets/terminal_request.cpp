// A request to the engine's terminal, as the bytes of one connection: the head reader's checks,
// header renaming, the library's head and query parsing, the token and host checks, the routes and
// their Range answers. The token is in the dictionary, so the fuzzer reaches the routes too.
#include <QTemporaryDir>
#include <string>

#include "engine/terminal/terminal_server.h"
#include "fuzz_support.h"

namespace {
const std::string kToken = "f0e1d2c3b4a5968778695a4b3c2d1e0ff0e1d2c3b4a59687";

int status_of(const std::string& answer) {
  if (answer.rfind("HTTP/1.1 ", 0) != 0 || answer.size() < 12) return 0;
  return std::atoi(answer.substr(9, 3).c_str());
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static QTemporaryDir media;
  static terminal::TerminalServer server(media.path(), {}, [] { return kToken; });
  const std::string request(reinterpret_cast<const char*>(data), size);
  const std::string answer = server.answer_in_memory(request);
  if (answer.empty()) return 0;  // the head is not whole yet
  const int status = status_of(answer);
  FUZZ_CHECK(status >= 200 && status < 600);
  // Nothing but a refusal leaves the terminal for a request that does not carry its token.
  if (request.find(kToken) == std::string::npos) FUZZ_CHECK(status >= 400);
  return 0;
}
