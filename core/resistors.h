#pragma once

#include <array>
#include <string>
#include <string_view>

#include "core/fields.h"

namespace valvora {

// Resistor networks of the "Résistances" page. Each reads all its inputs, then writes its
// one result; a failure leaves the result field as it was.
void resistor_led(Fields& f);  // series resistor of a LED: |Vled - Vs| / (I mA / 1000)
void resist_sp(Fields& f);     // R1 parallel (R2 + R3), in series with R4
void resist_par(Fields& f);    // R1 parallel R2
void resist_ser(Fields& f);    // R1 + R2
void CourTravRes(Fields& f);   // current through a whole-ohm resistor
void PuisDisRes(Fields& f);    // power dissipated in a whole-ohm resistor

// ---- Colour code: four bands (two digits, multiplier, tolerance) <-> value ----

struct Rgb {
  int red = 0;
  int green = 0;
  int blue = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// A colour text: a framework colour name looked up without regard to case ("clred"), or
// "$" and eight hexadecimal digits read as 0x00BBGGRR. Unknown texts give black.
Rgb colourFromText(std::string_view text);

struct ColourRow {
  std::string name;  // as the list items spell it: "noir", "marron" ...
  Rgb colour;
};

// The lists of the group, by control name. Their items are fixed and their positions are
// their meanings: digit, multiplier 10^(index - 2), tolerance, unit.
namespace code {
inline constexpr std::string_view sign = "sign", sign2 = "sign2", mult = "mult", tole = "tole",
                                  nbtole = "nbtole", unite = "unite";
inline constexpr std::string_view valeur = "valeur", encadrement = "encadrement";
inline constexpr std::array<std::string_view, 10> kDigits = {
    "noir", "marron", "rouge", "orange", "jaune", "vert", "bleu", "violet", "gris", "blanc"};
inline constexpr std::array<std::string_view, 9> kMultipliers = {
    "argent", "or", "noir", "marron", "rouge", "orange", "jaune", "vert", "bleu"};
inline constexpr std::array<std::string_view, 8> kToleranceColours = {
    "argent", "or", "marron", "rouge", "vert", "bleu", "violet", "gris"};
inline constexpr std::array<std::string_view, 8> kTolerances = {
    "10 %", "5 %", "1 %", "2 %", "0,5 %", "0,25 %", "0,1 %", "0,05 %"};
inline constexpr std::array<std::string_view, 3> kUnits = {"Ω", "KΩ", "MΩ"};

inline constexpr std::string_view kNotANumberCaption = "Erreur";
inline constexpr std::string_view kNotANumber =
    "Entrez une valeur numérique dans le champ 'valeur' !";
inline constexpr std::string_view kLimitCaption = "Dépassement de valeur limite";
inline constexpr std::string_view kAboveLimit =
    "ATTENTION :\nLa valeur d'une résistance de 4 bandes ne\npeut pas dépasser 99 MegaOhm !";
inline constexpr std::string_view kBelowLimit =
    "ATTENTION :\nLa valeur de la résistance ne doit pas être inférieure à 0,1 Ohm !";
}  // namespace code

// The colour-code group as the state machine sees it. The value field `valeur` and the range
// label `encadrement` go through fields(); a write into `valeur` notifies valeurChange
// exactly as typing does, while a selection made here notifies nothing.
class ColourCodeControls {
 public:
  virtual ~ColourCodeControls() = default;
  virtual Fields& fields() = 0;
  virtual int selected(std::string_view list) const = 0;
  virtual void select(std::string_view list, int index) = 0;
  virtual void paint(int band, Rgb colour) = 0;  // Couleur1 .. Couleur4
  virtual void centreRange() = 0;                // encadrement, across the group
  virtual void showBox(std::string_view caption, std::string_view text) = 0;
};

// State kept between updates, owned by the main window. The guard stays closed (and the
// table empty) until initialiseColourCode runs, so that nothing converts before then.
struct ColourCodeState {
  double resistance = 0;  // ohms, or the display unit after a colours-to-value update
  double display = 0;     // the coded value in its display unit
  double minimum = 0;
  double maximum = 0;
  std::string unitName;       // "Ohm", "KiloOhm", "MegaOhm"
  std::string toleranceText;  // the selected nbtole item
  bool guardOpen = false;
  std::array<ColourRow, 12> table{};
  bool tableFilled = false;
};

// "Résistance comprise entre <min> <unit> et <max> <unit>".
std::string rangeText(const ColourCodeState& s);

void ActualiseAvecCouleurs(ColourCodeState& s, ColourCodeControls& c);  // colours -> value
void ActualiseAvecValeurs(ColourCodeState& s, ColourCodeControls& c);   // value -> colours
void coulchange(ColourCodeState& s, ColourCodeControls& c);             // a band list was picked
void valeurChange(ColourCodeState& s, ColourCodeControls& c);           // valeur, unite or nbtole
// Fills the colour table, opens the guard and converts both ways once.
void initialiseColourCode(ColourCodeState& s, ColourCodeControls& c);

}  // namespace valvora
