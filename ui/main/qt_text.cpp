#include "ui/main/qt_text.h"

#include "net/text_encoding.h"

namespace vokalin {

QString qstring_from_text(std::string_view gbk_text) {
    const std::string utf8 = to_utf8(gbk_text);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string text_from_qstring(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return to_gbk(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

}  // namespace vokalin
