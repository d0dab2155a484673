#pragma once
#include <QByteArray>
#include <QString>

namespace catalog {

// The site's detail bytes to text: sequence lengths from the lead byte (continuation bytes are not
// checked); a sequence that runs past the end gives "?" and ends the text. Codes beyond U+FFFF
// become their surrogate pair; beyond U+10FFFF, U+FFFD.
QString utf8_decode(const QByteArray& bytes);

// The name up to the first of ".rm", ".wmv", ".avi", ".mkv", ".mp4", ".qmv" (a later one in
// this list wins); ".rm" also matches ".rmvb".
QString strip_media_ext(const QString& name);

// Replaces every finds[i] by replacements[i] ("|"-separated lists), in order.
QString multi_replace(const QString& text, const QString& finds, const QString& replacements);

// 0 for single-part categories (ids below 12, and 17), 1 for episodic ones.
int category_kind(int category_id);

// The end of a text that fits width: wide (non-ASCII) characters count 1, others 0.5.
QString tail_by_width(const QString& text, int width);

}  // namespace catalog
