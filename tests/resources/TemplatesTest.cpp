#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyle>
#include <QWidget>
#include <QXmlStreamReader>
#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/Dialog.h"
#include "platform/Resources.h"
#include "resources/Tables.h"
#include "support/Screenshots.h"

// The plug-in's resources as the dialog layer shows them: every text fits its control with the
// font that draws it, no two controls overlap, and every string exists in the three languages.
namespace {

// What a text needs besides its own width: the indicator of a check or radio box, the frame and
// margin of a button.
int Margins(QWidget* control) {
  QStyle* style = control->style();
  if (qobject_cast<QPushButton*>(control) != nullptr) {
    return style->pixelMetric(QStyle::PM_ButtonMargin) +
           2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth);
  }
  if (qobject_cast<QCheckBox*>(control) != nullptr) {
    return style->pixelMetric(QStyle::PM_IndicatorWidth) +
           style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
  }
  if (qobject_cast<QRadioButton*>(control) != nullptr) {
    return style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
           style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
  }
  return 0;
}

// The text as drawn, without its mnemonic marks.
QString TextOf(QWidget* control) {
  QString text;
  if (auto* label = qobject_cast<QLabel*>(control); label != nullptr && !label->wordWrap())
    text = label->text();
  else if (auto* button = qobject_cast<QAbstractButton*>(control))
    text = button->text();
  return text.replace(QLatin1String("&&"), QLatin1String("\x01"))
      .remove(u'&')
      .replace(u'\x01', u'&');
}

class TemplatesTest : public testing::Test {
 protected:
  void SetUp() override { platform::RegisterResources(resources::PluginResources()); }
  void TearDown() override { platform::UnregisterResources(resources::PluginResources()); }
};

TEST_F(TemplatesTest, EveryTextFitsItsControl) {
  const std::map<unsigned, const char*> screenshots = {
      {6015, "filter-en.png"}, {8015, "filter-de.png"}, {7015, "filter-fr.png"}};
  for (const platform::DialogTemplate& layout : resources::PluginResources().dialogs) {
    SCOPED_TRACE(layout.id);
    platform::Dialog dialog(layout.id, nullptr);
    ASSERT_TRUE(dialog.Create());
    QWidget* window = dialog.Window();
    window->show();
    std::vector<QWidget*> placed;
    for (QWidget* control : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      const QString text = TextOf(control);
      const QFontMetrics metrics(control->font());
      EXPECT_LE(metrics.horizontalAdvance(text) + Margins(control), control->width())
          << text.toStdString();
      if (!text.isEmpty()) {
        EXPECT_LE(metrics.height(), control->height()) << text.toStdString();
      }
      if (qobject_cast<QGroupBox*>(control) == nullptr) placed.push_back(control);
    }
    // Apart from the group boxes behind them, no two controls overlap.
    for (std::size_t a = 0; a < placed.size(); ++a) {
      for (std::size_t b = a + 1; b < placed.size(); ++b) {
        EXPECT_FALSE(placed[a]->geometry().intersects(placed[b]->geometry()))
            << placed[a]->objectName().toStdString() << " "
            << placed[b]->objectName().toStdString();
      }
    }
    if (const auto shot = screenshots.find(layout.id); shot != screenshots.end()) {
      const std::string file = testing_support::ScreenshotPath(shot->second);
      EXPECT_TRUE(window->grab().save(QString::fromStdString(file))) << file;
    }
    dialog.DestroyWindow();
  }
}

// The placeholders of a text in order: printf's (%s, %-5d) and Qt's (%1), "%%" left out.
std::vector<std::string> Placeholders(const QString& text) {
  std::vector<std::string> found;
  static const QRegularExpression pattern("%(%|[-+ #0]*\\d*(\\.\\d+)?[a-zA-Z]|\\d+)");
  for (const QRegularExpressionMatch& match : pattern.globalMatch(text))
    if (match.captured() != "%%") found.push_back(match.captured().toStdString());
  return found;
}

// The French and German tables hold every English id, 1000 and 2000 above it, each in its own
// language (only the caption and the names of protocol things may read the same) and with the
// English text's placeholders in the same order; the host's translations are all finished and
// have the placeholders of their English source, in any order.
TEST_F(TemplatesTest, EveryStringInThreeLanguagesWithItsPlaceholders) {
  const std::set<unsigned> alike = {1002, 1035, 1036, 1038, 1042};
  std::map<unsigned, QString> texts;
  for (const platform::StringResource& entry : resources::PluginResources().strings) {
    EXPECT_TRUE(texts.emplace(entry.id, QString::fromLatin1(entry.text)).second) << entry.id;
  }
  int english = 0;
  for (const auto& [id, text] : texts) {
    if (id >= 2000) continue;
    ++english;
    for (const unsigned offset : {1000u, 2000u}) {
      SCOPED_TRACE(id + offset);
      ASSERT_TRUE(texts.contains(id + offset));
      if (!alike.contains(id)) {
        EXPECT_NE(texts[id + offset], text);
      }
      EXPECT_EQ(Placeholders(texts[id + offset]), Placeholders(text));
    }
  }
  EXPECT_EQ(english, 34);
  EXPECT_EQ(texts.size(), 102u);

  for (const QString language : {"de", "fr"}) {
    QFile file(SOURCE_DIR "/imagehost/translations/imagehost_" + language + ".ts");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader reader(&file);
    std::vector<std::string> source;
    while (!reader.atEnd()) {
      if (reader.readNext() != QXmlStreamReader::StartElement) continue;
      if (reader.name() == u"source")
        std::ranges::sort(source = Placeholders(reader.readElementText()));
      if (reader.name() != u"translation") continue;
      EXPECT_TRUE(reader.attributes().value("type").isEmpty());
      std::vector<std::string> translated = Placeholders(reader.readElementText());
      std::ranges::sort(translated);
      EXPECT_EQ(translated, source) << reader.lineNumber();
    }
    EXPECT_FALSE(reader.hasError());
  }
}

}  // namespace
