#pragma once
// The enhanced metafile: a recorded picture kept in its standard file form (header record,
// one record per drawing step, end-of-file record), made with a TMetafileCanvas, played back
// scaled onto any QPainter, saved to and loaded from streams and files, and read record by
// record.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/DeviceCanvas.h"
#include "platform/EmfFormat.h"
#include "platform/Exception.h"
#include "platform/GraphicsTypes.h"

class QIODevice;
class QPainter;
class QRectF;

namespace qm {

// A metafile that is damaged, truncated or not a metafile at all.
QM_DECLARE_EXCEPTION(EInvalidGraphic, Exception)

// One record as enumeration hands it out. Data holds Size bytes, type and size included.
struct TEmfRecord {
    uint32_t Type = 0;
    uint32_t Size = 0;
    const uint8_t* Data = nullptr;

    uint32_t U32(size_t Offset) const { return emf::U32(Data, Offset); }
    int32_t I32(size_t Offset) const { return emf::I32(Data, Offset); }
    TRect RectAt(size_t Offset) const { return emf::RectAt(Data, Offset); }
};

// What a text record (EMR_EXTTEXTOUTW) says: reference point, options, clip or opaque
// rectangle, and the text in Windows-1252 ("?" for characters outside it).
struct TEmfText {
    int32_t X = 0;
    int32_t Y = 0;
    uint32_t Options = 0;
    TRect Rect;
    AnsiString Text;
    std::vector<int32_t> Dx;
};
// False when Record is not a text record.
bool DecodeTextRecord(const TEmfRecord& Record, TEmfText& Text);

class TMetafile {
public:
    TMetafile() = default;
    TMetafile(const TMetafile&) = delete;
    TMetafile& operator=(const TMetafile&) = delete;

    // Fires after the content or the size changed (recording closed, load, assignment,
    // clearing, a new size).
    std::function<void(TMetafile* Sender)> OnChange;

    // The picture's size in reference-device (screen) pixels, and in 0.01 mm.
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    void SetWidth(int32_t Value);
    void SetHeight(int32_t Value);
    int32_t MMWidth() const;
    int32_t MMHeight() const;

    // True once the metafile has content (recorded, loaded or assigned).
    bool HandleAllocated() const { return !data_.empty(); }
    bool Empty() const { return data_.empty(); }
    // Drops the content and the size.
    void Clear();
    void Assign(const TMetafile& Source);

    // The file form: exactly what SaveToStream writes. A metafile without content is
    // written as a header and an end-of-file record of its size.
    std::vector<uint8_t> SaveToData() const;
    void SaveToStream(QIODevice& Stream) const;
    void SaveToFile(const std::string& FileName) const;
    // Reads one metafile from the stream's position, exactly its own bytes. A damaged or
    // truncated metafile raises EInvalidGraphic and leaves this one unchanged; read errors
    // raise EInOutError.
    void LoadFromStream(QIODevice& Stream);
    // The bytes must hold exactly one metafile.
    void LoadFromData(const uint8_t* Data, size_t Size);
    void LoadFromFile(const std::string& FileName);

    // Header fields: the drawing's bounds in reference-device pixels (inclusive; empty
    // (0, 0, -1, -1) when nothing was drawn), the frame in 0.01 mm, the record count and the
    // size of the object table.
    TRect Bounds() const;
    TRect Frame() const;
    uint32_t RecordCount() const;
    uint32_t HandleCount() const;

    // Calls Callback for every record in order, header and end of file included, until it
    // answers false; true when every record was seen.
    bool EnumerateRecords(const std::function<bool(const TEmfRecord&)>& Callback) const;
    // Plays the picture so that its frame fills Dest (painter coordinates).
    void Play(QPainter& Painter, const QRectF& Dest) const;

private:
    friend class TMetafileCanvas;
    void SetContent(std::vector<uint8_t>&& Data);
    void PatchFrame();
    void Changed();

    std::vector<uint8_t> data_;
    int32_t width_ = 0;
    int32_t height_ = 0;
};

// Records drawing into a metafile. A metafile that has content keeps it and the new steps
// come on top. Close (or destruction) hands the records to the metafile, which then fires
// OnChange; further drawing after Close is not recorded.
class TMetafileCanvas : public TDeviceCanvas {
public:
    explicit TMetafileCanvas(TMetafile& Metafile);
    ~TMetafileCanvas() override;

    void Close();
    bool Closed() const { return closed_; }

protected:
    std::vector<uint8_t>& Out() override { return records_; }
    void Recorded(size_t Start) override;
    bool WantsBounds() const override { return true; }
    void AddBounds(const TRect& DeviceBounds) override;

private:
    TMetafile& metafile_;
    std::vector<uint8_t> records_;
    uint32_t recordCount_ = 0;
    TRect bounds_{0, 0, -1, -1};
    bool closed_ = false;
};

} // namespace qm
