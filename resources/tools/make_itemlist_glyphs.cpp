// Draws the 16 glyphs of the item list into resources/itemlist/ as bitmap "Data" files:
// width and height (signed 32-bit, little-endian), then the pixels row by row as 32-bit
// $AARRGGBB values, little-endian, not premultiplied. Run once after a change and commit the
// files:
//   g++ -std=c++20 -fPIC make_itemlist_glyphs.cpp $(pkg-config --cflags --libs Qt6Gui) -o /tmp/glyphs
//   QT_QPA_PLATFORM=offscreen /tmp/glyphs resources/itemlist
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QtEndian>
#include <cstdio>
#include <functional>

namespace {

const QColor kInk(40, 48, 60);
const QColor kGreen(46, 150, 72);
const QColor kRed(204, 58, 50);
const QColor kOrange(232, 140, 40);
const QColor kBlue(52, 112, 196);
const QColor kYellow(240, 196, 60);
const QColor kPaper(252, 252, 244);
const QColor kBrown(176, 124, 72);
const QColor kGrey(140, 146, 156);

QPen Pen(const QColor& c, double w)
{
    return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A tree marker: a framed square with a plus (collapsed) or a minus (expanded).
void Marker(QPainter& p, double s, bool expanded)
{
    p.setPen(QPen(kGrey, 1));
    p.setBrush(kPaper);
    p.drawRect(QRectF(0.5, 0.5, s - 1, s - 1));
    p.setPen(QPen(kInk, 1));
    p.drawLine(QPointF(2.5, s / 2), QPointF(s - 2.5, s / 2));
    if (!expanded)
        p.drawLine(QPointF(s / 2, 2.5), QPointF(s / 2, s - 2.5));
}

// A shopping basket, its lid closed over the goods or open with the goods showing.
void Basket(QPainter& p, double s, bool open)
{
    const double u = s / 48.0;
    if (open) {
        p.setPen(Pen(kInk, 1.5 * u));
        p.setBrush(kGreen);
        p.drawEllipse(QPointF(18 * u, 17 * u), 7 * u, 7 * u);
        p.setBrush(kRed);
        p.drawEllipse(QPointF(30 * u, 15 * u), 7 * u, 7 * u);
        p.setBrush(kYellow);
        p.drawRoundedRect(QRectF(21 * u, 6 * u, 6 * u, 16 * u), 3 * u, 3 * u);
    }
    QPainterPath body;
    body.moveTo(4 * u, 20 * u);
    body.lineTo(44 * u, 20 * u);
    body.lineTo(39 * u, 44 * u);
    body.lineTo(9 * u, 44 * u);
    body.closeSubpath();
    p.setPen(Pen(kInk, 2 * u));
    p.setBrush(kBrown);
    p.drawPath(body);
    p.setPen(Pen(kInk.lighter(160), 1.5 * u));
    for (int i = 1; i < 4; ++i)
        p.drawLine(QPointF((7 + 8.5 * i) * u, 23 * u), QPointF((9 + 7.5 * i) * u, 41 * u));
    p.drawLine(QPointF(6 * u, 31 * u), QPointF(42 * u, 31 * u));
    p.setPen(Pen(kInk, 2.5 * u));
    p.setBrush(Qt::NoBrush);
    if (open)
        p.drawArc(QRectF(10 * u, 2 * u, 28 * u, 34 * u), 0, 180 * 16);
    else
        p.drawRect(QRectF(3 * u, 15 * u, 42 * u, 5 * u));
}

// A tick in a round badge.
void Check(QPainter& p, double s, bool onSelection)
{
    const double u = s / 40.0;
    p.setPen(onSelection ? Pen(Qt::white, 2.5 * u) : Qt::NoPen);
    p.setBrush(onSelection ? kGreen.lighter(120) : kGreen);
    p.drawEllipse(QRectF(3 * u, 3 * u, 34 * u, 34 * u));
    p.setPen(Pen(Qt::white, 5 * u));
    p.drawPolyline(QPolygonF({QPointF(11 * u, 21 * u), QPointF(18 * u, 28 * u), QPointF(30 * u, 13 * u)}));
}

// A triangle pointing up (in the upper half of the picture) or down (in the lower half): the
// list stretches both arrows into overlapping halves of a row, so each keeps to its own half.
void Arrow(QPainter& p, double s, bool up)
{
    const double u = s / 35.0;
    QPolygonF tri =
        up ? QPolygonF({QPointF(17.5 * u, 1 * u), QPointF(34 * u, 16 * u), QPointF(1 * u, 16 * u)})
           : QPolygonF({QPointF(1 * u, 19 * u), QPointF(34 * u, 19 * u), QPointF(17.5 * u, 34 * u)});
    p.setPen(Pen(kInk, 1.5 * u));
    p.setBrush(up ? kGreen : kRed);
    p.drawPolygon(tri);
}

// A sheet with lines and a pencil across it.
void Note(QPainter& p, double s)
{
    const double u = s / 32.0;
    p.setPen(Pen(kInk, 1.5 * u));
    p.setBrush(kYellow.lighter(140));
    p.drawRect(QRectF(4 * u, 3 * u, 20 * u, 26 * u));
    p.setPen(Pen(kGrey, 1.5 * u));
    for (int i = 0; i < 4; ++i)
        p.drawLine(QPointF(8 * u, (9 + 5 * i) * u), QPointF(20 * u, (9 + 5 * i) * u));
    p.setPen(Pen(kInk, 1.2 * u));
    p.setBrush(kOrange);
    QPolygonF pencil({QPointF(27 * u, 8 * u), QPointF(31 * u, 12 * u), QPointF(17 * u, 26 * u),
                      QPointF(12 * u, 28 * u), QPointF(13 * u, 22 * u)});
    p.drawPolygon(pencil);
}

// A coupon: a ticket with notched ends and a dashed cut line; an empty dashed outline with a
// plus for the add-coupon button.
void Coupon(QPainter& p, double s, const QColor& fill, bool add)
{
    const double u = s / 40.0;
    QPainterPath ticket;
    ticket.addRoundedRect(QRectF(2 * u, 9 * u, 36 * u, 22 * u), 3 * u, 3 * u);
    QPainterPath notches;
    notches.addEllipse(QPointF(2 * u, 20 * u), 4 * u, 4 * u);
    notches.addEllipse(QPointF(38 * u, 20 * u), 4 * u, 4 * u);
    ticket = ticket.subtracted(notches);
    if (add) {
        QPen dash = Pen(kInk, 1.5 * u);
        dash.setStyle(Qt::DashLine);
        p.setPen(dash);
        p.setBrush(QColor(255, 255, 255, 160));
        p.drawPath(ticket);
        p.setPen(Pen(kGreen, 4 * u));
        p.drawLine(QPointF(20 * u, 13 * u), QPointF(20 * u, 27 * u));
        p.drawLine(QPointF(13 * u, 20 * u), QPointF(27 * u, 20 * u));
        return;
    }
    p.setPen(Pen(kInk, 1.5 * u));
    p.setBrush(fill);
    p.drawPath(ticket);
    QPen cut = Pen(Qt::white, 1.5 * u);
    cut.setStyle(Qt::DotLine);
    p.setPen(cut);
    p.drawLine(QPointF(12 * u, 11 * u), QPointF(12 * u, 29 * u));
    p.setPen(Pen(Qt::white, 2.5 * u));
    p.drawEllipse(QPointF(20 * u, 16 * u), 2.5 * u, 2.5 * u);
    p.drawEllipse(QPointF(29 * u, 24 * u), 2.5 * u, 2.5 * u);
    p.drawLine(QPointF(30 * u, 14 * u), QPointF(19 * u, 26 * u));
}

// A pencil, drawn diagonally, over a small page (item) or a small basket (category).
void Edit(QPainter& p, double s, bool category)
{
    const double u = s / 50.0;
    if (category) {
        p.save();
        p.translate(2 * u, 16 * u);
        p.scale(0.65, 0.65);
        Basket(p, s, false);
        p.restore();
    } else {
        p.setPen(Pen(kInk, 1.5 * u));
        p.setBrush(kPaper);
        p.drawRect(QRectF(6 * u, 12 * u, 26 * u, 32 * u));
        p.setPen(Pen(kGrey, 1.5 * u));
        for (int i = 0; i < 4; ++i)
            p.drawLine(QPointF(10 * u, (19 + 6 * i) * u), QPointF(27 * u, (19 + 6 * i) * u));
    }
    p.setPen(Pen(kInk, 1.5 * u));
    p.setBrush(kYellow);
    p.drawPolygon(QPolygonF(
        {QPointF(40 * u, 4 * u), QPointF(47 * u, 11 * u), QPointF(24 * u, 34 * u), QPointF(17 * u, 27 * u)}));
    p.setBrush(kBrown.lighter(130));
    p.drawPolygon(QPolygonF({QPointF(17 * u, 27 * u), QPointF(24 * u, 34 * u), QPointF(14 * u, 37 * u)}));
    p.setBrush(kRed);
    p.drawPolygon(QPolygonF(
        {QPointF(40 * u, 4 * u), QPointF(47 * u, 11 * u), QPointF(44 * u, 14 * u), QPointF(37 * u, 7 * u)}));
}

bool WriteData(const QString& path, const QImage& picture)
{
    const QImage img = picture.convertToFormat(QImage::Format_ARGB32);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    auto put32 = [&](quint32 v) {
        const quint32 le = qToLittleEndian(v);
        f.write(reinterpret_cast<const char*>(&le), 4);
    };
    put32(quint32(img.width()));
    put32(quint32(img.height()));
    for (int y = 0; y < img.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x)
            put32(row[x]);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    struct Glyph {
        int size;
        std::function<void(QPainter&, double)> draw;
    };
    const Glyph glyphs[16] = {
        {11, [](QPainter& p, double s) { Marker(p, s, false); }},
        {11, [](QPainter& p, double s) { Marker(p, s, true); }},
        {48, [](QPainter& p, double s) { Basket(p, s, false); }},
        {48, [](QPainter& p, double s) { Basket(p, s, true); }},
        {40, [](QPainter& p, double s) { Check(p, s, false); }},
        {40, [](QPainter& p, double s) { Check(p, s, true); }},
        {35, [](QPainter& p, double s) { Arrow(p, s, true); }},
        {35, [](QPainter& p, double s) { Arrow(p, s, false); }},
        {32, [](QPainter& p, double s) { Note(p, s); }},
        {40, [](QPainter& p, double s) { Coupon(p, s, kGreen, true); }},
        {40, [](QPainter& p, double s) { Coupon(p, s, kGreen, false); }},
        {40, [](QPainter& p, double s) { Coupon(p, s, kOrange, false); }},
        {40, [](QPainter& p, double s) { Coupon(p, s, kRed, false); }},
        {40, [](QPainter& p, double s) { Coupon(p, s, kGrey, false); }},
        {50, [](QPainter& p, double s) { Edit(p, s, false); }},
        {48, [](QPainter& p, double s) { Edit(p, s, true); }},
    };
    for (int i = 0; i < 16; ++i) {
        QImage img(glyphs[i].size, glyphs[i].size, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, glyphs[i].size > 11);
        glyphs[i].draw(p, glyphs[i].size);
        p.end();
        const QString path = QString("%1/glyph%2.data").arg(dir).arg(i, 2, 10, QChar('0'));
        if (!WriteData(path, img)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
