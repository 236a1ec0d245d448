#include "SkinIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <cmath>
#include <numbers>

namespace skinart {
namespace {

constexpr double kStroke = 1.8;

void outline(QPainter& p, const QColor& ink, double width = kStroke) {
    p.setPen(QPen(ink, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
}

void solid(QPainter& p, const QColor& ink) {
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
}

QPointF polar(QPointF centre, double radius, double degrees) {
    const double a = degrees * std::numbers::pi / 180;
    return centre + QPointF(radius * std::cos(a), -radius * std::sin(a));
}

// A filled arrow head at `tip`, pointing along `degrees`.
void arrowHead(QPainter& p, QPointF tip, double degrees, double size, const QColor& ink) {
    solid(p, ink);
    p.drawPolygon(
        QPolygonF{tip, polar(tip, size, degrees + 180 - 28), polar(tip, size, degrees + 180 + 28)});
}

void plusBadge(QPainter& p, QPointF centre, const QColor& ink, const QColor& ground) {
    solid(p, ground);
    p.drawEllipse(centre, 6.2, 6.2);
    solid(p, ink);
    p.drawEllipse(centre, 5, 5);
    outline(p, ground, 1.8);
    p.drawLine(centre + QPointF(-2.6, 0), centre + QPointF(2.6, 0));
    p.drawLine(centre + QPointF(0, -2.6), centre + QPointF(0, 2.6));
}

void addPictures(QPainter& p, const QColor& ink, const QColor& ground) {
    outline(p, ink);
    p.drawRoundedRect(QRectF(2.5, 4.5, 16, 13), 2, 2);
    p.drawPolyline(QPolygonF{{3.5, 15.5}, {8, 10.5}, {11.5, 14}, {13.5, 12}, {17.5, 16}});
    solid(p, ink);
    p.drawEllipse(QPointF(13.5, 8.5), 1.5, 1.5);
    plusBadge(p, {18, 17.5}, ink, ground);
}

void folder(QPainter& p, const QColor& ink, const QColor&) {
    outline(p, ink);
    QPainterPath path;
    path.moveTo(3, 18.5);
    path.lineTo(3, 6);
    path.quadTo(3, 5, 4, 5);
    path.lineTo(9.5, 5);
    path.lineTo(11.5, 7.5);
    path.lineTo(19.5, 7.5);
    path.quadTo(20.5, 7.5, 20.5, 8.5);
    path.lineTo(20.5, 10);
    p.drawPath(path);
    QPainterPath front;
    front.moveTo(3, 18.5);
    front.lineTo(5.5, 11);
    front.lineTo(22, 11);
    front.lineTo(19.5, 18.5);
    front.closeSubpath();
    p.drawPath(front);
}

void disk(QPainter& p, const QColor& ink, const QColor&) {
    outline(p, ink);
    QPainterPath body;
    body.moveTo(4, 5);
    body.quadTo(4, 4, 5, 4);
    body.lineTo(16.5, 4);
    body.lineTo(20, 7.5);
    body.lineTo(20, 19);
    body.quadTo(20, 20, 19, 20);
    body.lineTo(5, 20);
    body.quadTo(4, 20, 4, 19);
    body.closeSubpath();
    p.drawPath(body);
    p.drawPolyline(QPolygonF{{8, 4}, {8, 8.5}, {15, 8.5}, {15, 4}});
    p.drawRoundedRect(QRectF(7.5, 13, 9, 7), 1, 1);
}

void envelope(QPainter& p, const QColor& ink, const QColor&) {
    outline(p, ink);
    p.drawRoundedRect(QRectF(3, 6, 18, 13), 2, 2);
    p.drawPolyline(QPolygonF{{4, 7.5}, {12, 13.5}, {20, 7.5}});
}

void globe(QPainter& p, const QColor& ink, const QColor&) {
    outline(p, ink);
    p.drawEllipse(QPointF(12, 12), 8.5, 8.5);
    p.drawEllipse(QPointF(12, 12), 3.8, 8.5);
    p.drawLine(QPointF(3.5, 12), QPointF(20.5, 12));
    outline(p, ink, 1.4);
    p.drawLine(QPointF(5, 7.5), QPointF(19, 7.5));
    p.drawLine(QPointF(5, 16.5), QPointF(19, 16.5));
}

// Where an orbit along the ellipse in `box` heads at `degrees` when it runs counter-clockwise.
double orbitHeading(const QRectF& box, double degrees) {
    const double a = degrees * std::numbers::pi / 180;
    return std::atan2(box.height() / 2 * std::cos(a), -box.width() / 2 * std::sin(a)) * 180 /
           std::numbers::pi;
}

// A panorama with an orbit passing in front of it: the tour that turns all the way round.
void tour(QPainter& p, const QColor& ink, const QColor&) {
    outline(p, ink, 1.6);
    p.drawRoundedRect(QRectF(5.5, 2.5, 13, 10), 1.5, 1.5);
    p.drawPolyline(QPolygonF{{6.5, 11}, {9.5, 7.5}, {12, 10}, {13.5, 8.5}, {17.5, 11.5}});
    outline(p, ink);
    const QRectF orbit(1.5, 8, 21, 12);
    constexpr double start = 150, sweep = 225;
    QPainterPath path;
    path.arcMoveTo(orbit, start);
    path.arcTo(orbit, start, sweep - 12);
    p.drawPath(path);
    QPainterPath full;
    full.arcMoveTo(orbit, start + sweep);
    arrowHead(p, full.currentPosition(), orbitHeading(orbit, start + sweep), 5, ink);
}

void trash(QPainter& p, const QColor& ink, const QColor&) {
    outline(p, ink);
    p.drawLine(QPointF(4, 6.5), QPointF(20, 6.5));
    p.drawPolyline(QPolygonF{{9, 6.5}, {9.5, 4}, {14.5, 4}, {15, 6.5}});
    p.drawPolyline(QPolygonF{{6, 6.5}, {7, 20}, {17, 20}, {18, 6.5}});
    p.drawLine(QPointF(10, 10), QPointF(10.3, 16.5));
    p.drawLine(QPointF(14, 10), QPointF(13.7, 16.5));
}

void chevron(QPainter& p, const QColor& ink, bool right) {
    outline(p, ink, 2.4);
    const double d = right ? 1 : -1;
    p.drawPolyline(QPolygonF{{12 - 3 * d, 5}, {12 + 4 * d, 12}, {12 - 3 * d, 19}});
}

void zoom(QPainter& p, const QColor& ink, bool in) {
    outline(p, ink);
    p.drawEllipse(QPointF(10.5, 10.5), 6.5, 6.5);
    outline(p, ink, 2.8);
    p.drawLine(QPointF(15.5, 15.5), QPointF(20, 20));
    outline(p, ink);
    p.drawLine(QPointF(7.5, 10.5), QPointF(13.5, 10.5));
    if (in)
        p.drawLine(QPointF(10.5, 7.5), QPointF(10.5, 13.5));
}

void sparkle(QPainter& p, QPointF c, double r, const QColor& ink) {
    solid(p, ink);
    QPainterPath star;
    star.moveTo(c + QPointF(0, -r));
    star.quadTo(c, c + QPointF(r, 0));
    star.quadTo(c, c + QPointF(0, r));
    star.quadTo(c, c + QPointF(-r, 0));
    star.quadTo(c, c + QPointF(0, -r));
    p.drawPath(star);
}

void magicWand(QPainter& p, const QColor& ink, const QColor&) {
    outline(p, ink, 2.4);
    p.drawLine(QPointF(4.5, 19.5), QPointF(14, 10));
    outline(p, ink, 1.4);
    p.drawLine(QPointF(15.2, 8.8), QPointF(16.5, 7.5));
    sparkle(p, {17.5, 6.5}, 3.6, ink);
    sparkle(p, {8.5, 5}, 2.4, ink);
    sparkle(p, {19.5, 14}, 2.4, ink);
}

void noCorrection(QPainter& p, const QColor& ink, const QColor&) {
    outline(p, ink);
    p.drawEllipse(QPointF(12, 12), 8, 8);
    p.drawLine(QPointF(6.4, 17.6), QPointF(17.6, 6.4));
}

// The lens toggle: a turning arrow round the ring, the ring's top marked up or down.
void lens(QPainter& p, const QColor& ink, bool up) {
    outline(p, ink);
    QPainterPath turn;
    turn.arcMoveTo(QRectF(3.5, 3.5, 17, 17), 120);
    turn.arcTo(QRectF(3.5, 3.5, 17, 17), 120, 290);
    p.drawPath(turn);
    arrowHead(p, turn.currentPosition() + QPointF(0.8, -0.6), 140, 4.5, ink);
    solid(p, ink);
    const double d = up ? -1 : 1;
    p.drawPolygon(QPolygonF{{12, 12 + 4 * d}, {8, 12 - 2.5 * d}, {16, 12 - 2.5 * d}});
}

void sun(QPainter& p, const QColor& ink, bool high) {
    const QPointF c(12, 12);
    if (high) {
        solid(p, ink);
        p.drawEllipse(c, 4.5, 4.5);
    } else {
        outline(p, ink, 1.6);
        p.drawEllipse(c, 3.2, 3.2);
    }
    outline(p, ink, high ? 2 : 1.6);
    for (int k = 0; k < 8; ++k)
        p.drawLine(polar(c, high ? 7 : 5.5, k * 45), polar(c, high ? 10 : 7.2, k * 45));
}

void contrast(QPainter& p, const QColor& ink, const QColor& ground, bool high) {
    const QRectF circle(4, 4, 16, 16);
    QColor half = ink;
    if (!high)
        half = QColor((ink.red() + ground.red()) / 2, (ink.green() + ground.green()) / 2,
                      (ink.blue() + ground.blue()) / 2);
    solid(p, half);
    p.drawPie(circle, 90 * 16, 180 * 16);
    outline(p, ink);
    p.drawEllipse(circle);
}

void drop(QPainter& p, const QColor& ink, bool high) {
    QPainterPath path;
    path.moveTo(12, 3);
    path.cubicTo(12, 3, 5.5, 10.5, 5.5, 14.5);
    path.arcTo(QRectF(5.5, 8, 13, 13), 180, 180);
    path.cubicTo(18.5, 10.5, 12, 3, 12, 3);
    if (high) {
        solid(p, ink);
        p.drawPath(path);
    } else {
        outline(p, ink);
        p.drawPath(path);
    }
}

void check(QPainter& p, const QColor& ink, const QColor&) {
    outline(p, ink, 2.6);
    p.drawPolyline(QPolygonF{{5, 12.5}, {10, 17.5}, {19, 7}});
}

void cross(QPainter& p, const QColor& ink, const QColor&) {
    outline(p, ink, 2.6);
    p.drawLine(QPointF(6.5, 6.5), QPointF(17.5, 17.5));
    p.drawLine(QPointF(17.5, 6.5), QPointF(6.5, 17.5));
}

// The program's mark: a ring photograph, bright at its inner edge (the sky) and deeper outside.
void ring(QPainter& p, const QColor& ink, const QColor&) {
    const QColor sky = QColor::fromRgbF(float(ink.redF() + (1 - ink.redF()) * 0.45),
                                        float(ink.greenF() + (1 - ink.greenF()) * 0.45),
                                        float(ink.blueF() + (1 - ink.blueF()) * 0.45));
    QRadialGradient shade(QPointF(12, 12), 10);
    shade.setColorAt(0.42, sky);
    shade.setColorAt(1, ink);
    QPainterPath donut;
    donut.addEllipse(QPointF(12, 12), 10, 10);
    donut.addEllipse(QPointF(12, 12), 4.2, 4.2);
    p.setPen(Qt::NoPen);
    p.setBrush(shade);
    p.drawPath(donut);
}

}  // namespace

void drawIcon(QPainter& painter, Icon icon, const QRectF& box, const QColor& ink,
              const QColor& ground) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(box.topLeft());
    painter.scale(box.width() / 24, box.height() / 24);
    QPainter& p = painter;
    switch (icon) {
        case Icon::AddPictures:
            addPictures(p, ink, ground);
            break;
        case Icon::Folder:
            folder(p, ink, ground);
            break;
        case Icon::Disk:
            disk(p, ink, ground);
            break;
        case Icon::Envelope:
            envelope(p, ink, ground);
            break;
        case Icon::Globe:
            globe(p, ink, ground);
            break;
        case Icon::Tour:
            tour(p, ink, ground);
            break;
        case Icon::Trash:
            trash(p, ink, ground);
            break;
        case Icon::ChevronLeft:
            chevron(p, ink, false);
            break;
        case Icon::ChevronRight:
            chevron(p, ink, true);
            break;
        case Icon::ZoomOut:
            zoom(p, ink, false);
            break;
        case Icon::ZoomIn:
            zoom(p, ink, true);
            break;
        case Icon::MagicWand:
            magicWand(p, ink, ground);
            break;
        case Icon::NoCorrection:
            noCorrection(p, ink, ground);
            break;
        case Icon::LensUp:
            lens(p, ink, true);
            break;
        case Icon::LensDown:
            lens(p, ink, false);
            break;
        case Icon::SunLow:
            sun(p, ink, false);
            break;
        case Icon::SunHigh:
            sun(p, ink, true);
            break;
        case Icon::ContrastLow:
            contrast(p, ink, ground, false);
            break;
        case Icon::ContrastHigh:
            contrast(p, ink, ground, true);
            break;
        case Icon::DropLow:
            drop(p, ink, false);
            break;
        case Icon::DropHigh:
            drop(p, ink, true);
            break;
        case Icon::Check:
            check(p, ink, ground);
            break;
        case Icon::Cross:
            cross(p, ink, ground);
            break;
        case Icon::Ring:
            ring(p, ink, ground);
            break;
    }
    painter.restore();
}

}  // namespace skinart
