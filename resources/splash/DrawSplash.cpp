// Draws the start-up picture (bitmap 119): a ring photograph's donut over a night-blue
// ground, leaving the lower band dark for the two lines of white text.

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: draw_splash OUT.bmp\n");
        return 1;
    }
    QImage image(420, 260, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient ground(0, 0, 0, image.height());
    ground.setColorAt(0, QColor(28, 52, 110));
    ground.setColorAt(1, QColor(6, 12, 30));
    painter.fillRect(image.rect(), ground);

    const QPointF centre(210, 100);
    QRadialGradient ring(centre, 86);
    ring.setColorAt(0.0, QColor(6, 12, 30));
    ring.setColorAt(0.27, QColor(6, 12, 30));
    ring.setColorAt(0.30, QColor(250, 214, 140));
    ring.setColorAt(0.65, QColor(214, 120, 60));
    ring.setColorAt(0.97, QColor(120, 60, 40));
    ring.setColorAt(1.0, QColor(28, 52, 110, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(ring);
    painter.drawEllipse(centre, 86, 86);
    painter.setPen(QPen(QColor(255, 255, 255, 90), 1.5));
    painter.setBrush(Qt::NoBrush);
    for (int k = 0; k < 12; ++k)
        painter.drawArc(QRectF(centre.x() - 70, centre.y() - 70, 140, 140), k * 480, 240);
    painter.end();
    return image.save(QString::fromLocal8Bit(argv[1]), "BMP") ? 0 : 1;
}
