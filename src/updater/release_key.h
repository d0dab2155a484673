#pragma once
#include <QByteArray>
#include <QString>

namespace updater {

// The release's Ed25519 public key built into the programs (32 bytes); empty when the build has none.
QByteArray release_public_key();
inline bool release_key_configured() { return !release_public_key().isEmpty(); }

// Whether `signature` (64 bytes, raw or as 128 hex digits, surrounding blanks ignored) signs exactly
// `message` with the release key. Always false without a key.
bool signed_by_release(const QByteArray& message, const QByteArray& signature);

// Versions compared by their numbers ("V1.2.4" < "V1.10"): <0, 0 or >0. A version without any
// number is not comparable: `comparable` is set false and 0 returned.
int compare_versions(const QString& a, const QString& b, bool* comparable = nullptr);

// The text the client and the updater say when a list, a file or a signature is not what it must be.
inline const QString kCommunicationFailure = QStringLiteral("与服务器通信失败.请稍后再试 ");

}  // namespace updater
