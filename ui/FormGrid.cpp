#include "ui/FormGrid.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

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

void computeOnEnter(QWidget* scope, QAbstractButton* button) {
  for (QLineEdit* edit : scope->findChildren<QLineEdit*>()) {
    if (edit->isReadOnly()) continue;
    QObject::connect(edit, &QLineEdit::returnPressed, button, &QAbstractButton::click);
  }
}

}  // namespace valvora::ui
