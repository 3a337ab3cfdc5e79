// The dialog in English and in Chinese: texts fit their widgets, the same work gives the same
// file, and each language leaves a screenshot (with the communication log) in the build folder.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QWidget>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <mutex>

#include "app/qt/language.h"
#include "gui/sim_fixture.h"

namespace travex::gui_testing {
namespace {

// The width a selector's longest entry takes, without the frame and the arrow.
int WidestEntry(const QComboBox& combo) {
  int widest = 0;
  for (int i = 0; i < combo.count(); ++i) {
    widest = std::max(widest, combo.fontMetrics().horizontalAdvance(combo.itemText(i)));
  }
  return widest;
}

// Labels, buttons, group boxes and selectors narrower than their text wants.
std::vector<std::string> CutTexts(QWidget& root) {
  std::vector<std::string> cut;
  for (QWidget* widget : root.findChildren<QWidget*>()) {
    if (!widget->isVisible()) continue;
    QString text;
    if (auto* label = qobject_cast<QLabel*>(widget)) text = label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) text = button->text();
    // A group box's hint is its contents'; its title wants its own width and the frame's.
    int wanted = widget->sizeHint().width();
    if (auto* box = qobject_cast<QGroupBox*>(widget)) {
      text = box->title();
      wanted = box->fontMetrics().horizontalAdvance(text) + 2 * box->fontMetrics().height();
    }
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
      text = combo->currentText();
      // Its hint must count every entry, not only the one shown.
      wanted = std::max(wanted, WidestEntry(*combo));
    }
    // The status panes are a quarter each by design; their tool tip has all of the text.
    if (text.isEmpty() || widget->objectName().startsWith(QLatin1String("pane "))) continue;
    if (widget->width() < wanted) {
      cut.push_back(widget->objectName().toStdString() + ": " + text.toStdString());
    }
  }
  return cut;
}

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

class LanguageGuiTest : public SimGuiTest {
 protected:
  // Search, base read and export in one language; the exported file's bytes.
  std::string WorkIn(UiLanguage language, const char* found_text) {
    const CLanguageSetting setting(language);
    OpenDialog();
    TestBaud();
    EXPECT_EQ(Pane(0), found_text);
    Click(IDC_BASE_READ);
    EXPECT_TRUE(QTest::qWaitFor(
        [this] {
          const std::lock_guard lock(dialog_->core().StoreMutex());
          return dialog_->core().param_store.answers_stored > 0;
        },
        20000));
    EXPECT_EQ(CutTexts(*dialog_), std::vector<std::string>());
    EXPECT_LE(dialog_->width(), 1280);
    EXPECT_LE(dialog_->height(), 800);
    // Beside the dialog, the communication log with the frames so far.
    dialog_->ShowFrameLog();
    QTest::qWait(100);
    const QString name = QStringLiteral("language-%1").arg(LanguageCode(language));
    const QString folder = QCoreApplication::applicationDirPath();
    dialog_->grab().save(folder + QLatin1Char('/') + name + QStringLiteral("-dialog.png"));
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (window != dialog_.get() && window->isVisible()) {
        window->grab().save(folder + QLatin1Char('/') + name + QStringLiteral("-log.png"));
      }
    }
    const std::string path = (dir_ / (name.toStdString() + ".ini")).string();
    file_answers_.push_back(path);
    Click(IDC_EXPORT);
    dialog_.reset();
    return FileBytes(path);
  }
};

TEST_F(LanguageGuiTest, EnglishSearchesReadsAndExportsAsChineseDoes) {
  // The logger's clock stands still, so both reads give the same settings.
  ASSERT_NO_FATAL_FAILURE(StartWithLogger({"--baud", "9600", "--demo", "--hold-clock"}));
  dialog_.reset();
  const std::string chinese = WorkIn(UiLanguage::kChinese, "设备波特率:9600");
  const std::string english = WorkIn(UiLanguage::kEnglish, "Baud rate: 9600");
  ASSERT_FALSE(chinese.empty());
  EXPECT_TRUE(chinese == english) << "the files differ";
}

// At a desktop font a quarter larger every text still fits, in either language.
TEST_F(LanguageGuiTest, TextsFitAtALargerFont) {
  const QFont normal = QApplication::font();
  QFont larger = normal;
  larger.setPointSizeF(normal.pointSizeF() * 1.25);
  QApplication::setFont(larger);
  for (const UiLanguage language : {UiLanguage::kChinese, UiLanguage::kEnglish}) {
    const CLanguageSetting setting(language);
    OpenDialog();
    QTest::qWait(50);
    EXPECT_EQ(CutTexts(*dialog_), std::vector<std::string>()) << LanguageCode(language).toStdString();
    dialog_.reset();
  }
  QApplication::setFont(normal);
}

}  // namespace travex::gui_testing
