// Draws every picture the editor compiles in: the block backgrounds the sheet paints its text on,
// the palette and label-panel entries, and the tool-bar / menu icons. The output is written below
// the directory given on the command line (normally resources/), together with the .qrc file that
// lists it, so the pictures can always be rebuilt from this one source. The application icon is also
// drawn into hicolor/, the icon theme the package installs.
//
// Block pictures carry no text: the sheet draws centred black text on them, so their middle is kept
// light. Ports are small dark marks touching the image edge at the exact offsets the sheet uses to
// attach wires.

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>
#include <QTextStream>
#include <QtMath>

#include <cstdio>
#include <functional>

namespace {

// One colour family: body fill, 1 px outline and the darker port / accent colour.
struct Tone
{
    QColor fill;
    QColor line;
    QColor mark;
};

const Tone kInput{QColor(0xf4, 0xbc, 0xb5), QColor(0xb8, 0x5a, 0x50), QColor(0x94, 0x3c, 0x33)};
const Tone kPreLogic{QColor(0xf7, 0xe2, 0x92), QColor(0xb8, 0x98, 0x2c), QColor(0x8c, 0x6f, 0x14)};
const Tone kFunction{QColor(0xbf, 0xe6, 0xb4), QColor(0x5c, 0x9c, 0x50), QColor(0x3b, 0x72, 0x32)};
const Tone kPostLogic{QColor(0xb2, 0xe3, 0xea), QColor(0x41, 0x9a, 0xa8), QColor(0x2a, 0x72, 0x7e)};
const Tone kOutput{QColor(0xbf, 0xd2, 0xf4), QColor(0x52, 0x78, 0xc0), QColor(0x34, 0x53, 0x8f)};
const Tone kUnused{QColor(0xe4, 0xe4, 0xe4), QColor(0xa4, 0xa4, 0xa4), QColor(0x80, 0x80, 0x80)};

// The "NET" counter strips use a slightly deeper shade of the entry above them.
Tone deeper(const Tone& t)
{
    return {t.fill.darker(112), t.line.darker(110), t.mark};
}

// Icon colours: dark grey strokes, one blue accent.
const QColor kInk(0x3d, 0x44, 0x50);
const QColor kAccent(0x2d, 0x7b, 0xe0);
const QColor kAccentLight(0xa9, 0xcb, 0xf5);
const QColor kPaper(0xff, 0xff, 0xff);

constexpr qreal kRadius = 3.0;

QImage canvas(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

// A rectangle whose 1 px outline lands exactly on pixel rows and columns.
QRectF crisp(qreal left, qreal top, qreal right, qreal bottom)
{
    return QRectF(left + 0.5, top + 0.5, right - left - 1.0, bottom - top - 1.0);
}

QPainterPath roundedBox(const QRectF& r, qreal radius = kRadius)
{
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

// A tag pointing right: rounded corners on the left, a point on the right edge at mid-height.
QPainterPath tagShape(const QRectF& r, qreal tip)
{
    const qreal rad = kRadius;
    const qreal cy = r.center().y();
    QPainterPath path;
    path.moveTo(r.left() + rad, r.top());
    path.lineTo(r.right() - tip, r.top());
    path.lineTo(r.right(), cy);
    path.lineTo(r.right() - tip, r.bottom());
    path.lineTo(r.left() + rad, r.bottom());
    path.quadTo(r.left(), r.bottom(), r.left(), r.bottom() - rad);
    path.lineTo(r.left(), r.top() + rad);
    path.quadTo(r.left(), r.top(), r.left() + rad, r.top());
    path.closeSubpath();
    return path;
}

// Soft fill with a barely visible top-to-bottom shade, a 1 px darker outline and a faint
// highlight just inside the top edge.
void paintBody(QPainter& p, const QPainterPath& shape, const Tone& t)
{
    const QRectF r = shape.boundingRect();
    QLinearGradient shade(r.topLeft(), r.bottomLeft());
    shade.setColorAt(0.0, t.fill.lighter(106));
    shade.setColorAt(1.0, t.fill.darker(104));
    p.setPen(Qt::NoPen);
    p.setBrush(shade);
    p.drawPath(shape);

    p.save();
    p.setClipPath(shape);
    QColor highlight(255, 255, 255, 110);
    p.setPen(QPen(highlight, 1.0));
    p.drawLine(QPointF(r.left() + 1, r.top() + 1), QPointF(r.right() - 1, r.top() + 1));
    p.restore();

    p.setPen(QPen(t.line, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shape);
}

// Input port: a small dark nub on the left edge centred on row y.
void inputPort(QPainter& p, qreal y, const Tone& t)
{
    p.setPen(Qt::NoPen);
    p.setBrush(t.mark);
    p.drawRoundedRect(QRectF(0, y - 3, 6, 6), 1.2, 1.2);
}

// Output port: a small dark arrowhead whose point touches the right edge at row y.
void outputPort(QPainter& p, int w, qreal y, const Tone& t)
{
    const QPointF head[] = {QPointF(w - 7, y - 4), QPointF(w, y), QPointF(w - 7, y + 4)};
    p.setPen(Qt::NoPen);
    p.setBrush(t.mark);
    p.drawPolygon(head, 3);
}

// Round port on the left edge: filled when the input is in use, hollow otherwise.
void dotPort(QPainter& p, qreal y, const Tone& t, bool used)
{
    p.setPen(QPen(t.mark, 1.3));
    p.setBrush(used ? t.mark : QColor(Qt::white));
    p.drawEllipse(QPointF(3.5, y), 2.8, 2.8);
}

// A plain block: rounded body, optional input on the left and output on the right at row y.
void block(QPainter& p, int w, int h, const Tone& t, bool in, bool out, qreal y)
{
    paintBody(p, roundedBox(crisp(in ? 3 : 0, 0, out ? w - 3 : w, h)), t);
    if (in)
        inputPort(p, y, t);
    if (out)
        outputPort(p, w, y, t);
}

// Logic stage: eleven input ticks (rows 3, 8, ..., 53) on the left, one output on the right.
void logicStage(QPainter& p, int w, int h, const Tone& t)
{
    paintBody(p, roundedBox(crisp(3, 0, w - 3, h)), t);
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int k = 0; k <= 10; ++k)
        p.fillRect(QRect(0, 3 + 5 * k - 1, 5, 2), t.mark);
    p.setRenderHint(QPainter::Antialiasing, true);
    outputPort(p, w, h / 2, t);
}

// Round "punch hole" of a tag, left of the text area.
void tagHole(QPainter& p, qreal x, qreal y, const Tone& t)
{
    p.setPen(QPen(t.line, 1.0));
    p.setBrush(QColor(255, 255, 255, 220));
    p.drawEllipse(QPointF(x, y), 2.3, 2.3);
}

// Palette entry: rounded body with a deeper accent strip along the left edge.
void paletteEntry(QPainter& p, int w, int h, const Tone& t)
{
    const QPainterPath body = roundedBox(crisp(0, 0, w, h));
    paintBody(p, body, t);
    p.save();
    p.setClipPath(body);
    p.fillRect(QRectF(0, 0, 4, h), t.line);
    p.restore();
    p.setPen(QPen(t.line, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawPath(body);
}

// Small U-turn arrow pointing back to the left; marks everything that feeds a signal back.
void returnArrow(QPainter& p, const QRectF& box, const QColor& c)
{
    QPen pen(c, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const qreal l = box.left(), r = box.right(), t = box.top(), b = box.bottom();
    const qreal bend = (b - t) / 2;
    QPainterPath path;
    path.moveTo(l + 2, t);
    path.lineTo(r - bend, t);
    path.arcTo(QRectF(r - 2 * bend, t, 2 * bend, 2 * bend), 90, -180);
    path.lineTo(l + 1, b);
    p.drawPath(path);
    const QPointF head[] = {QPointF(l + 3.5, b - 2.5), QPointF(l + 0.5, b), QPointF(l + 3.5, b + 2.5)};
    p.setBrush(c);
    p.drawPolygon(head, 3);
}

// Feedback-carrying body: blue, with a short yellow cap on the far right holding the return arrow.
void feedbackBody(QPainter& p, const QPainterPath& body, int w, int h, int cap)
{
    paintBody(p, body, kOutput);
    p.save();
    p.setClipPath(body);
    p.fillRect(QRectF(w - cap, 0, cap, h), kPreLogic.fill);
    p.setPen(QPen(kOutput.line, 1.0));
    p.drawLine(QPointF(w - cap + 0.5, 0), QPointF(w - cap + 0.5, h));
    p.restore();
    p.setPen(QPen(kOutput.line, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawPath(body);
    const qreal cy = h / 2.0;
    returnArrow(p, QRectF(w - cap + 1.5, cy - 4.5, cap - 4, 9), kPreLogic.mark);
}

// ---------------------------------------------------------------------------------------------
// Icons

QPen inkPen(qreal width = 2.0, const QColor& c = kInk)
{
    return QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QPainterPath document(const QRectF& r, qreal fold)
{
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    return path;
}

void drawDocument(QPainter& p, const QRectF& r, qreal fold)
{
    p.setPen(inkPen());
    p.setBrush(kPaper);
    p.drawPath(document(r, fold));
    QPainterPath corner;
    corner.moveTo(r.right() - fold, r.top());
    corner.lineTo(r.right() - fold, r.top() + fold);
    corner.lineTo(r.right(), r.top() + fold);
    p.setBrush(Qt::NoBrush);
    p.drawPath(corner);
}

void textLines(QPainter& p, qreal x0, qreal x1, qreal y0, int count, qreal step, const QColor& c)
{
    p.setPen(inkPen(1.6, c));
    for (int i = 0; i < count; ++i)
        p.drawLine(QPointF(x0, y0 + i * step), QPointF(x1 - (i % 2) * 3, y0 + i * step));
}

void iconNewFile(QPainter& p)
{
    drawDocument(p, QRectF(6, 3, 18, 25), 6);
    p.setPen(inkPen(1.0, kAccent.darker(120)));
    p.setBrush(kAccent);
    p.drawEllipse(QPointF(23, 23), 6.5, 6.5);
    p.setPen(inkPen(2.0, kPaper));
    p.drawLine(QPointF(23, 19.5), QPointF(23, 26.5));
    p.drawLine(QPointF(19.5, 23), QPointF(26.5, 23));
}

void iconOpen(QPainter& p)
{
    QPainterPath back;
    back.moveTo(3, 26);
    back.lineTo(3, 7);
    back.lineTo(12, 7);
    back.lineTo(15, 10);
    back.lineTo(26, 10);
    back.lineTo(26, 14);
    p.setPen(inkPen());
    p.setBrush(QColor(0xe6, 0xea, 0xf0));
    p.drawPath(back);
    QPainterPath flap;
    flap.moveTo(3, 26);
    flap.lineTo(8, 14);
    flap.lineTo(30, 14);
    flap.lineTo(25, 26);
    flap.closeSubpath();
    p.setBrush(kAccentLight);
    p.drawPath(flap);
}

void iconSave(QPainter& p)
{
    QPainterPath disk;
    disk.moveTo(5, 5);
    disk.lineTo(23, 5);
    disk.lineTo(27, 9);
    disk.lineTo(27, 27);
    disk.lineTo(5, 27);
    disk.closeSubpath();
    p.setPen(inkPen());
    p.setBrush(kAccent);
    p.drawPath(disk);
    p.setBrush(kPaper);
    p.drawRect(QRectF(10, 5, 11, 7));
    p.drawRect(QRectF(9, 17, 14, 10));
    p.setPen(inkPen(2.0, kAccent));
    p.drawLine(QPointF(18, 7.5), QPointF(18, 9.5));
    textLines(p, 12, 20, 21, 2, 3, QColor(0xa0, 0xa6, 0xb0));
}

void iconDownload(QPainter& p)
{
    // Chip with pins on both sides, arrow coming down into it.
    p.setPen(inkPen(2.0));
    for (int i = 0; i < 3; ++i) {
        const qreal y = 19.5 + i * 3.5;
        p.drawLine(QPointF(4, y), QPointF(8, y));
        p.drawLine(QPointF(24, y), QPointF(28, y));
    }
    p.setBrush(QColor(0x5a, 0x62, 0x70));
    p.drawRoundedRect(QRectF(8, 16, 16, 13), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x8a, 0x92, 0xa0));
    p.drawEllipse(QPointF(11.5, 19.5), 1.3, 1.3);
    p.setPen(inkPen(3.0, kAccent));
    p.drawLine(QPointF(16, 2.5), QPointF(16, 14));
    p.drawPolyline(QPolygonF(QVector<QPointF>{QPointF(10.5, 8.5), QPointF(16, 14), QPointF(21.5, 8.5)}));
}

// Seven-segment digit in a w × h box; segments a..g.
void sevenSegment(QPainter& p, const QRectF& box, int digit)
{
    static const char* const kSegments[] = {"abcdef", "bc",     "abdeg", "abcdg",   "bcfg",
                                            "acdfg",  "acdefg", "abc",   "abcdefg", "abcdfg"};
    const qreal l = box.left(), r = box.right(), t = box.top(), b = box.bottom();
    const qreal m = box.center().y();
    for (const char* s = kSegments[digit]; *s; ++s) {
        switch (*s) {
        case 'a':
            p.drawLine(QPointF(l, t), QPointF(r, t));
            break;
        case 'b':
            p.drawLine(QPointF(r, t), QPointF(r, m));
            break;
        case 'c':
            p.drawLine(QPointF(r, m), QPointF(r, b));
            break;
        case 'd':
            p.drawLine(QPointF(l, b), QPointF(r, b));
            break;
        case 'e':
            p.drawLine(QPointF(l, m), QPointF(l, b));
            break;
        case 'f':
            p.drawLine(QPointF(l, t), QPointF(l, m));
            break;
        case 'g':
            p.drawLine(QPointF(l, m), QPointF(r, m));
            break;
        }
    }
}

void iconCounter(QPainter& p)
{
    p.setPen(inkPen(2.0));
    p.setBrush(QColor(0x2f, 0x35, 0x40));
    p.drawRoundedRect(QRectF(2, 7, 28, 18), 2.5, 2.5);
    p.setPen(QPen(QColor(0x7c, 0xb8, 0xff), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const int digits[] = {1, 2, 8};
    for (int i = 0; i < 3; ++i)
        sevenSegment(p, QRectF(6.5 + i * 7.5, 11, 4.5, 10), digits[i]);
}

void iconSwitch(QPainter& p)
{
    p.setPen(inkPen(2.0));
    p.setBrush(kAccent);
    p.drawRoundedRect(QRectF(3, 9, 26, 14), 7, 7);
    p.setBrush(kPaper);
    p.drawEllipse(QPointF(22, 16), 5, 5);
}

void iconUndo(QPainter& p)
{
    QPainterPath arc;
    arc.moveTo(9, 12);
    arc.lineTo(18, 12);
    arc.cubicTo(24, 12, 27, 16, 27, 20);
    arc.cubicTo(27, 24, 24, 27, 19, 27);
    arc.lineTo(14, 27);
    p.setPen(inkPen(2.6, kInk));
    p.setBrush(Qt::NoBrush);
    p.drawPath(arc);
    const QPointF head[] = {QPointF(12, 5.5), QPointF(4, 12), QPointF(12, 18.5)};
    p.setPen(inkPen(1.5, kAccent.darker(115)));
    p.setBrush(kAccent);
    p.drawPolygon(head, 3);
}

void iconRedo(QPainter& p)
{
    p.save();
    p.translate(32, 0);
    p.scale(-1, 1);
    iconUndo(p);
    p.restore();
}

void iconCut(QPainter& p)
{
    p.setPen(inkPen(2.2));
    p.drawLine(QPointF(12.5, 20), QPointF(22, 4));
    p.drawLine(QPointF(19.5, 20), QPointF(10, 4));
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawEllipse(QPointF(16, 14), 1.3, 1.3);
    p.setPen(inkPen(2.4, kAccent));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(10, 24), 4.2, 4.2);
    p.drawEllipse(QPointF(22, 24), 4.2, 4.2);
}

void iconCopy(QPainter& p)
{
    drawDocument(p, QRectF(4, 3, 15, 19), 4);
    drawDocument(p, QRectF(13, 10, 15, 19), 4);
    textLines(p, 16.5, 24.5, 17, 3, 3.5, kAccent);
}

void iconPaste(QPainter& p)
{
    p.setPen(inkPen());
    p.setBrush(QColor(0xe6, 0xea, 0xf0));
    p.drawRoundedRect(QRectF(5, 5, 20, 24), 2, 2);
    p.setBrush(kPaper);
    p.drawRect(QRectF(9, 10, 12, 15));
    textLines(p, 11.5, 18.5, 14, 3, 3.5, kAccent);
    p.setPen(inkPen(1.6));
    p.setBrush(QColor(0x5a, 0x62, 0x70));
    p.drawRoundedRect(QRectF(10.5, 2.5, 9, 5), 1.5, 1.5);
}

void iconCheck(QPainter& p)
{
    drawDocument(p, QRectF(5, 3, 19, 25), 6);
    textLines(p, 9, 16, 9, 2, 4, QColor(0xa0, 0xa6, 0xb0));
    p.setPen(QPen(kPaper, 6.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPolygonF tick(QVector<QPointF>{QPointF(12, 20), QPointF(17, 25), QPointF(28, 12)});
    p.drawPolyline(tick);
    p.setPen(QPen(kAccent, 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(tick);
}

QPainterPath gearShape(const QPointF& c, qreal outer, qreal inner, int teeth)
{
    QPainterPath ring;
    ring.addEllipse(c, inner, inner);
    QPainterPath teethPath;
    for (int i = 0; i < teeth; ++i) {
        QTransform rot;
        rot.translate(c.x(), c.y());
        rot.rotate(360.0 * i / teeth);
        QPainterPath tooth;
        tooth.addRoundedRect(QRectF(-2.4, -outer, 4.8, outer - inner + 2), 1, 1);
        teethPath = teethPath.united(rot.map(tooth));
    }
    return ring.united(teethPath);
}

void iconConfigure(QPainter& p)
{
    const QPointF c(16, 16);
    QPainterPath gear = gearShape(c, 13, 9.5, 8);
    QPainterPath hole;
    hole.addEllipse(c, 4, 4);
    p.setPen(inkPen(1.6));
    p.setBrush(QColor(0x8a, 0x92, 0xa0));
    p.drawPath(gear.subtracted(hole));
    p.setPen(inkPen(2.2, kAccent));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 4, 4);
}

void iconEdit(QPainter& p)
{
    p.save();
    p.translate(16, 16);
    p.rotate(-45);
    // Pencil along the x axis, tip pointing to the lower left after rotation.
    p.setPen(inkPen(1.6));
    p.setBrush(kAccent);
    p.drawRect(QRectF(-7, -4, 16, 8));
    p.setBrush(QColor(0xe0, 0x9a, 0xa0));
    p.drawRoundedRect(QRectF(9, -4, 5, 8), 1.5, 1.5);
    QPainterPath tip;
    tip.moveTo(-7, -4);
    tip.lineTo(-15, 0);
    tip.lineTo(-7, 4);
    tip.closeSubpath();
    p.setBrush(QColor(0xf3, 0xdc, 0xb8));
    p.drawPath(tip);
    QPainterPath lead;
    lead.moveTo(-12, -1.5);
    lead.lineTo(-15, 0);
    lead.lineTo(-12, 1.5);
    lead.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawPath(lead);
    p.restore();
}

void iconRename(QPainter& p)
{
    p.setPen(inkPen(2.6));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF(QVector<QPointF>{QPointF(4, 26), QPointF(11.5, 6), QPointF(19, 26)}));
    p.drawLine(QPointF(7, 19.5), QPointF(16, 19.5));
    p.setPen(inkPen(2.0, kAccent));
    p.drawLine(QPointF(25, 5), QPointF(25, 27));
    p.drawLine(QPointF(22, 5), QPointF(28, 5));
    p.drawLine(QPointF(22, 27), QPointF(28, 27));
}

// Application icon: a blue module face with a pulse train running into a logic chip.
void appIcon(QPainter& p)
{
    const QRectF face(3, 3, 58, 58);
    QLinearGradient bg(face.topLeft(), face.bottomLeft());
    bg.setColorAt(0, QColor(0x4a, 0x8c, 0xe6));
    bg.setColorAt(1, QColor(0x2a, 0x60, 0xb4));
    p.setPen(QPen(QColor(0x1f, 0x4a, 0x8e), 1.5));
    p.setBrush(bg);
    p.drawRoundedRect(face, 11, 11);

    // Chip.
    p.setPen(QPen(QColor(0xdc, 0xe8, 0xfa), 2.2, Qt::SolidLine, Qt::FlatCap));
    for (int i = 0; i < 4; ++i) {
        const qreal v = 26 + i * 6;
        p.drawLine(QPointF(v, 16), QPointF(v, 21));
        p.drawLine(QPointF(v, 47), QPointF(v, 52));
        p.drawLine(QPointF(48, v - 2), QPointF(53, v - 2));
    }
    p.setPen(QPen(QColor(0xdc, 0xe8, 0xfa), 1.5));
    p.setBrush(QColor(0x24, 0x2b, 0x36));
    p.drawRoundedRect(QRectF(21, 21, 27, 26), 3, 3);

    // Pulses running into the chip.
    QPainterPath pulses;
    pulses.moveTo(8, 40);
    pulses.lineTo(11, 40);
    pulses.lineTo(11, 30);
    pulses.lineTo(15, 30);
    pulses.lineTo(15, 40);
    pulses.lineTo(18, 40);
    pulses.lineTo(18, 30);
    pulses.lineTo(22, 30);
    pulses.lineTo(22, 40);
    pulses.lineTo(25, 40);
    p.setPen(QPen(QColor(0xf7, 0xd2, 0x4a), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(pulses);

    // A "V" mark on the chip.
    p.setPen(QPen(QColor(0x7c, 0xd3, 0x8a), 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF(QVector<QPointF>{QPointF(29, 28), QPointF(34.5, 40), QPointF(40, 28)}));
}

// ---------------------------------------------------------------------------------------------
// Output

class Writer
{
public:
    explicit Writer(const QString& root)
        : m_root(root)
    {}

    // Renders one picture of the given size and saves it as PNG at the resource-relative path.
    // Pictures the program compiles in are listed in the resource collection; the others are
    // installed beside the program.
    bool draw(const QString& relPath, int w, int h, const std::function<void(QPainter&)>& paint,
              bool bCompiledIn = true)
    {
        QImage img = canvas(w, h);
        {
            QPainter p(&img);
            p.setRenderHint(QPainter::Antialiasing, true);
            paint(p);
        }
        const QString path = m_root.filePath(relPath);
        if (!QDir().mkpath(QFileInfo(path).absolutePath()) || !img.save(path, "PNG")) {
            std::fprintf(stderr, "imagegen: cannot write %s\n", qPrintable(path));
            m_ok = false;
            return false;
        }
        if (bCompiledIn)
            m_files << relPath;
        ++m_count;
        return true;
    }

    // Writes the resource collection file listing every picture saved so far.
    bool writeQrc(const QString& name)
    {
        QSaveFile file(m_root.filePath(name));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
            return false;
        QTextStream out(&file);
        out << "<!DOCTYPE RCC><RCC version=\"1.0\">\n<qresource prefix=\"/\">\n";
        for (const QString& f : m_files)
            out << "    <file>" << f << "</file>\n";
        out << "</qresource>\n</RCC>\n";
        out.flush();
        return file.commit();
    }

    bool ok() const { return m_ok; }
    int count() const { return m_count; }

private:
    QDir m_root;
    QStringList m_files;
    int m_count = 0;
    bool m_ok = true;
};

void drawBlocks(Writer& out)
{
    out.draw("images/label-IN.png", 100, 32, [](QPainter& p) {
        block(p, 100, 32, kInput, false, true, 16);
        // Connector socket on the free left end.
        p.setPen(QPen(kInput.line, 1.2));
        p.setBrush(QColor(255, 255, 255, 170));
        p.drawEllipse(QPointF(9, 16), 4, 4);
        p.setPen(Qt::NoPen);
        p.setBrush(kInput.mark);
        p.drawEllipse(QPointF(9, 16), 1.6, 1.6);
    });
    out.draw("images/PreLgc.png", 100, 60, [](QPainter& p) { logicStage(p, 100, 60, kPreLogic); });
    out.draw("images/PstLgc.png", 100, 60, [](QPainter& p) { logicStage(p, 100, 60, kPostLogic); });
    out.draw("images/Function.png", 110, 32,
             [](QPainter& p) { block(p, 110, 32, kFunction, true, true, 16); });
    out.draw("images/Function0.png", 110, 32, [](QPainter& p) {
        block(p, 110, 32, kFunction, false, true, 16);
        // Free-running oscillator: a short square wave in the top-left corner.
        QPainterPath wave;
        wave.moveTo(5, 11);
        wave.lineTo(8, 11);
        wave.lineTo(8, 5);
        wave.lineTo(12, 5);
        wave.lineTo(12, 11);
        wave.lineTo(16, 11);
        wave.lineTo(16, 5);
        wave.lineTo(20, 5);
        p.setPen(QPen(kFunction.mark, 1.4, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(wave);
    });
    out.draw("images/NonFnc.png", 110, 20, [](QPainter& p) {
        // Pass-through: a bar ending in an arrowhead whose point is the output.
        QPainterPath arrow;
        arrow.moveTo(3.5, 6.5);
        arrow.lineTo(96.5, 6.5);
        arrow.lineTo(96.5, 1.5);
        arrow.lineTo(109.5, 10);
        arrow.lineTo(96.5, 18.5);
        arrow.lineTo(96.5, 13.5);
        arrow.lineTo(3.5, 13.5);
        arrow.closeSubpath();
        paintBody(p, arrow, kFunction);
        inputPort(p, 10, kFunction);
    });
    out.draw("images/NIMout.png", 180, 32, [](QPainter& p) { block(p, 180, 32, kOutput, true, false, 16); });
    out.draw("images/FeedBack.png", 180, 32, [](QPainter& p) {
        feedbackBody(p, roundedBox(crisp(3, 0, 180, 32)), 180, 32, 13);
        inputPort(p, 16, kOutput);
    });

    // Measure counters: GATE at row 6, SRC at row 22; a filled dot marks an input in use.
    struct Counter
    {
        const char* file;
        bool gate;
        bool src;
    };
    const Counter counters[] = {{"images/MsrCnt.png", true, true},
                                {"images/MsrCnt1.png", true, false},
                                {"images/MsrCnt2.png", false, true},
                                {"images/MsrCnt3.png", false, false}};
    for (const Counter& c : counters) {
        out.draw(c.file, 110, 32, [c](QPainter& p) {
            paintBody(p, roundedBox(crisp(3, 0, 110, 32)), kOutput);
            dotPort(p, 6, kOutput, c.gate);
            dotPort(p, 22, kOutput, c.src);
        });
    }

    out.draw("images/LabelIN.png", 100, 28, [](QPainter& p) {
        paintBody(p, tagShape(crisp(3, 0, 100, 28), 11), kOutput);
        inputPort(p, 14, kOutput);
    });
    out.draw("images/Label.png", 100, 28, [](QPainter& p) {
        paintBody(p, tagShape(crisp(0, 0, 100, 28), 11), kPreLogic);
        tagHole(p, 7, 14, kPreLogic);
        outputPort(p, 100, 14, kPreLogic);
    });
    out.draw("images/FncLabel.png", 100, 28, [](QPainter& p) {
        paintBody(p, tagShape(crisp(0, 0, 100, 28), 11), kFunction);
        tagHole(p, 7, 14, kFunction);
        outputPort(p, 100, 14, kFunction);
    });
}

void drawPalette(Writer& out)
{
    struct Entry
    {
        const char* file;
        int h;
        Tone tone;
    };
    const Entry entries[] = {
        {"images/MenuInput.png", 32, kInput},
        {"images/MenuPreLgc.png", 32, kPreLogic},
        {"images/MenuPstLgc.png", 32, kPostLogic},
        {"images/MenuOut.png", 32, kOutput},
        {"images/NetPreLgc.png", 20, deeper(kPreLogic)},
        {"images/NetPstLgc.png", 20, deeper(kPostLogic)},
    };
    for (const Entry& e : entries)
        out.draw(e.file, 100, e.h, [e](QPainter& p) { paletteEntry(p, 100, e.h, e.tone); });

    out.draw("images/MenuFeedBack.png", 100, 32,
             [](QPainter& p) { feedbackBody(p, roundedBox(crisp(0, 0, 100, 32)), 100, 32, 13); });
    out.draw("images/NetFeedBack.png", 100, 20, [](QPainter& p) {
        const QPainterPath body = roundedBox(crisp(0, 0, 100, 20));
        const Tone t = deeper(kOutput);
        paintBody(p, body, t);
        p.save();
        p.setClipPath(body);
        p.fillRect(QRectF(88, 0, 12, 20), deeper(kPreLogic).fill);
        p.restore();
        p.setPen(QPen(t.line, 1.0));
        p.setBrush(Qt::NoBrush);
        p.drawPath(body);
        returnArrow(p, QRectF(89.5, 6.5, 8, 7), kPreLogic.mark);
    });
    out.draw("images/MenuLabel.png", 100, 32, [](QPainter& p) {
        paintBody(p, tagShape(crisp(0, 0, 100, 32), 12), kPreLogic);
        tagHole(p, 7, 16, kPreLogic);
    });
    out.draw("images/FuncLabel.png", 100, 32, [](QPainter& p) {
        paintBody(p, tagShape(crisp(0, 0, 100, 32), 12), kFunction);
        tagHole(p, 7, 16, kFunction);
    });

    // Label panel: yellow / green tags are free labels, a grey tag is one already placed.
    struct PanelTag
    {
        const char* file;
        Tone tone;
    };
    const PanelTag tags[] = {{"images/LabelON.png", kPreLogic},
                             {"images/FncLabelON.png", kFunction},
                             {"images/LabelOFF.png", kUnused}};
    for (const PanelTag& t : tags) {
        out.draw(t.file, 86, 24, [t](QPainter& p) {
            paintBody(p, tagShape(crisp(0, 0, 86, 24), 9), t.tone);
            tagHole(p, 6, 12, t.tone);
        });
    }

    out.draw("images/delbutton.png", 24, 24, [](QPainter& p) {
        p.setPen(QPen(QColor(0xa8, 0x3a, 0x32), 1.0));
        p.setBrush(QColor(0xe2, 0x62, 0x58));
        p.drawRoundedRect(crisp(1, 1, 23, 23), 4, 4);
        p.setPen(QPen(Qt::white, 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 8), QPointF(16, 16));
        p.drawLine(QPointF(16, 8), QPointF(8, 16));
    });
    out.draw("images/settings_divider.png", 32, 8, [](QPainter& p) {
        p.setPen(QPen(QColor(0x8e, 0x94, 0x9c), 1.0));
        p.setBrush(QColor(0xc8, 0xcc, 0xd2));
        p.drawRoundedRect(crisp(0, 2, 32, 6), 2, 2);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x6e, 0x74, 0x7c));
        for (int i = 0; i < 3; ++i)
            p.drawEllipse(QPointF(12 + i * 4, 4), 0.9, 0.9);
    });
}

void drawIcons(Writer& out)
{
    struct Icon
    {
        const char* file;
        void (*paint)(QPainter&);
    };
    const Icon icons[] = {
        {"Vextor_icon/Vextor_New file.png", iconNewFile},
        {"Vextor_icon/Vextor_folder2.png", iconOpen},
        {"Vextor_icon/Vextor_Save1.png", iconSave},
        {"Vextor_icon/Vextor_Update.png", iconDownload},
        {"Vextor_icon/Vextor_Counter1.png", iconCounter},
        {"Vextor_icon/switch.png", iconSwitch},
        {"Vextor_icon/Vextor_Undo.png", iconUndo},
        {"Vextor_icon/Vextor_Redo.png", iconRedo},
        {"Vextor_icon/Vextor_Cut.png", iconCut},
        {"Vextor_icon/Vextor_copy.png", iconCopy},
        {"Vextor_icon/Vextor_paste.png", iconPaste},
        {"Vextor_icon/Vextor_DRC.png", iconCheck},
        {"Vextor_icon/Vextor_Cofigure.png", iconConfigure},
        {"Vextor_icon/Vextor_Edit.png", iconEdit},
        {"Vextor_icon/Vextor_rename2.png", iconRename},
    };
    for (const Icon& i : icons)
        out.draw(i.file, 32, 32, i.paint);
    out.draw("Vextor_icon/vextor.png", 64, 64, appIcon);
}

// The application icon in the desktop's icon theme, at the sizes menus, panels and file managers
// ask for. It is drawn at each size rather than scaled from one bitmap, so small sizes stay sharp.
void drawThemeIcons(Writer& out)
{
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const auto paint = [size](QPainter& p) {
            p.scale(size / 64.0, size / 64.0);
            appIcon(p);
        };
        out.draw(QStringLiteral("hicolor/%1x%1/apps/vextor.png").arg(size), size, size, paint, false);
    }
}

} // namespace

int main(int argc, char** argv)
{
    // Nothing is shown on screen, so the generator never needs a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <resources-dir>\n", argv[0]);
        return 2;
    }
    Writer out(QString::fromLocal8Bit(argv[1]));
    drawBlocks(out);
    drawPalette(out);
    drawIcons(out);
    drawThemeIcons(out);
    if (!out.ok() || !out.writeQrc("draggableicons.qrc")) {
        std::fprintf(stderr, "imagegen: failed\n");
        return 1;
    }
    std::printf("imagegen: wrote %d pictures and draggableicons.qrc\n", out.count());
    return 0;
}
