// Draws the desktop icons: the album program's (a ring photograph: sky at the rim, land at the
// mirror's edge, the dark mirror in the middle) and the skin package's (the same ring on a
// sheet with a folded corner). Each is written as an SVG and as PNGs from one description, so
// the sizes cannot drift apart.
//
// draw_icons OUTPUT_FOLDER

#include <QColor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>
#include <cstdio>
#include <vector>

namespace {

// Every measure is a fraction of the icon's side.
struct Stop {
    double at;  // along the ring, 0 = inner edge, 1 = outer edge
    const char* colour;
};
const std::vector<Stop> kRing = {{0.00, "#5b4a2e"}, {0.22, "#4f8a3c"}, {0.42, "#8fc46a"},
                                 {0.50, "#e9f3fb"}, {0.70, "#7fb8ea"}, {1.00, "#2f6fb8"}};
constexpr const char* kMirror = "#1c2633";
constexpr const char* kRim = "#10161e";
constexpr const char* kSheet = "#f4f6f8";
constexpr const char* kSheetEdge = "#8a96a3";

struct Ring {
    double cx, cy, outer, inner;
};

struct Icon {
    QString name;
    bool sheet;  // drawn on a sheet of paper
    Ring ring;
};

const std::vector<Icon> kIcons = {
    {QStringLiteral("orbpix-studio"), false, {0.5, 0.5, 0.46, 0.17}},
    {QStringLiteral("application-x-orbpix-skin"), true, {0.5, 0.56, 0.30, 0.11}},
};

// The sheet: a page with its top-right corner folded.
constexpr double kSheetLeft = 0.14, kSheetTop = 0.06, kSheetRight = 0.86, kSheetBottom = 0.94,
                 kFold = 0.18;

QString number(double v) {
    return QString::number(v, 'f', 2);
}

QString svgOf(const Icon& icon) {
    const double s = 256;
    const Ring& r = icon.ring;
    QString svg =
        QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
            "viewBox=\"0 0 256 256\">\n  <defs>\n"
            "    <radialGradient id=\"ring\" gradientUnits=\"userSpaceOnUse\" cx=\"%1\" cy=\"%2\" "
            "r=\"%3\">\n")
            .arg(number(r.cx * s), number(r.cy * s), number(r.outer * s));
    const double innerAt = r.inner / r.outer;
    for (const Stop& stop : kRing)
        svg += QStringLiteral("      <stop offset=\"%1\" stop-color=\"%2\"/>\n")
                   .arg(QString::number(innerAt + stop.at * (1 - innerAt), 'f', 4),
                        QLatin1String(stop.colour));
    svg += QStringLiteral("    </radialGradient>\n  </defs>\n");
    if (icon.sheet) {
        const double l = kSheetLeft * s, t = kSheetTop * s, rr = kSheetRight * s,
                     b = kSheetBottom * s, f = kFold * s;
        svg +=
            QStringLiteral(
                "  <path d=\"M%1 %2 H%3 L%4 %5 V%6 H%1 Z\" fill=\"%7\" stroke=\"%8\" "
                "stroke-width=\"4\"/>\n"
                "  <path d=\"M%3 %2 V%5 H%4\" fill=\"none\" stroke=\"%8\" stroke-width=\"4\"/>\n")
                .arg(number(l), number(t), number(rr - f), number(rr), number(t + f), number(b),
                     QLatin1String(kSheet), QLatin1String(kSheetEdge));
    }
    svg += QStringLiteral(
               "  <circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"url(#ring)\" stroke=\"%5\" "
               "stroke-width=\"%6\"/>\n"
               "  <circle cx=\"%1\" cy=\"%2\" r=\"%4\" fill=\"%7\" stroke=\"%5\" "
               "stroke-width=\"%6\"/>\n")
               .arg(number(r.cx * s), number(r.cy * s), number(r.outer * s), number(r.inner * s),
                    QLatin1String(kRim), number(s * 0.016), QLatin1String(kMirror));
    svg += QStringLiteral("</svg>\n");
    return svg;
}

QImage pngOf(const Icon& icon, int side) {
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = side;
    if (icon.sheet) {
        const double l = kSheetLeft * s, t = kSheetTop * s, r = kSheetRight * s,
                     b = kSheetBottom * s, f = kFold * s;
        QPainterPath page;
        page.moveTo(l, t);
        page.lineTo(r - f, t);
        page.lineTo(r, t + f);
        page.lineTo(r, b);
        page.lineTo(l, b);
        page.closeSubpath();
        p.setPen(QPen(QColor(kSheetEdge), s * 4 / 256));
        p.setBrush(QColor(kSheet));
        p.drawPath(page);
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF({QPointF(r - f, t), QPointF(r - f, t + f), QPointF(r, t + f)}));
    }
    const Ring& ring = icon.ring;
    const QPointF centre(ring.cx * s, ring.cy * s);
    QRadialGradient gradient(centre, ring.outer * s);
    const double innerAt = ring.inner / ring.outer;
    for (const Stop& stop : kRing)
        gradient.setColorAt(innerAt + stop.at * (1 - innerAt), QColor(stop.colour));
    const QPen rim(QColor(kRim), s * 0.016);
    p.setPen(rim);
    p.setBrush(gradient);
    p.drawEllipse(centre, ring.outer * s, ring.outer * s);
    p.setBrush(QColor(kMirror));
    p.drawEllipse(centre, ring.inner * s, ring.inner * s);
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: draw_icons OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path()))
        return 1;
    for (const Icon& icon : kIcons) {
        QFile svg(out.filePath(icon.name + QStringLiteral(".svg")));
        if (!svg.open(QIODevice::WriteOnly) || svg.write(svgOf(icon).toUtf8()) < 0)
            return 1;
        for (const int side : {48, 256}) {
            if (!pngOf(icon, side)
                     .save(out.filePath(icon.name + QStringLiteral("-%1.png").arg(side)), "PNG"))
                return 1;
        }
    }
    return 0;
}
