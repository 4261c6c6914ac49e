#pragma once

// The boundary between the program's GBK text and Qt's QString.

#include <QString>
#include <string>
#include <string_view>

namespace vokalin {

QString qstring_from_text(std::string_view gbk_text);
std::string text_from_qstring(const QString& text);

}  // namespace vokalin
