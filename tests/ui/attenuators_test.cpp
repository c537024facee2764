// The three attenuator pages under the offscreen platform: controls and their texts after
// the preparation, the decimal-key filter, Enter, and a failure shown through the error box.

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>
#include <tuple>

#include "tests/ui/uitest.h"
#include "ui/MainUnit.h"
#include "ui/PageControl.h"

using valvora::testing::typeInto;
using valvora::ui::TMainForm;

class AttenuatorPagesTest : public valvora::testing::UiTest {
  Q_OBJECT

 private:
  // An edit field or a list: either has an edit box to type into.
  QWidget* field(const QString& name) {
    QWidget* w = control(name);
    if (!qobject_cast<QLineEdit*>(w) && !qobject_cast<QComboBox*>(w))
      QTest::qFail(qPrintable("not a field: " + name), __FILE__, __LINE__);
    return w;
  }
  QWidget* sheet(const char* name) { return control(name, form_->pageControl()); }

 private slots:
  // The preparation filled the lists, kept the design texts and ran each pad once.
  void openWithTheirResults() {
    for (const char* list : {"cbAS_ImpHP", "cbImpHP_sp", "cbImpHP_t"}) {
      auto* cb = control<QComboBox>(list);
      QVERIFY(cb->isEditable());
      QVERIFY(!cb->completer());
      QCOMPARE(cb->currentIndex(), 2);
      QCOMPARE(cb->currentText(), QString("8"));
    }
    const QList<std::pair<const char*, const char*>> texts = {{"edp_amp", "6,00"},
                                                              {"edp_souhait", "0,68"},
                                                              {"edRx4", "4"},
                                                              {"edRx1", "1"},
                                                              {"edR1", "5,3068"},
                                                              {"edPuisR2", "1,3399"},
                                                              {"edR1x2", "10,6135973662069"},
                                                              {"edp_amp_sp", "8,00"},
                                                              {"edp_souhait_sp", "2,00"},
                                                              {"edPuisR3_sp", "2,0000"},
                                                              {"ediHP_sp", "0,5000"},
                                                              {"edp_amp_t", "10"},
                                                              {"ed_atten_t", "-6"},
                                                              {"edR3R4_t", "8"},
                                                              {"edu_r2_t", "3,6515"},
                                                              {"edi_r4_t", "0,0000"}};
    for (const auto& [name, t] : texts) QCOMPARE(text(name), QString::fromUtf8(t));
    // Results are ordinary fields that only the program writes.
    QVERIFY(!control<QLineEdit>("edR2x4puis")->isReadOnly());
    QVERIFY(control<QFrame>("Panel2"));
    QVERIFY(control<QFrame>("Panel1"));
    for (const char* picture : {"imgAttenuateur", "imgAttenuateurSP", "imgAttenuateurT"}) {
      auto* p = control<QLabel>(picture);
      QVERIFY2(!p->pixmap().isNull(), picture);
      QCOMPARE(p->size(), p->pixmap().size());
    }
    QCOMPARE(control<QPushButton>("Button1")->parentWidget(), sheet("TabSheet11"));
    // Captions are named as on the pages, each on its own page.
    const QList<std::tuple<const char*, const char*, const char*>> labels = {
        {"TabSheet10", "Label158", "Puissance à dissiper :"},
        {"TabSheet10", "Label170", "Nb rés. en //"},
        {"TabSheet7", "Label69", "Puissance à dissiper"},
        {"TabSheet7", "Label75", "I Transfo :"},
        {"TabSheet11", "Label202", "R3 R4 :"},
        {"TabSheet11", "Label212", "dB"}};
    for (const auto& [page, name, caption] : labels)
      QCOMPARE(control<QLabel>(name, sheet(page))->text(), QString::fromUtf8(caption));
  }

  // A full stop becomes the comma in the four power fields only; the T pad takes it as typed.
  void decimalKeysAndEnter() {
    typeInto(field("edp_souhait"), "1.5");
    QCOMPARE(text("edp_souhait"), QString("1,5"));
    typeInto(field("edp_amp_sp"), "4.0");
    QCOMPARE(text("edp_amp_sp"), QString("4,0"));
    // A count is not filtered; Return in it computes the page.
    typeInto(field("edRx2"), "0.5");
    QCOMPARE(text("edRx2"), QString("0.5"));
    typeInto(field("edRx2"), "5");
    QTest::keyClick(field("edRx2"), Qt::Key_Return);
    QCOMPARE(text("edR1"), QString("4,0000"));  // 8 x (1 - sqrt(1,5 / 6))
    QCOMPARE(text("edR1x2"), QString("20"));

    typeInto(field("ed_atten_t"), "-3.0");
    QCOMPARE(text("ed_atten_t"), QString("-3.0"));
    QTest::mouseClick(control<QPushButton>("Button1"), Qt::LeftButton);
    QCOMPARE(dialogs_.errors,
             QStringList{"'-3.0' n'est pas une valeur en virgule flottante correcte."});
    dialogs_.clear();
    QCOMPARE(text("edR1_t"), QString("8,0381"));
  }

  // A failure stops at its step: the fields written before it keep their new texts.
  void failureKeepsTheFieldsItDidNotReach() {
    typeInto(field("cbImpHP_sp"), "16");
    typeInto(field("edp_souhait_sp"), "0");
    QTest::keyClick(field("edp_souhait_sp"), Qt::Key_Enter);
    QCOMPARE(dialogs_.errors, QStringList{"Division par zéro en virgule flottante."});
    QCOMPARE(dialogs_.captions, QStringList{valvora::testing::kTitle});
    dialogs_.clear();
    QCOMPARE(text("edR1_sp"), QString("32,0000"));
    QCOMPARE(text("edR2_sp"), QString("32,0000"));
    QCOMPARE(text("edR3_sp"), QString("8,0000"));
    QCOMPARE(text("edi_transfo"), QString("1,0000"));
  }
};

VALVORA_UI_TEST_MAIN(AttenuatorPagesTest)

#include "attenuators_test.moc"
