// Conversions between the window's texts and the fixed-size texts of the
// session. Cutting happens at character boundaries, so a long paste never
// leaves half a character behind.
#pragma once

#include <QString>
#include <string>

namespace quorvel {

// The UTF-8 form of the text, cut to at most `limit` bytes without
// splitting a character.
std::string toLimitedUtf8(const QString &text, size_t limit);

inline QString toQString(const std::string &text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace quorvel
