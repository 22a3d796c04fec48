#include "platform/MetafilePlayer.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainterPath>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "platform/Exception.h"
#include "platform/LogicalFont.h"

namespace qm {

using namespace emf;

namespace {

QColor FromColorRef(uint32_t c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

int Round(double v)
{
    return int(std::clamp(std::floor(v + 0.5), -1e9, 1e9));
}

// The font a device starts with and that the stock font objects select.
TLogFont SystemFont()
{
    TLogFont lf;
    lf.Height = -16;
    lf.Weight = 700;
    return lf;
}

// An exclusive rectangle from corner coordinates, normalised. Corners are held within 2^28
// device pixels, far beyond any page, so a damaged record's extent never overflows.
QRect Box(int l, int t, int r, int b)
{
    static constexpr int kLimit = 1 << 28;
    auto hold = [](int v) { return std::clamp(v, -kLimit, kLimit); };
    l = hold(l), t = hold(t), r = hold(r), b = hold(b);
    if (r < l)
        std::swap(l, r);
    if (b < t)
        std::swap(t, b);
    return QRect(l, t, r - l, b - t);
}

} // namespace

TMetafilePlayer::TMetafilePlayer(QPainter& Painter, const QTransform& Base, double RefDpiX, double RefDpiY)
    : painter_(Painter)
{
    painter_.save();
    base_ = Base * painter_.worldTransform();
    if (painter_.hasClipping())
        baseClip_ = painter_.worldTransform().map(painter_.clipRegion());
    painter_.setWorldTransform(QTransform());
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter_.setBrush(Qt::NoBrush);
    s_.Mapping.DpiX = RefDpiX > 0 ? RefDpiX : ReferencePixelsPerInch;
    s_.Mapping.DpiY = RefDpiY > 0 ? RefDpiY : ReferencePixelsPerInch;
    s_.Font = SystemFont();
}

TMetafilePlayer::~TMetafilePlayer()
{
    painter_.restore();
}

QTransform TMetafilePlayer::Full() const
{
    return s_.Mapping.Transform() * base_;
}

QPoint TMetafilePlayer::DevicePoint(int32_t X, int32_t Y) const
{
    const QPointF p = Full().map(QPointF(X, Y));
    return QPoint(Round(p.x()), Round(p.y()));
}

QRect TMetafilePlayer::DeviceBox(const TRect& R) const
{
    const QPoint a = DevicePoint(R.Left, R.Top), b = DevicePoint(R.Right, R.Bottom);
    return Box(a.x(), a.y(), b.x(), b.y());
}

QRectF TMetafilePlayer::DeviceRect(const TRect& Logical) const
{
    return QRectF(DeviceBox(Logical));
}

int TMetafilePlayer::PenWidth() const
{
    if ((s_.Pen.Style & PS_STYLE_MASK) == PS_NULL)
        return 0;
    if (s_.Pen.Width <= 0)
        return 1;
    return std::max(1, Round(s_.Pen.Width * std::fabs(Full().m11())));
}

void TMetafilePlayer::ApplyClip()
{
    if (s_.Clip) {
        painter_.setClipRegion(baseClip_ ? baseClip_->intersected(*s_.Clip) : QRegion(*s_.Clip));
    } else if (baseClip_) {
        painter_.setClipRegion(*baseClip_);
    } else {
        painter_.setClipping(false);
    }
}

void TMetafilePlayer::SetCompositionForRop()
{
    switch (s_.Rop2) {
    case R2_XORPEN:
        painter_.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        break;
    case R2_NOT:
        painter_.setCompositionMode(QPainter::RasterOp_NotDestination);
        break;
    default:
        painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
        break;
    }
}

void TMetafilePlayer::FillDevice(const QRect& R, uint32_t ColorRef)
{
    if (R.isEmpty())
        return;
    painter_.fillRect(R, FromColorRef(ColorRef));
}

const TLogicalFont& TMetafilePlayer::Metrics()
{
    if (!s_.Metrics)
        s_.Metrics = LogicalFont(s_.Font);
    return *s_.Metrics;
}

void TMetafilePlayer::Select(uint32_t Handle)
{
    if (Handle & STOCK_OBJECT) {
        switch (Handle & ~STOCK_OBJECT) {
        case WHITE_BRUSH:
            s_.Brush = {BS_SOLID, 0xFFFFFF};
            break;
        case LTGRAY_BRUSH:
            s_.Brush = {BS_SOLID, 0xC0C0C0};
            break;
        case GRAY_BRUSH:
            s_.Brush = {BS_SOLID, 0x808080};
            break;
        case DKGRAY_BRUSH:
            s_.Brush = {BS_SOLID, 0x404040};
            break;
        case BLACK_BRUSH:
            s_.Brush = {BS_SOLID, 0};
            break;
        case NULL_BRUSH:
            s_.Brush = {BS_NULL, 0};
            break;
        case WHITE_PEN:
            s_.Pen = {PS_SOLID, 0, 0xFFFFFF};
            break;
        case BLACK_PEN:
            s_.Pen = {PS_SOLID, 0, 0};
            break;
        case NULL_PEN:
            s_.Pen = {PS_NULL, 0, 0};
            break;
        case 10:
        case 11:
        case 12:
        case SYSTEM_FONT:
        case 14:
        case 16:
        case DEFAULT_GUI_FONT:
            s_.Font = SystemFont();
            s_.Metrics.reset();
            break;
        default:
            break;
        }
        return;
    }
    if (Handle >= objects_.size())
        return;
    const TObject& o = objects_[Handle];
    if (const auto* pen = std::get_if<TLogPen>(&o))
        s_.Pen = *pen;
    else if (const auto* brush = std::get_if<TLogBrush>(&o))
        s_.Brush = *brush;
    else if (const auto* font = std::get_if<TLogFont>(&o)) {
        s_.Font = *font;
        s_.Metrics.reset();
    }
}

void TMetafilePlayer::Play(const uint8_t* p, uint32_t size)
{
    const uint32_t type = U32(p, 0);
    auto store = [&](uint32_t index, TObject object) {
        if (index & STOCK_OBJECT || index > 0xFFFF)
            return;
        if (index >= objects_.size())
            objects_.resize(index + 1);
        objects_[index] = std::move(object);
    };
    switch (type) {
    case EMR_SETMAPMODE:
        s_.Mapping.Mode = U32(p, 8);
        break;
    case EMR_SETWINDOWEXTEX:
        s_.Mapping.WindowExt = {I32(p, 8), I32(p, 12)};
        break;
    case EMR_SETWINDOWORGEX:
        s_.Mapping.WindowOrg = {I32(p, 8), I32(p, 12)};
        break;
    case EMR_SETVIEWPORTEXTEX:
        s_.Mapping.ViewportExt = {I32(p, 8), I32(p, 12)};
        break;
    case EMR_SETVIEWPORTORGEX:
        s_.Mapping.ViewportOrg = {I32(p, 8), I32(p, 12)};
        break;
    case EMR_SETBKMODE:
        s_.BkMode = U32(p, 8);
        break;
    case EMR_SETROP2:
        s_.Rop2 = U32(p, 8);
        break;
    case EMR_SETTEXTALIGN:
        s_.TextAlign = U32(p, 8);
        break;
    case EMR_SETTEXTCOLOR:
        s_.TextColor = U32(p, 8) & 0xFFFFFF;
        break;
    case EMR_SETBKCOLOR:
        s_.BkColor = U32(p, 8) & 0xFFFFFF;
        break;
    case EMR_MOVETOEX:
        s_.Position = {I32(p, 8), I32(p, 12)};
        break;
    case EMR_LINETO:
        LineTo(p);
        break;
    case EMR_RECTANGLE:
        Rectangle(p);
        break;
    case EMR_FILLRGN:
        FillRgn(p);
        break;
    case EMR_EXTTEXTOUTW:
        TextOut(p, size);
        break;
    case EMR_BITBLT:
        Blt(p, size, false);
        break;
    case EMR_STRETCHBLT:
        Blt(p, size, true);
        break;
    case EMR_CREATEPEN:
        store(U32(p, 8), TLogPen{U32(p, 12), I32(p, 16), U32(p, 24) & 0xFFFFFF});
        break;
    case EMR_CREATEBRUSHINDIRECT:
        store(U32(p, 8), TLogBrush{U32(p, 12), U32(p, 16) & 0xFFFFFF});
        break;
    case EMR_EXTCREATEFONTINDIRECTW:
        store(U32(p, 8), ReadLogFont(p, 12));
        break;
    case EMR_SELECTOBJECT:
        Select(U32(p, 8));
        break;
    case EMR_DELETEOBJECT:
        if (const uint32_t h = U32(p, 8); h < objects_.size())
            objects_[h] = std::monostate();
        break;
    case EMR_SAVEDC:
        saved_.push_back(s_);
        break;
    case EMR_RESTOREDC: {
        const int32_t n = I32(p, 8);
        // Negative: that many levels back; positive: the level of that number.
        const int64_t level = n < 0 ? int64_t(saved_.size()) + n : int64_t(n) - 1;
        if (level >= 0 && level < int64_t(saved_.size())) {
            s_ = saved_[size_t(level)];
            saved_.resize(size_t(level));
            ApplyClip();
        }
        break;
    }
    case EMR_INTERSECTCLIPRECT: {
        const QRect r = DeviceBox(RectAt(p, 8));
        s_.Clip = s_.Clip ? s_.Clip->intersected(r) : r;
        ApplyClip();
        break;
    }
    case EMR_SELECTCLIPRGN:
        // Only the removal of the clipping (no region with RGN_COPY) is recorded here.
        if (U32(p, 8) == 0 && U32(p, 12) == RGN_COPY) {
            s_.Clip.reset();
            ApplyClip();
        }
        break;
    default:
        break;
    }
}

void TMetafilePlayer::LineTo(const uint8_t* p)
{
    const TPoint to{I32(p, 8), I32(p, 12)};
    const QPoint a = DevicePoint(s_.Position.X, s_.Position.Y), b = DevicePoint(to.X, to.Y);
    s_.Position = to;
    const int w = PenWidth();
    if (w == 0 || a == b)
        return;
    SetCompositionForRop();
    const QColor color = FromColorRef(s_.Pen.Color);
    const uint32_t style = s_.Pen.Style & PS_STYLE_MASK;
    const bool solid = style == PS_SOLID || style == PS_INSIDEFRAME;
    if (solid && w == 1 && (a.y() == b.y() || a.x() == b.x())) {
        // The end point is left out.
        if (a.y() == b.y())
            FillDevice(b.x() > a.x() ? QRect(a.x(), a.y(), b.x() - a.x(), 1)
                                     : QRect(b.x() + 1, a.y(), a.x() - b.x(), 1),
                       s_.Pen.Color);
        else
            FillDevice(b.y() > a.y() ? QRect(a.x(), a.y(), 1, b.y() - a.y())
                                     : QRect(a.x(), b.y() + 1, 1, a.y() - b.y()),
                       s_.Pen.Color);
        return;
    }
    QPen pen(color);
    if (solid) {
        pen.setWidth(w == 1 ? 0 : w);
        pen.setCapStyle(w == 1 ? Qt::FlatCap : Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
    } else {
        pen.setWidth(0);
        pen.setStyle(style == PS_DASH      ? Qt::DashLine
                     : style == PS_DOT     ? Qt::DotLine
                     : style == PS_DASHDOT ? Qt::DashDotLine
                                           : Qt::DashDotDotLine);
        pen.setCapStyle(Qt::FlatCap);
    }
    painter_.setPen(pen);
    painter_.setBrush(Qt::NoBrush);
    const QPointF half(0.5, 0.5);
    painter_.drawLine(QPointF(a) + half, QPointF(b) + half);
}

void TMetafilePlayer::Rectangle(const uint8_t* p)
{
    const QRect box = DeviceBox(RectAt(p, 8));
    if (box.isEmpty())
        return;
    SetCompositionForRop();
    const bool fill = s_.Brush.Style != BS_NULL;
    const uint32_t style = s_.Pen.Style & PS_STYLE_MASK;
    const int w = PenWidth();
    if (w == 0) {
        // Without a pen the filled area is one pixel smaller each way.
        if (fill)
            FillDevice(box.adjusted(0, 0, -1, -1), s_.Brush.Color);
        return;
    }
    int l = box.left(), t = box.top(), r = box.left() + box.width(), b = box.top() + box.height();
    if (style == PS_SOLID && w > 1) {
        // A wide pen is centred on the outline through the outermost pixels.
        l -= w / 2;
        t -= w / 2;
        r += (w + 1) / 2 - 1;
        b += (w + 1) / 2 - 1;
    }
    const QRect outer(l, t, r - l, b - t);
    const QRect inner(l + w, t + w, r - l - 2 * w, b - t - 2 * w);
    if (fill && inner.width() > 0 && inner.height() > 0)
        FillDevice(inner, s_.Brush.Color);
    if (style == PS_SOLID || style == PS_INSIDEFRAME) {
        if (inner.width() <= 0 || inner.height() <= 0) {
            FillDevice(outer, s_.Pen.Color);
            return;
        }
        FillDevice(QRect(l, t, r - l, w), s_.Pen.Color);
        FillDevice(QRect(l, b - w, r - l, w), s_.Pen.Color);
        FillDevice(QRect(l, t + w, w, b - t - 2 * w), s_.Pen.Color);
        FillDevice(QRect(r - w, t + w, w, b - t - 2 * w), s_.Pen.Color);
        return;
    }
    QPen pen(FromColorRef(s_.Pen.Color));
    pen.setWidth(0);
    pen.setStyle(style == PS_DASH      ? Qt::DashLine
                 : style == PS_DOT     ? Qt::DotLine
                 : style == PS_DASHDOT ? Qt::DashDotLine
                                       : Qt::DashDotDotLine);
    painter_.setPen(pen);
    painter_.setBrush(Qt::NoBrush);
    painter_.drawRect(QRectF(box.left() + 0.5, box.top() + 0.5, box.width() - 1, box.height() - 1));
}

void TMetafilePlayer::FillRgn(const uint8_t* p)
{
    const uint32_t ih = U32(p, 28);
    const TLogBrush* brush = ih < objects_.size() ? std::get_if<TLogBrush>(&objects_[ih]) : nullptr;
    if (!brush || brush->Style == BS_NULL)
        return;
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const uint32_t count = U32(p, 32 + 8);
    for (uint32_t i = 0; i < count; ++i)
        FillDevice(DeviceBox(RectAt(p, 32 + RegionHeaderSize + 16 * size_t(i))), brush->Color);
}

void TMetafilePlayer::TextOut(const uint8_t* p, uint32_t)
{
    const int32_t x = I32(p, 36), y = I32(p, 40);
    const uint32_t n = U32(p, 44), offString = U32(p, 48), options = U32(p, 52), offDx = U32(p, 72);
    const TRect rect = RectAt(p, 56);
    QString text;
    text.reserve(int(n));
    for (uint32_t i = 0; i < n; ++i)
        text.append(QChar(U16(p, offString + 2 * size_t(i))));

    const TLogicalFont& font = Metrics();
    const QFontMetricsF fm(font.Font());
    std::vector<double> dx;
    double width = 0;
    if (offDx && n) {
        dx.resize(n);
        for (uint32_t i = 0; i < n; ++i)
            width += dx[i] = I32(p, offDx + 4 * size_t(i));
    } else {
        width = fm.horizontalAdvance(text);
    }
    const QTransform full = Full();
    const double sx = std::fabs(full.m11()), sy = std::fabs(full.m22());
    const QPointF ref = full.map(QPointF(x, y));
    const uint32_t halign = s_.TextAlign & TA_CENTER, valign = s_.TextAlign & TA_BASELINE;
    const double left = ref.x() - (halign == TA_CENTER  ? width * sx / 2
                                   : halign == TA_RIGHT ? width * sx
                                                        : 0);
    const double top = ref.y() - (valign == TA_BASELINE ? font.Ascent() * sy
                                  : valign == TA_BOTTOM ? font.Height() * sy
                                                        : 0);

    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const bool clipped = (options & ETO_CLIPPED) && rect.Right >= rect.Left && rect.Bottom >= rect.Top;
    if (options & ETO_OPAQUE)
        FillDevice(DeviceBox(rect), s_.BkColor);
    else if (s_.BkMode == OPAQUE)
        FillDevice(QRect(Round(left), Round(top), Round(width * sx), Round(font.Height() * sy)), s_.BkColor);
    if (n == 0)
        return;
    painter_.save();
    if (clipped)
        painter_.setClipRect(DeviceBox(rect), Qt::IntersectClip);
    painter_.setTransform(QTransform(sx, 0, 0, sy, left, top));
    painter_.setFont(font.Font());
    painter_.setPen(FromColorRef(s_.TextColor));
    // The spacing the record gives is used only where it differs from the font's own.
    bool ownSpacing = true;
    double natural = 0, placed = 0;
    for (size_t i = 0; i < dx.size() && ownSpacing; ++i) {
        natural += fm.horizontalAdvance(text.at(int(i)));
        placed += dx[i];
        ownSpacing = std::fabs(natural - placed) <= 1.0;
    }
    // Glyphs go through the toolkit's glyph cache at ordinary sizes; very large or strongly
    // distorted ones are filled as outlines, which have no size limit.
    const double emX = font.Font().pixelSize() * sx, emY = font.Font().pixelSize() * sy;
    const bool outlines = std::max(emX, emY) > 512 || std::max(emX, emY) > 16 * std::min(emX, emY);
    auto run = [&](double x, const QString& s) {
        if (outlines) {
            QPainterPath path;
            path.addText(QPointF(x, font.Ascent()), font.Font(), s);
            painter_.fillPath(path, FromColorRef(s_.TextColor));
        } else {
            painter_.drawText(QPointF(x, font.Ascent()), s);
        }
    };
    if (std::max(emX, emY) >= 0.5 && std::isfinite(emX) && std::isfinite(emY)) {
        if (ownSpacing) {
            run(0, text);
        } else {
            double pos = 0;
            for (uint32_t i = 0; i < n; ++i) {
                run(pos, QString(text.at(int(i))));
                pos += dx[i];
            }
        }
    }
    painter_.restore();
}

void TMetafilePlayer::Blt(const uint8_t* p, uint32_t size, bool stretch)
{
    const int32_t xDest = I32(p, 24), yDest = I32(p, 28), cxDest = I32(p, 32), cyDest = I32(p, 36);
    const uint32_t rop = U32(p, 40);
    const int32_t xSrc = I32(p, 44), ySrc = I32(p, 48);
    const uint32_t offBmi = U32(p, 84), cbBmi = U32(p, 88), offBits = U32(p, 92), cbBits = U32(p, 96);
    const int32_t cxSrc = stretch ? I32(p, 100) : cxDest, cySrc = stretch ? I32(p, 104) : cyDest;
    const QRect dest =
        DeviceBox({xDest, yDest, int32_t(int64_t(xDest) + cxDest), int32_t(int64_t(yDest) + cyDest)});
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (cbBmi == 0) {
        if (rop == PATCOPY && s_.Brush.Style != BS_NULL)
            FillDevice(dest, s_.Brush.Color);
        else if (rop == BLACKNESS)
            FillDevice(dest, 0);
        else if (rop == WHITENESS)
            FillDevice(dest, 0xFFFFFF);
        return;
    }
    const QImage img = RecordBitmap(p, size, offBmi, cbBmi, offBits, cbBits);
    if (img.isNull() || dest.isEmpty())
        return;
    const QRect src = Box(xSrc, ySrc, int(int64_t(xSrc) + cxSrc), int(int64_t(ySrc) + cySrc));
    painter_.drawImage(QRectF(dest), img, QRectF(src));
}

QImage RecordBitmap(const uint8_t* p, uint32_t size, uint32_t offBmi, uint32_t cbBmi, uint32_t offBits,
                    uint32_t cbBits)
{
    if (cbBmi < BitmapInfoHeaderSize || uint64_t(offBmi) + cbBmi > size || uint64_t(offBits) + cbBits > size)
        return {};
    const uint8_t* h = p + offBmi;
    const uint32_t headerSize = U32(h, 0);
    const int32_t width = I32(h, 4), height = I32(h, 8);
    const uint16_t bitCount = U16(h, 14);
    const uint32_t compression = U32(h, 16), clrUsed = U32(h, 32);
    if (headerSize < BitmapInfoHeaderSize || headerSize > cbBmi || width <= 0 || height == 0 ||
        height == INT32_MIN)
        return {};
    const int64_t rows = height < 0 ? -int64_t(height) : height;
    if (int64_t(width) * rows > (int64_t(1) << 28))
        return {};
    const int64_t stride = ((int64_t(width) * bitCount + 31) / 32) * 4;
    if (stride * rows > int64_t(cbBits))
        return {};
    bool ok = false;
    if (bitCount == 32 && compression == BI_RGB)
        ok = true;
    else if (bitCount == 32 && compression == 3 && cbBmi >= headerSize + 12)
        ok = U32(h, headerSize) == 0xFF0000 && U32(h, headerSize + 4) == 0xFF00 &&
             U32(h, headerSize + 8) == 0xFF;
    else if (bitCount == 24 && compression == BI_RGB)
        ok = true;
    else if (bitCount == 8 && compression == BI_RGB)
        ok = true;
    if (!ok)
        return {};
    uint32_t paletteSize = 0;
    if (bitCount == 8) {
        paletteSize = clrUsed == 0 || clrUsed > 256 ? 256 : clrUsed;
        if (uint64_t(headerSize) + 4 * paletteSize > cbBmi)
            return {};
    }
    QImage img(width, int(rows), QImage::Format_RGB32);
    if (img.isNull())
        return {};
    const uint8_t* bits = p + offBits;
    for (int64_t y = 0; y < rows; ++y) {
        const uint8_t* src = bits + stride * (height < 0 ? y : rows - 1 - y);
        auto* dst = reinterpret_cast<uint32_t*>(img.scanLine(int(y)));
        for (int32_t x = 0; x < width; ++x) {
            uint32_t c = 0;
            if (bitCount == 32)
                c = U32(src, size_t(x) * 4) & 0xFFFFFF;
            else if (bitCount == 24)
                c = uint32_t(src[3 * x]) | uint32_t(src[3 * x + 1]) << 8 | uint32_t(src[3 * x + 2]) << 16;
            else if (src[x] < paletteSize)
                c = U32(h, headerSize + 4 * size_t(src[x])) & 0xFFFFFF;
            dst[x] = 0xFF000000 | c;
        }
    }
    return img;
}

std::string CheckRecord(const uint8_t* p, uint32_t size)
{
    const uint32_t type = U32(p, 0);
    auto shortBy = [&](uint64_t need) { return uint64_t(size) < need; };
    auto tooShort = [&]() { return Format("a record of type %u is too short", type); };
    auto within = [&](uint64_t offset, uint64_t length, uint64_t from) {
        return offset >= from && offset + length <= size;
    };
    switch (type) {
    case EMR_HEADER:
        return shortBy(MinHeaderSize) ? tooShort() : "";
    case EMR_EOF:
        return shortBy(EofSize) ? tooShort() : "";
    case EMR_SAVEDC:
        return "";
    case EMR_SETMAPMODE:
    case EMR_SETBKMODE:
    case EMR_SETROP2:
    case EMR_SETSTRETCHBLTMODE:
    case EMR_SETTEXTALIGN:
    case EMR_SETTEXTCOLOR:
    case EMR_SETBKCOLOR:
    case EMR_SELECTOBJECT:
    case EMR_DELETEOBJECT:
    case EMR_RESTOREDC:
        return shortBy(12) ? tooShort() : "";
    case EMR_SETWINDOWEXTEX:
    case EMR_SETWINDOWORGEX:
    case EMR_SETVIEWPORTEXTEX:
    case EMR_SETVIEWPORTORGEX:
    case EMR_MOVETOEX:
    case EMR_LINETO:
        return shortBy(16) ? tooShort() : "";
    case EMR_INTERSECTCLIPRECT:
    case EMR_RECTANGLE:
        return shortBy(24) ? tooShort() : "";
    case EMR_CREATEPEN:
        return shortBy(28) ? tooShort() : "";
    case EMR_CREATEBRUSHINDIRECT:
        return shortBy(24) ? tooShort() : "";
    case EMR_EXTCREATEFONTINDIRECTW:
        return shortBy(12 + LogFontSize) ? tooShort() : "";
    case EMR_SELECTCLIPRGN:
        if (shortBy(16))
            return tooShort();
        return within(16, U32(p, 8), 16) ? "" : "a clip region runs past its record";
    case EMR_FILLRGN: {
        if (shortBy(32 + RegionHeaderSize))
            return tooShort();
        const uint32_t rgnSize = U32(p, 24);
        if (rgnSize < RegionHeaderSize || !within(32, rgnSize, 32))
            return "a region runs past its record";
        if (uint64_t(U32(p, 40)) * 16 + RegionHeaderSize > rgnSize)
            return "a region holds more rectangles than its record";
        return "";
    }
    case EMR_EXTTEXTOUTW: {
        if (shortBy(ExtTextOutFixedSize))
            return tooShort();
        const uint64_t n = U32(p, 44);
        if (!within(U32(p, 48), 2 * n, ExtTextOutFixedSize))
            return "a text runs past its record";
        const uint64_t dxSize = (U32(p, 52) & 0x2000 ? 8 : 4) * n; // ETO_PDY doubles the spacing
        if (n && U32(p, 72) && !within(U32(p, 72), dxSize, ExtTextOutFixedSize))
            return "a text's spacing runs past its record";
        return "";
    }
    case EMR_BITBLT:
    case EMR_STRETCHBLT: {
        const uint32_t fixed = type == EMR_BITBLT ? BitBltFixedSize : StretchBltFixedSize;
        if (shortBy(fixed))
            return tooShort();
        const uint32_t cbBmi = U32(p, 88);
        if (cbBmi && (cbBmi < BitmapInfoHeaderSize || !within(U32(p, 84), cbBmi, fixed) ||
                      !within(U32(p, 92), U32(p, 96), fixed)))
            return "a bitmap runs past its record";
        return "";
    }
    default:
        return "";
    }
}

} // namespace qm
