#include "window/editor_icons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRadialGradient>

namespace {

const QColor kInk(40, 40, 40);

template <typename Draw>
QIcon Drawn(int w, int h, Draw draw)
{
    QPixmap pixmap(w, h);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(kInk, 1.0));
    draw(p);
    p.end();
    return QIcon(pixmap);
}

void Sphere(QPainter& p, const QRectF& r)
{
    QRadialGradient shade(r.left() + r.width() * 0.35, r.top() + r.height() * 0.3, r.width() * 0.7);
    shade.setColorAt(0.0, Qt::white);
    shade.setColorAt(0.5, QColor(200, 120, 60));
    shade.setColorAt(1.0, QColor(60, 30, 10));
    p.setBrush(shade);
    p.drawEllipse(r);
}

void Page(QPainter& p, const QRectF& r)
{
    QPainterPath page;
    page.moveTo(r.left(), r.top());
    page.lineTo(r.right() - 4, r.top());
    page.lineTo(r.right(), r.top() + 4);
    page.lineTo(r.right(), r.bottom());
    page.lineTo(r.left(), r.bottom());
    page.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.drawLine(QPointF(r.right() - 4, r.top()), QPointF(r.right() - 4, r.top() + 4));
    p.drawLine(QPointF(r.right() - 4, r.top() + 4), QPointF(r.right(), r.top() + 4));
}

void Folder(QPainter& p, bool open)
{
    p.setBrush(QColor(230, 190, 80));
    p.drawRect(QRectF(1.5, 3.5, 5, 2));
    p.drawRect(QRectF(1.5, 5.5, 13, 8));
    if (open) {
        p.setBrush(QColor(250, 220, 120));
        QPolygonF flap;
        flap << QPointF(3.5, 8.5) << QPointF(15.5, 8.5) << QPointF(13.5, 13.5)
             << QPointF(1.5, 13.5);
        p.drawPolygon(flap);
    }
}

void NodeBox(QPainter& p, const QColor& title)
{
    p.setBrush(QColor(192, 192, 192));
    p.drawRect(QRectF(1.5, 2.5, 13, 11));
    p.setBrush(title);
    p.drawRect(QRectF(1.5, 2.5, 13, 3));
}

void PalettePicture(QPainter& p, int index)
{
    switch (index) {
    case 0:
        Folder(p, false);
        break;
    case 2:
        Sphere(p, QRectF(1.5, 1.5, 13, 13));
        break;
    case 3:
        NodeBox(p, QColor(120, 120, 200));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(3.5, 7.5, 4, 4));
        p.drawRect(QRectF(8.5, 7.5, 4, 4));
        break;
    case 4: {
        QLinearGradient ramp(1, 0, 15, 0);
        ramp.setColorAt(0.0, Qt::black);
        ramp.setColorAt(0.5, QColor(220, 60, 40));
        ramp.setColorAt(1.0, QColor(255, 240, 120));
        p.setBrush(ramp);
        p.drawRect(QRectF(1.5, 4.5, 13, 7));
        break;
    }
    case 5: {
        QPolygonF ramp;
        ramp << QPointF(1.5, 13.5) << QPointF(14.5, 13.5) << QPointF(14.5, 3.5);
        p.setBrush(QColor(120, 180, 120));
        p.drawPolygon(ramp);
        break;
    }
    case 6: {
        p.setBrush(QColor(170, 210, 250));
        p.drawRect(QRectF(1.5, 2.5, 13, 11));
        QPolygonF hill;
        hill << QPointF(2, 13) << QPointF(6, 7) << QPointF(9, 10) << QPointF(11, 8)
             << QPointF(14, 13);
        p.setBrush(QColor(70, 140, 70));
        p.drawPolygon(hill);
        p.setBrush(QColor(255, 220, 60));
        p.drawEllipse(QRectF(10, 4, 3, 3));
        break;
    }
    case 7:
        p.setPen(QPen(QColor(40, 80, 160), 3.0));
        p.drawLine(QPointF(8, 2.5), QPointF(8, 13.5));
        p.drawLine(QPointF(2.5, 8), QPointF(13.5, 8));
        break;
    case 8:
        p.setBrush(QColor(230, 80, 80, 200));
        p.drawEllipse(QRectF(1.5, 3.5, 8, 8));
        p.setBrush(QColor(80, 120, 230, 200));
        p.drawEllipse(QRectF(6.5, 4.5, 8, 8));
        break;
    case 9: {
        p.setBrush(QColor(90, 90, 90));
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        // A fixed scatter of light cells, the same on every start.
        static const int cells[][2] = {{3, 3},  {8, 2},  {12, 5}, {5, 7},
                                       {10, 9}, {3, 11}, {7, 12}, {12, 12}};
        p.setPen(Qt::NoPen);
        for (const auto& c : cells) {
            p.setBrush(QColor(210, 210, 210));
            p.drawRect(QRectF(c[0], c[1], 2, 2));
        }
        break;
    }
    case 10:
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        p.drawLine(QPointF(8, 8), QPointF(8, 3.5));
        p.drawLine(QPointF(8, 8), QPointF(11.5, 9.5));
        break;
    case 11:
        p.setBrush(QColor(120, 170, 120));
        p.drawRect(QRectF(2.5, 6.5, 8, 7));
        p.drawRect(QRectF(10.5, 8.5, 4, 3));
        p.drawLine(QPointF(4.5, 6.5), QPointF(4.5, 2.5));
        p.drawLine(QPointF(8.5, 6.5), QPointF(8.5, 2.5));
        break;
    default:
        NodeBox(p, QColor(192, 255, 192));
        break;
    }
}

void ToolPicture(QPainter& p, int index)
{
    switch (index) {
    case 0:
        Page(p, QRectF(3.5, 0.5, 9, 13));
        break;
    case 1:
        Folder(p, true);
        break;
    case 2:
        p.setBrush(QColor(60, 80, 150));
        p.drawRect(QRectF(1.5, 0.5, 13, 13));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 0.5, 7, 5));
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(3.5, 8.5, 9, 5));
        break;
    case 3:
        p.setBrush(Qt::NoBrush);
        p.drawLine(QPointF(4, 1), QPointF(10, 10));
        p.drawLine(QPointF(12, 1), QPointF(6, 10));
        p.drawEllipse(QRectF(2.5, 9.5, 4, 4));
        p.drawEllipse(QRectF(9.5, 9.5, 4, 4));
        break;
    case 4:
        Page(p, QRectF(1.5, 0.5, 8, 10));
        Page(p, QRectF(6.5, 3.5, 8, 10));
        break;
    case 5:
        p.setBrush(QColor(190, 140, 80));
        p.drawRect(QRectF(2.5, 1.5, 10, 12));
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(5.5, 0.5, 4, 2));
        Page(p, QRectF(7.5, 5.5, 7, 8));
        break;
    default:
        Sphere(p, QRectF(1.5, 0.5, 13, 13));
        break;
    }
}

}  // namespace

QIcon PaletteIcon(int index)
{
    return Drawn(16, 16, [index](QPainter& p) { PalettePicture(p, index); });
}

QIcon ToolIcon(int index)
{
    return Drawn(16, 15, [index](QPainter& p) { ToolPicture(p, index); });
}

QIcon CloseMacroGlyph()
{
    // An arrow that bends up and out: back to the enclosing graph.
    return Drawn(16, 16, [](QPainter& p) {
        p.setPen(QPen(QColor(40, 80, 160), 2.0));
        QPainterPath path;
        path.moveTo(13, 13);
        path.lineTo(13, 9);
        path.quadTo(13, 5, 9, 5);
        path.lineTo(3, 5);
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
        p.setBrush(QColor(40, 80, 160));
        QPolygonF head;
        head << QPointF(1, 5) << QPointF(6, 1.5) << QPointF(6, 8.5);
        p.drawPolygon(head);
    });
}
