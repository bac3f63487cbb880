#pragma once

class QWidget;

// Gives a window the shape of a rounded rectangle over its full size, with
// corner ellipses of 40 by 40 pixels (the start-up and sign-in windows).
void applyRoundedShape(QWidget *window);
