#include "catalog/text.h"

#include <QStringList>

#include "platform/text_codec.h"

namespace catalog {

namespace {

int sequence_length(uchar b) {
  if (b >= 0xFC) return 6;
  if (b >= 0xF8) return 5;
  if (b >= 0xF0) return 4;
  if (b >= 0xE0) return 3;
  if (b >= 0xC0) return 2;
  return 1;
}

// Writes one character at `out` (two units above the first plane); returns the units written.
int put_code(QChar* out, uint code) {
  if (code > 0x10FFFF) code = 0xFFFD;
  if (code <= 0xFFFF) {
    out[0] = QChar(static_cast<char16_t>(code));
    return 1;
  }
  out[0] = QChar::highSurrogate(code);
  out[1] = QChar::lowSurrogate(code);
  return 2;
}

}  // namespace

QString utf8_decode(const QByteArray& bytes) {
  static const uchar masks[7] = {0, 0, 0x1F, 0x0F, 0x07, 0x03, 0x01};
  // A sequence of n bytes gives at most two units, and one byte one: the text is never longer.
  QString out(bytes.size(), Qt::Uninitialized);
  QChar* to = out.data();
  const uchar* in = reinterpret_cast<const uchar*>(bytes.constData());
  const int size = static_cast<int>(bytes.size());
  for (int i = 0; i < size;) {
    const uchar b = in[i];
    if (b < 0x80) {
      *to++ = QChar(b);
      ++i;
      continue;
    }
    const int n = sequence_length(b);
    if (i + n > size) {
      *to++ = QChar(u'?');
      break;
    }
    if (n == 1) {
      *to++ = QChar(0xFFFD);  // a lone byte above ASCII names no character
    } else {
      uint code = b & masks[n];
      for (int k = 1; k < n; ++k) code = (code << 6) + (in[i + k] & 0x3F);
      to += put_code(to, code);
    }
    i += n;
  }
  out.truncate(to - out.constData());
  return out;
}

QString strip_media_ext(const QString& name) {
  QString result = name;
  for (const char* ext : {".rm", ".wmv", ".avi", ".mkv", ".mp4", ".qmv"}) {
    const int at = name.indexOf(QLatin1String(ext));
    if (at >= 0) result = name.left(at);
  }
  return result;
}

QString multi_replace(const QString& text, const QString& finds, const QString& replacements) {
  QString out = text;
  if (!finds.contains('|')) return finds.isEmpty() ? out : out.replace(finds, replacements);
  const QStringList f = finds.split('|'), r = replacements.split('|');
  for (int i = 0; i < f.size(); ++i)
    if (!f[i].isEmpty()) out.replace(f[i], r.value(i));
  return out;
}

int category_kind(int id) { return id < 12 || id == 17 ? 0 : 1; }

QString tail_by_width(const QString& text, int width) {
  if (text.size() <= width) return text;
  double used = 0;
  int from = text.size();
  while (from > 0 && used < width) {
    --from;
    used += platform::is_wide_in_ansi(text[from]) ? 1.0 : 0.5;
  }
  return text.mid(from);
}

}  // namespace catalog
