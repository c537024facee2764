// The calculators' view of a window: what a write does to each kind of control, and the C
// library's number reading under the desktop's locale once the application object exists.

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <clocale>
#include <cstdlib>

#include "tests/ui/uitest.h"
#include "ui/WidgetFields.h"

class WidgetFieldsTest : public QObject {
  Q_OBJECT

 private slots:
  void writeReachesEveryKindOfControl() {
    QWidget root;
    auto* layout = new QVBoxLayout(&root);
    auto* edit = new QLineEdit(&root);
    auto* editable = new QComboBox(&root);
    auto* fixed = new QComboBox(&root);
    auto* label = new QLabel(&root);
    edit->setObjectName("edA");
    editable->setObjectName("cbEditable");
    editable->setEditable(true);
    fixed->setObjectName("cbFixed");
    fixed->addItems({"E6", "E12", "E24"});
    label->setObjectName("lbA");
    for (QWidget* w : {static_cast<QWidget*>(edit), static_cast<QWidget*>(editable),
                       static_cast<QWidget*>(fixed), static_cast<QWidget*>(label)})
      layout->addWidget(w);
    valvora::ui::WidgetFields fields(&root);
    const struct {
      const char* control;
      const char* text;
      const char* shown;
    } cases[] = {
        {"edA", "12,5", "12,5"},         {"cbEditable", "4,7", "4,7"}, {"cbFixed", "E12", "E12"},
        {"cbFixed", "E96", "E12"},  // not an entry: the list keeps its pick
        {"lbA", "<b>1</b>", "<b>1</b>"},
    };
    for (const auto& c : cases) {
      fields.write(c.control, c.text);
      QCOMPARE(QString::fromStdString(fields.text(c.control)), QString::fromUtf8(c.shown));
    }
  }

  // Qt takes the whole C locale from the desktop; numbers handed to libraries keep a point.
  void numbersKeepTheirPointUnderACommaDesktop() {
    QCOMPARE(QString::fromLatin1(std::localeconv()->decimal_point), QStringLiteral("."));
    QCOMPARE(std::strtod("1.5", nullptr), 1.5);
  }
};

VALVORA_UI_TEST_MAIN(WidgetFieldsTest)
#include "widgetfields_test.moc"
