#include "updater/release_key.h"

#include <sodium.h>
#include <QRegularExpression>

// The key's hex digits, from the build settings (release_key_value.cpp, generated).
extern const char kMorvaneReleaseKeyHex[];

namespace updater {

QByteArray release_public_key() {
  static const QByteArray key = [] {
    const QByteArray hex = QByteArray(kMorvaneReleaseKeyHex).trimmed();
    const QByteArray raw = QByteArray::fromHex(hex);
    return hex.size() == 2 * crypto_sign_PUBLICKEYBYTES && raw.size() == crypto_sign_PUBLICKEYBYTES ? raw
                                                                                                    : QByteArray();
  }();
  return key;
}

bool signed_by_release(const QByteArray& message, const QByteArray& signature) {
  const QByteArray key = release_public_key();
  if (key.isEmpty() || sodium_init() < 0) return false;
  QByteArray sig = signature;
  if (sig.size() != crypto_sign_BYTES) {
    const QByteArray hex = signature.trimmed();
    static const QRegularExpression digits(QStringLiteral("^[0-9a-fA-F]+$"));
    if (hex.size() != 2 * crypto_sign_BYTES || !digits.match(QString::fromLatin1(hex)).hasMatch()) return false;
    sig = QByteArray::fromHex(hex);
  }
  return crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(sig.constData()),
                                     reinterpret_cast<const unsigned char*>(message.constData()),
                                     static_cast<unsigned long long>(message.size()),
                                     reinterpret_cast<const unsigned char*>(key.constData())) == 0;
}

namespace {
QList<qlonglong> numbers_of(const QString& version) {
  static const QRegularExpression number(QStringLiteral("\\d+"));
  QList<qlonglong> out;
  for (auto it = number.globalMatch(version); it.hasNext();) out << it.next().captured().left(15).toLongLong();
  return out;
}
}  // namespace

int compare_versions(const QString& a, const QString& b, bool* comparable) {
  const QList<qlonglong> x = numbers_of(a), y = numbers_of(b);
  if (comparable) *comparable = !x.isEmpty() && !y.isEmpty();
  if (x.isEmpty() || y.isEmpty()) return 0;
  for (qsizetype i = 0; i < std::max(x.size(), y.size()); ++i) {
    const qlonglong p = x.value(i), q = y.value(i);
    if (p != q) return p < q ? -1 : 1;
  }
  return 0;
}

}  // namespace updater
