// Texts between the core's bytes and Qt's strings: UTF-8 for the tool's own texts, GBK for
// what the logger stores and the controls show.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace travex {

QString FromUtf8(std::string_view text);
// A text marked TRAVEX_TEXT(context, source) in the language of the translators installed.
QString Translated(const char* context, std::string_view source);

// GBK bytes to the text a control shows. Bytes that are not GBK arrive as private-use
// characters (see params/gbk.h); control characters, which an edit would drop or change, are
// carried the same way. Either comes back as the same byte through ToGbk.
QString FromGbk(std::string_view gbk);
std::string ToGbk(const QString& text);

}  // namespace travex
