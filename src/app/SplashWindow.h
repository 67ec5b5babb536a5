#pragma once

#include <QWidget>

namespace orvida {

// The start-up window: the program's picture on a fixed 5220 x 5055-twip area centred on the
// screen, with the busy pointer. It has no controls.
class SplashWindow : public QWidget
{
    Q_OBJECT

public:
    explicit SplashWindow(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace orvida
