#include "app/qt/language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

namespace travex {

bool ParseLanguage(const QString& name, UiLanguage* language) {
  const QString code = name.left(2).toLower();
  if (name.size() > 2 && name.at(2) != QLatin1Char('_') && name.at(2) != QLatin1Char('-')) {
    return false;
  }
  if (code == QLatin1String("zh")) {
    *language = UiLanguage::kChinese;
  } else if (code == QLatin1String("en")) {
    *language = UiLanguage::kEnglish;
  } else {
    return false;
  }
  return true;
}

QString LanguageCode(UiLanguage language) {
  return language == UiLanguage::kChinese ? QStringLiteral("zh") : QStringLiteral("en");
}

UiLanguage ChooseLanguage(const QString& option, const QString& remembered,
                          const QString& locale_name) {
  UiLanguage language = UiLanguage::kEnglish;
  if (ParseLanguage(option, &language) || ParseLanguage(remembered, &language)) return language;
  return locale_name.startsWith(QLatin1String("zh")) ? UiLanguage::kChinese : UiLanguage::kEnglish;
}

UiLanguage CurrentLanguage() {
  // The application's name tells whether the dialog's translation is installed.
  const char* source = "Travex配置软件";
  return QCoreApplication::translate("dialog", source) == QString::fromUtf8(source)
             ? UiLanguage::kChinese
             : UiLanguage::kEnglish;
}

TraceLanguage FrameLanguage() {
  return CurrentLanguage() == UiLanguage::kChinese ? TraceLanguage::kChinese
                                                   : TraceLanguage::kEnglish;
}

CLanguageSetting::CLanguageSetting(UiLanguage language) {
  const QLocale locale = language == UiLanguage::kChinese ? QLocale(QLocale::Chinese, QLocale::China)
                                                          : QLocale(QLocale::English, QLocale::UnitedStates);
  QLocale::setDefault(locale);
  const auto install = [this](std::unique_ptr<QTranslator> translator) {
    QCoreApplication::installTranslator(translator.get());
    translators_.push_back(std::move(translator));
  };
  if (language == UiLanguage::kEnglish) {
    // Chinese is the source: only English needs the dialog's translation.
    auto own = std::make_unique<QTranslator>();
    loaded_ = own->load(QStringLiteral(":/i18n/travex_en.qm"));
    if (loaded_) install(std::move(own));
  }
  auto qt = std::make_unique<QTranslator>();
  if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
               QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    install(std::move(qt));
  }
}

CLanguageSetting::~CLanguageSetting() {
  for (auto& translator : translators_) QCoreApplication::removeTranslator(translator.get());
  QLocale::setDefault(previous_);
}

}  // namespace travex
