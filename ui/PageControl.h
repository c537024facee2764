#pragma once

#include <QWidget>

class QAbstractButton;
class QButtonGroup;
class QStackedWidget;

namespace valvora::ui {

// The tabbed page container: fixed-size tabs wrapping onto as many rows as the width needs
// (a plain tab bar would scroll instead, hiding pages), highlighted under the mouse.
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

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void placeTabs();
  int tabsPerRow() const;
  QButtonGroup* tabs_;
  QStackedWidget* stack_;
};

}  // namespace valvora::ui
