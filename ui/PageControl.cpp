#include "ui/PageControl.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QStackedWidget>
#include <QToolButton>

namespace valvora::ui {

PageControl::PageControl(QWidget* parent)
    : QWidget(parent), tabs_(new QButtonGroup(this)), stack_(new QStackedWidget(this)) {
  tabs_->setExclusive(true);
  stack_->setFrameShape(QFrame::StyledPanel);
  stack_->setObjectName("PageControlPages");
  setStyleSheet(
      "QToolButton[pageTab=\"true\"] { border: 1px solid #a0a0a0; border-bottom: none;"
      " background: #e4e4e4; padding: 0 1px; font-size: 8pt; }"
      "QToolButton[pageTab=\"true\"]:hover { background: #dbe8f6; color: #003c8f; }"
      "QToolButton[pageTab=\"true\"]:checked { background: palette(window);"
      " border-top: 2px solid #2d6cdf; }");
  connect(tabs_, &QButtonGroup::idClicked, this, &PageControl::setCurrentIndex);
}

QWidget* PageControl::addPage(const QString& objectName, const QString& caption) {
  auto* page = new QWidget;
  page->setObjectName(objectName);
  const int index = stack_->addWidget(page);

  auto* tab = new QToolButton(this);
  tab->setProperty("pageTab", true);
  tab->setObjectName(objectName + "Tab");
  tab->setText(caption);  // a button shows "&&" as "&", as a tab caption should
  tab->setCheckable(true);
  tab->setFixedSize(kTabWidth, kTabHeight);
  tab->setFocusPolicy(Qt::TabFocus);
  tabs_->addButton(tab, index);
  if (index == 0) tab->setChecked(true);
  placeTabs();
  return page;
}

int PageControl::count() const {
  return stack_->count();
}
int PageControl::currentIndex() const {
  return stack_->currentIndex();
}
QWidget* PageControl::page(int index) const {
  return stack_->widget(index);
}
QAbstractButton* PageControl::tab(int index) const {
  return tabs_->button(index);
}

void PageControl::setCurrentIndex(int index) {
  if (index < 0 || index >= count()) return;
  stack_->setCurrentIndex(index);
  tabs_->button(index)->setChecked(true);
}

int PageControl::tabsPerRow() const {
  return std::max(1, width() / kTabWidth);
}

void PageControl::placeTabs() {
  const int perRow = tabsPerRow();
  const int n = count();
  const int rows = (n + perRow - 1) / perRow;
  for (int i = 0; i < n; ++i)
    tabs_->button(i)->move(2 + (i % perRow) * kTabWidth, (i / perRow) * kTabHeight);
  const int top = rows * kTabHeight;
  stack_->setGeometry(0, top, width(), height() - top);
}

void PageControl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  placeTabs();
}

}  // namespace valvora::ui
