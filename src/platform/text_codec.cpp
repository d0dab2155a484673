#include "platform/text_codec.h"

#include <iconv.h>
#include <QStringDecoder>

#include <vector>

namespace platform {

namespace {
QString from_gb18030(const QByteArray& bytes) {
  iconv_t cd = iconv_open("UTF-16LE", "GB18030");
  if (cd == reinterpret_cast<iconv_t>(-1)) return QString::fromLatin1(bytes);
  std::vector<char> out(bytes.size() * 4 + 4);
  char* in_ptr = const_cast<char*>(bytes.constData());
  size_t in_left = bytes.size();
  char* out_ptr = out.data();
  size_t out_left = out.size();
  QString text;
  while (in_left > 0) {
    if (iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) != static_cast<size_t>(-1)) break;
    // An undecodable byte becomes U+FFFD and the walk goes on after it.
    text += QString::fromUtf16(reinterpret_cast<const char16_t*>(out.data()), (out.size() - out_left) / 2);
    text += QChar(0xFFFD);
    out_ptr = out.data();
    out_left = out.size();
    ++in_ptr;
    --in_left;
  }
  text += QString::fromUtf16(reinterpret_cast<const char16_t*>(out.data()), (out.size() - out_left) / 2);
  iconv_close(cd);
  return text;
}
}  // namespace

QString decode_local(const QByteArray& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(bytes);
  if (!utf8.hasError()) return text;
  return from_gb18030(bytes);
}

QByteArray encode_local(const QString& text) { return text.toUtf8(); }

bool is_wide_in_ansi(QChar c) { return c.unicode() > 127; }

}  // namespace platform
