#pragma once
#include <QString>
#include <QStringList>

namespace updater {

// The version list "sj.txt": location|version|forced|files[|sha256 sums], one line. Fields after the
// file list are ignored unless they are the sums (a release key makes the sums required).
struct VersionList {
  QString location;     // field 0: host and path of the list, without "http://"
  QString version;      // field 1
  bool forced = false;  // field 2 taken as a number is not 0
  QString file_field;   // field 3 as written ("a::b")
  QStringList files;    // field 3 split at "::"
  QStringList sums;     // field 4: one SHA-256 (hex) per file, joined by "::"; empty when it is anything else
};

VersionList parse_version_list(const QString& text);

// The first line of a fetched list, without its line end.
QString first_line(const QByteArray& body);

// What the built-in release key asks of a version list before anything of it is used: its bytes
// (`body`, exactly as served) signed by the release key, and its version not older than the
// installed one (an old signed list replayed is no way back to an old version). True without a key.
bool list_authentic(const QByteArray& body, const QByteArray& signature, const VersionList& list,
                    const QString& installed);

// The signature published beside a release file ("NAME.sig"); empty when there is none.
QByteArray fetch_signature(const QString& file_url);

// Whether the bytes are the file the list means: its SHA-256 when the list gives sums.
bool matches_sum(const QString& path, const QString& sum);

}  // namespace updater
