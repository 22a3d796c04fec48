#pragma once
// The recorded pages of a print preview: every page in its metafile file form, back to back
// in one stream (in memory, or in a temporary "PP*.tmp" file readable by its owner only), with
// one page at a time loaded into a single cached metafile. A change made to the cached page
// is written back into the stream in place, moving the pages behind it.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "graphics/RasterClasses.h"
#include "platform/Metafile.h"

namespace qm {

class TPageStream;

using TMetafileListCurrentChange = std::function<void(TObject* Sender, int32_t Index)>;

class TMetafileList : public TObject {
public:
    QM_RASTER_CLASS(TMetafileList, TObject)

    TMetafileList();
    // Frees the stream and deletes the temporary file.
    ~TMetafileList() override;
    TMetafileList(const TMetafileList&) = delete;
    TMetafileList& operator=(const TMetafileList&) = delete;

    // A page was added or all were cleared.
    TNotifyEvent OnChange;
    // The page at Index was rewritten in place.
    TMetafileListCurrentChange OnCurrentChange;

    // Drops every page (and the temporary file), then OnChange.
    void Clear();
    // Appends the metafile's file form as a new page and answers its index; the caller keeps
    // the metafile. A page that would start beyond the 32-bit offset range raises ERangeError
    // before anything is written; a failed write leaves the stream as it was (and removes a
    // temporary file made for it) and passes the error on.
    int32_t Add(const TMetafile& Metafile);
    int32_t Count() const { return int32_t(offsets_.size()); }
    // Loads page Index into the cached metafile unless it is the one loaded, and answers the
    // cached metafile; valid until another page is loaded or the list is cleared. An index
    // outside 0..Count-1 raises EListError; a damaged page raises EInvalidGraphic and the
    // cached metafile keeps what it held.
    TMetafile& Metafiles(int32_t Index);

    bool UseTempFile() const { return useTempFile_; }
    // Moves the recorded pages between memory and a new temporary file; switching back to
    // memory deletes the file. When the move fails nothing changes.
    void SetUseTempFile(bool Value);

    // The temporary file's full path, empty when there is none.
    std::string TempFileName() const;
    // The page's starting byte in the stream, the stream's size, and the index of the page
    // held in the cached metafile (-1: none).
    int32_t Offset(int32_t Index) const;
    int64_t StreamSize() const;
    int32_t LoadedIndex() const { return loaded_; }

private:
    void InternalClear();
    void Load(int32_t Index);
    void Attach();
    void Detach();
    void CachedChanged();
    int64_t PageEnd(int32_t Index) const;

    std::vector<int32_t> offsets_;
    std::unique_ptr<TPageStream> stream_;
    int32_t loaded_ = -1;
    TMetafile cached_;
    bool useTempFile_ = false;
    std::vector<uint8_t> buffer_;
};

} // namespace qm
