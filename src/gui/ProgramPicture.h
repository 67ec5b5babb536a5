#pragma once

#include <QRect>

class QPainter;

namespace orvida {

// The program's picture: the background of the splash window and of the about box.
void paintProgramPicture(QPainter& painter, const QRect& area);

} // namespace orvida
