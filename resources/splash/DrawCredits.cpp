// Draws the credits picture (bitmap 121) that the about window rolls: who made the program and
// the libraries it stands on, white on black, as wide as the about window's credits band.

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRadialGradient>
#include <cstdio>
#include <vector>

namespace {

constexpr int kWidth = 356;

struct Line {
    enum class Kind { Heading, Role, Text, Gap };
    Kind kind;
    const char* text;
};

using K = Line::Kind;

const std::vector<Line> kLines = {
    {K::Heading, "OrbPix Studio 2.0"},
    {K::Text, "Panoramas from ring photographs"},
    {K::Gap, ""},
    {K::Heading, "The OrbPix team"},
    {K::Role, "Album program and windows"},
    {K::Text, "the studio group"},
    {K::Role, "Unwrapping and the panorama view"},
    {K::Text, "the imaging group"},
    {K::Role, "Ring detection and colour"},
    {K::Text, "the imaging group"},
    {K::Role, "Tours and the tour viewer"},
    {K::Text, "the tour group"},
    {K::Role, "Web pages and e-mail"},
    {K::Text, "the publishing group"},
    {K::Role, "Skins and artwork"},
    {K::Text, "the design group"},
    {K::Role, "Scanning"},
    {K::Text, "the devices group"},
    {K::Role, "Help pages"},
    {K::Text, "the documentation group"},
    {K::Role, "Testing"},
    {K::Text, "everyone, every day"},
    {K::Gap, ""},
    {K::Heading, "Built with, and with thanks"},
    {K::Role, "Qt"},
    {K::Text, "windows, pictures and networking"},
    {K::Role, "libjpeg-turbo"},
    {K::Text, "and the Independent JPEG Group's work"},
    {K::Role, "libzip and zlib"},
    {K::Text, "skin packages and tours"},
    {K::Role, "SANE"},
    {K::Text, "scanners"},
    {K::Role, "Xlib"},
    {K::Text, "the tour viewer's window"},
    {K::Role, "GoogleTest and CMake"},
    {K::Text, "keeping it all honest"},
    {K::Gap, ""},
    {K::Heading, "Thank you"},
    {K::Text, "to everyone who photographed a ring"},
    {K::Text, "and sent it to us."},
};

QFont fontFor(Line::Kind kind) {
    QFont font(QStringLiteral("Sans Serif"));
    switch (kind) {
        case K::Heading:
            font.setPixelSize(20);
            font.setBold(true);
            break;
        case K::Role:
            font.setPixelSize(14);
            font.setBold(true);
            break;
        default:
            font.setPixelSize(13);
            break;
    }
    return font;
}

int advance(const Line& line) {
    switch (line.kind) {
        case K::Heading:
            return 40;
        case K::Role:
            return 22;
        case K::Text:
            return 24;
        case K::Gap:
            return 36;
    }
    return 0;
}

// A small ring, the program's own sign, over the first heading.
void drawRing(QPainter& painter, QPointF centre) {
    QRadialGradient ring(centre, 36);
    ring.setColorAt(0.0, Qt::black);
    ring.setColorAt(0.40, Qt::black);
    ring.setColorAt(0.43, QColor(250, 214, 140));
    ring.setColorAt(0.75, QColor(214, 120, 60));
    ring.setColorAt(0.97, QColor(120, 60, 40));
    ring.setColorAt(1.0, QColor(0, 0, 0, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(ring);
    painter.drawEllipse(centre, 36, 36);
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: draw_credits OUT.bmp\n");
        return 1;
    }
    // The picture starts and ends with a band of black, so that it rolls in from below and
    // out at the top of the band.
    constexpr int kMargin = 200;
    constexpr int kRingHeight = 96;
    int height = kMargin + kRingHeight + kMargin;
    for (const Line& line : kLines)
        height += advance(line);
    QImage image(kWidth, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    drawRing(painter, QPointF(kWidth / 2.0, kMargin + 40));
    int y = kMargin + kRingHeight;
    for (const Line& line : kLines) {
        const int step = advance(line);
        if (line.kind != K::Gap) {
            painter.setFont(fontFor(line.kind));
            painter.setPen(line.kind == K::Heading ? QColor(250, 214, 140)
                           : line.kind == K::Role  ? QColor(255, 255, 255)
                                                   : QColor(190, 196, 206));
            painter.drawText(QRect(0, y, kWidth, step), Qt::AlignHCenter | Qt::AlignTop,
                             QString::fromUtf8(line.text));
        }
        y += step;
    }
    painter.end();
    return image.save(QString::fromLocal8Bit(argv[1]), "BMP") ? 0 : 1;
}
