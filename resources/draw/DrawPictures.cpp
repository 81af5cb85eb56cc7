// SPDX-License-Identifier: Apache-2.0
// Draws the program's pictures: the six 16 x 16 menu pictures and the
// program's icon in several sizes, as PNG files with transparency.
//
//   kevo_draw_pictures OUTPUT_DIR
//
// writes OUTPUT_DIR/pictures/N-name.png and OUTPUT_DIR/icons/kevoconf-S.png.
// The drawings are plain QPainter shapes on a pixel grid, so that running it
// again gives the same files.

#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include <cstdio>
#include <functional>

namespace {

using Drawing = std::function<void(QPainter&)>;

QImage Paint(int size, qreal units, const Drawing& draw) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / units, size / units);
    draw(painter);
    painter.end();
    return image;
}

void Box(QPainter& p, const QRectF& r, const QColor& fill, const QColor& line, qreal width = 1) {
    p.setPen(line.isValid() ? QPen(line, width) : QPen(Qt::NoPen));
    p.setBrush(fill.isValid() ? QBrush(fill) : QBrush(Qt::NoBrush));
    p.drawRect(r);
}

// 0: a floppy disk, seen from the front: dark blue case with one corner cut
// off, the metal shutter at the top and the white label below.
void Floppy(QPainter& p) {
    QPainterPath body;
    body.moveTo(1.5, 1.5);
    body.lineTo(12.5, 1.5);
    body.lineTo(14.5, 3.5);
    body.lineTo(14.5, 14.5);
    body.lineTo(1.5, 14.5);
    body.closeSubpath();
    p.setPen(QPen(QColor(0x10, 0x1c, 0x40), 1));
    p.setBrush(QColor(0x2c, 0x4a, 0x9a));
    p.drawPath(body);
    Box(p, QRectF(4.5, 1.5, 7, 4), QColor(0xc8, 0xcc, 0xd4), QColor(0x50, 0x58, 0x68));
    Box(p, QRectF(9, 2.5, 1.5, 2.2), QColor(0x2c, 0x4a, 0x9a), QColor());
    Box(p, QRectF(3.5, 8.5, 9, 6), QColor(0xfa, 0xfa, 0xf6), QColor(0x90, 0x98, 0xa8));
    p.setPen(QPen(QColor(0xb0, 0x40, 0x40), 1));
    p.drawLine(QPointF(5, 10.5), QPointF(11, 10.5));
    p.setPen(QPen(QColor(0x90, 0x98, 0xa8), 1));
    p.drawLine(QPointF(5, 12.5), QPointF(11, 12.5));
}

// 1: a black cross.
void Cross(QPainter& p) {
    p.setPen(QPen(Qt::black, 2.6, Qt::SolidLine, Qt::SquareCap));
    p.drawLine(QPointF(4, 4), QPointF(12, 12));
    p.drawLine(QPointF(12, 4), QPointF(4, 12));
}

// The printer, drawn on a 16-unit grid: a sheet in the feeder at the back,
// the grey body with its green light, and a printed sheet coming out at the
// front.
void PrinterShape(QPainter& p) {
    Box(p, QRectF(4.5, 1.5, 7, 5), QColor(0xff, 0xff, 0xff), QColor(0x70, 0x70, 0x70));
    QPainterPath body;
    body.addRoundedRect(QRectF(1.5, 5.5, 13, 6), 1.2, 1.2);
    p.setPen(QPen(QColor(0x40, 0x40, 0x48), 1));
    p.setBrush(QColor(0xb8, 0xbc, 0xc4));
    p.drawPath(body);
    Box(p, QRectF(2, 6, 12, 1.5), QColor(0xd8, 0xdc, 0xe2), QColor());
    Box(p, QRectF(11, 8.2, 1.8, 1.4), QColor(0x20, 0xc0, 0x30), QColor());
    Box(p, QRectF(4.5, 10.5, 7, 4), QColor(0xff, 0xff, 0xff), QColor(0x70, 0x70, 0x70));
    p.setPen(QPen(QColor(0x60, 0x70, 0x90), 1));
    p.drawLine(QPointF(6, 12.5), QPointF(10, 12.5));
}

// 2: a printer.
void Printer(QPainter& p) {
    PrinterShape(p);
}

// 3: an open folder with a curved arrow over it: reading the details again.
void ReloadFolder(QPainter& p) {
    const QColor edge(0x8a, 0x64, 0x10);
    QPainterPath back;
    back.moveTo(0.5, 14.5);
    back.lineTo(0.5, 6.5);
    back.lineTo(1.5, 5.5);
    back.lineTo(4.5, 5.5);
    back.lineTo(5.5, 6.5);
    back.lineTo(11.5, 6.5);
    back.lineTo(11.5, 14.5);
    back.closeSubpath();
    p.setPen(QPen(edge, 1));
    p.setBrush(QColor(0xe0, 0xa8, 0x30));
    p.drawPath(back);
    QPainterPath front;
    front.moveTo(0.5, 14.5);
    front.lineTo(3.0, 9.5);
    front.lineTo(15.0, 9.5);
    front.lineTo(12.0, 14.5);
    front.closeSubpath();
    p.setBrush(QColor(0xff, 0xd8, 0x60));
    p.drawPath(front);

    // The arrow: a green arc from the folder's middle up and over to the
    // right, ending in a head that points down.
    const QColor green(0x10, 0x7c, 0x20);
    QPainterPath arc;
    arc.moveTo(6.0, 7.0);
    arc.cubicTo(6.0, 1.5, 13.0, 0.5, 13.0, 5.2);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(green, 2.0, Qt::SolidLine, Qt::FlatCap));
    p.drawPath(arc);
    QPainterPath head;
    head.moveTo(10.0, 4.5);
    head.lineTo(16.0, 4.5);
    head.lineTo(13.0, 8.8);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(green);
    p.drawPath(head);
}

// 4: a blue check mark.
void CheckMark(QPainter& p) {
    QPainterPath tick;
    tick.moveTo(2.2, 8.6);
    tick.lineTo(6.2, 12.6);
    tick.lineTo(13.8, 3.6);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x0c, 0x3c, 0xb4), 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(tick);
    p.setPen(QPen(QColor(0x4c, 0x84, 0xf0), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(tick);
}

// A yellow question mark in a box of 16 units, centred on (cx, cy) and
// scaled by s.
void QuestionMark(QPainter& p, qreal cx, qreal cy, qreal s) {
    QPainterPath hook;
    hook.moveTo(cx - 2.0 * s, cy - 2.2 * s);
    hook.cubicTo(cx - 2.0 * s, cy - 5.0 * s, cx + 2.6 * s, cy - 5.0 * s, cx + 2.2 * s,
                 cy - 2.0 * s);
    hook.cubicTo(cx + 2.0 * s, cy - 0.4 * s, cx, cy - 0.2 * s, cx, cy + 1.6 * s);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x60, 0x40, 0x00), 2.4 * s, Qt::SolidLine, Qt::FlatCap));
    p.drawPath(hook);
    p.setPen(QPen(QColor(0xff, 0xe0, 0x20), 1.5 * s, Qt::SolidLine, Qt::FlatCap));
    p.drawPath(hook);
    p.setPen(QPen(QColor(0x60, 0x40, 0x00), 0.6 * s));
    p.setBrush(QColor(0xff, 0xe0, 0x20));
    p.drawEllipse(QPointF(cx, cy + 3.4 * s), 1.05 * s, 1.05 * s);
}

// 5: a purple book with a yellow question mark on its cover.
void HelpBook(QPainter& p) {
    // The pages, seen at the bottom and the right edge.
    Box(p, QRectF(3.5, 2.5, 11, 12), QColor(0xf4, 0xf0, 0xe4), QColor(0x50, 0x40, 0x60));
    // The cover and its spine.
    Box(p, QRectF(1.5, 1.5, 11.5, 12), QColor(0x78, 0x30, 0xb0), QColor(0x38, 0x10, 0x58));
    Box(p, QRectF(2, 2, 2, 11), QColor(0x58, 0x1c, 0x88), QColor());
    QuestionMark(p, 8.6, 7.0, 1.0);
}

// The program's icon, on a 32-unit grid: a printer with a green check mark.
void ProgramIcon(QPainter& p) {
    p.save();
    p.scale(1.75, 1.75);
    p.translate(-0.6, 1.0);
    PrinterShape(p);
    p.restore();
    QPainterPath tick;
    tick.moveTo(16.5, 21.5);
    tick.lineTo(21.5, 26.5);
    tick.lineTo(30.0, 15.5);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 6.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(tick);
    p.setPen(QPen(QColor(0x10, 0x90, 0x28), 4.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(tick);
}

bool Save(const QImage& image, const QString& path) {
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral("pictures")) || !out.mkpath(QStringLiteral("icons"))) {
        std::fprintf(stderr, "cannot create the folders under %s\n", argv[1]);
        return 1;
    }
    const struct {
        const char* name;
        Drawing draw;
    } pictures[] = {
        {"0-floppy", Floppy},        {"1-cross", Cross},
        {"2-printer", Printer},      {"3-reload-folder", ReloadFolder},
        {"4-check-mark", CheckMark}, {"5-help-book", HelpBook},
    };
    bool ok = true;
    for (const auto& picture : pictures)
        ok = Save(Paint(16, 16, picture.draw),
                  out.filePath(QStringLiteral("pictures/%1.png").arg(picture.name))) &&
             ok;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        ok = Save(Paint(size, 32, ProgramIcon),
                  out.filePath(QStringLiteral("icons/kevoconf-%1.png").arg(size))) &&
             ok;
    return ok ? 0 : 1;
}
