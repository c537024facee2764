#include "ui/DecimalKeyFilter.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace valvora::ui {

bool DecimalKeyFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->text() == QLatin1String(".")) {
      QKeyEvent comma(QEvent::KeyPress, Qt::Key_Comma, key->modifiers(), QStringLiteral(","),
                      key->isAutoRepeat(), ushort(key->count()));
      QCoreApplication::sendEvent(watched, &comma);
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

const std::initializer_list<const char*>& decimalKeyFields() {
  static const std::initializer_list<const char*> names = {
      // "Taux de Bias": the 6L6, 6V6, EL34 and EL84 columns
      "ed6L6anode", "ed6L6cathode", "ed6L6grille2", "ed6L6VC9", "ed6L6VborneR19",       //
      "ed6V6anode", "ed6V6cathode", "ed6V6grille2", "ed6V6VC9", "ed6V6VborneR19",       //
      "edEL34anode", "edEL34cathode", "edEL34grille2", "edEL34VC9", "edEL34VborneR19",  //
      "edEL84anode", "edEL84cathode", "edEL84grille2", "edEL84VC9", "edEL84VborneR19",  //
      // attenuators
      "edp_amp", "edp_souhait", "edp_amp_sp", "edp_souhait_sp",
      // "Résistances"
      "edTInit", "edAmpLed", "edTLed", "ed_Vt", "ed_Vpdiss",
      // "Condensateur && Misc."
      "edpF", "ednF", "edmicF", "edc1_par", "edc2_par", "edc1_ser", "edc2_ser"};
  return names;
}

}  // namespace valvora::ui
