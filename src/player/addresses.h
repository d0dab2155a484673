#pragma once
#include <QString>

namespace player {

// A QVOD address from its first "qvod://": "qvod://" size "|" hash "|" name "|"; other addresses
// unchanged. Fields past the third are dropped; missing ones stay empty.
QString qvod_normalize(const QString& address);

// A local file: an absolute path ("/..."), a "file://" address, or a Windows path (":\").
bool is_local_address(const QString& address);

// 1 when a list entry denotes the played address: the same hash for addresses with "|", else
// the entry holds the local file's name. A web address matches nothing.
int address_match(const QString& entry, const QString& address);

// The display name: the file name without its last extension ("" when it has none), for QVOD
// addresses, local paths of either kind and web addresses alike.
QString hq_wjm(const QString& address);

// "+" to a blank, "%XX" below 128 to its character, "%E4%B8%AD" (three-byte UTF-8) to one
// character; a "%" without two hex digits stays as it is.
QString url_unescape(const QString& text);

// The text cut of the player, the same as the store's (ends without an end marker give "").
QString GetContent(const QString& text, const QString& a, const QString& b, int mode);

}  // namespace player
