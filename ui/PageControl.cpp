#include "ui/PageControl.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QButtonGroup>
#include <QKeyEvent>
#include <QShortcut>
#include <QStackedWidget>
#include <QToolButton>
#include <algorithm>

namespace valvora::ui {
namespace {

// Asked of every object that raises an accessibility event: the type tests come first, as
// looking up a dynamic property on each would cost the start-up several milliseconds.
bool isPageTab(QObject* object) {
  auto* button = qobject_cast<QToolButton*>(object);
  return button && qobject_cast<PageControl*>(button->parentWidget()) &&
         button->property("pageTab").toBool();
}

// A tab as assistive tools should hear it: a page tab named by its caption ("&&" read as
// "&"), selected when its page is shown, pressed to show it.
class PageTabAccessible : public QAccessibleWidget {
 public:
  explicit PageTabAccessible(QWidget* tab) : QAccessibleWidget(tab, QAccessible::PageTab) {
    addControllingSignal(QStringLiteral("toggled(bool)"));
  }
  QAbstractButton* button() const { return static_cast<QAbstractButton*>(widget()); }
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name && button()->accessibleName().isEmpty())
      return QString(button()->text()).replace(QStringLiteral("&&"), QStringLiteral("&"));
    return QAccessibleWidget::text(t);
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.selectable = true;
    s.selected = button()->isChecked();
    return s;
  }
  QStringList actionNames() const override {
    return QStringList(pressAction()) << QAccessibleWidget::actionNames();
  }
  void doAction(const QString& name) override {
    if (name == pressAction())
      button()->click();
    else
      QAccessibleWidget::doAction(name);
  }
};

QAccessibleInterface* pageAccessibility(const QString&, QObject* object) {
  if (isPageTab(object)) return new PageTabAccessible(static_cast<QWidget*>(object));
  if (auto* pages = qobject_cast<PageControl*>(object))
    return new QAccessibleWidget(pages, QAccessible::PageTabList);
  return nullptr;
}

}  // namespace

PageControl::PageControl(QWidget* parent)
    : QWidget(parent), tabs_(new QButtonGroup(this)), stack_(new QStackedWidget(this)) {
  tabs_->setExclusive(true);
  stack_->setFrameShape(QFrame::StyledPanel);
  stack_->setObjectName("PageControlPages");
  connect(tabs_, &QButtonGroup::idClicked, this, &PageControl::setCurrentIndex);

  [[maybe_unused]] static const bool accessible = [] {
    QAccessible::installFactory(pageAccessibility);
    return true;
  }();
  // Ctrl+Shift+Tab comes as Backtab on most keyboards; both forms are bound.
  const struct {
    QKeyCombination keys;
    void (PageControl::*move)();
  } shortcuts[] = {
      {Qt::CTRL | Qt::Key_Tab, &PageControl::nextPage},
      {Qt::CTRL | Qt::Key_PageDown, &PageControl::nextPage},
      {Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab, &PageControl::previousPage},
      {Qt::CTRL | Qt::SHIFT | Qt::Key_Tab, &PageControl::previousPage},
      {Qt::CTRL | Qt::Key_PageUp, &PageControl::previousPage},
  };
  for (const auto& s : shortcuts) {
    auto* shortcut =
        new QShortcut(QKeySequence(s.keys), this, nullptr, nullptr, Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, s.move);
  }
}

QWidget* PageControl::addPage(const QString& objectName, const QString& caption) {
  auto* page = new QWidget;
  page->setObjectName(objectName);
  const int index = stack_->addWidget(page);

  auto* tab = new QToolButton(this);
  tab->setProperty("pageTab", true);
  // On each tab, not on the container: a style sheet there would restyle every control of
  // every page, and building them would take several times as long.
  tab->setStyleSheet(QStringLiteral(
      "QToolButton { border: 1px solid #a0a0a0; border-bottom: none;"
      " background: #e4e4e4; padding: 0 1px; font-size: 8pt; }"
      "QToolButton:hover { background: #dbe8f6; color: #003c8f; }"
      "QToolButton:checked { background: palette(window); border-top: 2px solid #2d6cdf; }"
      "QToolButton:focus { text-decoration: underline; color: #003c8f; }"));
  tab->setObjectName(objectName + "Tab");
  tab->setText(caption);  // a button shows "&&" as "&", as a tab caption should
  tab->setCheckable(true);
  tab->setFixedSize(kTabWidth, kTabHeight);
  tab->setAccessibleName(QString(caption).replace(QStringLiteral("&&"), QStringLiteral("&")));
  // Only the current tab takes the focus from the Tab key; the others are a key away.
  tab->setFocusPolicy(index == currentIndex() ? Qt::StrongFocus : Qt::NoFocus);
  tab->installEventFilter(this);
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

// The focus, when a tab holds it, goes with the current page: a mouse click on a tab that
// takes no focus would otherwise leave the mark, and the arrow keys, on the old one.
void PageControl::setCurrentIndex(int index) {
  if (index < 0 || index >= count()) return;
  const QList<QAbstractButton*> all = tabs_->buttons();
  const bool onTab = std::any_of(all.begin(), all.end(), [](auto* t) { return t->hasFocus(); });
  stack_->setCurrentIndex(index);
  for (int i = 0; i < count(); ++i)
    tabs_->button(i)->setFocusPolicy(i == index ? Qt::StrongFocus : Qt::NoFocus);
  tabs_->button(index)->setChecked(true);
  if (onTab) tabs_->button(index)->setFocus(Qt::TabFocusReason);
}

void PageControl::nextPage() {
  if (count() > 0) setCurrentIndex((currentIndex() + 1) % count());
}

void PageControl::previousPage() {
  if (count() > 0) setCurrentIndex((currentIndex() + count() - 1) % count());
}

bool PageControl::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || !isPageTab(watched))
    return QWidget::eventFilter(watched, event);
  const auto* key = static_cast<QKeyEvent*>(event);
  if (key->modifiers() & ~Qt::KeypadModifier) return false;
  // Along the tabs, not across the rows: the tabs are read as one line that wraps.
  switch (key->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
      setCurrentIndex(std::max(0, currentIndex() - 1));
      return true;
    case Qt::Key_Right:
    case Qt::Key_Down:
      setCurrentIndex(std::min(count() - 1, currentIndex() + 1));
      return true;
    case Qt::Key_Home:
      setCurrentIndex(0);
      return true;
    case Qt::Key_End:
      setCurrentIndex(count() - 1);
      return true;
    default:
      return false;
  }
}

int PageControl::tabsPerRow() const {
  return std::max(1, width() / kTabWidth);
}

QSize PageControl::minimumSizeHint() const {
  QSize largest(0, 0);
  for (int i = 0; i < count(); ++i) largest = largest.expandedTo(page(i)->minimumSizeHint());
  if (largest.isEmpty()) return QWidget::minimumSizeHint();
  largest = largest.expandedTo(stack_->minimumSizeHint());  // with the stack's frame
  const int perRow = std::max(1, largest.width() / kTabWidth);
  const int rows = (count() + perRow - 1) / perRow;
  return {largest.width(), rows * kTabHeight + largest.height()};
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
