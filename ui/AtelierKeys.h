#pragma once

#include <QList>
#include <QString>

class QAbstractButton;
class QLineEdit;
class QWidget;

namespace valvora::ui {

class PageControl;

// The workshop's keyboard and layout conventions, laid over tabs already built, so that a new
// tab gets them without its builder doing anything:
// - Tab goes from the tab bar into the page's first field, through its fields in reading
//   order (by group, then row, then column), then its buttons, then bottomRow; results
//   (read-only fields) are reached by the mouse only, as on the main window's pages.
// - Every label with a field as buddy (a label ending in ":" just left of a field in a grid
//   row is given it) gets an Alt+letter mnemonic, unique in its tab and clear of the
//   mnemonics of the tab's buttons and of bottomRow.
// - A result too narrow for its text shows it elided in the middle, the whole text in its
//   tooltip.
// - Drop-down lists keep their natural width when the window grows.
void applyAtelierKeys(PageControl& pages, const QList<QAbstractButton*>& bottomRow);

// The letter (lower case) a text's mnemonic marks, or a null character.
QChar mnemonicLetter(const QString& text);

// Whether a field's text is wider than the field can show.
bool resultClipped(const QLineEdit* edit);

}  // namespace valvora::ui
