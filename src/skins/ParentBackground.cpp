#include "skins/ParentBackground.h"

#include <QCoreApplication>
#include <QPainter>
#include <QWidget>

namespace orbpix {

void paintParentBackground(const QWidget& child, QImage& surface) {
    QWidget* parent = child.parentWidget();
    if (parent == nullptr)
        return;
    ParentBackgroundEvent ask(surface, child.geometry());
    QCoreApplication::sendEvent(parent, &ask);
    if (ask.isAccepted())
        return;
    QPainter painter(&surface);
    parent->render(&painter, QPoint(), QRegion(child.geometry()), QWidget::DrawWindowBackground);
}

}  // namespace orbpix
