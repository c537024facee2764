#include "ui/AtelierUnit.h"

#include <QFont>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/spice.h"
#include "ui/CalculatorHost.h"
#include "ui/Dialogs.h"
#include "ui/PageControl.h"
#include "ui/atelier/BiasSetting.h"
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
};
// The tabs in their order.
constexpr AtelierTab kAtelierTabs[] = {
    {"tsAsBias", "Réglage du bias", &atelier::buildBiasSettingTab},
    {"tsAlimHT", "Alimentation HT", &atelier::buildSupplyTab},
    {"tsTonalite", "Tonalité", &atelier::buildToneStackTab},
    {"tsEtages", "Étages à lampes", &atelier::buildStagesTab},
    {"tsSecurite", "Sécurité && transfo", &atelier::buildSafetyTab},
    {"tsSeries", "Valeurs normalisées", &atelier::buildStandardValuesTab},
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

  auto* help = new QPushButton(QStringLiteral("Aide"), this);
  help->setObjectName("btnAtelierHelp");
  connect(help, &QPushButton::clicked, this,
          [] { dialogs().openDocument(QStringLiteral("Valvora.html")); });
  auto* close = new QPushButton(QStringLiteral("Fermer"), this);
  close->setObjectName("btnAtelierClose");
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  help->setFixedWidth(80);
  close->setFixedWidth(80);
  auto* bar = new QHBoxLayout;
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
  // Enter belongs to the "Calcul" of the group being typed in, not to a default button of
  // the dialog.
  for (QPushButton* b : findChildren<QPushButton*>()) b->setAutoDefault(false);
  resize(900, 680);
}

TAtelierForm::~TAtelierForm() = default;

}  // namespace valvora::ui
