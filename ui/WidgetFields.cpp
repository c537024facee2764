#include "ui/WidgetFields.h"

#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>

#include "core/failure.h"
#include "ui/Text.h"

namespace valvora::ui {
namespace {

// QLayout::indexOf looks at one level only; a group's rows are layouts inside its layout.
bool holds(QLayout* layout, const QWidget* w) {
  for (int i = 0; i < layout->count(); ++i) {
    QLayoutItem* item = layout->itemAt(i);
    if (item->widget() == w || (item->layout() && holds(item->layout(), w))) return true;
  }
  return false;
}

}  // namespace

namespace {

// 2 for an input (an edit field or a list), 1 for a label, 0 for what calculators never see.
int rank(QWidget* w) {
  if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w)) return 2;
  return qobject_cast<QLabel*>(w) ? 1 : 0;
}

}  // namespace

WidgetFields::WidgetFields(QWidget* root) : root_(root) {
  rescan();
}

void WidgetFields::rescan() const {
  widgets_.clear();
  duplicates_.clear();
  if (!root_) return;
  for (QWidget* w : root_->findChildren<QWidget*>()) {
    const QString name = w->objectName();
    // Qt names the parts of its own widgets "qt_..."; they are no fields of ours.
    if (name.isEmpty() || name.startsWith(QLatin1String("qt_"))) continue;
    const int r = rank(w);
    if (r == 0) continue;
    auto known = widgets_.find(name);
    if (known == widgets_.end()) {
      widgets_.insert(name, w);
      continue;
    }
    // An input of the same name as a label is what the calculators mean.
    const int knownRank = rank(known.value());
    if (r > knownRank)
      known.value() = w;
    else if (r == knownRank)
      duplicates_[name] = r;
  }
}

QWidget* WidgetFields::find(std::string_view control) const {
  const QString name = fromUtf8(control);
  QWidget* w = widgets_.value(name);
  if (!w || w->objectName() != name) {
    rescan();
    w = widgets_.value(name);
  }
  if (duplicates_.contains(name))
    throw CalcError("Deux contrôles portent le même nom : " + std::string(control));
  // A name that no page defines is a fault of the program, reported rather than crashing.
  if (!w) throw CalcError("Champ introuvable : " + std::string(control));
  return w;
}

std::string WidgetFields::text(std::string_view control) const {
  QWidget* w = find(control);
  if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentText().toStdString();
  if (auto* label = qobject_cast<QLabel*>(w)) return label->text().toStdString();
  return static_cast<QLineEdit*>(w)->text().toStdString();
}

void WidgetFields::write(std::string_view control, std::string text) {
  QWidget* w = find(control);
  if (auto* label = qobject_cast<QLabel*>(w)) {
    // A result is a text, never markup, whatever a typed value it quotes holds.
    label->setTextFormat(Qt::PlainText);
    // A result shown in a label takes its text's size, unless a layout gives it its place.
    label->setText(QString::fromStdString(text));
    const QWidget* parent = label->parentWidget();
    if (!parent || !parent->layout() || !holds(parent->layout(), label)) label->adjustSize();
    return;
  }
  auto* combo = qobject_cast<QComboBox*>(w);
  if (combo && !combo->isEditable()) {
    // A fixed list has no line to type into: the text picks its entry, if it has one.
    combo->setCurrentText(QString::fromStdString(text));
    return;
  }
  QLineEdit* edit = combo ? combo->lineEdit() : qobject_cast<QLineEdit*>(w);
  if (!edit) return;
  edit->setText(QString::fromStdString(text));
  // A result longer than its field shows its beginning, where the figure's magnitude is.
  edit->setCursorPosition(0);
}

}  // namespace valvora::ui
