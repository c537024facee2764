#include "ui/AtelierUnit.h"

#include <QFont>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <span>

#include "platform/spice.h"
#include "ui/AtelierKeys.h"
#include "ui/CalculatorHost.h"
#include "ui/Dialogs.h"
#include "ui/PageControl.h"
#include "ui/Sheet.h"
#include "ui/atelier/BiasSetting.h"
#include "ui/atelier/Fiche.h"
#include "ui/atelier/Safety.h"
#include "ui/atelier/Stages.h"
#include "ui/atelier/StandardValues.h"
#include "ui/atelier/Supply.h"
#include "ui/atelier/ToneStack.h"

namespace valvora::ui {
namespace {

struct AtelierTab {
  const char* sheet;
  const char* caption;  // "&&" shows as "&"
  void (*build)(QWidget* tab, const atelier::TabContext& context);
  const char* helpAnchor = "atelier";  // the tab's section in the help
};
// The tabs in their order.
constexpr AtelierTab kAtelierTabs[] = {
    {"tsFiche", "Fiche", &atelier::buildFicheTab, "fiche"},
    {"tsAsBias", "Réglage du bias", &atelier::buildBiasSettingTab, "reglage-bias"},
    {"tsAlimHT", "Alimentation HT", &atelier::buildSupplyTab, "alimentation-ht"},
    {"tsTonalite", "Tonalité", &atelier::buildToneStackTab, "tonalite"},
    {"tsEtages", "Étages à lampes", &atelier::buildStagesTab, "etages"},
    {"tsSecurite", "Sécurité && transfo", &atelier::buildSafetyTab, "securite"},
    {"tsSeries", "Valeurs normalisées", &atelier::buildStandardValuesTab, "valeurs-normalisees"},
};

}  // namespace

TAtelierForm::TAtelierForm(QWidget* parent, platform::ProfileFile settings,
                           platform::Simulator* simulator)
    : QDialog(parent), settings_(std::move(settings)), pages_(new PageControl(this)) {
  setObjectName("AtelierForm");
  setWindowTitle(QStringLiteral("Atelier"));
  setModal(false);
  // The pages' font, for which their fields are sized.
  setFont(QFont(QStringLiteral("Liberation Sans"), 9));
  pages_->setObjectName("pcAtelier");
  for (const AtelierTab& t : kAtelierTabs) pages_->addPage(t.sheet, QString::fromUtf8(t.caption));

  // The sheet's file commands, left of "Aide"; connected once the tabs are built.
  struct FileCommand {
    const char* caption;
    const char* name;
    QKeySequence keys;
  };
  const FileCommand fileCommands[] = {
      {"Ouvrir…", "btnAtOpen", QKeySequence(Qt::CTRL | Qt::Key_O)},
      {"Enregistrer", "btnAtSave", QKeySequence(Qt::CTRL | Qt::Key_S)},
      {"Enregistrer sous…", "btnAtSaveAs", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
      {"PDF…", "btnAtPdf", QKeySequence(Qt::CTRL | Qt::Key_P)},
  };
  // "Ouvrir…" has the recent sheets under its arrow.
  auto* openButton = new QToolButton(this);
  openButton->setText(QString::fromUtf8(fileCommands[0].caption));
  openButton->setObjectName(fileCommands[0].name);
  openButton->setShortcut(fileCommands[0].keys);
  openButton->setPopupMode(QToolButton::MenuButtonPopup);
  openButton->setMenu(new QMenu(openButton));
  std::vector<QAbstractButton*> fileButtons{openButton};
  for (const FileCommand& c : std::span(fileCommands).subspan(1)) {
    auto* button = new QPushButton(QString::fromUtf8(c.caption), this);
    button->setObjectName(c.name);
    button->setShortcut(c.keys);
    fileButtons.push_back(button);
  }
  auto* help = new QPushButton(QStringLiteral("Aide"), this);
  help->setObjectName("btnAtelierHelp");
  connect(help, &QPushButton::clicked, this, [this] {
    const int at = pages_->currentIndex();
    const char* anchor =
        at >= 0 && at < int(std::size(kAtelierTabs)) ? kAtelierTabs[at].helpAnchor : "atelier";
    dialogs().openDocument(QStringLiteral("Valvora.html#") + QLatin1String(anchor));
  });
  auto* close = new QPushButton(QStringLiteral("Fermer"), this);
  close->setObjectName("btnAtelierClose");
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  help->setFixedWidth(80);
  close->setFixedWidth(80);
  auto* bar = new QHBoxLayout;
  for (QAbstractButton* b : fileButtons) bar->addWidget(b);
  bar->addStretch(1);
  bar->addWidget(help);
  bar->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages_, 1);
  layout->addLayout(bar);

  host_ = std::make_unique<CalculatorHost>(this);
  const atelier::TabContext context{*host_, settings_,
                                    simulator ? *simulator : platform::ngspice()};
  for (int i = 0; i < pages_->count(); ++i) kAtelierTabs[i].build(pages_->page(i), context);
  sheet_ = new SheetCommands(*this, *pages_);
  connect(fileButtons[0], &QAbstractButton::clicked, sheet_, &SheetCommands::open);
  connect(fileButtons[1], &QAbstractButton::clicked, sheet_, &SheetCommands::save);
  connect(fileButtons[2], &QAbstractButton::clicked, sheet_, &SheetCommands::saveAs);
  connect(fileButtons[3], &QAbstractButton::clicked, sheet_, &SheetCommands::pdf);
  // Read when shown: another window or a save since may have changed the list.
  QMenu* recent = openButton->menu();
  connect(recent, &QMenu::aboutToShow, this, [this, recent] {
    recent->clear();
    const QStringList names = recentSheets::names();
    if (names.isEmpty())
      recent->addAction(QStringLiteral("Aucune fiche récente"))->setEnabled(false);
    for (const QString& name : names) {
      QString text = name;
      QAction* action = recent->addAction(text.replace(QLatin1Char('&'), QStringLiteral("&&")));
      connect(action, &QAction::triggered, sheet_, [this, name] { sheet_->openFile(name); });
    }
  });
  // Enter belongs to the "Calcul" of the group being typed in, not to a default button of
  // the dialog.
  for (QPushButton* b : findChildren<QPushButton*>()) b->setAutoDefault(false);
  QList<QAbstractButton*> bottomRow(fileButtons.begin(), fileButtons.end());
  bottomRow << help << close;
  applyAtelierKeys(*pages_, bottomRow);
  resize(QSize(900, 680).expandedTo(minimumSizeHint()));
}

TAtelierForm::~TAtelierForm() = default;

void TAtelierForm::reject() {
  // Escape, "Fermer" and the close box all end here (a dialog's close event rejects it): the
  // question about the sheet comes first.
  if (sheet_->mayDiscard()) QDialog::reject();
}

}  // namespace valvora::ui
