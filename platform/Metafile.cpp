#include "platform/Metafile.h"

#include <QFile>
#include <QIODevice>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "platform/AtomicFile.h"
#include "platform/MetafilePlayer.h"

namespace qm {

using namespace emf;

namespace {

// The reference device recorded in our headers: a 96 pixel-per-inch screen whose sizes in
// pixels and in millimetres give that resolution exactly.
constexpr int32_t RefDevicePixelsX = 1920, RefDevicePixelsY = 1440;
constexpr int32_t RefDeviceMillimetresX = 508, RefDeviceMillimetresY = 381;

// Larger metafiles are taken as damaged rather than allocated.
constexpr uint32_t MaxMetafileBytes = 0x7FFFFFFF;

[[noreturn]] void Invalid(const std::string& why)
{
    throw EInvalidGraphic("Metafile is not valid: " + why + ".");
}

int32_t RoundToInt(double v)
{
    return int32_t(std::clamp(std::floor(v + 0.5), double(INT32_MIN), double(INT32_MAX)));
}

// Reference-device pixels per 0.01 mm of a header.
double PixelsPerHundredthX(const uint8_t* h)
{
    return double(I32(h, 72)) / (double(I32(h, 80)) * 100.0);
}
double PixelsPerHundredthY(const uint8_t* h)
{
    return double(I32(h, 76)) / (double(I32(h, 84)) * 100.0);
}

void WriteHeader(std::vector<uint8_t>& out, const TRect& bounds, const TRect& frame, uint32_t bytes,
                 uint32_t records, uint32_t handles)
{
    TRecordWriter w(out);
    w.Begin(EMR_HEADER);
    w.Rect(bounds);
    w.Rect(frame);
    w.U32(ENHMETA_SIGNATURE);
    w.U32(ENHMETA_VERSION);
    w.U32(bytes);
    w.U32(records);
    w.U16(uint16_t(std::min<uint32_t>(handles, 0xFFFF)));
    w.U16(0);
    w.U32(0); // no description
    w.U32(0);
    w.U32(0); // no palette
    w.I32(RefDevicePixelsX);
    w.I32(RefDevicePixelsY);
    w.I32(RefDeviceMillimetresX);
    w.I32(RefDeviceMillimetresY);
    w.U32(0); // no pixel format
    w.U32(0);
    w.U32(0); // no OpenGL records
    w.U32(RefDeviceMillimetresX * 1000);
    w.U32(RefDeviceMillimetresY * 1000);
    w.Finish();
}

void WriteEof(std::vector<uint8_t>& out)
{
    TRecordWriter w(out);
    w.Begin(EMR_EOF);
    w.U32(0);  // palette entries
    w.U32(16); // their offset
    w.U32(EofSize);
    w.Finish();
}

// The frame of a picture of Width x Height reference pixels, in 0.01 mm.
TRect FrameFor(int32_t width, int32_t height)
{
    return {0, 0, RoundToInt(width * 2540.0 / ReferencePixelsPerInch),
            RoundToInt(height * 2540.0 / ReferencePixelsPerInch)};
}

// Walks and checks a metafile's bytes: header, every record's size and structure, the end
// of file exactly at the end. Raises EInvalidGraphic.
void Validate(const uint8_t* p, size_t size)
{
    if (size < MinHeaderSize + EofSize)
        Invalid("it is too short");
    if (U32(p, 0) != EMR_HEADER)
        Invalid("it does not start with a header record");
    const uint32_t headerSize = U32(p, 4);
    if (headerSize < MinHeaderSize || headerSize % 4 || headerSize > size)
        Invalid("its header has a wrong size");
    if (U32(p, 40) != ENHMETA_SIGNATURE)
        Invalid("its header lacks the signature");
    const uint32_t bytes = U32(p, 48), records = U32(p, 52);
    if (bytes != size)
        Invalid(bytes > size ? "it ends before its last record" : "its size does not match its header");
    if (I32(p, 72) <= 0 || I32(p, 76) <= 0 || I32(p, 80) <= 0 || I32(p, 84) <= 0)
        Invalid("its header gives no reference device");
    if (const uint32_t n = U32(p, 60); n && (uint64_t(U32(p, 64)) + 2ull * n > headerSize || U32(p, 64) < 88))
        Invalid("its description runs past the header");
    size_t pos = 0;
    uint32_t count = 0;
    bool eof = false;
    while (pos < size) {
        if (eof)
            Invalid("records follow the end-of-file record");
        if (size - pos < 8)
            Invalid("a record is cut short");
        const uint32_t type = U32(p, pos), recSize = U32(p, pos + 4);
        if (recSize < 8 || recSize % 4 || recSize > size - pos)
            Invalid(Format("record %u has a wrong size", count + 1));
        if (type == EMR_HEADER && pos != 0)
            Invalid("it holds a second header");
        if (const std::string why = CheckRecord(p + pos, recSize); !why.empty())
            Invalid(Format("record %u: ", count + 1) + why);
        eof = type == EMR_EOF;
        pos += recSize;
        ++count;
    }
    if (!eof)
        Invalid("it has no end-of-file record");
    if (count != records)
        Invalid("its record count does not match its header");
}

} // namespace

bool DecodeTextRecord(const TEmfRecord& Record, TEmfText& Text)
{
    if (Record.Type != EMR_EXTTEXTOUTW || Record.Size < ExtTextOutFixedSize)
        return false;
    const uint8_t* p = Record.Data;
    Text.X = I32(p, 36);
    Text.Y = I32(p, 40);
    const uint32_t n = U32(p, 44), offString = U32(p, 48), offDx = U32(p, 72);
    Text.Options = U32(p, 52);
    Text.Rect = RectAt(p, 56);
    Text.Text.clear();
    Text.Dx.clear();
    if (uint64_t(offString) + 2ull * n > Record.Size)
        return false;
    for (uint32_t i = 0; i < n; ++i) {
        const int b = UnicodeToCp1252(U16(p, offString + 2 * size_t(i)));
        Text.Text.push_back(b < 0 ? '?' : char(b));
    }
    if (offDx && uint64_t(offDx) + 4ull * n <= Record.Size)
        for (uint32_t i = 0; i < n; ++i)
            Text.Dx.push_back(I32(p, offDx + 4 * size_t(i)));
    return true;
}

// ---- TMetafile ------------------------------------------------------------------------------

void TMetafile::Changed()
{
    if (OnChange)
        OnChange(this);
}

void TMetafile::SetWidth(int32_t Value)
{
    if (Value == width_)
        return;
    width_ = Value;
    PatchFrame();
    Changed();
}

void TMetafile::SetHeight(int32_t Value)
{
    if (Value == height_)
        return;
    height_ = Value;
    PatchFrame();
    Changed();
}

void TMetafile::PatchFrame()
{
    if (data_.empty())
        return;
    // The frame keeps its corner and takes the new size in the header's own units.
    uint8_t* h = data_.data();
    const TRect frame = RectAt(h, 24);
    const int32_t right = frame.Left + RoundToInt(width_ / PixelsPerHundredthX(h));
    const int32_t bottom = frame.Top + RoundToInt(height_ / PixelsPerHundredthY(h));
    for (int i = 0; i < 4; ++i) {
        h[32 + i] = uint8_t(uint32_t(right) >> (8 * i));
        h[36 + i] = uint8_t(uint32_t(bottom) >> (8 * i));
    }
}

int32_t TMetafile::MMWidth() const
{
    const TRect f = Frame();
    return f.Right - f.Left;
}

int32_t TMetafile::MMHeight() const
{
    const TRect f = Frame();
    return f.Bottom - f.Top;
}

void TMetafile::Clear()
{
    data_.clear();
    data_.shrink_to_fit();
    width_ = height_ = 0;
    Changed();
}

void TMetafile::Assign(const TMetafile& Source)
{
    if (&Source == this)
        return;
    data_ = Source.data_;
    width_ = Source.width_;
    height_ = Source.height_;
    Changed();
}

void TMetafile::SetContent(std::vector<uint8_t>&& Data)
{
    data_ = std::move(Data);
    Changed();
}

std::vector<uint8_t> TMetafile::SaveToData() const
{
    if (!data_.empty())
        return data_;
    std::vector<uint8_t> out;
    WriteHeader(out, {0, 0, -1, -1}, FrameFor(width_, height_), HeaderSize + EofSize, 2, 1);
    WriteEof(out);
    return out;
}

void TMetafile::SaveToStream(QIODevice& Stream) const
{
    const std::vector<uint8_t> bytes = SaveToData();
    if (Stream.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) !=
        qint64(bytes.size()))
        throw EInOutError("Cannot write the metafile: " + Stream.errorString().toStdString() + ".");
}

void TMetafile::SaveToFile(const std::string& FileName) const
{
    const std::vector<uint8_t> bytes = SaveToData();
    WriteFileAtomically(FileName,
                        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void TMetafile::LoadFromData(const uint8_t* Data, size_t Size)
{
    Validate(Data, Size);
    std::vector<uint8_t> bytes(Data, Data + Size);
    const TRect frame = RectAt(Data, 24);
    data_ = std::move(bytes);
    width_ = RoundToInt((double(frame.Right) - frame.Left) * PixelsPerHundredthX(data_.data()));
    height_ = RoundToInt((double(frame.Bottom) - frame.Top) * PixelsPerHundredthY(data_.data()));
    Changed();
}

void TMetafile::LoadFromStream(QIODevice& Stream)
{
    std::vector<uint8_t> bytes(56);
    auto readInto = [&](uint8_t* into, qint64 n) {
        const qint64 got = Stream.read(reinterpret_cast<char*>(into), n);
        if (got < 0)
            throw EInOutError("Cannot read the metafile: " + Stream.errorString().toStdString() + ".");
        if (got != n)
            Invalid("it ends before its last record");
    };
    readInto(bytes.data(), 56);
    if (U32(bytes.data(), 0) != EMR_HEADER || U32(bytes.data(), 40) != ENHMETA_SIGNATURE)
        Invalid("it does not start with a metafile header");
    const uint32_t total = U32(bytes.data(), 48);
    if (total < MinHeaderSize + EofSize || total > MaxMetafileBytes)
        Invalid("its header gives an impossible size");
    // A stream that cannot hold the announced size is cut short: no need to allocate it.
    if (!Stream.isSequential() && Stream.size() - Stream.pos() < qint64(total) - 56)
        Invalid("it ends before its last record");
    bytes.resize(total);
    readInto(bytes.data() + 56, qint64(total) - 56);
    LoadFromData(bytes.data(), bytes.size());
}

void TMetafile::LoadFromFile(const std::string& FileName)
{
    QFile f(PathToQString(FileName));
    if (!f.open(QIODevice::ReadOnly))
        throw EInOutError(Format("Cannot open the file \"%s\": %s.", FromFileName(FileName).c_str(),
                                 FromQString(f.errorString()).c_str()));
    LoadFromStream(f);
}

TRect TMetafile::Bounds() const
{
    return data_.empty() ? TRect{0, 0, -1, -1} : RectAt(data_.data(), 8);
}

TRect TMetafile::Frame() const
{
    return data_.empty() ? FrameFor(width_, height_) : RectAt(data_.data(), 24);
}

uint32_t TMetafile::RecordCount() const
{
    return data_.empty() ? 0 : U32(data_.data(), 52);
}

uint32_t TMetafile::HandleCount() const
{
    return data_.empty() ? 1 : U16(data_.data(), 56);
}

bool TMetafile::EnumerateRecords(const std::function<bool(const TEmfRecord&)>& Callback) const
{
    size_t pos = 0;
    while (pos + 8 <= data_.size()) {
        TEmfRecord r{U32(data_.data(), pos), U32(data_.data(), pos + 4), data_.data() + pos};
        if (!Callback(r))
            return false;
        pos += r.Size;
    }
    return true;
}

void TMetafile::Play(QPainter& Painter, const QRectF& Dest) const
{
    if (data_.empty())
        return;
    const uint8_t* h = data_.data();
    const TRect frame = RectAt(h, 24);
    const double kx = PixelsPerHundredthX(h), ky = PixelsPerHundredthY(h);
    // In 64 bits: a damaged header's frame may span more than a 32-bit width.
    const int64_t left = RoundToInt(frame.Left * kx), top = RoundToInt(frame.Top * ky);
    const int64_t width = int64_t(RoundToInt(frame.Right * kx)) - left;
    const int64_t height = int64_t(RoundToInt(frame.Bottom * ky)) - top;
    if (width <= 0 || height <= 0 || Dest.isEmpty())
        return;
    QTransform base = QTransform::fromTranslate(-double(left), -double(top));
    base *= QTransform::fromScale(Dest.width() / double(width), Dest.height() / double(height));
    base *= QTransform::fromTranslate(Dest.left(), Dest.top());
    TMetafilePlayer player(Painter, base, kx * 2540.0, ky * 2540.0);
    for (size_t pos = 0; pos + 8 <= data_.size();) {
        const uint32_t size = U32(h, pos + 4);
        player.Play(h + pos, size);
        pos += size;
    }
}

// ---- TMetafileCanvas ------------------------------------------------------------------------

TMetafileCanvas::TMetafileCanvas(TMetafile& Metafile)
    : TDeviceCanvas(ReferencePixelsPerInch, ReferencePixelsPerInch), metafile_(Metafile)
{
    if (!Metafile.data_.empty()) {
        // The old picture comes first, in a saved state of its own, so that what it leaves
        // selected or mapped does not reach the new steps.
        const std::vector<uint8_t>& old = Metafile.data_;
        const uint32_t headerSize = U32(old.data(), 4);
        TRecordWriter w(records_);
        w.Begin(EMR_SAVEDC);
        w.Finish();
        records_.insert(records_.end(), old.begin() + headerSize, old.end() - EofSize);
        w.Begin(EMR_RESTOREDC);
        w.I32(-1);
        w.Finish();
        recordCount_ = Metafile.RecordCount(); // less header and end of file, plus the two above
        SetFirstHandle(Metafile.HandleCount());
        bounds_ = Metafile.Bounds();
    }
}

TMetafileCanvas::~TMetafileCanvas()
{
    try {
        Close();
    } catch (...) {
        // A recording that cannot be finished leaves the metafile as it was.
    }
}

void TMetafileCanvas::Recorded(size_t Start)
{
    if (closed_)
        records_.resize(Start); // drawing after Close is not recorded
    else
        ++recordCount_;
}

void TMetafileCanvas::AddBounds(const TRect& B)
{
    if (bounds_.Right < bounds_.Left || bounds_.Bottom < bounds_.Top) {
        bounds_ = B;
        return;
    }
    bounds_.Left = std::min(bounds_.Left, B.Left);
    bounds_.Top = std::min(bounds_.Top, B.Top);
    bounds_.Right = std::max(bounds_.Right, B.Right);
    bounds_.Bottom = std::max(bounds_.Bottom, B.Bottom);
}

void TMetafileCanvas::Close()
{
    if (closed_)
        return;
    ReleaseObjects();
    closed_ = true;
    const uint64_t total = uint64_t(HeaderSize) + records_.size() + EofSize;
    if (total > MaxMetafileBytes)
        throw EOutOfResources("The page is too large to be recorded.");
    std::vector<uint8_t> data;
    data.reserve(size_t(total));
    WriteHeader(data, bounds_, FrameFor(metafile_.width_, metafile_.height_), uint32_t(total),
                recordCount_ + 2, HandleCount());
    data.insert(data.end(), records_.begin(), records_.end());
    WriteEof(data);
    records_.clear();
    records_.shrink_to_fit();
    metafile_.SetContent(std::move(data));
}

} // namespace qm
