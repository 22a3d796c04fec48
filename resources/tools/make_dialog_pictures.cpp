// Draws the pictures of the dialog windows into resources/dialogs/ as JPEG files, encoded with
// the program's own JPEG encoder. Run after a change and commit the pictures:
//   cmake --build build --target make_dialog_pictures
//   QT_QPA_PLATFORM=offscreen ./build/make_dialog_pictures resources/dialogs
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <functional>
#include <map>
#include <string>

#include "graphics/JpegImage.h"

namespace {

const QColor kInk(40, 48, 60);
const QColor kPaper(252, 252, 246);
const QColor kGreen(46, 150, 72);
const QColor kRed(204, 58, 50);
const QColor kYellow(240, 196, 60);
const QColor kBlue(52, 112, 196);
const QColor kBrown(176, 124, 72);

QPen Pen(const QColor& c, double w = 3)
{
    return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A shopping cart, the program's own sign.
void Cart(QPainter& p, QPointF o, double s, const QColor& basket)
{
    p.setPen(Pen(kInk, 0.08 * s));
    p.drawLine(o + QPointF(-0.55 * s, -0.45 * s), o + QPointF(-0.35 * s, -0.45 * s));
    QPainterPath body;
    body.moveTo(o + QPointF(-0.35 * s, -0.45 * s));
    body.lineTo(o + QPointF(-0.2 * s, 0.15 * s));
    body.lineTo(o + QPointF(0.45 * s, 0.15 * s));
    body.lineTo(o + QPointF(0.55 * s, -0.3 * s));
    body.closeSubpath();
    p.setBrush(basket);
    p.drawPath(body);
    p.setBrush(kInk);
    p.drawEllipse(o + QPointF(-0.1 * s, 0.35 * s), 0.09 * s, 0.09 * s);
    p.drawEllipse(o + QPointF(0.38 * s, 0.35 * s), 0.09 * s, 0.09 * s);
}

void ListSheet(QPainter& p, QRectF r, int lines, bool ticks)
{
    p.setPen(Pen(kInk, 2));
    p.setBrush(kPaper);
    p.drawRoundedRect(r, 4, 4);
    const double step = r.height() / (lines + 1);
    for (int i = 1; i <= lines; ++i) {
        const double y = r.top() + i * step;
        if (ticks) {
            p.setPen(Pen(kGreen, 2.5));
            p.drawLine(QPointF(r.left() + 8, y), QPointF(r.left() + 12, y + 4));
            p.drawLine(QPointF(r.left() + 12, y + 4), QPointF(r.left() + 20, y - 5));
        }
        p.setPen(Pen(QColor(150, 156, 166), 2));
        p.drawLine(QPointF(r.left() + (ticks ? 26 : 10), y), QPointF(r.right() - 10, y));
    }
}

void Coupon(QPainter& p, QRectF r)
{
    p.setPen(Pen(kInk, 2));
    p.setBrush(kYellow);
    p.drawRect(r);
    p.setPen(QPen(kInk, 1.5, Qt::DashLine));
    p.drawRect(r.adjusted(5, 5, -5, -5));
    p.setPen(kInk);
    QFont f("Liberation Sans", int(r.height() * 0.35), QFont::Bold);
    p.setFont(f);
    p.drawText(r, Qt::AlignCenter, QString::fromUtf8("\xc2\xa2"));
}

void Shelves(QPainter& p, QRectF r)
{
    p.setPen(Pen(kBrown, 4));
    for (int i = 0; i < 4; ++i) {
        const double y = r.top() + (i + 1) * r.height() / 4;
        p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
        for (int j = 0; j < 4; ++j) {
            const QColor c = (i + j) % 3 == 0 ? kRed : (i + j) % 3 == 1 ? kGreen : kBlue;
            p.setBrush(c);
            p.setPen(Pen(kInk, 1.5));
            p.drawRect(QRectF(r.left() + 4 + j * r.width() / 4, y - 18, r.width() / 4 - 8, 16));
            p.setPen(Pen(kBrown, 4));
        }
    }
}

void Signs(QPainter& p, QRectF r)
{
    for (int i = 0; i < 3; ++i) {
        QRectF sign(r.left() + 6, r.top() + i * r.height() / 3 + 6, r.width() - 12, r.height() / 3 - 18);
        p.setPen(Pen(kInk, 2));
        p.setBrush(i == 0 ? kBlue : i == 1 ? kGreen : kRed);
        p.drawRoundedRect(sign, 5, 5);
        p.setPen(Qt::white);
        p.setFont(QFont("Liberation Sans", int(sign.height() * 0.45), QFont::Bold));
        p.drawText(sign, Qt::AlignCenter, QString::number(i + 1));
    }
}

void Bulb(QPainter& p, QPointF o, double s)
{
    p.setPen(Pen(kInk, 3));
    p.setBrush(kYellow);
    p.drawEllipse(o, 0.4 * s, 0.42 * s);
    p.setBrush(QColor(170, 170, 170));
    p.drawRect(QRectF(o.x() - 0.18 * s, o.y() + 0.38 * s, 0.36 * s, 0.25 * s));
    p.setPen(Pen(QColor(255, 240, 160), 3));
    for (int i = 0; i < 8; ++i) {
        const double a = i * 3.14159 / 4;
        p.drawLine(o + QPointF(std::cos(a) * 0.52 * s, std::sin(a) * 0.52 * s),
                   o + QPointF(std::cos(a) * 0.65 * s, std::sin(a) * 0.65 * s));
    }
}

void Gear(QPainter& p, QPointF o, double s)
{
    p.setPen(Pen(kInk, 2));
    p.setBrush(QColor(150, 160, 176));
    QPainterPath path;
    for (int i = 0; i < 16; ++i) {
        const double a = i * 3.14159 / 8;
        const double r = (i % 2 ? 0.5 : 0.38) * s;
        const QPointF pt = o + QPointF(std::cos(a) * r, std::sin(a) * r);
        i ? path.lineTo(pt) : path.moveTo(pt);
    }
    path.closeSubpath();
    path.addEllipse(o, 0.15 * s, 0.15 * s);
    p.drawPath(path);
}

// A tall picture for the left edge of a dialog: a gradient, the motif, and the program's cart.
QImage LeftEdge(const QColor& top, const std::function<void(QPainter&, QRectF)>& motif)
{
    QImage img(100, 300, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 300);
    g.setColorAt(0, top);
    g.setColorAt(1, QColor(236, 242, 238));
    p.fillRect(img.rect(), g);
    motif(p, QRectF(14, 24, 72, 120));
    Cart(p, QPointF(50, 236), 60, QColor(255, 255, 255, 200));
    return img;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const QString dir = argv[1];
    const QColor teal(40, 120, 110), blue(50, 90, 150), amber(190, 130, 40), plum(120, 70, 120);
    std::map<std::string, QImage> pictures;
    pictures["wizard"] = LeftEdge(teal, [](QPainter& p, QRectF r) { Cart(p, r.center(), 70, kGreen); });
    pictures["items"] = LeftEdge(blue, [](QPainter& p, QRectF r) { ListSheet(p, r, 5, false); });
    pictures["coupon"] = LeftEdge(amber, [](QPainter& p, QRectF r) { Coupon(p, r.adjusted(0, 30, 0, -30)); });
    pictures["note"] = LeftEdge(amber, [](QPainter& p, QRectF r) { ListSheet(p, r, 4, false); });
    pictures["category"] = LeftEdge(teal, [](QPainter& p, QRectF r) { Shelves(p, r); });
    pictures["aisles"] = LeftEdge(blue, [](QPainter& p, QRectF r) { Signs(p, r); });
    pictures["errands"] = LeftEdge(plum, [](QPainter& p, QRectF r) { ListSheet(p, r, 5, true); });
    pictures["options"] = LeftEdge(plum, [](QPainter& p, QRectF r) { Gear(p, r.center(), 70); });
    pictures["tip"] = LeftEdge(amber, [](QPainter& p, QRectF r) { Bulb(p, r.center(), 70); });

    // The program's own picture, and the maker's logo for the about box.
    {
        QImage program(32, 32, QImage::Format_RGB32);
        program.fill(QColor(236, 242, 238));
        QPainter p(&program);
        p.setRenderHint(QPainter::Antialiasing);
        Cart(p, QPointF(16, 15), 26, kGreen);
        pictures["program"] = program;

        QImage logo(180, 44, QImage::Format_RGB32);
        logo.fill(Qt::white);
        QPainter q(&logo);
        q.setRenderHint(QPainter::Antialiasing);
        q.setPen(Qt::NoPen);
        q.setBrush(blue);
        q.drawRoundedRect(QRectF(4, 4, 36, 36), 8, 8);
        q.setPen(Qt::white);
        q.setFont(QFont("Liberation Serif", 24, QFont::Bold));
        q.drawText(QRectF(4, 4, 36, 36), Qt::AlignCenter, "B");
        q.setPen(kInk);
        q.setFont(QFont("Liberation Sans", 12, QFont::Bold));
        q.drawText(QRectF(48, 4, 130, 20), Qt::AlignLeft | Qt::AlignVCenter, "Brenvoke");
        q.setFont(QFont("Liberation Sans", 10));
        q.drawText(QRectF(48, 22, 130, 18), Qt::AlignLeft | Qt::AlignVCenter, "Software");
        pictures["logo"] = logo;
    }

    for (const auto& [name, image] : pictures) {
        QFile f(dir + "/" + QString::fromStdString(name) + ".jpg");
        if (!f.open(QIODevice::WriteOnly) || f.write(qm::EncodeJpeg(image, 88)) < 0) {
            std::fprintf(stderr, "cannot write %s\n", name.c_str());
            return 1;
        }
    }
    return 0;
}
