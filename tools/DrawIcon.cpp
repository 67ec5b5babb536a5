// Draws the program's icon as PNG files at the usual sizes into a folder
// (packaging/icons/<N>x<N>/orvida.png): the shapes of packaging/icons/orvida.svg on a 256 grid.
// Run through scripts/pictures.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>

namespace {

QImage drawIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);

    QLinearGradient sky(QPointF(8, 8), QPointF(248, 248));
    sky.setColorAt(0.0, QColor(0x12, 0x2c, 0x60));
    sky.setColorAt(1.0, QColor(0x06, 0x12, 0x30));
    p.setPen(Qt::NoPen);
    p.setBrush(sky);
    p.drawRoundedRect(QRectF(8, 8, 240, 240), 40, 40);

    const QColor back(0xc8, 0xcd, 0xd7);
    const QColor front(0xf5, 0xf5, 0xeb);
    p.setPen(QPen(QColor(0x1e, 0x3c, 0x78), 3));
    for (const auto& [x, y, colour] : { std::tuple { 100, 36, back }, { 82, 54, back }, { 64, 72, front } }) {
        p.setBrush(colour);
        p.drawRect(QRectF(x, y, 116, 152));
    }
    // Ruled lines are lost below 32 pixels; the tick alone carries the picture there.
    if (size >= 32) {
        p.setPen(QPen(QColor(0x78, 0x8c, 0xb4), 5));
        for (int line = 0; line < 6; ++line)
            p.drawLine(QPointF(78, 91 + 19 * line), QPointF(166, 91 + 19 * line));
    }
    QPainterPath tick;
    tick.moveTo(86, 150);
    tick.lineTo(112, 196);
    tick.lineTo(172, 98);
    p.setPen(QPen(QColor(0x1e, 0x96, 0x3c), 22, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tick);
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "Utilizare: orvida_icon FOLDER" << Qt::endl;
        return 64;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (int size : { 16, 22, 24, 32, 48, 64, 128, 256 }) {
        const QString folder = out.filePath(QStringLiteral("%1x%1").arg(size));
        const QString file = folder + QStringLiteral("/orvida.png");
        if (!QDir().mkpath(folder) || !drawIcon(size).save(file, "PNG")) {
            err << file << ": nu se poate scrie" << Qt::endl;
            return 1;
        }
    }
    return 0;
}
