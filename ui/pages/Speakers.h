#pragma once

#include <vector>

#include "core/fields.h"
#include "ui/CalculatorHost.h"

#include <array>

class QWidget;

namespace valvora::ui::pages {

// One loudspeaker group: a picture at the left, the amplifier power, one impedance list per
// speaker, the total impedance, one power per speaker and a "Calcul" button.
struct SpeakerGroup {
  const char* box;      // GroupBox1
  const char* caption;  // "Série"
  const char* suffix;   // _2ser, the suffix of every control of the group
  int speakers;
  const char* picture;   // img2HPs
  const char* button;    // Button2
  void (*run)(Fields&);  // hp_2ser, named "hp" and the suffix
};

struct SpeakerPage {
  const char* sheet;  // TabSheet1
  SpeakerGroup left;
  SpeakerGroup right;
};

const std::array<SpeakerPage, 5>& speakerPages();

// Builds the two side-by-side groups of a loudspeaker page.
void buildSpeakerPage(QWidget* page, const SpeakerPage& def);

// The ten groups' calculators, each on its "Calcul" button.
std::vector<CalculatorRow> speakerCalculators();

}  // namespace valvora::ui::pages
