#pragma once

#include <vector>

#include "ui/CalculatorHost.h"

#include <QHash>
#include <QRect>
#include <QString>
#include <array>
#include <functional>

#include "core/resistors.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace valvora::ui::pages {

// The "Résistances" page: the colour code group GroupBox9 (band lists, resistor drawing Image1
// with the bands Couleur1..Couleur4, valeur, unite, nbtole, encadrement) and the six network
// groups with their "Calcul" buttons.
void buildResistorsPage(QWidget* page);

// The six network groups' calculators (the colour code follows its lists instead).
std::vector<CalculatorRow> resistorCalculators();

// Where the bands lie on the drawing: each band's rectangle, in Image1's coordinates.
QRect bandRect(int band);

// The colour code group's widgets as the core's state machine sees them. Fields (valeur,
// encadrement) are the window's; lists are addressed by index.
class ColourCodeWidgets : public ColourCodeControls {
 public:
  ColourCodeWidgets(QWidget* page, Fields& fields);
  Fields& fields() override { return fields_; }
  int selected(std::string_view list) const override;
  void select(std::string_view list, int index) override;
  void paint(int band, Rgb colour) override;
  void centreRange() override;
  void showBox(std::string_view caption, std::string_view text) override;

  // A pick in a band list runs onColours; a pick in unite or nbtole, and every change of
  // valeur's text (typed or written by the program), runs onValue. Selections made by the
  // program notify nothing.
  void connect(const std::function<void()>& onColours, const std::function<void()>& onValue);

 private:
  QComboBox* list(std::string_view name) const;
  Fields& fields_;
  QGroupBox* group_;
  QLineEdit* valeur_;
  QLabel* encadrement_;
  QHash<QString, QComboBox*> lists_;
  std::array<QWidget*, 4> bands_{};
};

}  // namespace valvora::ui::pages
