#include "ui/Pictures.h"

#include <QImage>
#include <QLabel>
#include <QPixmap>

#include "platform/jpeg.h"

namespace valvora::ui {

void loadPicture(QLabel* control, const QString& path) {
  const platform::Picture p = platform::loadPicture(path.toStdString());
  const QImage image(p.rgb.data(), p.width, p.height, static_cast<qsizetype>(p.width) * 3,
                     QImage::Format_RGB888);
  control->setPixmap(QPixmap::fromImage(image));  // copies the pixels
  control->setFixedSize(p.width, p.height);
}

}  // namespace valvora::ui
