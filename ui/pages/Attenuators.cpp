#include "ui/pages/Attenuators.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <vector>

#include "core/attenuators.h"
#include "ui/FormGrid.h"

namespace valvora::ui::pages {

const std::array<AttenuatorPage, 3>& attenuatorPages() {
  static const std::array<AttenuatorPage, 3> pages = {{
      {"TabSheet10",
       {{{"Label148", "Impédance HP :", "cbAS_ImpHP", "", "Label151", "Ohms"},
         {"Label149", "Puissance de l'ampli :", "edp_amp", "6,00", "Label152", "Watts"},
         {"Label150", "Puissance souhaitée :", "edp_souhait", "0,68", "Label153", "Watts"}}},
       "Label158",
       "Puissance à dissiper :",
       {{{{{"Label154", "R1 :", "edR1", "", "Label156", "Ohms"},
           {nullptr, nullptr, "edPuisR1", "", "Label159", "Watts"}}},
         {{{"Label155", "R2 :", "edR2", "", "Label157", "Ohms"},
           {nullptr, nullptr, "edPuisR2", "", "Label160", "Watts"}}},
         {{{"Label161", "I :", "edI", "", "Label162", "Ampères"}}},
         {{{"Label163", "U R1 :", "edUR1", "", "Label164", "Volts"},
           {"Label168", "I HP :", "ediHP"}}},
         {{{"Label165", "U R2 :", "edUR2", "", "Label166", "Volts"},
           {"Label169", "I R2 :", "ediR2"}}}}},
       5,
       "Panel2",
       {},
       0,
       true,
       "imgAttenuateur",
       "Button18",
       "attenuateur",
       &valvora::attenuateur},
      {"TabSheet7",
       {{{"Label59", "Impédance HP :", "cbImpHP_sp", "", "Label62", "Ohms"},
         {"Label60", "Puissance de l'ampli :", "edp_amp_sp", "8,00", "Label61", "Watts"},
         {"Label63", "Puissance souhaitée :", "edp_souhait_sp", "2,00", "Label64", "Watts"}}},
       "Label69",
       "Puissance à dissiper",
       {{{{{"Label65", "R1 :", "edR1_sp", "", "Label67", "Ohms"},
           {nullptr, nullptr, "edPuisR1_sp", "", "Label70", "Watts"}}},
         {{{"Label66", "R2 :", "edR2_sp", "", "Label68", "Ohms"},
           {nullptr, nullptr, "edPuisR2_sp", "", "Label71", "Watts"}}},
         {{{"Label72", "R3 :", "edR3_sp", "", "Label73", "Ohms"},
           {nullptr, nullptr, "edPuisR3_sp", "", "Label74", "Watts"}}}}},
       3,
       "Panel1",
       {{{{{"Label75", "I Transfo :", "edi_transfo"}}},
         {{{"Label177", "I R1 :", "edIR1_sp"}, {"Label76", "U R1 :", "edUR1_sp"}}},
         {{{"Label178", "I R2 :", "edIR2_sp"}, {"Label175", "U R2 :", "edUR2_sp"}}},
         {{{"Label179", "I R3 :", "edIR3_sp"}, {"Label176", "U R3 :", "edUR3_sp"}}},
         {{{"Label180", "I HP :", "ediHP_sp"}}}}},
       5,
       false,
       "imgAttenuateurSP",
       "Button19",
       "attenuateur_sp",
       &valvora::attenuateur_sp},
      {"TabSheet11",
       {{{"Label198", "Puissance de l'ampli :", "edp_amp_t", "10", "Label211", "Watts"},
         {"Label197", "Impédance HP :", "cbImpHP_t", "", "Label210", "Ohms"},
         {"Label199", "Atténuation :", "ed_atten_t", "-6", "Label212", "dB"}}},
       nullptr,
       nullptr,
       {{{{{"Label200", "R1 :", "edR1_t", "", "Label53", "Ohms"}}},
         {{{"Label201", "R2 :", "edR2_t", "", "Label54", "Ohms"}}},
         {{{"Label202", "R3 R4 :", "edR3R4_t", "", "Label55", "Ohms"}}}}},
       3,
       nullptr,
       // Powers, currents and voltages in three columns; the amplifier has no power cell.
       {{{{{}, {"Label203", "I Ampli :", "ediampli_t"}, {"Label209", "U Ampli :", "eduampli_t"}}},
         {{{"Label219", "P R1 :", "edp_r1_t"},
           {"Label204", "I R1 :", "ediR1_t"},
           {"Label213", "U R1 :", "edu_r1_t"}}},
         {{{"Label220", "P R2 :", "edp_r2_t"},
           {"Label205", "I R2 :", "ediR2_t"},
           {"Label214", "U R2 :", "edu_r2_t"}}},
         {{{"Label221", "P R3 :", "edp_r3_t"},
           {"Label206", "I R3 :", "ediR3_t"},
           {"Label215", "U R3 :", "edu_r3_t"}}},
         {{{"Label222", "P R4 :", "edp_r4_t"},
           {"Label207", "I R4 :", "edi_r4_t"},
           {"Label216", "U R4 :", "edu_r4_t"}}},
         {{{"Label223", "P HP :", "edp_hp_t"},
           {"Label208", "I HP :", "edi_hp_t"},
           {"Label217", "U HP :", "edu_hp_t"}}}}},
       6,
       false,
       "imgAttenuateurT",
       "Button1",
       "attenuateur_t",
       &valvora::attenuateur_t},
  }};
  return pages;
}

namespace {

constexpr QSize kPictureSize(286, 145);
constexpr int kTableFieldWidth = 130;
constexpr int kCountWidth = 50;

QLabel* label(const char* name, const char* text) {
  auto* l = new QLabel(QString::fromUtf8(text));
  l->setObjectName(QLatin1String(name));
  return l;
}

class PageBuilder {
 public:
  // Cells of the given rows into grid from its row `first`, each cell taking three columns.
  void addRows(QGridLayout* grid, int first, const Row* rows, int count) {
    for (int r = 0; r < count; ++r)
      for (int c = 0; c < int(rows[r].size()); ++c) addCell(grid, first + r, 3 * c, rows[r][c]);
  }

  void addCell(QGridLayout* grid, int row, int column, const Cell& cell) {
    if (!cell.field) return;
    auto* edit = new QLineEdit(QString::fromUtf8(cell.text));
    edit->setObjectName(QLatin1String(cell.field));
    edit->setFixedWidth(FormGrid::kFieldWidth);
    if (cell.label) {
      QLabel* caption = label(cell.label, cell.caption);
      caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
      caption->setBuddy(edit);
      edit->setAccessibleName(caption->text());
      grid->addWidget(caption, row, column);
    }
    grid->addWidget(edit, row, column + 1);
    addUnit(grid, row, column + 2, cell);
    focus.push_back(edit);
  }

  void addUnit(QGridLayout* grid, int row, int column, const Cell& cell) {
    if (cell.unitLabel) grid->addWidget(label(cell.unitLabel, cell.unit), row, column);
  }

  std::vector<QWidget*> focus;
};

// The L pad's table: a count per row and, for it, each resistor and its power.
void addPartsTable(QVBoxLayout* column, const QFontMetrics& metrics, PageBuilder& b) {
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(4);
  QLabel* count = label("Label170", "Nb rés. en //");
  count->setWordWrap(true);
  // Two lines, "Nb rés." over "en //", above the narrow count fields.
  count->setFixedWidth(metrics.horizontalAdvance(QStringLiteral("Nb rés. ")) + 4);
  grid->addWidget(count, 0, 0, Qt::AlignBottom);
  const char* heads[][2] = {
      {"Label171", "R1"}, {"Label172", "Puiss."}, {"Label173", "R2"}, {"Label174", "Puiss."}};
  for (int c = 0; c < 4; ++c) {
    QLabel* head = label(heads[c][0], heads[c][1]);
    head->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    grid->addWidget(head, 0, c + 1);
  }
  const char* counts[] = {"4", "3", "2", "1"};
  const char* results[] = {"edR1x%1", "edR1x%1puis", "edR2x%1", "edR2x%1puis"};
  const char* captions[] = {"R1", "Puiss. R1", "R2", "Puiss. R2"};
  for (int r = 0; r < 4; ++r) {
    const QString n = QLatin1String(counts[r]);
    auto* edit = new QLineEdit(n);
    edit->setObjectName(QStringLiteral("edRx") + n);
    edit->setAccessibleName(QStringLiteral("Nb rés. en // ligne %1").arg(r + 1));
    edit->setFixedWidth(kCountWidth);
    grid->addWidget(edit, r + 1, 0);
    b.focus.push_back(edit);
    for (int c = 0; c < 4; ++c) {
      auto* result = new QLineEdit;
      result->setObjectName(QString::fromLatin1(results[c]).arg(n));
      result->setAccessibleName(
          QStringLiteral("%1 pour %2").arg(QString::fromUtf8(captions[c]), n));
      result->setFixedWidth(kTableFieldWidth);
      grid->addWidget(result, r + 1, c + 1);
      b.focus.push_back(result);
    }
  }
  grid->setColumnStretch(5, 1);
  column->addLayout(grid);
}

}  // namespace

void buildAttenuatorPage(QWidget* page, const AttenuatorPage& def) {
  auto* column = new QVBoxLayout(page);
  column->setContentsMargins(10, 10, 10, 8);
  column->setSpacing(8);
  PageBuilder b;

  // Inputs, then the resistors, on the shared rows; units in the third column.
  FormGrid form(page);
  for (const Cell& in : def.inputs) {
    const QString caption = QString::fromUtf8(in.caption);
    const QString name = QLatin1String(in.field);
    QWidget* field = name.startsWith(QLatin1String("cb"))
                         ? static_cast<QWidget*>(form.addList(caption, name))
                         : form.addEdit(caption, name, QString::fromUtf8(in.text));
    b.focus.push_back(field);
  }
  QGridLayout* grid = form.layout();
  for (int r = 0; r < 3; ++r) {
    grid->itemAtPosition(r, 0)->widget()->setObjectName(QLatin1String(def.inputs[r].label));
    b.addUnit(grid, r, 2, def.inputs[r]);
  }
  int row = 3;
  if (def.head) {
    grid->setRowMinimumHeight(row, 8);
    grid->addWidget(label(def.headLabel, def.head), row + 1, 3, 1, 3);
    row += 2;
  }
  b.addRows(grid, row, def.upper.data(), def.upperRows);
  // Rows keep their height when the picture beside them is taller.
  grid->setRowStretch(row + def.upperRows, 1);
  grid->setColumnMinimumWidth(2, 44);
  grid->setColumnMinimumWidth(3, 16);

  auto* top = new QHBoxLayout;
  top->setSpacing(12);
  top->addLayout(grid);
  top->addStretch(1);
  auto* side = new QVBoxLayout;
  side->setSpacing(8);
  auto* picture = new QLabel;
  picture->setObjectName(QLatin1String(def.picture));
  picture->setFixedSize(kPictureSize);
  side->addWidget(picture, 0, Qt::AlignRight);
  auto* button = new QPushButton(QStringLiteral("Calcul"));
  button->setObjectName(QLatin1String(def.button));
  button->setFixedWidth(FormGrid::kFieldWidth + 10);
  side->addWidget(button, 0, Qt::AlignRight);
  side->addStretch(1);
  top->addLayout(side);
  column->addLayout(top);

  if (def.separator) {
    auto* line = new QFrame;
    line->setObjectName(QLatin1String(def.separator));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setFixedHeight(2);
    column->addWidget(line);
  }
  if (def.lowerRows > 0) {
    auto* lower = new QGridLayout;
    lower->setHorizontalSpacing(6);
    lower->setVerticalSpacing(4);
    b.addRows(lower, 0, def.lower.data(), def.lowerRows);
    // The captions keep the width of the widest, the cells stay together at the left.
    for (int c = 0; c < 3; ++c) lower->setColumnMinimumWidth(3 * c + 2, 24);
    lower->setColumnStretch(9, 1);
    column->addLayout(lower);
  }
  if (def.partsTable) addPartsTable(column, page->fontMetrics(), b);
  column->addStretch(1);

  b.focus.push_back(button);
  for (std::size_t i = 1; i < b.focus.size(); ++i) QWidget::setTabOrder(b.focus[i - 1], b.focus[i]);
}

std::vector<CalculatorRow> attenuatorCalculators() {
  std::vector<CalculatorRow> rows;
  for (const AttenuatorPage& page : attenuatorPages())
    rows.push_back({page.calculator, page.button, page.run});
  return rows;
}

}  // namespace valvora::ui::pages
