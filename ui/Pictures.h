#pragma once

#include <QString>

class QLabel;

namespace valvora::ui {

// Loads a picture file of the picture folder into a picture control, which takes the
// picture's size. Fails with the file or JPEG message; the control is then left as it was.
void loadPicture(QLabel* control, const QString& path);

}  // namespace valvora::ui
