// The captions of the windows and boxes as an X server holds them (_NET_WM_NAME, read with
// xprop): on X11, Qt changes a title on its way to the server when the program sets an
// application display name. Run on a virtual X display by on_x11.sh; skipped elsewhere.

#include <QGuiApplication>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <memory>
#include <optional>
#include <vector>

#include "tests/ui/uitest.h"
#include "ui/AboutUnit.h"
#include "ui/AtelierUnit.h"
#include "ui/DataSheetUnit.h"

using valvora::testing::kTitle;
using valvora::testing::typeInto;

namespace {

// The real error box, shown without a modal loop so that the test can look at it.
class ShownBoxes : public valvora::testing::RecordingDialogs {
 public:
  void error(QWidget*, const QString& caption, const QString& text) override {
    boxes.push_back(valvora::ui::errorBox(caption, text));
    boxes.back()->setWindowModality(Qt::NonModal);  // else the guard closes it
    boxes.back()->show();
  }
  std::vector<std::unique_ptr<QMessageBox>> boxes;
};

// The title the X server holds for a window, as the window manager reads it.
QString serverTitle(QWidget* window) {
  QProcess xprop;
  xprop.start("xprop", {"-id", QString::number(window->winId()), "_NET_WM_NAME"});
  if (!xprop.waitForFinished(5000)) return "<xprop did not answer>";
  // _NET_WM_NAME(UTF8_STRING) = "Datasheet Tube"
  const QString out = QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
  const qsizetype first = out.indexOf('"');
  return first < 0 ? out : out.mid(first + 1, out.lastIndexOf('"') - first - 1);
}

}  // namespace

class CaptionsTest : public valvora::testing::UiTest {
  Q_OBJECT

 private:
  ShownBoxes shown_;
  std::optional<valvora::ui::ScopedDialogs> shownScope_;

  // Shown, mapped, and its title as the server has it.
  QString titleOf(QWidget* window) {
    window->show();
    if (!QTest::qWaitForWindowExposed(window)) return "<not exposed>";
    return serverTitle(window);
  }
  // The box the last failure showed, with its caption on the server and room for it.
  void checkLastBox(const QString& caption) {
    QVERIFY(!shown_.boxes.empty());
    QMessageBox* box = shown_.boxes.back().get();
    QCOMPARE(titleOf(box), caption);
    QFont bold = box->font();
    bold.setBold(true);
    QVERIFY2(box->width() >= QFontMetrics(bold).horizontalAdvance(caption) + 120,
             qPrintable(caption));
    shown_.boxes.clear();
  }

 private slots:
  void initTestCase() {
    prepareRun();
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
      QSKIP("needs an X server (tests/ui/on_x11.sh starts one)");
    shownScope_.emplace(shown_);
  }

  void windows() {
    form_->setWindowState(Qt::WindowNoState);
    QCOMPARE(titleOf(form_.get()), kTitle);
    valvora::ui::TDataSheet dataSheet;
    QCOMPARE(titleOf(&dataSheet), QString("Datasheet Tube"));
    valvora::ui::TAboutBox about(
        nullptr, {[] { return std::uint64_t(0); }, [](std::chrono::milliseconds) {}});
    QCOMPARE(titleOf(&about), QString("A propos ..."));
    valvora::ui::TAtelierForm atelier;
    QCOMPARE(titleOf(&atelier), QString("Atelier"));
    const std::unique_ptr<QMessageBox> question =
        valvora::ui::confirmationBox("Etes vous sur de remplacer les données ?", false);
    question->setWindowModality(Qt::NonModal);
    QCOMPARE(titleOf(question.get()), QString("Confirmation"));
  }

  // The error box of a calculation and the colour code's own boxes.
  void boxes() {
    form_->show();
    typeInto(control("edAmp_2ser"), "x");
    click("Button2");
    checkLastBox(kTitle);
    const struct {
      const char* value;
      const char* caption;
    } values[] = {{"abc", "Erreur"},
                  {"100000000", "Dépassement de valeur limite"},
                  {"0,05", "Dépassement de valeur limite"}};
    for (const auto& v : values) {
      control<QComboBox>("unite")->setCurrentIndex(0);  // in ohms
      control<QLineEdit>("valeur")->setText(v.value);
      checkLastBox(QString::fromUtf8(v.caption));
    }
  }
};

VALVORA_UI_TEST_MAIN(CaptionsTest)

#include "captions_test.moc"
