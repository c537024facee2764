#include "ui/pages/Speakers.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/speakers.h"
#include "ui/FormGrid.h"

namespace valvora::ui::pages {

const std::array<SpeakerPage, 5>& speakerPages() {
  static const std::array<SpeakerPage, 5> pages = {{
      {"TabSheet1",
       {"GroupBox1", "Série", "_2ser", 2, "img2HPs", "Button2", &valvora::hp_2ser},
       {"GroupBox2", "Parallèle", "_2par", 2, "img2HPp", "Button3", &valvora::hp_2par}},
      {"TabSheet3",
       {"GroupBox5", "Série", "_3ser", 3, "img3HPs", "Button6", &valvora::hp_3ser},
       {"GroupBox6", "Parallèle", "_3par", 3, "img3HPp", "Button7", &valvora::hp_3par}},
      {"TabSheet8",
       {"GroupBox12", "Version A", "_3HA", 3, "img3HPva", "Button14", &valvora::hp_3HA},
       {"GroupBox13", "Version B", "_3HB", 3, "img3HPvb", "Button15", &valvora::hp_3HB}},
      {"TabSheet2",
       {"GroupBox3", "Série", "_4ser", 4, "img4HPs", "Button4", &valvora::hp_4ser},
       {"GroupBox4", "Parallèle", "_4par", 4, "img4HPp", "Button5", &valvora::hp_4par}},
      {"TabSheet9",
       {"GroupBox14", "Version A", "_4HA", 4, "img4HPva", "Button16", &valvora::hp_4HA},
       {"GroupBox15", "Version B", "_4HB", 4, "img4HPvb", "Button17", &valvora::hp_4HB}},
  }};
  return pages;
}

namespace {

constexpr QSize kPictureSize(130, 250);

QString named(const char* prefix, const char* suffix) {
  return QLatin1String(prefix) + QLatin1String(suffix);
}
QString named(const char* prefix, int speaker, const char* suffix) {
  return QLatin1String(prefix) + QChar('a' + speaker) + QLatin1String(suffix);
}

QGroupBox* buildGroup(QWidget* page, const SpeakerGroup& g) {
  auto* box = new QGroupBox(QString::fromUtf8(g.caption), page);
  box->setObjectName(g.box);
  auto* row = new QHBoxLayout(box);
  row->setContentsMargins(6, 6, 6, 6);
  row->setSpacing(6);

  auto* picture = new QLabel(box);
  picture->setObjectName(g.picture);
  picture->setFixedSize(kPictureSize);
  picture->setAlignment(Qt::AlignCenter);
  row->addWidget(picture, 0, Qt::AlignTop);

  FormGrid form(box);
  form.addEdit(QStringLiteral("Puissance de l'ampli :"), named("edAmp", g.suffix),
               QStringLiteral("100"));
  for (int i = 0; i < g.speakers; ++i)
    form.addList(QStringLiteral("Impédance HP %1 :").arg(QChar('A' + i)),
                 named("cbHP", i, g.suffix));
  form.addEdit(QStringLiteral("Impédance totale :"), named("edHPtotale", g.suffix));
  const bool twoSpeakers = g.speakers == 2;
  for (int i = 0; i < g.speakers; ++i) {
    // The "2 HP" page has always carried this spelling of its B power label.
    const QString label = twoSpeakers && i == 1
                              ? QStringLiteral("Puiissance HP B :")
                              : QStringLiteral("Puissance HP %1 :").arg(QChar('A' + i));
    form.addEdit(label, named("edPHP", i, g.suffix));
  }
  form.addButton(QStringLiteral("Calcul"), g.button);
  row->addLayout(form.layout(), 1);
  return box;
}

}  // namespace

void buildSpeakerPage(QWidget* page, const SpeakerPage& def) {
  auto* columns = new QHBoxLayout(page);
  columns->setContentsMargins(6, 6, 6, 6);
  columns->setSpacing(6);
  columns->addWidget(buildGroup(page, def.left), 1, Qt::AlignTop);
  columns->addWidget(buildGroup(page, def.right), 1, Qt::AlignTop);
}

std::vector<CalculatorRow> speakerCalculators() {
  std::vector<CalculatorRow> rows;
  for (const SpeakerPage& page : speakerPages())
    for (const SpeakerGroup* g : {&page.left, &page.right})
      rows.push_back({std::string("hp") + g->suffix, g->button, g->run});
  return rows;
}

}  // namespace valvora::ui::pages
