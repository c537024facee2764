#pragma once

#include <QWidget>

class QAbstractButton;
class QButtonGroup;
class QStackedWidget;

namespace valvora::ui {

// The tabbed page container: fixed-size tabs wrapping onto as many rows as the width needs
// (a plain tab bar would scroll instead, hiding pages), highlighted under the mouse.
// Keyboard as with the desktop's own tab widgets: Ctrl+Tab and Ctrl+Page Down go to the next
// page, Ctrl+Shift+Tab and Ctrl+Page Up to the previous one, wrapping round, from anywhere
// in the window; the arrow keys, Home and End move between tabs while a tab has focus. Only
// the current tab is in the Tab order. Screen readers hear a page tab list of page tabs.
class PageControl : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kTabWidth = 123;
  static constexpr int kTabHeight = 22;

  explicit PageControl(QWidget* parent = nullptr);

  // Adds a page; "&&" in the caption shows as "&".
  QWidget* addPage(const QString& objectName, const QString& caption);
  int count() const;
  int currentIndex() const;
  void setCurrentIndex(int index);
  QWidget* page(int index) const;
  QAbstractButton* tab(int index) const;

  // The next or previous page, wrapping round; the focus follows when it was on a tab.
  void nextPage();
  void previousPage();

  // Pages laid out by a layout need their largest page's minimum under as many rows of tabs
  // as that width takes; pages placed by hand leave the window its own minimum.
  QSize minimumSizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void placeTabs();
  int tabsPerRow() const;
  QButtonGroup* tabs_;
  QStackedWidget* stack_;
};

}  // namespace valvora::ui
