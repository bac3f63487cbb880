#pragma once

#include <QString>

class MainWindow;
class QWidget;

// The one place where menu commands become screens. The main window asks for
// a screen by the name of its menu command and hosts what it gets as a child
// window; nullptr means the command opens no screen. Screens are created
// without a parent; `mainWindow` is there for screens that read it (the
// users screen builds its tree from the menu).
QWidget *createScreen(const QString &menuName, MainWindow *mainWindow);
