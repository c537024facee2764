#include "ui/FormGrid.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>

namespace valvora::ui {

FormGrid::FormGrid(QWidget* owner) : grid_(new QGridLayout), owner_(owner) {
  grid_->setHorizontalSpacing(6);
  grid_->setVerticalSpacing(4);
  grid_->setColumnStretch(0, 1);
}

void FormGrid::addRow(const QString& label, const QString& name, QWidget* field) {
  auto* text = new QLabel(label, owner_);
  text->setObjectName(QStringLiteral("lb_") + name);
  text->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  text->setBuddy(field);
  field->setObjectName(name);
  field->setAccessibleName(label);
  field->setFixedWidth(kFieldWidth);
  grid_->addWidget(text, row_, 0);
  grid_->addWidget(field, row_, 1);
  ++row_;
}

QLineEdit* FormGrid::addEdit(const QString& label, const QString& name, const QString& text) {
  auto* edit = new QLineEdit(text, owner_);
  addRow(label, name, edit);
  return edit;
}

QComboBox* editableList(QWidget* owner) {
  auto* list = new QComboBox(owner);
  // A frameless edit box given to the list is what setEditable(true) makes, without building
  // the drop-down view up front: with 40 lists that halves the building of the pages.
  auto* edit = new QLineEdit;
  edit->setFrame(false);
  list->setLineEdit(edit);
  // Typing a value is a one-off reading, not a new entry of the list; and what is typed is
  // what is read: no completion from the items ("1" must not become "16").
  list->setInsertPolicy(QComboBox::NoInsert);
  list->setCompleter(nullptr);
  return list;
}

QComboBox* FormGrid::addList(const QString& label, const QString& name) {
  QComboBox* list = editableList(owner_);
  addRow(label, name, list);
  return list;
}

QComboBox* FormGrid::addChoice(const QString& label, const QString& name, const QStringList& items,
                               int current) {
  auto* list = new QComboBox(owner_);
  list->addItems(items);
  list->setCurrentIndex(current);
  addRow(label, name, list);
  return list;
}

void markResult(QLineEdit* edit) {
  edit->setReadOnly(true);
  QPalette p = edit->palette();
  p.setColor(QPalette::Base, p.color(QPalette::Button));
  p.setColor(QPalette::Text, QColor(0, 0, 128));
  edit->setPalette(p);
}

QLineEdit* FormGrid::addResult(const QString& label, const QString& name) {
  QLineEdit* edit = addEdit(label, name);
  markResult(edit);
  return edit;
}

QPushButton* FormGrid::addButton(const QString& caption, const QString& name) {
  auto* button = new QPushButton(caption, owner_);
  button->setObjectName(name);
  button->setFixedWidth(kFieldWidth);
  grid_->setRowMinimumHeight(row_, 8);
  grid_->addWidget(button, row_ + 1, 1);
  row_ += 2;
  grid_->setRowStretch(row_, 1);
  return button;
}

QLabel* FormGrid::addUnit(const QString& text, const QString& name) {
  auto* unit = new QLabel(text, owner_);
  unit->setObjectName(name);
  grid_->addWidget(unit, row_ - 1, 2);
  return unit;
}

QString fieldCaption(const FieldDef& def) {
  QString caption = fromUtf8(def.label);
  if (!def.unit.empty()) caption += QStringLiteral(" (") + fromUtf8(def.unit) + QLatin1Char(')');
  return caption + QStringLiteral(" :");
}

QLineEdit* FormGrid::addEdit(const FieldDef& def) {
  return addEdit(fieldCaption(def), fromUtf8(def.name), fromUtf8(def.defaultText));
}

QComboBox* FormGrid::addList(const FieldDef& def) {
  return addList(fieldCaption(def), fromUtf8(def.name));
}

namespace {
// The grid, among the layouts under `layout`, that holds the widget.
QGridLayout* gridHolding(QLayout* layout, QWidget* widget) {
  if (!layout) return nullptr;
  auto* grid = qobject_cast<QGridLayout*>(layout);
  if (grid && grid->indexOf(widget) >= 0) return grid;
  for (int i = 0; i < layout->count(); ++i)
    if (QGridLayout* g = gridHolding(layout->itemAt(i)->layout(), widget)) return g;
  return nullptr;
}
}  // namespace

StaleMark::StaleMark(QAbstractButton* button, const QList<QWidget*>& inputs,
                     QList<QWidget*> results)
    : QObject(button), results_(std::move(results)) {
  for (QWidget* r : results_) palettes_.append(r->palette());
  label_ = new QLabel(QString::fromUtf8("Résultats à recalculer"), button->parentWidget());
  label_->setObjectName(QStringLiteral("lbStale_") + button->objectName());
  label_->setAccessibleName(label_->text());
  label_->hide();
  // Beside the button in its grid: in the label column, which a button row leaves empty, so
  // that showing it moves no field; else after the button.
  if (QGridLayout* grid = gridHolding(button->parentWidget()->layout(), button)) {
    int row = 0, column = 0, rows = 0, columns = 0;
    grid->getItemPosition(grid->indexOf(button), &row, &column, &rows, &columns);
    if (column > 0 && !grid->itemAtPosition(row, column - 1)) {
      label_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
      grid->addWidget(label_, row, column - 1);
    } else {
      grid->addWidget(label_, row, column + 1, 1, -1);
    }
  }
  for (QWidget* input : inputs) watch(input);
}

void StaleMark::watch(QWidget* input) {
  auto changed = [this] {
    if (!running_) markStale();
  };
  if (auto* edit = qobject_cast<QLineEdit*>(input))
    connect(edit, &QLineEdit::textChanged, this, changed);
  else if (auto* list = qobject_cast<QComboBox*>(input))
    connect(list, &QComboBox::currentTextChanged, this, changed);
  else if (auto* choice = qobject_cast<QAbstractButton*>(input))
    connect(choice, &QAbstractButton::toggled, this, changed);
}

void StaleMark::markStale() {
  stale_ = true;
  for (QWidget* r : results_) {
    r->setProperty("stale", true);
    QPalette p = r->palette();
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText})
      p.setColor(role, QColor(128, 128, 128));
    r->setPalette(p);
  }
  label_->show();
}

void StaleMark::markFresh() {
  stale_ = false;
  for (qsizetype i = 0; i < results_.size(); ++i) {
    results_[i]->setProperty("stale", false);
    results_[i]->setPalette(palettes_[i]);
  }
  label_->hide();
}

std::function<void(Fields&)> StaleMark::wrap(std::function<void(Fields&)> run) {
  return [this, run = std::move(run)](Fields& f) {
    running_ = true;
    try {
      run(f);
    } catch (...) {
      for (QWidget* r : results_) {
        if (auto* edit = qobject_cast<QLineEdit*>(r)) edit->clear();
        if (auto* label = qobject_cast<QLabel*>(r)) label->clear();
      }
      running_ = false;
      markStale();
      throw;
    }
    running_ = false;
    markFresh();
  };
}

void computeOnEnter(QWidget* scope, QAbstractButton* button) {
  for (QLineEdit* edit : scope->findChildren<QLineEdit*>()) {
    if (edit->isReadOnly()) continue;
    QObject::connect(edit, &QLineEdit::returnPressed, button, &QAbstractButton::click);
  }
}

}  // namespace valvora::ui
