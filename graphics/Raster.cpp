#include "graphics/Raster.h"

#include <QBuffer>
#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QtEndian>
#include <algorithm>
#include <cfenv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "graphics/RasterBlend.h"
#include "graphics/RasterLowLevel.h"
#include "graphics/RasterResamplers.h"
#include "graphics/RasterSystem.h"
#include "platform/Metafile.h"

namespace qm {

namespace {

// The bitmap's image carries the screen resolution, so that point sizes measure alike on
// a bitmap and on the screen.
constexpr int DotsPerMeterAt96Dpi = 3780;

// Saturating float-to-int for rectangle edges.
int32_t ToInt(double v)
{
    if (!(v == v))
        return 0;
    if (v <= double(INT32_MIN))
        return INT32_MIN;
    if (v >= double(INT32_MAX))
        return INT32_MAX;
    return int32_t(v);
}

uint8_t GammaStorage[256];

void BuildGammaTable()
{
    for (int i = 0; i < 256; ++i)
        GammaStorage[i] = uint8_t(std::nearbyint(255.0 * std::pow(i / 255.0, 0.7)));
}

QFont StockFont()
{
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont);
}

void BindRaster(const TBindingFeatures& features)
{
    BilinearInterpolator =
        features.MMX || features.ThreeDNow ? BilinearInterpolator_MMX : BilinearInterpolator_Plain;
}

const bool RasterUnitReady = (BuildGammaTable(), RegisterRoutineBinder(BindRaster), true);

// Runs the closing pair of an update bracket however the bracketed work ends.
struct TUpdateBracket {
    explicit TUpdateBracket(TBitmap32& b) : bitmap(b) { bitmap.IncUpdateCount(); }
    ~TUpdateBracket() noexcept(false)
    {
        bitmap.DecUpdateCount();
        try {
            bitmap.NotifyChanged();
        } catch (...) {
            // A handler that fails while another failure passes must not end the program.
            if (!std::uncaught_exceptions())
                throw;
        }
    }
    TBitmap32& bitmap;
};

} // namespace

const uint8_t (&GammaTable)[256] = GammaStorage;
TBilinearInterpolator BilinearInterpolator = BilinearInterpolator_Plain;

std::mutex& StockBitmapLock()
{
    static std::mutex lock;
    return lock;
}

QImage& StockBitmap()
{
    static QImage image = [] {
        QImage img(8, 8, QImage::Format_ARGB32);
        img.fill(0);
        img.setDotsPerMeterX(DotsPerMeterAt96Dpi);
        img.setDotsPerMeterY(DotsPerMeterAt96Dpi);
        return img;
    }();
    return image;
}

TColor32 BilinearInterpolator_Plain(uint32_t WX, uint32_t WY, const TColor32* Row1, const TColor32* Row2)
{
    WX = std::min<uint32_t>(WX, 255);
    WY = std::min<uint32_t>(WY, 255);
    const TColor32 top = CombineColors(Row1[0], Row1[1], WX);
    const TColor32 bottom = CombineColors(Row2[0], Row2[1], WX);
    return CombineColors(top, bottom, WY);
}

TColor32 BilinearInterpolator_MMX(uint32_t WX, uint32_t WY, const TColor32* Row1, const TColor32* Row2)
{
    WX = std::min<uint32_t>(WX, 255);
    WY = std::min<uint32_t>(WY, 255);
    const TColor32 top = blend_mmx::CombineColors(Row1[0], Row1[1], WX);
    const TColor32 bottom = blend_mmx::CombineColors(Row2[0], Row2[1], WX);
    return blend_mmx::CombineColors(top, bottom, WY);
}

// ---- Colours ------------------------------------------------------------------------------

TColor32 ColorToColor32(TColor WinColor)
{
    if (WinColor < 0)
        WinColor = GetSysColor(WinColor & 0xFF);
    const uint32_t c = uint32_t(WinColor);
    return 0xFF000000u | (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
}

TColor32 SetColor32Alpha(TColor32 Color32, int32_t NewAlpha)
{
    NewAlpha = std::clamp(NewAlpha, 0, 255);
    return (Color32 & 0x00FFFFFF) | TColor32(NewAlpha) << 24;
}

// ---- Rectangles ---------------------------------------------------------------------------

TRect RectFromFloatRect(const TFloatRect& FR, TRectRounding Rounding)
{
    TRect r;
    switch (Rounding) {
    case rrClosest:
        r = {ToInt(std::nearbyint(double(FR.Left))), ToInt(std::nearbyint(double(FR.Top))),
             ToInt(std::nearbyint(double(FR.Right))), ToInt(std::nearbyint(double(FR.Bottom)))};
        break;
    case rrOutside:
        r = {ToInt(std::floor(FR.Left)), ToInt(std::floor(FR.Top)), ToInt(std::ceil(FR.Right)),
             ToInt(std::ceil(FR.Bottom))};
        break;
    case rrInside:
        r = {ToInt(std::ceil(FR.Left)), ToInt(std::ceil(FR.Top)), ToInt(std::floor(FR.Right)),
             ToInt(std::floor(FR.Bottom))};
        r.Right = std::max(r.Right, r.Left);
        r.Bottom = std::max(r.Bottom, r.Top);
        break;
    }
    return r;
}

TRect RectFromFixedRect(const TRect& FXR, TRectRounding Rounding)
{
    auto down = [](int32_t v) { return int32_t(v >> 16); };
    auto up = [](int32_t v) { return int32_t((int64_t(v) + 0xFFFF) >> 16); };
    auto nearest = [](int32_t v) { return int32_t((int64_t(v) + 0x7FFF) >> 16); };
    TRect r;
    switch (Rounding) {
    case rrClosest:
        r = {nearest(FXR.Left), nearest(FXR.Top), nearest(FXR.Right), nearest(FXR.Bottom)};
        break;
    case rrOutside:
        r = {down(FXR.Left), down(FXR.Top), up(FXR.Right), up(FXR.Bottom)};
        break;
    case rrInside:
        r = {up(FXR.Left), up(FXR.Top), down(FXR.Right), down(FXR.Bottom)};
        r.Right = std::max(r.Right, r.Left);
        r.Bottom = std::max(r.Bottom, r.Top);
        break;
    }
    return r;
}

TRect FixedRectFromRect(const TRect& R)
{
    auto fx = [](int32_t v) { return int32_t(uint32_t(v) << 16); };
    return {fx(R.Left), fx(R.Top), fx(R.Right), fx(R.Bottom)};
}

TFloatRect FloatRectFromRect(const TRect& R)
{
    return {float(R.Left), float(R.Top), float(R.Right), float(R.Bottom)};
}

bool IntersectRects(TRect& Dst, const TRect& R1, const TRect& R2)
{
    TRect r{std::max(R1.Left, R2.Left), std::max(R1.Top, R2.Top), std::min(R1.Right, R2.Right),
            std::min(R1.Bottom, R2.Bottom)};
    const bool result = r.Right >= r.Left && r.Bottom >= r.Top;
    Dst = result ? r : TRect{};
    return result;
}

bool EqualRects(const TRect& R1, const TRect& R2)
{
    return std::memcmp(&R1, &R2, sizeof(TRect)) == 0;
}

void OffsetRectBy(TRect& R, int32_t Dx, int32_t Dy)
{
    R.Left += Dx;
    R.Right += Dx;
    R.Top += Dy;
    R.Bottom += Dy;
}

bool IsRectEmpty32(const TRect& R)
{
    return R.Right <= R.Left || R.Bottom <= R.Top;
}

bool PointInRect(const TRect& R, const TPoint& P)
{
    return P.X >= R.Left && P.X < R.Right && P.Y >= R.Top && P.Y < R.Bottom;
}

// ---- TCustomSampler -----------------------------------------------------------------------

TColor32 TCustomSampler::GetSampleInt(int32_t X, int32_t Y)
{
    return GetSampleFixed(TFixed(uint32_t(X) << 16), TFixed(uint32_t(Y) << 16));
}

TColor32 TCustomSampler::GetSampleFixed(TFixed X, TFixed Y)
{
    return GetSampleFloat(float(X) * FixedToFloat, float(Y) * FixedToFloat);
}

TColor32 TCustomSampler::GetSampleFloat(float X, float Y)
{
    return GetSampleFixed(FixedFromFloat(X), FixedFromFloat(Y));
}

TRect TCustomSampler::GetSampleBounds() const
{
    return {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
}

// ---- TBitmap32: life and storage ----------------------------------------------------------

TBitmap32::TBitmap32()
{
    FFont = std::make_unique<TFont>();
    FFont->OnChange = [this](TObject*) { DropSelectedFont(); };
    FFont->OwnerLock = &Lock;
    FSelectedQFont = StockFont();
    new TNearestResampler(this); // installs itself
}

TBitmap32::~TBitmap32()
{
    IncUpdateCount();
    LockBitmap();
    FCanvas.reset();
    try {
        SetSize(0, 0);
    } catch (...) {
        // An OnResize handler that fails must not keep the bitmap alive.
    }
    FFont.reset();
    delete FResampler;
    FResampler = nullptr;
    UnlockBitmap();
}

bool TBitmap32::IsEmpty() const
{
    return !FPixelData || Width == 0 || Height == 0;
}

void TBitmap32::FreeStorage()
{
    FDC.reset();
    std::free(FPixelData);
    FPixelData = nullptr;
}

void TBitmap32::ChangeSize(int32_t& AWidth, int32_t& AHeight, int32_t NewWidth, int32_t NewHeight)
{
    DropSelectedFont();
    if (FCanvas) {
        FCanvas->SetHandle(nullptr);
        FCanvas.reset();
    }
    FreeStorage();
    AWidth = 0;
    AHeight = 0;
    // A failed size change leaves the bitmap 0 x 0 with no pixels. Its clip rectangle must
    // shrink with it: the clipped operations write inside the clip rectangle without
    // looking at the size, and an old one would send them through the missing pixels.
    auto fail = [this](const char* message) {
        FreeStorage();
        ResetClipRect();
        throw EOutOfResources(message);
    };
    if (NewWidth >= 1 && NewHeight >= 1) {
        // Sized in 64 bits first: a product that overflows 32 bits must fail, not wrap.
        const uint64_t bytes = uint64_t(NewWidth) * uint64_t(NewHeight) * 4u;
        void* memory = bytes <= uint64_t(MaxBitmapBytes) ? std::malloc(size_t(bytes)) : nullptr;
        if (!memory)
            fail("Can't allocate the DIB handle");
        FPixelData = static_cast<TColor32*>(memory);
        FDC = std::make_unique<QImage>(static_cast<uchar*>(memory), NewWidth, NewHeight,
                                       qsizetype(NewWidth) * 4, QImage::Format_ARGB32);
        if (FDC->isNull())
            fail("Can't create compatible DC");
        FDC->setDotsPerMeterX(DotsPerMeterAt96Dpi);
        FDC->setDotsPerMeterY(DotsPerMeterAt96Dpi);
    }
    AWidth = NewWidth;
    AHeight = NewHeight;
    ResetClipRect();
    HandleChanged();
}

void TBitmap32::HandleChanged()
{
    if (FCanvas)
        FCanvas->SetHandle(FDC.get());
    if (OnHandleChanged)
        OnHandleChanged(this);
}

// ---- Change notification ------------------------------------------------------------------

void TBitmap32::NotifyChanged()
{
    NotifyAreaChanged(BoundsRect(), AREAINFO_RECT);
}

void TBitmap32::NotifyAreaChanged(const TRect& Area, uint32_t Info)
{
    if (UpdateCount > 0 && !FMeasuring)
        return;
    if (OnAreaChanged)
        OnAreaChanged(this, Area, Info);
    if (!FMeasuring)
        TCustomMap::NotifyChanged();
}

void TBitmap32::StartMeasuring(const TAreaChangedEvent& Callback)
{
    // A second start only changes the callback; the parked handler stays the user's own.
    if (!FMeasuring)
        FSavedAreaChanged = OnAreaChanged;
    OnAreaChanged = Callback;
    FMeasuring = true;
}

void TBitmap32::StopMeasuring()
{
    if (!FMeasuring)
        return;
    OnAreaChanged = FSavedAreaChanged;
    FSavedAreaChanged = nullptr;
    FMeasuring = false;
}

// ---- Clip rectangle and properties --------------------------------------------------------

void TBitmap32::SetClipRect(const TRect& Value)
{
    IntersectRects(FClipRect, Value, BoundsRect());
    FClipRectFixed16 = FixedRectFromRect(FClipRect);
    auto fx8 = [](int32_t v) { return int32_t(uint32_t(v) << 8); };
    FClipRectFixed8 = {fx8(FClipRect.Left), fx8(FClipRect.Top), fx8(FClipRect.Right), fx8(FClipRect.Bottom)};
    FClipping = !EqualRects(FClipRect, BoundsRect());
}

void TBitmap32::SetDrawMode(TDrawMode Value)
{
    if (FDrawMode != Value) {
        FDrawMode = Value;
        NotifyChanged();
    }
}

void TBitmap32::SetCombineMode(TCombineMode Value)
{
    if (FCombineMode != Value) {
        FCombineMode = Value;
        NotifyChanged();
    }
}

void TBitmap32::SetWrapMode(TWrapMode Value)
{
    if (FWrapMode != Value) {
        FWrapMode = Value;
        NotifyChanged();
    }
}

void TBitmap32::SetMasterAlpha(uint32_t Value)
{
    if (FMasterAlpha != Value) {
        FMasterAlpha = Value;
        NotifyChanged();
    }
}

void TBitmap32::SetResampler(TCustomResampler* Value)
{
    if (!Value || Value == FResampler)
        return;
    delete FResampler;
    FResampler = Value;
    NotifyChanged();
}

AnsiString TBitmap32::ResamplerClassName() const
{
    return FResampler ? FResampler->ClassName() : AnsiString();
}

void TBitmap32::SetResamplerClassName(const AnsiString& Value)
{
    if (Value.empty() || Value == ResamplerClassName())
        return;
    if (const TResamplerClass* cls = FindResamplerClass(Value))
        cls->Create(this); // installs itself through SetResampler
}

// ---- Whole-bitmap operations --------------------------------------------------------------

void TBitmap32::ClearTo(TColor32 Color)
{
    if (IsEmpty())
        return;
    if (!FMeasuring) {
        if (!FClipping) {
            FillLongword(FPixelData, Width * Height, Color);
        } else {
            const int32_t w = FClipRect.Right - FClipRect.Left;
            for (int32_t y = FClipRect.Top; y < FClipRect.Bottom; ++y)
                FillLongword(PixelAddress(FClipRect.Left, y), w, Color);
            NotifyAreaChanged(FClipRect, AREAINFO_RECT);
        }
    }
    NotifyChanged();
}

void TBitmap32::SetAllAlpha(TColor32 Alpha)
{
    if (!FMeasuring && !IsEmpty()) {
        const TColor32 a = (Alpha & 0xFF) << 24;
        TColor32* p = FPixelData;
        for (int64_t i = int64_t(Width) * Height; i > 0; --i, ++p)
            *p = (*p & 0x00FFFFFF) | a;
    }
    NotifyChanged();
}

void TBitmap32::CopyPixelsTo(TBitmap32& Target) const
{
    Target.SetSize(Width, Height);
    if (!Target.IsEmpty() && !IsEmpty())
        MoveLongword(FPixelData, Target.FPixelData, Width * Height);
}

void TBitmap32::CopyPropertiesTo(TBitmap32& Target) const
{
    Target.SetDrawMode(FDrawMode);
    Target.SetCombineMode(FCombineMode);
    Target.SetWrapMode(FWrapMode);
    Target.SetMasterAlpha(FMasterAlpha);
    Target.FOuterColor = FOuterColor;
    Target.SetResamplerClassName(ResamplerClassName());
    if (FResampler && Target.FResampler && FResampler != Target.FResampler)
        Target.FResampler->Assign(FResampler);
    if (&Target != this)
        Target.Font().Assign(FFont.get());
}

// ---- Pixel accessors ----------------------------------------------------------------------

TColor32 TBitmap32::PixelAtChecked(int32_t X, int32_t Y) const
{
    return PointInRect(FClipRect, {X, Y}) ? *PixelAddress(X, Y) : FOuterColor;
}

void TBitmap32::SetPixelChecked(int32_t X, int32_t Y, TColor32 Value)
{
    if (PointInRect(FClipRect, {X, Y}))
        *PixelAddress(X, Y) = Value;
}

void TBitmap32::SetPixelBlendedChecked(int32_t X, int32_t Y, TColor32 Value)
{
    if (PointInRect(FClipRect, {X, Y})) {
        BlendColorIntoByMode[FCombineMode](Value, *PixelAddress(X, Y));
        ClearMMXState();
    }
}

TColor32 TBitmap32::SampleBilinear256(int32_t X, int32_t Y) const
{
    const TColor32* row1 = PixelAddress(X >> 8, Y >> 8);
    return BilinearInterpolator(GammaTable[255 - (X & 255)], GammaTable[255 - (Y & 255)], row1, row1 + Width);
}

TColor32 TBitmap32::SampleBilinear256Checked(int32_t X, int32_t Y) const
{
    if (X < 0 || Y < 0)
        return FOuterColor;
    const int64_t w8 = (int64_t(Width) - 1) * 256;
    const int64_t h8 = (int64_t(Height) - 1) * 256;
    if (X < w8 && Y < h8)
        return SampleBilinear256(X, Y);
    if (X == w8 && Y <= h8)
        return *PixelAddress(Width - 1, Y >> 8);
    if (X <= w8 && Y == h8)
        return *PixelAddress(X >> 8, Height - 1);
    return FOuterColor;
}

namespace {
inline int32_t Fixed16To8(TFixed v)
{
    return int32_t((int64_t(v) + 127) >> 8);
}
} // namespace

TColor32 TBitmap32::SampleFixed(TFixed X, TFixed Y) const
{
    const TColor32 c = SampleBilinear256(Fixed16To8(X), Fixed16To8(Y));
    ClearMMXState();
    return c;
}

TColor32 TBitmap32::SampleFixedChecked(TFixed X, TFixed Y) const
{
    const TColor32 c = SampleBilinear256Checked(Fixed16To8(X), Fixed16To8(Y));
    ClearMMXState();
    return c;
}

TColor32 TBitmap32::PixelWrapped(int32_t X, int32_t Y) const
{
    // With nothing inside the clip rectangle there is no pixel to fold onto.
    if (IsRectEmpty32(FClipRect))
        return FOuterColor;
    const TWrapProc wrap = WrapProcByMode[FWrapMode];
    X = wrap(X, FClipRect.Left, FClipRect.Right - 1);
    Y = wrap(Y, FClipRect.Top, FClipRect.Bottom - 1);
    return *PixelAddress(X, Y);
}

TColor32 TBitmap32::SampleFixedWrapped(TFixed X, TFixed Y) const
{
    if (IsRectEmpty32(FClipRect))
        return FOuterColor;
    const TWrapProc wrap = WrapProcByMode[FWrapMode];
    const int32_t ix = X >> 16, iy = Y >> 16;
    const int32_t x1 = wrap(ix, FClipRect.Left, FClipRect.Right - 1);
    const int32_t x2 =
        wrap(int32_t(int64_t(ix) + 1 > INT32_MAX ? ix : ix + 1), FClipRect.Left, FClipRect.Right - 1);
    const int32_t y1 = wrap(iy, FClipRect.Top, FClipRect.Bottom - 1);
    const int32_t y2 =
        wrap(int32_t(int64_t(iy) + 1 > INT32_MAX ? iy : iy + 1), FClipRect.Top, FClipRect.Bottom - 1);
    const TColor32 wx = (uint32_t(X) >> 8) & 0xFF;
    const TColor32 wy = (uint32_t(Y) >> 8) & 0xFF;
    // The fraction weights the right-hand and the lower pixels.
    const TColor32 top = CombineColors(*PixelAddress(x2, y1), *PixelAddress(x1, y1), wx);
    const TColor32 bottom = CombineColors(*PixelAddress(x2, y2), *PixelAddress(x1, y2), wx);
    const TColor32 c = CombineColors(bottom, top, wy);
    ClearMMXState();
    return c;
}

// ---- Font, canvas and text ----------------------------------------------------------------

void TBitmap32::SetFont(const TFont& Value)
{
    FFont->Assign(&Value);
    DropSelectedFont();
}

TCanvas& TBitmap32::Canvas()
{
    if (!FCanvas) {
        FCanvas = std::make_unique<TCanvas>();
        FCanvas->SetHandle(FDC.get());
        FCanvas->OnChange = [this](TObject*) { NotifyChanged(); };
    }
    return *FCanvas;
}

void TBitmap32::SelectFontIntoDC()
{
    if (FSelectedFont == 0 && FDC) {
        FSelectedQFont = FFont->ToQFont();
        FSelectedFont = 1;
    }
    FTextColor = ColorToRGB(FFont->Color());
}

void TBitmap32::DropSelectedFont()
{
    if (FSelectedFont != 0 && FDC)
        FSelectedQFont = StockFont();
    FSelectedFont = 0;
}

TSize TBitmap32::MeasureText(const AnsiString& Text)
{
    SelectFontIntoDC();
    if (FDC)
        return MeasureTextExtent(FSelectedQFont, Text, FDC.get());
    std::lock_guard<std::mutex> guard(StockBitmapLock());
    return MeasureTextExtent(FFont->ToQFont(), Text, &StockBitmap());
}

void TBitmap32::PaintToDC(QPainter& Painter, int32_t X, int32_t Y) const
{
    if (IsEmpty())
        return;
    Painter.save();
    Painter.setCompositionMode(QPainter::CompositionMode_Source);
    Painter.drawImage(X, Y, *FDC);
    Painter.restore();
}

// ---- Assignment ---------------------------------------------------------------------------

void TBitmap32::AssignFromSource(const TPersistent* Source)
{
    TUpdateBracket bracket(*this);
    if (!Source) {
        SetSize(0, 0);
    } else if (const auto* src = dynamic_cast<const TBitmap32*>(Source)) {
        src->CopyPixelsTo(*this);
        src->CopyPropertiesTo(*this);
    } else {
        TCustomMap::Assign(Source);
    }
}

void TBitmap32::CopyFromImage(const QImage& Source, bool Transparent, TColor TransparentColor)
{
    SetSize(Source.width(), Source.height());
    if (IsEmpty())
        return;
    const QImage img =
        Source.format() == QImage::Format_ARGB32 ? Source : Source.convertToFormat(QImage::Format_ARGB32);
    for (int32_t y = 0; y < Height; ++y)
        std::memcpy(RowAddress(y), img.constScanLine(y), size_t(Width) * 4);
    if (Source.depth() != 32)
        SetAllAlpha(255);
    if (Transparent) {
        const TColor32 t = ColorToColor32(TransparentColor) & 0x00FFFFFF;
        TColor32* p = FPixelData;
        for (int64_t i = int64_t(Width) * Height; i > 0; --i, ++p)
            if ((*p & 0x00FFFFFF) == t)
                *p &= 0x00FFFFFF;
    }
}

void TBitmap32::AssignFromSource(const QImage& Source, bool Transparent, TColor TransparentColor)
{
    TUpdateBracket bracket(*this);
    CopyFromImage(Source, Transparent, TransparentColor);
}

void TBitmap32::AssignFromSource(const QPixmap& Source, bool Transparent, TColor TransparentColor)
{
    TUpdateBracket bracket(*this);
    CopyFromImage(Source.toImage(), Transparent, TransparentColor);
}

namespace {

// Draws a picture into a sized, non-empty bitmap twice, on white and on blue: where the two
// renderings agree the picture covered the background and the pixel is opaque; elsewhere the
// background showed through and the pixel keeps its colour with alpha 0.
template <class Draw> void RenderOnTwoBackgrounds(TBitmap32& Bitmap, Draw draw)
{
    const QRect area(0, 0, Bitmap.Width, Bitmap.Height);
    Bitmap.ClearTo(0xFFFFFFFF);
    {
        QPainter p(Bitmap.DC());
        draw(p, area);
    }
    TBitmap32 probe;
    probe.SetSize(Bitmap.Width, Bitmap.Height);
    probe.ClearTo(0xFFFF0000);
    {
        QPainter p(probe.DC());
        draw(p, area);
    }
    const TColor32* q = probe.PixelData();
    TColor32* p = Bitmap.PixelData();
    for (int64_t i = int64_t(Bitmap.Width) * Bitmap.Height; i > 0; --i, ++p, ++q) {
        const TColor32 c = *p & 0x00FFFFFF;
        *p = (*q & 0x00FFFFFF) == c ? c | 0xFF000000 : c;
    }
}

} // namespace

void TBitmap32::AssignFromSource(const QIcon& Source, int32_t AWidth, int32_t AHeight)
{
    TUpdateBracket bracket(*this);
    SetSize(AWidth, AHeight);
    if (IsEmpty())
        return;
    const QPixmap pm = Source.pixmap(QSize(Width, Height));
    RenderOnTwoBackgrounds(*this, [&](QPainter& p, const QRect& r) { p.drawPixmap(r, pm); });
}

void TBitmap32::AssignFromSource(const TMetafile& Source)
{
    TUpdateBracket bracket(*this);
    SetSize(Source.Width(), Source.Height());
    if (IsEmpty())
        return;
    RenderOnTwoBackgrounds(*this, [&](QPainter& p, const QRect& r) { Source.Play(p, QRectF(r)); });
}

void TBitmap32::AssignToTarget(TMetafile& Target) const
{
    Target.Clear();
    Target.SetWidth(Width);
    Target.SetHeight(Height);
    TMetafileCanvas canvas(Target);
    if (!IsEmpty())
        canvas.Draw(0, 0, *FDC);
    canvas.Close();
}

void TBitmap32::AssignFromClipboard()
{
    TUpdateBracket bracket(*this);
    const QImage img = QGuiApplication::clipboard()->image();
    SetSize(img.width(), img.height());
    if (IsEmpty())
        return;
    {
        QPainter p(FDC.get());
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(0, 0, img);
    }
    SetAllAlpha(255);
}

void TBitmap32::AssignToTarget(QImage& Target) const
{
    if (IsEmpty()) {
        Target = QImage();
        return;
    }
    Target = FDC->copy();
    Target.setDotsPerMeterX(DotsPerMeterAt96Dpi);
    Target.setDotsPerMeterY(DotsPerMeterAt96Dpi);
}

void TBitmap32::AssignToTarget(QPixmap& Target) const
{
    QImage img;
    AssignToTarget(img);
    Target = img.isNull() ? QPixmap() : QPixmap::fromImage(img);
}

void TBitmap32::AssignToClipboard() const
{
    QImage img;
    AssignToTarget(img);
    QGuiApplication::clipboard()->setImage(img);
}

// ---- "Data" -------------------------------------------------------------------------------

namespace {

void ReadExact(QIODevice& s, void* buf, int64_t n)
{
    char* p = static_cast<char*>(buf);
    while (n > 0) {
        const qint64 got = s.read(p, n);
        if (got <= 0)
            throw EInOutError("Stream read error");
        p += got;
        n -= got;
    }
}

void WriteExact(QIODevice& s, const void* buf, int64_t n)
{
    const char* p = static_cast<const char*>(buf);
    while (n > 0) {
        const qint64 put = s.write(p, n);
        if (put <= 0)
            throw EInOutError("Stream write error");
        p += put;
        n -= put;
    }
}

} // namespace

void TBitmap32::DefineStoredData(TFiler& Filer)
{
    bool hasData;
    if (Filer.Ancestor) {
        const auto* ancestor = dynamic_cast<const TBitmap32*>(Filer.Ancestor);
        hasData = !(ancestor && Equals(ancestor));
    } else {
        hasData = !IsEmpty();
    }
    Filer.DefineBinaryProperty(
        "Data", [this](QIODevice& s) { ReadData(s); }, [this](QIODevice& s) { WriteData(s); }, hasData);
}

void TBitmap32::ReadData(QIODevice& Stream)
{
    uchar header[8];
    ReadExact(Stream, header, 4);
    ReadExact(Stream, header + 4, 4);
    SetSize(qFromLittleEndian<qint32>(header), qFromLittleEndian<qint32>(header + 4));
    if (!IsEmpty())
        ReadExact(Stream, FPixelData, int64_t(Width) * Height * 4);
    NotifyChanged();
}

void TBitmap32::WriteData(QIODevice& Stream) const
{
    uchar header[8];
    qToLittleEndian<qint32>(Width, header);
    qToLittleEndian<qint32>(Height, header + 4);
    WriteExact(Stream, header, 8);
    if (!IsEmpty())
        WriteExact(Stream, FPixelData, int64_t(Width) * Height * 4);
}

bool TBitmap32::Equals(const TBitmap32* Other) const
{
    if (!Other)
        return IsEmpty();
    if (IsEmpty() || Other->IsEmpty())
        return IsEmpty() && Other->IsEmpty();
    return &ClassType() == &Other->ClassType() && Width == Other->Width && Height == Other->Height &&
           std::memcmp(FPixelData, Other->FPixelData, size_t(Width) * size_t(Height) * 4) == 0;
}

// ---- Published properties -----------------------------------------------------------------

const TPropList& TBitmap32::PublishedProperties() const
{
    static const TPropList props = [] {
        auto self = [](const TObject& o) -> const TBitmap32& { return static_cast<const TBitmap32&>(o); };
        auto me = [](TObject& o) -> TBitmap32& { return static_cast<TBitmap32&>(o); };
        auto asInt = [](const TPropValue& v) {
            return std::holds_alternative<int64_t>(v) ? std::get<int64_t>(v) : 0;
        };
        TPropList l;
        l.push_back({"DrawMode", tkEnumeration,
                     [=](const TObject& o) { return TPropValue(int64_t(self(o).DrawMode())); },
                     [=](TObject& o, const TPropValue& v) {
                         me(o).SetDrawMode(TDrawMode(std::clamp<int64_t>(asInt(v), 0, 3)));
                     },
                     nullptr});
        l.push_back({"CombineMode", tkEnumeration,
                     [=](const TObject& o) { return TPropValue(int64_t(self(o).CombineMode())); },
                     [=](TObject& o, const TPropValue& v) {
                         me(o).SetCombineMode(TCombineMode(std::clamp<int64_t>(asInt(v), 0, 1)));
                     },
                     nullptr});
        l.push_back({"WrapMode", tkEnumeration,
                     [=](const TObject& o) { return TPropValue(int64_t(self(o).WrapMode())); },
                     [=](TObject& o, const TPropValue& v) {
                         me(o).SetWrapMode(TWrapMode(std::clamp<int64_t>(asInt(v), 0, 2)));
                     },
                     nullptr});
        l.push_back({"MasterAlpha", tkInteger,
                     [=](const TObject& o) { return TPropValue(int64_t(self(o).MasterAlpha())); },
                     [=](TObject& o, const TPropValue& v) { me(o).SetMasterAlpha(uint32_t(asInt(v))); },
                     nullptr});
        l.push_back({"OuterColor", tkInteger,
                     [=](const TObject& o) { return TPropValue(int64_t(self(o).OuterColor())); },
                     [=](TObject& o, const TPropValue& v) { me(o).SetOuterColor(TColor32(asInt(v))); },
                     nullptr});
        l.push_back({"ResamplerClassName", tkLString,
                     [=](const TObject& o) { return TPropValue(self(o).ResamplerClassName()); },
                     [=](TObject& o, const TPropValue& v) {
                         if (std::holds_alternative<std::string>(v))
                             me(o).SetResamplerClassName(std::get<std::string>(v));
                     },
                     nullptr});
        l.push_back({"Resampler", tkClass, nullptr, nullptr,
                     [=](const TObject& o) -> TPersistent* { return self(o).Resampler(); }});
        for (const char* ev : {"OnChange", "OnHandleChanged", "OnPixelCombine", "OnAreaChanged", "OnResize"})
            l.push_back({ev, tkMethod, nullptr, nullptr, nullptr});
        return l;
    }();
    return props;
}

} // namespace qm
