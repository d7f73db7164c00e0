#pragma once
// The pictures of the about and port-error windows, drawn by the program.
#include <QPixmap>
#include <QSize>
#include <QString>

namespace vantrel {

// A serial connector with its cable and a small board, for the about window.
QPixmap drawAboutPicture(QSize size);

// The request shown when a send finds no open port: hand-written words above
// an angry man with a raised fist. 599 x 499 pixels.
QPixmap drawPortErrorPicture();

// The words of the port-error picture.
QString portErrorWords();

}  // namespace vantrel
