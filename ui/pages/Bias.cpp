#include "ui/pages/Bias.h"
#include "ui/FormGrid.h"

#include <QFont>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <array>
#include <vector>
#include "core/bias.h"

namespace valvora::ui::pages {
namespace {

constexpr int kFieldWidth = 62;
constexpr QColor kNavy(0, 0, 128);

// One column of the grids, in screen order. A live column names its fields after its prefix
// (ed6L6anode); a placeholder has fixed names and no texts.
struct Column {
  const char* label;
  const char* prefix;                       // nullptr for KT66 and KT90
  std::array<const char*, 5> defaults;      // anode, cathode, grid 2, C2, R4
  std::array<const char*, 7> measureNames;  // placeholders only
  std::array<const char*, 3> resultNames;   // placeholders only
};

constexpr Column kColumns[] = {
    {"6L6", "6L6", {"235", "11,5", "233", "242", "70"}, {}, {}},
    {"6V6", "6V6", {"252", "11,8", "243", "255", "52"}, {}, {}},
    {"EL34", "EL34", {"236", "11,66", "226", "242", "69,1"}, {}, {}},
    {"6L6GC", "6L6gc", {"248", "11,94", "244", "261", "99"}, {}, {}},
    {"EL84", "EL84", {"286", "10,67", "282", "290", "45"}, {}, {}},
    {"KT66",
     nullptr,
     {},
     {"Edit1", "Edit2", "Edit6", "Edit7", "Edit11", "Edit12", "Edit16"},
     {"Edit43", "Edit44", "Edit45"}},
    {"KT88", "KT88", {"286", "10,67", "282", "290", "45"}, {}, {}},
    {"KT90",
     nullptr,
     {},
     {"Edit36", "Edit37", "Edit38", "Edit39", "Edit40", "Edit41", "Edit42"},
     {"Edit49", "Edit56", "Edit57"}},
};

struct Row {
  const char* caption;
  const char* field;  // ed<prefix><field>
  bool input;
};

constexpr Row kMeasureRows[] = {
    {"V anode (pin 3 V2) :", "anode", true},
    {"V cathode (pin 8 V2) :", "cathode", true},
    {"V grille 2 (pin 4 V2) :", "grille2", true},
    {"V C2 :", "VC9", true},
    {"mV aux borne R4 :", "VborneR19", true},
    {"Rés. cathode R3 :", "ResCatR20", false},
    {"Impédance :", "Imp", false},
};

constexpr Row kResultRows[] = {
    {"Puiss. dissipée anode :", "disanode", false},
    {"Puiss. dissipée grille 2 :", "disgrille", false},
    {"Taux de Bias :", "txbias", false},
};

struct Button {
  const char* name;
  const char* caption;
};
constexpr Button kButtons[] = {
    {"btnDataSheet", "Data Sheet"}, {"btnCalcul", "Calcul"}, {"btnRecord", "Enregistrer"},
    {"btnLoad", "Charger"},         {"btnSchem", "Schéma"},  {"btnHTML", "Etat HTML"},
};

// One grid group; returns its fields column by column (top to bottom), for the focus order.
template <std::size_t N>
QGroupBox* buildGrid(const char* box, const char* caption, const Row (&rows)[N],
                     std::array<const char*, N> Column::*placeholders, int captionWidth,
                     std::vector<QWidget*>& focusOrder) {
  auto* group = new QGroupBox(QString::fromUtf8(caption));
  group->setObjectName(box);
  auto* grid = new QGridLayout(group);
  grid->setContentsMargins(8, 4, 8, 6);
  grid->setHorizontalSpacing(5);
  grid->setVerticalSpacing(3);
  grid->setColumnMinimumWidth(0, captionWidth);
  grid->setColumnStretch(0, 1);

  const QString suffix = QLatin1String(box);
  auto* header = new QLabel(QStringLiteral("Modèle de lampe :"));
  header->setObjectName(QStringLiteral("lbModele_") + suffix);
  grid->addWidget(header, 0, 0);
  for (std::size_t r = 0; r < N; ++r) {
    auto* label = new QLabel(QString::fromUtf8(rows[r].caption));
    label->setObjectName(QStringLiteral("lbBias_") + QLatin1String(rows[r].field));
    grid->addWidget(label, int(r) + 1, 0);
  }

  QFont bold = group->font();
  bold.setBold(true);
  int c = 1;
  for (const Column& col : kColumns) {
    const QString tube = QLatin1String(col.label);
    auto* title = new QLabel(tube);
    title->setObjectName(QStringLiteral("lb") + tube + QLatin1Char('_') + suffix);
    title->setFont(bold);
    title->setAlignment(Qt::AlignCenter);
    title->setEnabled(col.prefix != nullptr);
    grid->addWidget(title, 0, c);
    for (std::size_t r = 0; r < N; ++r) {
      auto* edit = new QLineEdit;
      edit->setFixedWidth(kFieldWidth);
      const QString rowCaption = QString::fromUtf8(rows[r].caption).chopped(2);
      edit->setAccessibleName(rowCaption + QLatin1Char(' ') + tube);
      if (col.prefix) {
        edit->setObjectName(QStringLiteral("ed") + QLatin1String(col.prefix) +
                            QLatin1String(rows[r].field));
        if (rows[r].input)
          edit->setText(QString::fromUtf8(col.defaults[r]));
        else
          markResult(edit);
        focusOrder.push_back(edit);
      } else {
        edit->setObjectName(QLatin1String((col.*placeholders)[r]));
        edit->setEnabled(false);
      }
      grid->addWidget(edit, int(r) + 1, c);
    }
    ++c;
  }
  return group;
}

int captionWidth(const QFont& font) {
  const QFontMetrics m(font);
  int w = m.horizontalAdvance(QStringLiteral("Modèle de lampe :"));
  for (const Row& r : kMeasureRows)
    w = std::max(w, m.horizontalAdvance(QString::fromUtf8(r.caption)));
  for (const Row& r : kResultRows)
    w = std::max(w, m.horizontalAdvance(QString::fromUtf8(r.caption)));
  return w + 4;
}

}  // namespace

void buildBiasPage(QWidget* page) {
  auto* column = new QVBoxLayout(page);
  column->setContentsMargins(6, 4, 6, 6);
  column->setSpacing(4);

  // The same caption width in both groups keeps their tube columns aligned.
  const int width = captionWidth(page->font());
  std::vector<QWidget*> focusOrder;
  column->addWidget(buildGrid("GroupBoxMesures", "Mesures", kMeasureRows, &Column::measureNames,
                              width, focusOrder));
  column->addWidget(buildGrid("GroupBoxResultats", "Résultats", kResultRows, &Column::resultNames,
                              width, focusOrder));

  // Shown only while a report is written; its place is kept so the page does not jump.
  auto* info = new QLabel(QStringLiteral("Génération de l''état en cours ..."), page);
  info->setObjectName("lbInfo");
  QPalette navy = info->palette();
  navy.setColor(QPalette::WindowText, kNavy);
  info->setPalette(navy);
  QSizePolicy keep = info->sizePolicy();
  keep.setRetainSizeWhenHidden(true);
  info->setSizePolicy(keep);
  column->addWidget(info);

  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(6);
  for (const Button& b : kButtons) {
    auto* button = new QPushButton(QString::fromUtf8(b.caption), page);
    button->setObjectName(b.name);
    button->setMinimumWidth(90);
    buttons->addWidget(button);
    focusOrder.push_back(button);
  }
  buttons->addStretch(1);
  column->addLayout(buttons);
  column->addStretch(1);

  // Down each column, columns left to right, then the buttons.
  for (std::size_t i = 1; i < focusOrder.size(); ++i)
    QWidget::setTabOrder(focusOrder[i - 1], focusOrder[i]);
}

std::vector<CalculatorRow> biasCalculators(BiasRecords& tubes) {
  return {{"Bias", "btnCalcul", [&tubes](Fields& f) { valvora::Bias(f, tubes); }}};
}

}  // namespace valvora::ui::pages
