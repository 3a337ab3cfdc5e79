// The language the dialog speaks: Chinese (the source texts) or English (a translation built
// from translations/travex_en.ts). A zh* locale gives Chinese, any other English; the language
// remembered from the context menu comes before the locale, `--lang zh|en` before both.
#pragma once

#include <QString>
#include <QLocale>
#include <QTranslator>
#include <memory>
#include <vector>

#include "protocol/frame_describe.h"

namespace travex {

enum class UiLanguage { kChinese, kEnglish };

// "zh" or "en" (a name such as "zh_CN" or "en_GB" counts by its first two letters); false for
// anything else.
bool ParseLanguage(const QString& name, UiLanguage* language);
QString LanguageCode(UiLanguage language);

// The option's value if given, else the remembered choice if any, else the locale's language.
UiLanguage ChooseLanguage(const QString& option, const QString& remembered,
                          const QString& locale_name);

// The language of the translators installed now (Chinese when none is).
UiLanguage CurrentLanguage();
TraceLanguage FrameLanguage();

// Installs the dialog's translation and Qt's own (file dialogs, standard buttons) for a
// language, and makes it the default locale; removes them again when destroyed. Install it
// before the dialog is built.
class CLanguageSetting {
 public:
  explicit CLanguageSetting(UiLanguage language);
  ~CLanguageSetting();
  CLanguageSetting(const CLanguageSetting&) = delete;
  CLanguageSetting& operator=(const CLanguageSetting&) = delete;

  // False when the dialog's own translation could not be loaded (English only).
  bool loaded() const { return loaded_; }

 private:
  std::vector<std::unique_ptr<QTranslator>> translators_;
  QLocale previous_;
  bool loaded_ = true;
};

}  // namespace travex
