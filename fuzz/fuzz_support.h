#pragma once
// What every fuzz target shares: its input as the parsers receive it, and a check that ends the run
// with a message when a parser breaks a promise of its header (libFuzzer keeps the input).
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <utility>

inline QByteArray fuzz_bytes(const uint8_t* data, size_t size) {
  return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

inline QString fuzz_text(const uint8_t* data, size_t size) { return QString::fromUtf8(fuzz_bytes(data, size)); }

// Two inputs from one: the bytes before the first NUL, and those after it.
inline std::pair<QByteArray, QByteArray> fuzz_split(const uint8_t* data, size_t size) {
  const QByteArray all = fuzz_bytes(data, size);
  const qsizetype nul = all.indexOf('\0');
  if (nul < 0) return {all, {}};
  return {all.left(nul), all.mid(nul + 1)};
}

#define FUZZ_CHECK(condition)                                                              \
  do {                                                                                     \
    if (!(condition)) {                                                                    \
      std::fprintf(stderr, "%s:%d: broken promise: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                        \
    }                                                                                      \
  } while (0)
