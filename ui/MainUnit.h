#pragma once

#include <QMainWindow>
#include <memory>
#include <string>

#include "core/bias.h"
#include "platform/profile.h"

class QPushButton;

namespace valvora::ui {

class DecimalKeyFilter;
class PageControl;
class TAboutBox;
class TAlimForm;
class TDataSheet;
class TSplashForm;
class WidgetFields;

// The main window: twelve pages of calculators and the bottom bar. Its calculator methods
// only hand the window's fields to the core; the pages are built in ui/pages.
class TMainForm : public QMainWindow {
  Q_OBJECT
 public:
  static constexpr int kPageWidth = 743;
  static constexpr int kPageHeight = 505;

  // With a splash, the preparation plays its progress animation; without one (tests,
  // benchmarks) it does not wait. The data sheet limits come from settingsFile.
  explicit TMainForm(QWidget* parent = nullptr, TSplashForm* splash = nullptr,
                     std::string settingsFile = platform::settingsPath());
  ~TMainForm() override;

  // Calculators, run by their "Calcul" buttons and once during the preparation.
  void hp_2ser();
  void hp_2par();
  void hp_3ser();
  void hp_3par();
  void hp_4ser();
  void hp_4par();
  void hp_3HA();
  void hp_3HB();
  void hp_4HA();
  void hp_4HB();
  void Bias();

  // The bias page's windows, created after the main window; without them (tests) their
  // buttons do nothing.
  void setDataSheet(TDataSheet* window) { DataSheet_ = window; }
  void setAlimForm(TAlimForm* window) { AlimForm_ = window; }
  // The About window, created after the main window; without it "A propos" does nothing.
  void setAboutBox(TAboutBox* window) { AboutBox_ = window; }
  void btnDataSheetClick();
  void btnSchemClick();

  PageControl* pageControl() const { return PageControl_; }
  const BiasRecords& tubes() const { return tubes_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void FormCreate();
  void buildPages();
  void buildBottomBar();
  void connectCalculators();
  void animateSplash();
  void fillImpedanceLists();
  void loadPagePictures();
  void DataSheetLoadIni();
  void runInitialComputations();
  void btnAboutClick();
  void btnHelpClick();

  PageControl* PageControl_ = nullptr;
  QWidget* PanBar = nullptr;
  TSplashForm* splash_ = nullptr;
  DecimalKeyFilter* decimalKeys_ = nullptr;
  std::unique_ptr<WidgetFields> fields_;
  std::string settingsFile_;
  BiasRecords tubes_;
  TDataSheet* DataSheet_ = nullptr;
  TAlimForm* AlimForm_ = nullptr;
  TAboutBox* AboutBox_ = nullptr;
};

}  // namespace valvora::ui
