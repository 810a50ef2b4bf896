#include "views/dialogs/text_fields.h"

namespace quorvel {

std::string toLimitedUtf8(const QString &text, size_t limit) {
    std::string out;
    out.reserve(limit);
    // Walk by code points (surrogate pairs stay together).
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QByteArray bytes = text.mid(i, length).toUtf8();
        if (out.size() + static_cast<size_t>(bytes.size()) > limit) break;
        out.append(bytes.constData(), static_cast<size_t>(bytes.size()));
        i += length;
    }
    return out;
}

}  // namespace quorvel
