#pragma once

#include <array>
#include <string_view>

#include "core/fielddef.h"
#include "core/fields.h"

namespace valvora::atelier {

// "Décharge des condensateurs de filtrage": C (µF) edDeC, V0 edDeV0, safe voltage edDeVs,
// bleeder (kΩ) edDeR into the time constant edDeTau, the time down to the safe voltage
// edDeTime, the bleeder's standing current edDeI (mA), its dissipation edDeP and the advised
// rating edDePr. Nothing is written on a failure, here and in the two below.
void Discharge(Fields& f);
// The bleeder for a wanted time edDeTwant: edDeRcalc (kΩ), the E12 value not above it
// edDeRe12, its dissipation edDePe12 and its own advised rating edDePr2.
void BleederFor(Fields& f);
// "Transformateur de sortie": primary impedance edOtZp, tap cbOtTap, load cbOtLoad (0: no
// speaker) into the turns ratio edOtRatio, the impedance the tubes see edOtZa, the ratio
// load / tap edOtMis and the verdict lbOtVerdict.
void OtLoad(Fields& f);

// The inputs of both groups, in the tab's order: the builder makes them from here.
extern const std::array<FieldDef, 8> kSafetyFields;

namespace msg {
inline constexpr std::string_view kCapacitance = "La capacité doit être positive.";
inline constexpr std::string_view kResistance = "La résistance doit être positive.";
inline constexpr std::string_view kStartVoltage = "La tension de départ doit être positive.";
inline constexpr std::string_view kSafeVoltage =
    "La tension sans danger doit être positive et inférieure à la tension de départ.";
inline constexpr std::string_view kWantedTime = "Le temps voulu doit être positif.";
inline constexpr std::string_view kBleederTooSmall =
    "Résistance calculée trop faible pour une valeur E12 : allongez le temps voulu.";
inline constexpr std::string_view kPrimary = "L'impédance primaire doit être positive.";
inline constexpr std::string_view kTap = "La prise utilisée doit être positive.";
inline constexpr std::string_view kLoad = "La charge branchée ne doit pas être négative.";

inline constexpr std::string_view kNoLoad =
    "Aucune charge : un ampli à lampes ne doit jamais jouer sans haut-parleur ; la tension au "
    "primaire peut amorcer un arc et détruire le transformateur.";
inline constexpr std::string_view kFarTooLow =
    "Charge de moins de la moitié de la prise : puissance nettement réduite et courant élevé "
    "dans les lampes et le transformateur.";
inline constexpr std::string_view kLow =
    "Charge plus faible que la prise : un peu moins de puissance, sans danger pour un ampli à "
    "lampes.";
inline constexpr std::string_view kMatched = "Charge adaptée à la prise.";
inline constexpr std::string_view kHigh =
    "Charge plus forte que la prise : un peu moins de puissance et des tensions de crête plus "
    "élevées au primaire.";
inline constexpr std::string_view kFarTooHigh =
    "Charge plus de deux fois trop forte : tensions de crête dangereuses pour le "
    "transformateur et les lampes.";
}  // namespace msg

}  // namespace valvora::atelier
