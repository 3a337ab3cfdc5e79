#include "app/qt/qt_text.h"

#include <QCoreApplication>
#include <string>

#include "params/gbk.h"

namespace travex {

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString Translated(const char* context, std::string_view source) {
  return QCoreApplication::translate(context, std::string(source).c_str());
}

QString FromGbk(std::string_view gbk) {
  QString text = QString::fromStdString(GbkToUtf8(gbk));
  for (QChar& ch : text) {
    if (ch.unicode() < 0x20 || ch.unicode() == 0x7F) ch = QChar(0xF700 + ch.unicode());
  }
  return text;
}

std::string ToGbk(const QString& text) { return Utf8ToGbk(text.toStdString()); }

}  // namespace travex
