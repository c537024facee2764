#pragma once

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace valvora::ui {

// Places a top-level window at the centre of the primary screen (the window manager may not).
inline void centreOnScreen(QWidget* window) {
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    window->move(screen->availableGeometry().center() - window->rect().center());
}

}  // namespace valvora::ui
