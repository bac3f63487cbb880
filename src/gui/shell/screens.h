#pragma once

#include <QString>

class QWidget;

// The one place where menu commands become screens. The main window asks for
// a screen by the name of its menu command and hosts what it gets as a child
// window; nullptr means the command opens no screen.
QWidget *createScreen(const QString &menuName, QWidget *parent);

// The examination-centre workbook (menu command N31), a procedure rather than
// a screen.
void Gen_Exam_Centre_List(QWidget *parent);
