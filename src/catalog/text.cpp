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

void append_code(QString& out, uint code) {
  if (code <= 0xFFFF) out += QChar(static_cast<char16_t>(code));
  else if (code <= 0x10FFFF) out += QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
  else out += QChar(0xFFFD);
}

}  // namespace

QString utf8_decode(const QByteArray& bytes) {
  static const uchar masks[7] = {0, 0, 0x1F, 0x0F, 0x07, 0x03, 0x01};
  QString out;
  for (int i = 0; i < bytes.size();) {
    const uchar b = static_cast<uchar>(bytes[i]);
    const int n = sequence_length(b);
    if (i + n > bytes.size()) {
      out += '?';
      break;
    }
    if (n == 1) {
      out += b < 0x80 ? QChar(b) : QChar(0xFFFD);  // a lone byte above ASCII names no character
    } else {
      uint code = b & masks[n];
      for (int k = 1; k < n; ++k) code = (code << 6) + (static_cast<uchar>(bytes[i + k]) & 0x3F);
      append_code(out, code);
    }
    i += n;
  }
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
