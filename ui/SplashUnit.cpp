#include "ui/SplashUnit.h"

#include <QLabel>
#include <QProgressBar>

#include "ui/Centre.h"
#include "ui/Dialogs.h"
#include "ui/Pictures.h"

namespace valvora::ui {

TSplashForm::TSplashForm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint),
      Image1(new QLabel(this)),
      Label2(new QLabel(QStringLiteral("Chargement en cours ..."), this)),
      ProgressBar(new QProgressBar(this)) {
  setObjectName("SplashForm");
  setFixedSize(320, 150);
  setAutoFillBackground(true);
  setStyleSheet("TSplashForm { background: white; border: 1px solid #808080; }");
  setAttribute(Qt::WA_StyledBackground);

  Image1->setObjectName("Image1");
  Image1->setCursor(Qt::WaitCursor);
  Image1->move(1, 1);

  Label2->setObjectName("Label2");
  QFont font(QStringLiteral("Verdana"));
  font.setPointSize(8);
  Label2->setFont(font);
  Label2->setStyleSheet("color: white; background: transparent;");
  Label2->move(12, 122);
  Label2->adjustSize();

  ProgressBar->setObjectName("ProgressBar");
  ProgressBar->setRange(0, 100);
  ProgressBar->setValue(0);
  ProgressBar->setTextVisible(false);
  ProgressBar->setGeometry(15, 150 - 7 - 1, 290, 7);
  ProgressBar->setStyleSheet(
      "QProgressBar { border: none; background: #d8d8d8; }"
      "QProgressBar::chunk { background: #2d6cdf; }");

  if (guarded([&] { loadPicture(Image1, QStringLiteral("data\\splash4.jpg")); }))
    Image1->setFixedSize(Image1->pixmap().size());
  Label2->raise();
  centreOnScreen(this);
}

}  // namespace valvora::ui
