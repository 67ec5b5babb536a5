#include "app/gui/Desktop.h"

#include <QApplication>
#include <QMainWindow>

namespace orvida {

int runDesktop(QApplication& app, const ProgramFolder& folder)
{
    Q_UNUSED(folder);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Declaratii fiscale"));
    window.resize(640, 480);
    window.show();
    return app.exec();
}

} // namespace orvida
