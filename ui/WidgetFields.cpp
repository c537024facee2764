#include "ui/WidgetFields.h"

#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>

#include "core/failure.h"

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

WidgetFields::WidgetFields(QWidget* root) {
  for (QWidget* w : root->findChildren<QWidget*>()) {
    if (w->objectName().isEmpty()) continue;
    if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w))
      widgets_.insert(w->objectName(), w);
    // An input of the same name, should one exist, is what the calculators mean.
    else if (qobject_cast<QLabel*>(w) && !widgets_.contains(w->objectName()))
      widgets_.insert(w->objectName(), w);
  }
}

QWidget* WidgetFields::find(std::string_view control) const {
  QWidget* w = widgets_.value(QString::fromUtf8(control.data(), qsizetype(control.size())));
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
    // A result shown in a label takes its text's size, unless a layout gives it its place.
    label->setText(QString::fromStdString(text));
    const QWidget* parent = label->parentWidget();
    if (!parent || !parent->layout() || !holds(parent->layout(), label)) label->adjustSize();
    return;
  }
  auto* combo = qobject_cast<QComboBox*>(w);
  QLineEdit* edit = combo ? combo->lineEdit() : static_cast<QLineEdit*>(w);
  edit->setText(QString::fromStdString(text));
  // A result longer than its field shows its beginning, where the figure's magnitude is.
  edit->setCursorPosition(0);
}

}  // namespace valvora::ui
