// Draws the program's own pictures into a folder (resources/BMP in the source tree):
// OK.bmp and Iesire.bmp for the buttons, W95MBX01.ico to W95MBX04.ico for the message box
// (stop, question, exclamation, information). Run through scripts/pictures.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>

#include <functional>

namespace {

// Button pictures are bitmaps without alpha: what is not drawn becomes the magenta mask colour,
// and half-covered edge pixels are blended over a light button face.
QImage toMaskedBitmap(const QImage& argb)
{
    const QColor face(225, 225, 225);
    QImage out(argb.size(), QImage::Format_RGB32);
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) {
            const QColor c = QColor::fromRgba(argb.pixel(x, y));
            if (c.alpha() < 110) {
                out.setPixel(x, y, qRgb(255, 0, 255));
                continue;
            }
            const double a = c.alphaF();
            out.setPixel(x, y,
                         qRgb(qRound(c.red() * a + face.red() * (1 - a)),
                              qRound(c.green() * a + face.green() * (1 - a)),
                              qRound(c.blue() * a + face.blue() * (1 - a))));
        }
    }
    return out;
}

QImage draw(int size, const std::function<void(QPainter&, qreal)>& paint)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    paint(p, size / 32.0);
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

void okPicture(QPainter& p, qreal u)
{
    QPainterPath tick;
    tick.moveTo(5 * u, 17 * u);
    tick.lineTo(13 * u, 25 * u);
    tick.lineTo(27 * u, 8 * u);
    p.setPen(QPen(QColor(0, 70, 0), 8.5 * u, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(tick);
    p.setPen(QPen(QColor(40, 170, 40), 5 * u, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(tick);
}

void exitPicture(QPainter& p, qreal u)
{
    // An open door with an arrow leaving through it.
    p.setPen(QPen(QColor(60, 40, 20), 1.5 * u));
    p.setBrush(QColor(120, 80, 40));
    p.drawRect(QRectF(14 * u, 3 * u, 14 * u, 26 * u));
    p.setBrush(QColor(30, 30, 30));
    p.drawRect(QRectF(17 * u, 6 * u, 8 * u, 20 * u));
    QPainterPath arrow;
    arrow.moveTo(21 * u, 16 * u);
    arrow.lineTo(5 * u, 16 * u);
    p.setPen(QPen(QColor(200, 20, 20), 5 * u, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
    p.drawPath(arrow);
    QPainterPath head;
    head.moveTo(2 * u, 16 * u);
    head.lineTo(10 * u, 8 * u);
    head.lineTo(10 * u, 24 * u);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 20, 20));
    p.drawPath(head);
}

void roundIcon(QPainter& p, qreal u, const QColor& fill, const QColor& rim)
{
    p.setPen(QPen(rim, 1.5 * u));
    QRadialGradient g(QPointF(12 * u, 10 * u), 22 * u);
    g.setColorAt(0, fill.lighter(150));
    g.setColorAt(1, fill);
    p.setBrush(g);
    p.drawEllipse(QRectF(1.5 * u, 1.5 * u, 29 * u, 29 * u));
}

void stopIcon(QPainter& p, qreal u)
{
    roundIcon(p, u, QColor(200, 0, 0), QColor(110, 0, 0));
    p.setPen(QPen(Qt::white, 4 * u, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10.5 * u, 10.5 * u), QPointF(21.5 * u, 21.5 * u));
    p.drawLine(QPointF(21.5 * u, 10.5 * u), QPointF(10.5 * u, 21.5 * u));
}

void glyphIcon(QPainter& p, qreal u, const QString& glyph, const QColor& colour, qreal top)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setBold(true);
    f.setPixelSize(qRound(22 * u));
    p.setFont(f);
    p.setPen(colour);
    p.drawText(QRectF(0, top * u, 32 * u, 28 * u), Qt::AlignCenter, glyph);
}

void questionIcon(QPainter& p, qreal u)
{
    // A white speech bubble with a blue question mark.
    QPainterPath bubble;
    bubble.addEllipse(QRectF(2 * u, 2 * u, 28 * u, 24 * u));
    QPainterPath tail;
    tail.moveTo(8 * u, 20 * u);
    tail.lineTo(6 * u, 30 * u);
    tail.lineTo(15 * u, 24 * u);
    tail.closeSubpath();
    p.setPen(QPen(QColor(60, 60, 60), 1.5 * u));
    p.setBrush(Qt::white);
    p.drawPath(bubble.united(tail));
    glyphIcon(p, u, QStringLiteral("?"), QColor(0, 40, 200), 0);
}

void exclamationIcon(QPainter& p, qreal u)
{
    QPainterPath triangle;
    triangle.moveTo(16 * u, 2 * u);
    triangle.lineTo(30.5 * u, 29 * u);
    triangle.lineTo(1.5 * u, 29 * u);
    triangle.closeSubpath();
    p.setPen(QPen(QColor(90, 70, 0), 1.5 * u, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(255, 215, 0));
    p.drawPath(triangle);
    glyphIcon(p, u, QStringLiteral("!"), Qt::black, 5);
}

void informationIcon(QPainter& p, qreal u)
{
    roundIcon(p, u, QColor(0, 70, 200), QColor(0, 30, 110));
    QFont f(QStringLiteral("DejaVu Serif"));
    f.setBold(true);
    f.setPixelSize(qRound(22 * u));
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 1 * u, 32 * u, 30 * u), Qt::AlignCenter, QStringLiteral("i"));
}

bool save(const QImage& image, const QString& path, const char* format, QTextStream& err)
{
    QImageWriter writer(path, format);
    if (writer.write(image))
        return true;
    err << path << ": " << writer.errorString() << Qt::endl;
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "Utilizare: orvida_pictures FOLDER" << Qt::endl;
        return 64;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(folder.path())) {
        err << folder.path() << ": nu se poate crea" << Qt::endl;
        return 2;
    }
    bool ok = save(toMaskedBitmap(draw(16, okPicture)), folder.filePath(QStringLiteral("OK.bmp")), "bmp", err);
    ok &= save(toMaskedBitmap(draw(16, exitPicture)), folder.filePath(QStringLiteral("Iesire.bmp")), "bmp", err);
    ok &= save(draw(32, stopIcon), folder.filePath(QStringLiteral("W95MBX01.ico")), "ico", err);
    ok &= save(draw(32, questionIcon), folder.filePath(QStringLiteral("W95MBX02.ico")), "ico", err);
    ok &= save(draw(32, exclamationIcon), folder.filePath(QStringLiteral("W95MBX03.ico")), "ico", err);
    ok &= save(draw(32, informationIcon), folder.filePath(QStringLiteral("W95MBX04.ico")), "ico", err);
    return ok ? 0 : 2;
}
