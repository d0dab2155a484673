// The addresses a pane's page navigates to, which carry the page's commands to the client.
#include "catalog/commands.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString address = fuzz_text(data, size);
  for (const catalog::Decision& d :
       {catalog::decode_detail_pane(address), catalog::decode_catalogue_pane(address, "http://127.0.0.1:8610"),
        catalog::decode_second_pane(address)}) {
    if (!d.commands.empty()) FUZZ_CHECK(d.cancel);
    for (const catalog::Command& c : d.commands)
      if (c.kind == catalog::Command::PlayTitle) FUZZ_CHECK(c.order == 0 || c.order == 1);
  }
  catalog::decoded_bars(address);
  return 0;
}
