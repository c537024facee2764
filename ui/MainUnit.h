#pragma once

#include <QMainWindow>
#include <memory>
#include <string>

#include "core/bias.h"
#include "core/capacitors.h"
#include "core/resistors.h"
#include "platform/profile.h"

class QPushButton;

namespace valvora::ui {

class CalculatorHost;
class PageControl;
class SettingsAtStartUp;
class TAboutBox;
class TAlimForm;
class TAtelierForm;
class TDataSheet;
class TSplashForm;
namespace pages {
class BiasReport;
class ColourCodeWidgets;
}  // namespace pages

// The main window: twelve pages of calculators and the bottom bar. The pages are built in
// ui/pages, which give their calculators to the window's host; the window keeps the order
// of the preparation.
class TMainForm : public QMainWindow {
  Q_OBJECT
 public:
  static constexpr int kPageWidth = 743;
  static constexpr int kPageHeight = 505;

  // With a splash, the preparation plays its progress animation; without one (tests,
  // benchmarks) it does not wait. The data sheet limits come from settings, where the bias
  // measurements go too.
  explicit TMainForm(QWidget* parent = nullptr, TSplashForm* splash = nullptr,
                     platform::ProfileFile settings = platform::settingsFile());
  // The start-up's one reading of the settings, shared with the data sheet window.
  TMainForm(QWidget* parent, TSplashForm* splash, std::shared_ptr<SettingsAtStartUp> settings);
  // The settings in one plain file at that path.
  TMainForm(QWidget* parent, TSplashForm* splash, const std::string& settingsPath)
      : TMainForm(parent, splash, platform::ProfileFile(settingsPath)) {}
  ~TMainForm() override;

  // The capacitor code's shared handler: its button, a click in Edit3, a choice in a list.
  void Button10Click();
  // The supply's mode buttons only switch which of edP and edCN is typed.
  void rbCourantClick();
  void rbPuisClick();

  // The colour code: a band list picked, or the value, its unit or its tolerance changed.
  void coulchange();
  void valeurChange();

  // The bias page's windows, created after the main window; without them (tests) their
  // buttons do nothing.
  void setDataSheet(TDataSheet* window) { DataSheet_ = window; }
  void setAlimForm(TAlimForm* window) { AlimForm_ = window; }
  // The About window, created after the main window; without it "A propos" does nothing.
  void setAboutBox(TAboutBox* window) { AboutBox_ = window; }
  void btnDataSheetClick();
  // The workshop window, made on the first click and shown again on the next ones.
  void btnAtelierClick();
  // A job sheet from the desktop or a second start: the workshop window shown with it, both
  // windows in front. False when it was not opened (refused, or the user kept the other).
  bool openSheet(const QString& name);
  // The workshop window, once made.
  TAtelierForm* atelier() const { return Atelier_; }
  void btnSchemClick();

  // The bias measurements in the settings file, and the HTML report; each asks first.
  void saveIni();
  void loadIni();
  void btnRecordClick();
  void btnLoadClick();
  void btnHTMLClick();

  PageControl* pageControl() const { return PageControl_; }
  const BiasRecords& tubes() const { return tubes_; }
  const CapacitorCodeState& capacitorCode() const { return capacitorCode_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  // Quitting asks about the sheet's unsaved changes first.
  void closeEvent(QCloseEvent* event) override;

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
  void supplyModeAtStart();
  void initialiseColourCode();
  void btnAboutClick();
  void btnHelpClick();

  PageControl* PageControl_ = nullptr;
  QWidget* PanBar = nullptr;
  TSplashForm* splash_ = nullptr;
  std::unique_ptr<CalculatorHost> host_;
  std::shared_ptr<SettingsAtStartUp> startUpSettings_;
  platform::ProfileFile settingsFile_;
  BiasRecords tubes_;
  CapacitorCodeState capacitorCode_;
  ColourCodeState colourCode_;
  std::unique_ptr<pages::ColourCodeWidgets> colourCodeWidgets_;
  TDataSheet* DataSheet_ = nullptr;
  TAlimForm* AlimForm_ = nullptr;
  std::unique_ptr<pages::BiasReport> report_;
  TAboutBox* AboutBox_ = nullptr;
  TAtelierForm* Atelier_ = nullptr;
};

}  // namespace valvora::ui
