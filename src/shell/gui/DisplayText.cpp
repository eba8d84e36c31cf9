#include "shell/gui/DisplayText.h"

#include "core/TextEncoding.h"

namespace tb {

QString ToDisplay(const String& text) {
    String utf8 = AsUtf8(text);
    return QString::fromUtf8(utf8.c_str(), static_cast<qsizetype>(utf8.Length()));
}

String FromDisplay(const QString& text) {
    QByteArray bytes = text.toUtf8();
    return String(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

} // namespace tb
