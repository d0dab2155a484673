// The site's detail bytes to text, and the local code page both ways.
#include "catalog/text.h"
#include "fuzz_support.h"
#include "platform/text_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes = fuzz_bytes(data, size);
  const QString text = catalog::utf8_decode(bytes);
  FUZZ_CHECK(text.size() <= bytes.size());
  // Well-formed UTF-8 reads as UTF-8 does (a byte-order mark is kept as a character, not skipped).
  if (bytes.isValidUtf8() && !bytes.contains('\0') && !bytes.startsWith("\xef\xbb\xbf"))
    FUZZ_CHECK(text == QString::fromUtf8(bytes));
  const QString local = platform::decode_local(bytes);
  platform::encode_local(local);
  catalog::tail_by_width(text, 20);
  catalog::strip_media_ext(text);
  return 0;
}
