#include "ui/MainUnit.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFont>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QTimer>

#include "core/attenuators.h"
#include "core/bias.h"
#include "core/capacitors.h"
#include "core/resistors.h"
#include "core/speakers.h"
#include "platform/files.h"
#include "ui/AboutUnit.h"
#include "ui/AlimUnit.h"
#include "ui/AtelierUnit.h"
#include "ui/CalculatorHost.h"
#include "ui/Centre.h"
#include "ui/DataSheetUnit.h"
#include "ui/DecimalKeyFilter.h"
#include "ui/Dialogs.h"
#include "ui/FormGrid.h"
#include "ui/PageControl.h"
#include "ui/Pictures.h"
#include "ui/Sheet.h"
#include "ui/SplashUnit.h"
#include "ui/pages/Attenuators.h"
#include "ui/pages/Bias.h"
#include "ui/pages/BiasActions.h"
#include "ui/pages/Capacitors.h"
#include "ui/pages/Resistors.h"
#include "ui/pages/Speakers.h"

namespace valvora::ui {
namespace {

struct Page {
  const char* sheet;
  const char* caption;
};

// Tab order of the pages.
constexpr Page kPages[] = {
    {"TabSheet1", "2 HP"},
    {"TabSheet3", "3 HP"},
    {"TabSheet8", "3 HP S+P"},
    {"TabSheet2", "4 HP"},
    {"TabSheet9", "4 HP S+P"},
    {"TabSheet6", "Taux de Bias"},
    {"TabSheet10", "Atténuateur en L"},
    {"TabSheet7", "Atténuateur S+P"},
    {"TabSheet11", "Atténuateur en T"},
    {"TabSheet4", "Résistances"},
    {"TabSheet12", "Condensateur && Misc."},
    {"TabSheet5", "Filtres && Alimentation"},
};

// Loaded in this order; a missing file stops the preparation at that picture.
struct PictureFile {
  const char* control;
  const char* path;
};
constexpr PictureFile kPictureFiles[] = {
    {"img2HPs", "data\\2series.jpg"},
    {"img2HPp", "data\\2paralleles.jpg"},
    {"img3HPs", "data\\3series.jpg"},
    {"img3HPp", "data\\3paralleles.jpg"},
    {"img3HPva", "data\\3hybride-vA.jpg"},
    {"img3HPvb", "data\\3hybride-vB.jpg"},
    {"img4HPs", "data\\4series.jpg"},
    {"img4HPp", "data\\4paralleles.jpg"},
    {"img4HPva", "data\\4hybride-vA.jpg"},
    {"img4HPvb", "data\\4hybride-vB.jpg"},
    {"imgAttenuateur", "data\\attenuateur.jpg"},
    {"imgAttenuateurSP", "data\\attenuateur-sp.jpg"},
    {"imgAttenuateurT", "data\\attenuateur-T.jpg"},
    {"imgSP", "data\\resist-serpar.jpg"},
};

// The 35 impedance lists, in filling order.
constexpr const char* kImpedanceLists[] = {
    "cbHPa_2ser", "cbHPb_2ser", "cbHPa_2par", "cbHPb_2par",                              //
    "cbHPa_3ser", "cbHPb_3ser", "cbHPc_3ser", "cbHPa_3par", "cbHPb_3par", "cbHPc_3par",  //
    "cbHPa_3HA",  "cbHPb_3HA",  "cbHPc_3HA",  "cbHPa_3HB",  "cbHPb_3HB",  "cbHPc_3HB",   //
    "cbHPa_4ser", "cbHPb_4ser", "cbHPc_4ser", "cbHPd_4ser",                              //
    "cbHPa_4par", "cbHPb_4par", "cbHPc_4par", "cbHPd_4par",                              //
    "cbHPa_4HA",  "cbHPb_4HA",  "cbHPc_4HA",  "cbHPd_4HA",                               //
    "cbHPa_4HB",  "cbHPb_4HB",  "cbHPc_4HB",  "cbHPd_4HB",                               //
    "cbAS_ImpHP", "cbImpHP_sp", "cbImpHP_t"};

// Buttons that show a secondary window modally or ask before they act; their handlers
// guard their own steps.
struct WindowButton {
  const char* button;
  void (TMainForm::*click)();
};
constexpr WindowButton kWindowButtons[] = {
    {"btnDataSheet", &TMainForm::btnDataSheetClick}, {"btnSchem", &TMainForm::btnSchemClick},
    {"btnRecord", &TMainForm::btnRecordClick},       {"btnLoad", &TMainForm::btnLoadClick},
    {"btnHTML", &TMainForm::btnHTMLClick},
};

// Run once at the end of the preparation, so that every page opens with its results; one
// line a page family, in the preparation's order. The calculators come from the pages.
// clang-format off
constexpr const char* kInitialComputations[] = {
    "hp_2ser", "hp_2par", "hp_3ser", "hp_3par", "hp_3HA", "hp_3HB", "hp_4ser", "hp_4par",
    "hp_4HA", "hp_4HB",
    "resistor_led",
    "convert_condo",
    "Bias",
    "condo_par", "condo_ser",
    "resist_par", "resist_ser", "resist_sp",
    "attenuateur", "attenuateur_sp", "attenuateur_t",
    "condonorm",
    "potentiometre",
    "RCFilter",
    "PuisDisRes", "CourTravRes",
    "Courant", "Transfo",
};
// clang-format on

}  // namespace

TMainForm::TMainForm(QWidget* parent, TSplashForm* splash, platform::ProfileFile settingsFile)
    : TMainForm(parent, splash, std::make_shared<SettingsAtStartUp>(std::move(settingsFile))) {}

TMainForm::TMainForm(QWidget* parent, TSplashForm* splash,
                     std::shared_ptr<SettingsAtStartUp> settings)
    : QMainWindow(parent),
      splash_(splash),
      startUpSettings_(std::move(settings)),
      settingsFile_(startUpSettings_->file()) {
  setObjectName("MainForm");
  // The pages are laid out for a font of Arial's widths; a wider one clips labels and tabs.
  setFont(QFont(QStringLiteral("Liberation Sans"), 9));
  resize(770, 600);
  setMinimumSize(770, 600);  // smaller, the tabs and the bottom bar leave the window
  centreOnScreen(this);
  setCentralWidget(new QWidget);
  buildPages();
  buildBottomBar();
  host_ = std::make_unique<CalculatorHost>(this);
  report_ = std::make_unique<pages::BiasReport>(PageControl_->findChild<QWidget*>("TabSheet6"));
  host_->filterDecimalKeys(decimalKeyFields());
  connectCalculators();
  colourCodeWidgets_ = std::make_unique<pages::ColourCodeWidgets>(
      PageControl_->findChild<QWidget*>("TabSheet4"), host_->fields());
  colourCodeWidgets_->connect([this] { guarded(this, [&] { coulchange(); }); },
                              [this] { guarded(this, [&] { valeurChange(); }); });
  FormCreate();
}

TMainForm::~TMainForm() = default;

void TMainForm::buildPages() {
  PageControl_ = new PageControl(centralWidget());
  PageControl_->setObjectName("PageControl");
  PageControl_->setFixedSize(kPageWidth, kPageHeight);
  for (const Page& p : kPages) PageControl_->addPage(p.sheet, QString::fromUtf8(p.caption));
  for (const pages::SpeakerPage& def : pages::speakerPages())
    pages::buildSpeakerPage(PageControl_->findChild<QWidget*>(def.sheet), def);
  pages::buildBiasPage(PageControl_->findChild<QWidget*>("TabSheet6"));
  for (const pages::AttenuatorPage& def : pages::attenuatorPages())
    pages::buildAttenuatorPage(PageControl_->findChild<QWidget*>(def.sheet), def);
  pages::buildCapacitorPage(PageControl_->findChild<QWidget*>("TabSheet12"));
  pages::buildFilterPage(PageControl_->findChild<QWidget*>("TabSheet5"));
  pages::buildResistorsPage(PageControl_->findChild<QWidget*>("TabSheet4"));
}

void TMainForm::buildBottomBar() {
  PanBar = new QWidget(centralWidget());
  PanBar->setObjectName("PanBar");
  PanBar->resize(714, 33);
  struct Button {
    const char* name;
    const char* caption;
    void (TMainForm::*click)();
  };
  const Button buttons[] = {
      {"btnAtelier", "Atelier", &TMainForm::btnAtelierClick},
      {"btnAbout", "A propos", &TMainForm::btnAboutClick},
      {"btnHelp", "Aide", &TMainForm::btnHelpClick},
      {"btnExit", "Fermer", nullptr},
  };
  int left = PanBar->width() - int(std::size(buttons)) * 84;
  for (const Button& b : buttons) {
    auto* button = new QPushButton(QString::fromUtf8(b.caption), PanBar);
    button->setObjectName(b.name);
    button->setGeometry(left, 4, 80, 25);
    left += 84;
    if (b.click)
      connect(button, &QPushButton::clicked, this, b.click);
    else
      connect(button, &QPushButton::clicked, this, &QWidget::close);
  }
}

void TMainForm::connectCalculators() {
  host_->add(pages::speakerCalculators());
  host_->add(pages::biasCalculators(tubes_));
  host_->add(pages::resistorCalculators());
  host_->add(pages::attenuatorCalculators());
  host_->add(pages::capacitorCalculators(capacitorCode_));
  host_->add(pages::filterCalculators(PageControl_->findChild<QWidget*>("TabSheet5")));
  for (const WindowButton& b : kWindowButtons)
    connect(findChild<QPushButton*>(b.button), &QPushButton::clicked, this, b.click);

  for (const char* list : {"ComboBox1", "ComboBox2"})
    connect(findChild<QComboBox*>(list), &QComboBox::activated, this, &TMainForm::Button10Click);
  pages::onMousePress(findChild<QWidget*>("Edit3"), [this] { Button10Click(); });
  connect(findChild<QRadioButton*>("rbCourant"), &QRadioButton::toggled, this, [this](bool on) {
    if (on) rbCourantClick();
  });
  connect(findChild<QRadioButton*>("rbPuis"), &QRadioButton::toggled, this, [this](bool on) {
    if (on) rbPuisClick();
  });
}

// The preparation: each step in order, stopping at the first failure with the error box.
// The window then opens with what was done so far.
void TMainForm::FormCreate() {
  guarded(this, [&] {
    setWindowState(Qt::WindowMaximized);
    findChild<QLabel*>("lbInfo")->hide();
    animateSplash();
    fillImpedanceLists();
    setWindowTitle(QString::fromUtf8(kApplicationTitle));
    PageControl_->setCurrentIndex(0);
    loadPagePictures();
    DataSheetLoadIni();
    runInitialComputations();
    supplyModeAtStart();
    initialiseColourCode();
  });
}

void TMainForm::animateSplash() {
  if (!splash_) return;
  QProgressBar* bar = splash_->progressBar();
  // The event loop is not running yet: the bar is repainted by hand after each step, and
  // the window system's events are let through, or a window manager that maps the splash
  // later than asked never gets it painted.
  for (int v = 0; v <= 100; ++v) {
    QThread::msleep(35);
    bar->setValue(v);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    bar->repaint();
  }
}

void TMainForm::fillImpedanceLists() {
  const std::vector<std::string> lines = platform::readLines("data\\itemlist.txt");
  QStringList items;
  for (const std::string& line : lines) items << QString::fromStdString(line);
  for (const char* name : kImpedanceLists) {
    auto* list = findChild<QComboBox*>(name);
    if (!list) continue;  // its page is not built yet
    list->clear();
    list->addItems(items);
    // Selecting a third line that the file lacks selects nothing and empties the edit box.
    list->setCurrentIndex(items.size() > 2 ? 2 : -1);
    if (items.size() <= 2) list->setEditText(QString());
  }
}

void TMainForm::loadPagePictures() {
  for (const PictureFile& p : kPictureFiles)
    loadPicture(findChild<QLabel*>(p.control), QString::fromUtf8(p.path));
}

void TMainForm::DataSheetLoadIni() {
  if (const platform::ProfileSnapshot* values = startUpSettings_->values())
    valvora::DataSheetLoadIni(settingsReader(*values), tubes_);
}

void TMainForm::runInitialComputations() {
  for (const char* name : kInitialComputations) host_->run(name);
}

void TMainForm::supplyModeAtStart() {
  if (findChild<QRadioButton*>("rbCourant")->isChecked()) rbCourantClick();
}

void TMainForm::initialiseColourCode() {
  valvora::initialiseColourCode(colourCode_, *colourCodeWidgets_);
}

void TMainForm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (splash_) {
    // Off the screen at once; freed once the events already queued are handled, so the
    // first paint of the main window is not held up. A zero timer, not deleteLater: posted
    // before the event loop runs, a deferred delete waited for the program's end.
    splash_->hide();
    QTimer::singleShot(0, this, [splash = QPointer<TSplashForm>(splash_)] { delete splash; });
    splash_ = nullptr;
  }
}

void TMainForm::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  // Pages centred and raised by 30 pixels, the bottom bar just under them; integer
  // division truncates toward zero, so a small window gives negative offsets.
  const int left = (width() - kPageWidth) / 2;
  const int top = (height() - kPageHeight) / 2 - 30;
  PageControl_->move(left, top);
  PanBar->move(left, top + 510);
}

void TMainForm::btnAtelierClick() {
  // Made on first use, so that start-up does not pay for it; kept afterwards, so the texts
  // stay as the user left them.
  if (!Atelier_) Atelier_ = new TAtelierForm(this, settingsFile_);
  Atelier_->show();
  Atelier_->raise();
  Atelier_->activateWindow();
}

bool TMainForm::openSheet(const QString& name) {
  raise();
  activateWindow();
  btnAtelierClick();
  return Atelier_->sheet().openFile(name);
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (Atelier_ && !Atelier_->sheet().mayDiscard()) {
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

void TMainForm::btnAboutClick() {
  if (AboutBox_) dialogs().showModal(*AboutBox_);
}

void TMainForm::btnHelpClick() {
  dialogs().openDocument(QStringLiteral("Valvora.html"));
}

void TMainForm::btnDataSheetClick() {
  if (DataSheet_) dialogs().showModal(*DataSheet_);
}

void TMainForm::btnSchemClick() {
  if (AlimForm_) dialogs().showModal(*AlimForm_);
}

void TMainForm::saveIni() {
  pages::saveMeasurements(host_->fields(), settingsFile_);
}

void TMainForm::loadIni() {
  pages::loadMeasurements(host_->fields(), settingsFile_.snapshot());
}

void TMainForm::btnRecordClick() {
  if (dialogs().confirm(this, QStringLiteral("Etes vous sur d'enregistrer les modifications ?")) &&
      guarded(this, [&] { saveIni(); }))
    dialogs().message(this, boxCaption(), QStringLiteral("Opération effectuée avec succès."));
}

void TMainForm::btnLoadClick() {
  if (dialogs().confirm(this, QStringLiteral("Etes vous sur de remplacer les données ?")) &&
      guarded(this, [&] { loadIni(); }))
    dialogs().message(this, boxCaption(), QStringLiteral("Opération effectuée avec succès."));
}

void TMainForm::btnHTMLClick() {
  report_->run([&] { host_->run("Bias"); }, tubes_);
}

void TMainForm::Button10Click() {
  guarded(this, [&] { host_->run("condonorm"); });
}

void TMainForm::rbCourantClick() {
  pages::applySupplyMode(this, pages::SupplyMode::Current);
}
void TMainForm::rbPuisClick() {
  pages::applySupplyMode(this, pages::SupplyMode::Power);
}

void TMainForm::coulchange() {
  valvora::coulchange(colourCode_, *colourCodeWidgets_);
}
void TMainForm::valeurChange() {
  valvora::valeurChange(colourCode_, *colourCodeWidgets_);
}

}  // namespace valvora::ui
