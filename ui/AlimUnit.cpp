#include "ui/AlimUnit.h"

#include <QLabel>
#include <QPushButton>

#include "ui/Centre.h"
#include "ui/Dialogs.h"
#include "ui/Pictures.h"

namespace valvora::ui {

TAlimForm::TAlimForm(QWidget* parent)
    : QDialog(parent), Image1(new QLabel(this)), Button1(new QPushButton(this)) {
  setObjectName("AlimForm");
  setFixedSize(504, 396);
  Image1->setObjectName("Image1");
  Image1->setGeometry(6, 8, 491, 300);
  Button1->setObjectName("Button1");
  Button1->setText(QStringLiteral("Fermer"));
  Button1->setGeometry((504 - 90) / 2, 340, 90, 28);
  connect(Button1, &QPushButton::clicked, this, &QDialog::close);

  centreOnScreen(this);
  setWindowTitle(boxCaption());
  guarded([&] { loadPicture(Image1, QStringLiteral("data/alim.jpg")); });
  Image1->move((504 - Image1->width()) / 2, 8);
}

}  // namespace valvora::ui
