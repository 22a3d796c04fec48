// Draws the tool-button pictures of the main window into resources/toolbar/ as PNG files.
// Run once after a change and commit the pictures:
//   g++ -std=c++20 -fPIC make_toolbar_icons.cpp $(pkg-config --cflags --libs Qt6Gui) -o /tmp/icons
//   QT_QPA_PLATFORM=offscreen /tmp/icons resources/toolbar
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <functional>
#include <map>
#include <string>

namespace {

const QColor kInk(40, 48, 60);
const QColor kBlue(52, 112, 196);
const QColor kGreen(46, 150, 72);
const QColor kRed(204, 58, 50);
const QColor kYellow(240, 196, 60);
const QColor kPaper(252, 252, 248);
const QColor kBrown(176, 124, 72);
const QColor kGrey(128, 136, 148);

QPen Pen(const QColor& c, double w = 1.5)
{
    return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A magnifying glass on a 16 x 16 grid.
void Magnifier(QPainter& p)
{
    p.setPen(Pen(kInk, 1.6));
    p.setBrush(QColor(220, 236, 250));
    p.drawEllipse(QRectF(2, 2, 8.5, 8.5));
    p.setPen(Pen(kInk, 2.6));
    p.drawLine(QPointF(9.5, 9.5), QPointF(14, 14));
}

// A sheet of paper with a folded corner.
void Sheet(QPainter& p, QRectF r, const QColor& fill = kPaper)
{
    QPainterPath path;
    const double f = r.width() * 0.3;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - f, r.top());
    path.lineTo(r.right(), r.top() + f);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(Pen(kInk, 1.2));
    p.setBrush(fill);
    p.drawPath(path);
    p.drawLine(QPointF(r.right() - f, r.top()), QPointF(r.right() - f, r.top() + f));
    p.drawLine(QPointF(r.right() - f, r.top() + f), QPointF(r.right(), r.top() + f));
}

void Lines(QPainter& p, QRectF r, int n, const QColor& c = kGrey)
{
    p.setPen(Pen(c, 1.2));
    for (int i = 0; i < n; ++i) {
        const double y = r.top() + (i + 0.5) * r.height() / n;
        p.drawLine(QPointF(r.left(), y), QPointF(r.right() - (i % 2) * r.width() * 0.25, y));
    }
}

// A round badge with a plus, a minus or a cross at the lower right.
void Badge(QPainter& p, QPointF c, double radius, const QColor& fill, char sign)
{
    p.setPen(Pen(Qt::white, 1.2));
    p.setBrush(fill);
    p.drawEllipse(c, radius, radius);
    p.setPen(Pen(Qt::white, 2.0));
    const double a = radius * 0.55;
    if (sign == '+' || sign == '-')
        p.drawLine(QPointF(c.x() - a, c.y()), QPointF(c.x() + a, c.y()));
    if (sign == '+')
        p.drawLine(QPointF(c.x(), c.y() - a), QPointF(c.x(), c.y() + a));
    if (sign == 'x') {
        p.drawLine(QPointF(c.x() - a, c.y() - a), QPointF(c.x() + a, c.y() + a));
        p.drawLine(QPointF(c.x() - a, c.y() + a), QPointF(c.x() + a, c.y() - a));
    }
}

// A pencil from the lower left to the upper right.
void Pencil(QPainter& p, QPointF tip, double len)
{
    p.save();
    p.translate(tip);
    p.rotate(-45);
    p.setPen(Pen(kInk, 1.0));
    p.setBrush(kYellow);
    p.drawRect(QRectF(4, -2.5, len - 4, 5));
    p.setBrush(QColor(240, 210, 170));
    QPolygonF cone;
    cone << QPointF(0, 0) << QPointF(4, -2.5) << QPointF(4, 2.5);
    p.drawPolygon(cone);
    p.setBrush(kRed);
    p.drawRect(QRectF(len - 2, -2.5, 3, 5));
    p.restore();
}

// A shopping basket, the picture of a store.
void Basket(QPainter& p, QRectF r, const QColor& fill = kBrown)
{
    p.setPen(Pen(kInk, 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(r.left() + r.width() * 0.2, r.top(), r.width() * 0.6, r.height() * 0.7), 0, 180 * 16);
    QPolygonF body;
    body << QPointF(r.left(), r.top() + r.height() * 0.38) << QPointF(r.right(), r.top() + r.height() * 0.38)
         << QPointF(r.right() - r.width() * 0.12, r.bottom())
         << QPointF(r.left() + r.width() * 0.12, r.bottom());
    p.setBrush(fill);
    p.drawPolygon(body);
    p.setPen(Pen(fill.darker(140), 1.0));
    for (int i = 1; i < 4; ++i) {
        const double x = r.left() + i * r.width() / 4;
        p.drawLine(QPointF(x, r.top() + r.height() * 0.45), QPointF(x, r.bottom() - 1.5));
    }
}

// A folder with a tab, the picture of a category.
void Folder(QPainter& p, QRectF r, const QColor& fill = kYellow)
{
    p.setPen(Pen(kInk, 1.2));
    p.setBrush(fill.darker(110));
    p.drawRoundedRect(QRectF(r.left(), r.top(), r.width() * 0.45, r.height() * 0.3), 1.5, 1.5);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(r.left(), r.top() + r.height() * 0.18, r.width(), r.height() * 0.82), 1.5, 1.5);
}

// An apple, the picture of an item.
void Apple(QPainter& p, QRectF r)
{
    p.setPen(Pen(kRed.darker(150), 1.2));
    p.setBrush(kRed);
    p.drawEllipse(QRectF(r.left(), r.top() + r.height() * 0.2, r.width() * 0.58, r.height() * 0.8));
    p.drawEllipse(
        QRectF(r.left() + r.width() * 0.42, r.top() + r.height() * 0.2, r.width() * 0.58, r.height() * 0.8));
    p.setPen(Pen(kBrown.darker(130), 1.6));
    p.drawLine(QPointF(r.center().x(), r.top() + r.height() * 0.28), QPointF(r.center().x() + 1, r.top()));
    p.setPen(Pen(kGreen.darker(120), 1.0));
    p.setBrush(kGreen);
    p.drawEllipse(QRectF(r.center().x() + 1, r.top(), r.width() * 0.3, r.height() * 0.16));
}

// A coupon ticket with a cut-out edge and a cent sign.
void Coupon(QPainter& p, QRectF r)
{
    p.setPen(Pen(kGreen.darker(140), 1.2));
    p.setBrush(QColor(196, 236, 190));
    p.drawRoundedRect(r, 2, 2);
    p.setPen(QPen(kGreen.darker(140), 1.0, Qt::DashLine));
    p.drawLine(QPointF(r.left() + r.width() * 0.28, r.top() + 2),
               QPointF(r.left() + r.width() * 0.28, r.bottom() - 2));
    QFont f("Liberation Sans");
    f.setPixelSize(int(r.height() * 0.85));
    f.setBold(true);
    p.setFont(f);
    p.setPen(kGreen.darker(160));
    p.drawText(QRectF(r.left() + r.width() * 0.3, r.top(), r.width() * 0.7, r.height()), Qt::AlignCenter,
               QString(QChar(0x00A2)));
}

void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& c, double w = 2.4)
{
    p.setPen(Pen(c, w));
    p.drawLine(from, to);
    const double ang = std::atan2(to.y() - from.y(), to.x() - from.x());
    const double h = 5.5;
    QPolygonF head;
    head << to << QPointF(to.x() - h * std::cos(ang - 0.5), to.y() - h * std::sin(ang - 0.5))
         << QPointF(to.x() - h * std::cos(ang + 0.5), to.y() - h * std::sin(ang + 0.5));
    p.setBrush(c);
    p.drawPolygon(head);
}

using Painter = std::function<void(QPainter&)>;

std::map<std::string, std::pair<int, Painter>> Pictures()
{
    std::map<std::string, std::pair<int, Painter>> m;
    m["new_store"] = {24, [](QPainter& p) {
                          Basket(p, QRectF(1.5, 5, 18, 15));
                          Badge(p, QPointF(18.5, 17.5), 5, kGreen, '+');
                      }};
    m["email"] = {24, [](QPainter& p) {
                      p.setPen(Pen(kInk, 1.2));
                      p.setBrush(kPaper);
                      p.drawRect(QRectF(2.5, 6.5, 19, 13));
                      p.drawLine(QPointF(2.5, 6.5), QPointF(12, 14));
                      p.drawLine(QPointF(21.5, 6.5), QPointF(12, 14));
                      p.setPen(Pen(kBlue, 1.2));
                      p.drawLine(QPointF(2.5, 19.5), QPointF(9.5, 13));
                      p.drawLine(QPointF(21.5, 19.5), QPointF(14.5, 13));
                  }};
    m["print"] = {24, [](QPainter& p) {
                      Sheet(p, QRectF(6.5, 2.5, 11, 8));
                      p.setPen(Pen(kInk, 1.2));
                      p.setBrush(QColor(196, 200, 208));
                      p.drawRoundedRect(QRectF(2.5, 9.5, 19, 8), 2, 2);
                      p.setBrush(kPaper);
                      p.drawRect(QRectF(6.5, 14.5, 11, 7));
                      Lines(p, QRectF(8, 16, 8, 5), 2);
                      p.setPen(Qt::NoPen);
                      p.setBrush(kGreen);
                      p.drawEllipse(QRectF(17.5, 11, 2.2, 2.2));
                  }};
    m["cut"] = {24, [](QPainter& p) {
                    p.setPen(Pen(kGrey.darker(130), 2.0));
                    p.drawLine(QPointF(8, 3), QPointF(15, 15));
                    p.drawLine(QPointF(16, 3), QPointF(9, 15));
                    p.setPen(Pen(kRed, 1.8));
                    p.setBrush(Qt::NoBrush);
                    p.drawEllipse(QRectF(3.5, 14.5, 6, 6));
                    p.drawEllipse(QRectF(14.5, 14.5, 6, 6));
                }};
    m["copy"] = {24, [](QPainter& p) {
                     Sheet(p, QRectF(3.5, 2.5, 11, 14));
                     Lines(p, QRectF(5.5, 6, 6, 8), 3);
                     Sheet(p, QRectF(9.5, 7.5, 11, 14));
                     Lines(p, QRectF(11.5, 11, 6, 8), 3, kBlue);
                 }};
    m["paste"] = {24, [](QPainter& p) {
                      p.setPen(Pen(kInk, 1.2));
                      p.setBrush(kBrown);
                      p.drawRoundedRect(QRectF(3.5, 4.5, 14, 17), 2, 2);
                      p.setBrush(QColor(200, 204, 212));
                      p.drawRoundedRect(QRectF(7.5, 2.5, 6, 4), 1, 1);
                      Sheet(p, QRectF(10.5, 9.5, 10, 12));
                      Lines(p, QRectF(12, 13, 6, 6), 3, kBlue);
                  }};
    m["edit_aisles"] = {24, [](QPainter& p) {
                            // Store shelves seen from above, with a pencil.
                            p.setPen(Pen(kInk, 1.2));
                            for (int i = 0; i < 3; ++i) {
                                p.setBrush(i == 1 ? kBlue.lighter(150) : kBrown.lighter(130));
                                p.drawRect(QRectF(2.5 + i * 6, 3.5, 4, 16));
                            }
                            Pencil(p, QPointF(12, 21), 13);
                        }};
    m["reset"] = {24, [](QPainter& p) {
                      p.setPen(Pen(kBlue, 2.4));
                      p.setBrush(Qt::NoBrush);
                      p.drawArc(QRectF(4, 4, 16, 16), 100 * 16, 290 * 16);
                      QPolygonF head;
                      head << QPointF(9, 1.5) << QPointF(14.5, 4.8) << QPointF(9, 8.5);
                      p.setPen(Pen(kBlue, 1.0));
                      p.setBrush(kBlue);
                      p.drawPolygon(head);
                  }};
    m["errands"] = {24, [](QPainter& p) {
                        Sheet(p, QRectF(4.5, 2.5, 15, 19));
                        p.setPen(Pen(kGreen, 1.8));
                        for (int i = 0; i < 3; ++i) {
                            const double y = 8 + i * 4.5;
                            p.drawLine(QPointF(6.5, y), QPointF(8, y + 1.5));
                            p.drawLine(QPointF(8, y + 1.5), QPointF(10.5, y - 1.5));
                        }
                        Lines(p, QRectF(12, 6, 6, 13), 3);
                    }};
    m["cat_edit"] = {24, [](QPainter& p) {
                         Folder(p, QRectF(1.5, 4.5, 18, 14));
                         Pencil(p, QPointF(11, 22), 13);
                     }};
    m["cat_add"] = {24, [](QPainter& p) {
                        Folder(p, QRectF(1.5, 3.5, 18, 14));
                        Badge(p, QPointF(18.5, 17.5), 5, kGreen, '+');
                    }};
    m["cat_delete"] = {24, [](QPainter& p) {
                           Folder(p, QRectF(1.5, 3.5, 18, 14));
                           Badge(p, QPointF(18.5, 17.5), 5, kRed, 'x');
                       }};
    m["item_edit"] = {24, [](QPainter& p) {
                          Apple(p, QRectF(2, 2, 15, 16));
                          Pencil(p, QPointF(11, 22), 13);
                      }};
    m["item_add"] = {24, [](QPainter& p) {
                         Apple(p, QRectF(2, 1.5, 15, 16));
                         Badge(p, QPointF(18.5, 17.5), 5, kGreen, '+');
                     }};
    m["item_delete"] = {24, [](QPainter& p) {
                            Apple(p, QRectF(2, 1.5, 15, 16));
                            Badge(p, QPointF(18.5, 17.5), 5, kRed, 'x');
                        }};
    m["options"] = {24, [](QPainter& p) {
                        p.setPen(Pen(kInk, 1.2));
                        p.setBrush(kGrey.lighter(130));
                        QPainterPath gear;
                        const QPointF c(12, 12);
                        for (int i = 0; i < 16; ++i) {
                            const double a = i * M_PI / 8;
                            const double r = (i % 2 == 0) ? 10 : 7.5;
                            const QPointF pt(c.x() + r * std::cos(a - 0.2), c.y() + r * std::sin(a - 0.2));
                            const QPointF pt2(c.x() + r * std::cos(a + 0.2), c.y() + r * std::sin(a + 0.2));
                            if (i == 0)
                                gear.moveTo(pt);
                            else
                                gear.lineTo(pt);
                            gear.lineTo(pt2);
                        }
                        gear.closeSubpath();
                        p.drawPath(gear);
                        p.setBrush(kPaper);
                        p.drawEllipse(c, 3.5, 3.5);
                    }};
    m["help"] = {24, [](QPainter& p) {
                     p.setPen(Pen(kBlue.darker(130), 1.2));
                     p.setBrush(kBlue);
                     p.drawEllipse(QRectF(2.5, 2.5, 19, 19));
                     QFont f("Liberation Sans");
                     f.setPixelSize(15);
                     f.setBold(true);
                     p.setFont(f);
                     p.setPen(Qt::white);
                     p.drawText(QRectF(2.5, 2.5, 19, 19), Qt::AlignCenter, "?");
                 }};
    m["qty_up"] = {24, [](QPainter& p) { Badge(p, QPointF(12, 12), 9.5, kGreen, '+'); }};
    m["qty_down"] = {24, [](QPainter& p) { Badge(p, QPointF(12, 12), 9.5, kRed, '-'); }};
    m["coupon"] = {24, [](QPainter& p) { Coupon(p, QRectF(1.5, 6.5, 21, 12)); }};
    m["note"] = {24, [](QPainter& p) {
                     p.setPen(Pen(QColor(200, 160, 30), 1.2));
                     p.setBrush(QColor(255, 236, 140));
                     p.drawRect(QRectF(3.5, 3.5, 17, 17));
                     Lines(p, QRectF(6, 7, 11, 10), 3, QColor(150, 120, 40));
                 }};
    m["sort_aisle"] = {24, [](QPainter& p) {
                           p.setPen(Pen(kInk, 1.2));
                           for (int i = 0; i < 3; ++i) {
                               p.setBrush(kBrown.lighter(130));
                               p.drawRect(QRectF(2.5 + i * 5, 3.5, 3, 17));
                           }
                           Arrow(p, QPointF(19, 4), QPointF(19, 20), kBlue, 2.0);
                       }};
    m["sort_category"] = {24, [](QPainter& p) {
                              Folder(p, QRectF(1.5, 2.5, 12, 9));
                              Folder(p, QRectF(1.5, 12.5, 12, 9), kGreen.lighter(150));
                              Arrow(p, QPointF(19, 4), QPointF(19, 20), kBlue, 2.0);
                          }};
    m["search_close"] = {16, [](QPainter& p) {
                             p.setPen(Pen(kInk, 1.8));
                             p.drawLine(QPointF(4, 4), QPointF(12, 12));
                             p.drawLine(QPointF(4, 12), QPointF(12, 4));
                         }};
    m["search"] = {16, [](QPainter& p) { Magnifier(p); }};
    // The find bar's picture, drawn large and shown resized to its 22 x 22 image.
    m["search_large"] = {36, [](QPainter& p) {
                             p.scale(36.0 / 16.0, 36.0 / 16.0);
                             Magnifier(p);
                         }};
    m["search_next"] = {
        16, [](QPainter& p) { Arrow(p, QPointF(8, 2), QPointF(8, 14), kGreen.darker(110), 2.2); }};
    m["search_prev"] = {
        16, [](QPainter& p) { Arrow(p, QPointF(8, 14), QPointF(8, 2), kGreen.darker(110), 2.2); }};
    // The store picker's entries: a shop front under a striped awning.
    m["store"] = {16, [](QPainter& p) {
                      p.setPen(Pen(kInk, 1.0));
                      p.setBrush(kPaper);
                      p.drawRect(QRectF(2.5, 6.5, 11, 8));
                      p.setBrush(QColor(120, 170, 220));
                      p.drawRect(QRectF(4.5, 8.5, 4, 3));
                      p.setBrush(kBrown);
                      p.drawRect(QRectF(10, 9.5, 2.5, 5));
                      for (int i = 0; i < 4; ++i) {
                          p.setBrush(i % 2 ? kPaper : kRed);
                          p.drawRect(QRectF(1.5 + i * 3.25, 2.5, 3.25, 3.5));
                      }
                  }};
    m["quillmart"] = {48, [](QPainter& p) {
                          p.scale(2, 2);
                          Basket(p, QRectF(1.5, 5, 21, 17), kGreen);
                          Apple(p, QRectF(6, 2, 8, 8.5));
                      }};
    return m;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString(".");
    for (const auto& [name, picture] : Pictures()) {
        QImage img(picture.first, picture.first, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        picture.second(p);
        p.end();
        img.convertToFormat(QImage::Format_ARGB32).save(dir + "/" + QString::fromStdString(name) + ".png");
    }
    return 0;
}
