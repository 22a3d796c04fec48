#include "platform/DeviceCanvas.h"

#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "platform/LogicalFont.h"
#include "platform/Metafile.h"
#include "platform/MetafilePlayer.h"

namespace qm {

namespace {

uint32_t ColorRef(TColor Color)
{
    return uint32_t(ColorToRGB(Color)) & 0xFFFFFF;
}

int32_t Floor(double v)
{
    return int32_t(std::clamp(std::floor(v), double(INT32_MIN), double(INT32_MAX)));
}

int32_t Ceil(double v)
{
    return int32_t(std::clamp(std::ceil(v), double(INT32_MIN), double(INT32_MAX)));
}

} // namespace

// ---- Fonts, pens, brushes -------------------------------------------------------------------

int32_t TDeviceFont::Size() const
{
    return -MulDiv(height_, 72, pixelsPerInch_);
}

void TDeviceFont::SetSize(int32_t Value)
{
    SetHeight(-MulDiv(Value, pixelsPerInch_, 72));
}

void TDeviceFont::Assign(const TDeviceFont& Source)
{
    if (&Source == this)
        return;
    SetName(Source.name_);
    SetStyle(Source.style_);
    SetPitch(Source.pitch_);
    SetCharset(Source.charset_);
    SetColor(Source.color_);
    if (pixelsPerInch_ == Source.pixelsPerInch_)
        SetHeight(Source.height_);
    else
        SetSize(Source.Size());
}

emf::TLogFont TDeviceFont::LogFont() const
{
    emf::TLogFont lf;
    lf.Height = height_;
    lf.Weight = style_ & fsBold ? 700 : 400;
    lf.Italic = style_ & fsItalic ? 1 : 0;
    lf.Underline = style_ & fsUnderline ? 1 : 0;
    lf.StrikeOut = style_ & fsStrikeOut ? 1 : 0;
    lf.CharSet = charset_;
    lf.PitchAndFamily = pitch_ == fpFixed ? 1 : pitch_ == fpVariable ? 2 : 0;
    lf.FaceName = name_.substr(0, 31);
    return lf;
}

void TPen::Assign(const TPen& Source)
{
    SetColor(Source.color_);
    SetWidth(Source.width_);
    SetStyle(Source.style_);
    SetMode(Source.mode_);
}

void TBrush::Assign(const TBrush& Source)
{
    SetColor(Source.color_);
    SetStyle(Source.style_);
}

// ---- Mapping --------------------------------------------------------------------------------

namespace {

double FixedUnitsPerInch(uint32_t mode)
{
    switch (mode) {
    case emf::MM_LOMETRIC:
        return 254;
    case emf::MM_HIMETRIC:
        return 2540;
    case emf::MM_LOENGLISH:
        return 100;
    case emf::MM_HIENGLISH:
        return 1000;
    case emf::MM_TWIPS:
        return 1440;
    default:
        return 0;
    }
}

double Ratio(int32_t viewport, int32_t window)
{
    return window == 0 ? 1.0 : double(viewport) / double(window);
}

} // namespace

double TMapping::ScaleX() const
{
    if (const double u = FixedUnitsPerInch(Mode))
        return DpiX / u;
    if (Mode == emf::MM_ANISOTROPIC)
        return Ratio(ViewportExt.cx, WindowExt.cx);
    if (Mode == emf::MM_ISOTROPIC) {
        const double sx = Ratio(ViewportExt.cx, WindowExt.cx), sy = Ratio(ViewportExt.cy, WindowExt.cy);
        return std::copysign(std::min(std::fabs(sx), std::fabs(sy)), sx);
    }
    return 1.0;
}

double TMapping::ScaleY() const
{
    if (const double u = FixedUnitsPerInch(Mode))
        return -DpiY / u; // the fixed-unit modes run y upwards
    if (Mode == emf::MM_ANISOTROPIC)
        return Ratio(ViewportExt.cy, WindowExt.cy);
    if (Mode == emf::MM_ISOTROPIC) {
        const double sx = Ratio(ViewportExt.cx, WindowExt.cx), sy = Ratio(ViewportExt.cy, WindowExt.cy);
        return std::copysign(std::min(std::fabs(sx), std::fabs(sy)), sy);
    }
    return 1.0;
}

QTransform TMapping::Transform() const
{
    const double sx = ScaleX(), sy = ScaleY();
    return QTransform(sx, 0, 0, sy, ViewportOrg.X - WindowOrg.X * sx, ViewportOrg.Y - WindowOrg.Y * sy);
}

// ---- TDeviceCanvas --------------------------------------------------------------------------

TDeviceCanvas::TDeviceCanvas(int32_t PixelsPerInchX, int32_t PixelsPerInchY)
    : dpiX_(PixelsPerInchX > 0 ? PixelsPerInchX : ReferencePixelsPerInch),
      dpiY_(PixelsPerInchY > 0 ? PixelsPerInchY : ReferencePixelsPerInch)
{
    mapping_.DpiX = dpiX_;
    mapping_.DpiY = dpiY_;
    font_.SetPixelsPerInch(dpiY_);
    font_.SetSize(8);
}

TDeviceCanvas::~TDeviceCanvas() = default;

void TDeviceCanvas::Simple(uint32_t Type, uint32_t Value)
{
    Record(Type, [&](emf::TRecordWriter& w) { w.U32(Value); });
}

void TDeviceCanvas::PointRecord(uint32_t Type, int32_t X, int32_t Y)
{
    Record(Type, [&](emf::TRecordWriter& w) {
        w.I32(X);
        w.I32(Y);
    });
}

void TDeviceCanvas::SetMapMode(uint32_t Mode)
{
    mapping_.Mode = Mode;
    Simple(emf::EMR_SETMAPMODE, Mode);
}

void TDeviceCanvas::SetWindowOrg(int32_t X, int32_t Y)
{
    mapping_.WindowOrg = {X, Y};
    PointRecord(emf::EMR_SETWINDOWORGEX, X, Y);
}

void TDeviceCanvas::SetWindowExt(int32_t CX, int32_t CY)
{
    mapping_.WindowExt = {CX, CY};
    PointRecord(emf::EMR_SETWINDOWEXTEX, CX, CY);
}

void TDeviceCanvas::SetViewportOrg(int32_t X, int32_t Y)
{
    mapping_.ViewportOrg = {X, Y};
    PointRecord(emf::EMR_SETVIEWPORTORGEX, X, Y);
}

void TDeviceCanvas::SetViewportExt(int32_t CX, int32_t CY)
{
    mapping_.ViewportExt = {CX, CY};
    PointRecord(emf::EMR_SETVIEWPORTEXTEX, CX, CY);
}

uint32_t TDeviceCanvas::NewHandle()
{
    uint32_t h = firstHandle_;
    while (h < handleUsed_.size() && handleUsed_[h])
        ++h;
    if (h >= handleUsed_.size())
        handleUsed_.resize(h + 1, false);
    handleUsed_[h] = true;
    handleCount_ = std::max(handleCount_, h + 1);
    return h;
}

void TDeviceCanvas::Select(uint32_t Handle)
{
    Simple(emf::EMR_SELECTOBJECT, Handle);
}

void TDeviceCanvas::DeleteHandle(uint32_t Handle)
{
    Simple(emf::EMR_DELETEOBJECT, Handle);
    if (Handle < handleUsed_.size())
        handleUsed_[Handle] = false;
}

void TDeviceCanvas::RequireFont()
{
    if (fontVersion_ == font_.Version() && fontHandle_ != 0)
        return;
    fontVersion_ = font_.Version();
    const emf::TLogFont lf = font_.LogFont();
    if (fontHandle_ == 0 || !(lf == recordedFont_)) {
        ReplaceObject(emf::EMR_EXTCREATEFONTINDIRECTW, fontHandle_,
                      [&](emf::TRecordWriter& w) { emf::WriteLogFont(w, lf); });
        recordedFont_ = lf;
    }
    const uint32_t color = ColorRef(font_.Color());
    if (color != textColor_) {
        textColor_ = color;
        Simple(emf::EMR_SETTEXTCOLOR, color);
    }
}

void TDeviceCanvas::RequirePen()
{
    if (penVersion_ == pen_.Version() && penHandle_ != 0)
        return;
    penVersion_ = pen_.Version();
    static constexpr uint32_t styles[] = {emf::PS_SOLID,      emf::PS_DASH,       emf::PS_DOT,
                                          emf::PS_DASHDOT,    emf::PS_DASHDOTDOT, emf::PS_NULL,
                                          emf::PS_INSIDEFRAME};
    const emf::TLogPen lp{styles[pen_.Style()], pen_.Width(), ColorRef(pen_.Color())};
    if (penHandle_ == 0 || !(lp == recordedPen_)) {
        ReplaceObject(emf::EMR_CREATEPEN, penHandle_, [&](emf::TRecordWriter& w) {
            w.U32(lp.Style);
            w.I32(lp.Width);
            w.I32(0);
            w.U32(lp.Color);
        });
        recordedPen_ = lp;
    }
    const uint32_t rop = pen_.Mode() == pmNot   ? emf::R2_NOT
                         : pen_.Mode() == pmXor ? emf::R2_XORPEN
                                                : emf::R2_COPYPEN;
    if (rop != rop2_) {
        rop2_ = rop;
        Simple(emf::EMR_SETROP2, rop);
    }
}

void TDeviceCanvas::RequireBrush()
{
    if (brushVersion_ == brush_.Version() && brushHandle_ != 0)
        return;
    brushVersion_ = brush_.Version();
    const emf::TLogBrush lb{brush_.Style() == bsClear ? emf::BS_NULL : emf::BS_SOLID,
                            ColorRef(brush_.Color())};
    if (brushHandle_ == 0 || !(lb == recordedBrush_)) {
        ReplaceObject(emf::EMR_CREATEBRUSHINDIRECT, brushHandle_, [&](emf::TRecordWriter& w) {
            w.U32(lb.Style);
            w.U32(lb.Color);
            w.U32(0); // hatch
        });
        recordedBrush_ = lb;
    }
    // The brush decides the text background: its colour, opaque unless it is clear.
    if (lb.Color != bkColor_) {
        bkColor_ = lb.Color;
        Simple(emf::EMR_SETBKCOLOR, lb.Color);
    }
    const uint32_t mode = lb.Style == emf::BS_NULL ? emf::TRANSPARENT : emf::OPAQUE;
    if (mode != bkMode_) {
        bkMode_ = mode;
        Simple(emf::EMR_SETBKMODE, mode);
    }
}

void TDeviceCanvas::SetBkMode(uint32_t Mode)
{
    RequireBrush();
    if (Mode != bkMode_) {
        bkMode_ = Mode;
        Simple(emf::EMR_SETBKMODE, Mode);
    }
}

void TDeviceCanvas::RequirePenPos()
{
    if (penPos_ == recordedPenPos_)
        return;
    recordedPenPos_ = penPos_;
    PointRecord(emf::EMR_MOVETOEX, penPos_.X, penPos_.Y);
}

void TDeviceCanvas::ReleaseObjects()
{
    if (penHandle_) {
        Select(emf::STOCK_OBJECT | emf::BLACK_PEN);
        DeleteHandle(penHandle_);
    }
    if (brushHandle_) {
        Select(emf::STOCK_OBJECT | emf::WHITE_BRUSH);
        DeleteHandle(brushHandle_);
    }
    if (fontHandle_) {
        Select(emf::STOCK_OBJECT | emf::SYSTEM_FONT);
        DeleteHandle(fontHandle_);
    }
    penHandle_ = brushHandle_ = fontHandle_ = 0;
    penVersion_ = brushVersion_ = fontVersion_ = 0;
}

void TDeviceCanvas::AddLogicalBounds(int64_t Left, int64_t Top, int64_t Right, int64_t Bottom)
{
    if (!WantsBounds())
        return;
    const QRectF r = mapping_.Transform().mapRect(
        QRectF(QPointF(double(Left), double(Top)), QPointF(double(Right), double(Bottom))));
    // Inclusive device pixels.
    AddBounds({Floor(r.left()), Floor(r.top()), std::max(Floor(r.left()), Ceil(r.right()) - 1),
               std::max(Floor(r.top()), Ceil(r.bottom()) - 1)});
}

void TDeviceCanvas::MoveTo(int32_t X, int32_t Y)
{
    penPos_ = {X, Y};
}

void TDeviceCanvas::LineTo(int32_t X, int32_t Y)
{
    RequirePen();
    RequirePenPos();
    PointRecord(emf::EMR_LINETO, X, Y);
    const int64_t half = pen_.Width() / 2 + 1;
    AddLogicalBounds(std::min(penPos_.X, X) - half, std::min(penPos_.Y, Y) - half,
                     std::max(penPos_.X, X) + half, std::max(penPos_.Y, Y) + half);
    penPos_ = recordedPenPos_ = {X, Y};
}

void TDeviceCanvas::Rectangle(int32_t Left, int32_t Top, int32_t Right, int32_t Bottom)
{
    RequirePen();
    RequireBrush();
    Record(emf::EMR_RECTANGLE, [&](emf::TRecordWriter& w) { w.Rect({Left, Top, Right, Bottom}); });
    const int64_t half = pen_.Style() == psInsideFrame ? 0 : pen_.Width() / 2;
    AddLogicalBounds(std::min(Left, Right) - half, std::min(Top, Bottom) - half, std::max(Left, Right) + half,
                     std::max(Top, Bottom) + half);
}

void TDeviceCanvas::FillRect(const TRect& R)
{
    RequireBrush();
    Record(emf::EMR_FILLRGN, [&](emf::TRecordWriter& w) {
        w.Rect(R);
        w.U32(emf::RegionHeaderSize + 16);
        w.U32(brushHandle_);
        w.U32(emf::RegionHeaderSize);
        w.U32(emf::RDH_RECTANGLES);
        w.U32(1);
        w.U32(16);
        w.Rect(R);
        w.Rect(R);
    });
    AddLogicalBounds(std::min(R.Left, R.Right), std::min(R.Top, R.Bottom), std::max(R.Left, R.Right),
                     std::max(R.Top, R.Bottom));
}

const TLogicalFont& TDeviceCanvas::FontMetrics()
{
    if (!metrics_ || metricsVersion_ != font_.Version()) {
        metrics_ = LogicalFont(font_.LogFont());
        metricsVersion_ = font_.Version();
    }
    return *metrics_;
}

TSize TDeviceCanvas::TextExtent(std::string_view Text)
{
    const TLogicalFont& f = FontMetrics();
    return {f.TextWidth(Text), f.Height()};
}

int32_t TDeviceCanvas::TextRecord(const TRect* Clip, int32_t X, int32_t Y, std::string_view Text)
{
    const TLogicalFont& f = FontMetrics();
    f.Advances(Text, dx_);
    int64_t width = 0;
    for (int32_t d : dx_)
        width += d;
    const uint32_t n = uint32_t(Text.size());
    const uint32_t stringBytes = (2 * n + 3) & ~3u;

    const uint32_t options = Clip ? emf::ETO_CLIPPED | (brush_.Style() == bsSolid ? emf::ETO_OPAQUE : 0) : 0;
    Record(emf::EMR_EXTTEXTOUTW, [&](emf::TRecordWriter& w) {
        // Device bounds of the text cell, inclusive.
        const QRectF cell = mapping_.Transform().mapRect(QRectF(X, Y, double(width), f.Height()));
        w.Rect({Floor(cell.left()), Floor(cell.top()), Ceil(cell.right()) - 1, Ceil(cell.bottom()) - 1});
        w.U32(emf::GM_COMPATIBLE);
        // Page units to 0.01 mm.
        w.F32(float(std::fabs(mapping_.ScaleX()) * 2540.0 / dpiX_));
        w.F32(float(std::fabs(mapping_.ScaleY()) * 2540.0 / dpiY_));
        w.I32(X);
        w.I32(Y);
        w.U32(n);
        w.U32(emf::ExtTextOutFixedSize);
        w.U32(options);
        w.Rect(Clip ? *Clip : TRect{0, 0, -1, -1});
        w.U32(n ? emf::ExtTextOutFixedSize + stringBytes : 0);
        for (unsigned char c : Text)
            w.U16(uint16_t(Cp1252ToUnicode(c)));
        w.Zeros(stringBytes - 2 * n);
        for (int32_t d : dx_)
            w.I32(d);
    });

    int64_t l = X, t = Y, r = X + width, b = int64_t(Y) + f.Height();
    if (Clip) {
        l = std::max<int64_t>(l, std::min(Clip->Left, Clip->Right));
        t = std::max<int64_t>(t, std::min(Clip->Top, Clip->Bottom));
        r = std::min<int64_t>(r, std::max(Clip->Left, Clip->Right));
        b = std::min<int64_t>(b, std::max(Clip->Top, Clip->Bottom));
        if (options & emf::ETO_OPAQUE)
            AddLogicalBounds(Clip->Left, Clip->Top, Clip->Right, Clip->Bottom);
    }
    if (r > l && b > t)
        AddLogicalBounds(l, t, r, b);
    return int32_t(width);
}

void TDeviceCanvas::TextOut(int32_t X, int32_t Y, std::string_view Text)
{
    RequireFont();
    RequireBrush();
    penPos_ = {X + TextRecord(nullptr, X, Y, Text), Y};
}

void TDeviceCanvas::TextRect(const TRect& R, int32_t X, int32_t Y, std::string_view Text)
{
    RequireFont();
    RequireBrush();
    TextRecord(&R, X, Y, Text);
}

void TDeviceCanvas::BltRecord(bool Stretch, const TRect& Dest, const QImage& Image)
{
    if (Image.isNull())
        return;
    const QImage img =
        Image.format() == QImage::Format_RGB32 ? Image : Image.convertToFormat(QImage::Format_RGB32);
    const uint32_t w = uint32_t(img.width()), h = uint32_t(img.height());
    const uint64_t bits = uint64_t(w) * h * 4;
    const uint32_t fixed = Stretch ? emf::StretchBltFixedSize : emf::BitBltFixedSize;
    if (bits + fixed + emf::BitmapInfoHeaderSize > 0x7FFFFFFF)
        throw EOutOfResources("The picture is too large to be recorded.");

    auto& out = Out();
    const size_t start = out.size();
    out.reserve(out.size() + fixed + emf::BitmapInfoHeaderSize + size_t(bits));
    emf::TRecordWriter rec(out);
    rec.Begin(Stretch ? emf::EMR_STRETCHBLT : emf::EMR_BITBLT);
    const QRectF dev =
        mapping_.Transform().mapRect(QRectF(QPointF(Dest.Left, Dest.Top), QPointF(Dest.Right, Dest.Bottom)));
    rec.Rect({Floor(dev.left()), Floor(dev.top()), Ceil(dev.right()) - 1, Ceil(dev.bottom()) - 1});
    rec.I32(Dest.Left);
    rec.I32(Dest.Top);
    rec.I32(Dest.Right - Dest.Left);
    rec.I32(Dest.Bottom - Dest.Top);
    rec.U32(emf::SRCCOPY);
    rec.I32(0); // source origin
    rec.I32(0);
    for (float f : {1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f}) // source transform: identity
        rec.F32(f);
    rec.U32(0); // source background colour
    rec.U32(emf::DIB_RGB_COLORS);
    rec.U32(fixed);
    rec.U32(emf::BitmapInfoHeaderSize);
    rec.U32(fixed + emf::BitmapInfoHeaderSize);
    rec.U32(uint32_t(bits));
    if (Stretch) {
        rec.I32(int32_t(w));
        rec.I32(int32_t(h));
    }
    // The bitmap: 32 bits per pixel, rows from the bottom up.
    rec.U32(emf::BitmapInfoHeaderSize);
    rec.I32(int32_t(w));
    rec.I32(int32_t(h));
    rec.U16(1);
    rec.U16(32);
    rec.U32(emf::BI_RGB);
    rec.U32(uint32_t(bits));
    rec.I32(3780); // 96 pixels per inch
    rec.I32(3780);
    rec.U32(0);
    rec.U32(0);
    for (int y = int(h) - 1; y >= 0; --y)
        rec.Bytes(img.constScanLine(y), size_t(w) * 4);
    rec.Finish();
    Recorded(start);
    AddLogicalBounds(std::min(Dest.Left, Dest.Right), std::min(Dest.Top, Dest.Bottom),
                     std::max(Dest.Left, Dest.Right), std::max(Dest.Top, Dest.Bottom));
}

void TDeviceCanvas::Draw(int32_t X, int32_t Y, const QImage& Image)
{
    BltRecord(false, {X, Y, X + Image.width(), Y + Image.height()}, Image);
}

void TDeviceCanvas::StretchDraw(const TRect& R, const QImage& Image)
{
    BltRecord(true, R, Image);
}

void TDeviceCanvas::IntersectClipRect(const TRect& R)
{
    Record(emf::EMR_INTERSECTCLIPRECT, [&](emf::TRecordWriter& w) { w.Rect(R); });
}

void TDeviceCanvas::ResetClipRect()
{
    Record(emf::EMR_SELECTCLIPRGN, [&](emf::TRecordWriter& w) {
        w.U32(0); // no region: remove the clipping
        w.U32(emf::RGN_COPY);
    });
}

// ---- TPainterCanvas -------------------------------------------------------------------------

TPainterCanvas::TPainterCanvas(QPainter& Painter, int32_t PixelsPerInchX, int32_t PixelsPerInchY)
    : TDeviceCanvas(
          PixelsPerInchX > 0 ? PixelsPerInchX : (Painter.device() ? Painter.device()->logicalDpiX() : 0),
          PixelsPerInchY > 0 ? PixelsPerInchY : (Painter.device() ? Painter.device()->logicalDpiY() : 0)),
      painter_(Painter)
{
    player_ = std::make_unique<TMetafilePlayer>(Painter, QTransform(), this->PixelsPerInchX(),
                                                this->PixelsPerInchY());
}

TPainterCanvas::~TPainterCanvas() = default;

void TPainterCanvas::Recorded(size_t Start)
{
    player_->Play(buffer_.data() + Start, uint32_t(buffer_.size() - Start));
    buffer_.clear();
}

void TPainterCanvas::StretchDraw(const TRect& R, const TMetafile& Metafile)
{
    Metafile.Play(painter_, player_->DeviceRect(R));
}

} // namespace qm
