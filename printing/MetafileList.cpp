#include "printing/MetafileList.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Exception.h"
#include "platform/TempFiles.h"

namespace qm {

// The byte stream the pages live in.
class TPageStream {
public:
    virtual ~TPageStream() = default;
    virtual int64_t Size() const = 0;
    virtual void Read(int64_t Pos, uint8_t* Data, size_t Count) = 0;
    virtual void Write(int64_t Pos, const uint8_t* Data, size_t Count) = 0;
    virtual void Truncate(int64_t Size) = 0;
    virtual std::string FileName() const { return {}; }
};

namespace {

class TMemoryPageStream : public TPageStream {
public:
    int64_t Size() const override { return int64_t(bytes_.size()); }
    void Read(int64_t Pos, uint8_t* Data, size_t Count) override
    {
        std::memcpy(Data, bytes_.data() + Pos, Count);
    }
    void Write(int64_t Pos, const uint8_t* Data, size_t Count) override
    {
        if (size_t(Pos) + Count > bytes_.size())
            bytes_.resize(size_t(Pos) + Count);
        std::memcpy(bytes_.data() + Pos, Data, Count);
    }
    void Truncate(int64_t Size) override { bytes_.resize(size_t(Size)); }

private:
    std::vector<uint8_t> bytes_;
};

// A new temporary file "PP*.tmp", readable and writable by its owner only, deleted with the
// stream.
class TFilePageStream : public TPageStream {
public:
    TFilePageStream() : name_(CreateTempFile("PP"))
    {
        fd_ = ::open(name_.c_str(), O_RDWR | O_TRUNC | O_CLOEXEC);
        if (fd_ < 0) {
            const int err = errno;
            ::unlink(name_.c_str());
            Fail("open", err);
        }
    }
    ~TFilePageStream() override
    {
        ::close(fd_);
        ::unlink(name_.c_str());
    }
    int64_t Size() const override
    {
        struct stat st {};
        if (::fstat(fd_, &st) != 0)
            Fail("read", errno);
        return int64_t(st.st_size);
    }
    void Read(int64_t Pos, uint8_t* Data, size_t Count) override
    {
        while (Count > 0) {
            const ssize_t n = ::pread(fd_, Data, Count, off_t(Pos));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                Fail("read", n < 0 ? errno : EIO);
            Data += n;
            Pos += n;
            Count -= size_t(n);
        }
    }
    void Write(int64_t Pos, const uint8_t* Data, size_t Count) override
    {
        while (Count > 0) {
            const ssize_t n = ::pwrite(fd_, Data, Count, off_t(Pos));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                Fail("write", n < 0 ? errno : ENOSPC);
            Data += n;
            Pos += n;
            Count -= size_t(n);
        }
    }
    void Truncate(int64_t Size) override
    {
        while (::ftruncate(fd_, off_t(Size)) != 0)
            if (errno != EINTR)
                Fail("write", errno);
    }
    std::string FileName() const override { return name_; }

private:
    [[noreturn]] void Fail(const char* what, int err) const
    {
        throw EInOutError(Format("Cannot %s the page file \"%s\": %s.", what, FromFileName(name_).c_str(),
                                 std::strerror(err)));
    }

    std::string name_;
    int fd_ = -1;
};

std::unique_ptr<TPageStream> NewStream(bool tempFile)
{
    if (tempFile)
        return std::make_unique<TFilePageStream>();
    return std::make_unique<TMemoryPageStream>();
}

[[noreturn]] void OffsetOutOfRange(int64_t offset)
{
    throw ERangeError(Format("Range check error: a page would start at byte %lld, beyond %d.",
                             (long long)offset, INT32_MAX));
}

// Copies Count bytes from one stream position to another, in pieces.
void CopyBytes(TPageStream& from, int64_t fromPos, TPageStream& to, int64_t toPos, int64_t count)
{
    std::vector<uint8_t> piece(size_t(std::min<int64_t>(count, 1 << 20)));
    while (count > 0) {
        const size_t n = size_t(std::min<int64_t>(count, int64_t(piece.size())));
        from.Read(fromPos, piece.data(), n);
        to.Write(toPos, piece.data(), n);
        fromPos += int64_t(n);
        toPos += int64_t(n);
        count -= int64_t(n);
    }
}

} // namespace

TMetafileList::TMetafileList() = default;

TMetafileList::~TMetafileList()
{
    InternalClear();
}

void TMetafileList::Detach()
{
    cached_.OnChange = nullptr;
}

void TMetafileList::Attach()
{
    cached_.OnChange = [this](TMetafile*) { CachedChanged(); };
}

void TMetafileList::InternalClear()
{
    Detach();
    cached_.Clear();
    offsets_.clear();
    loaded_ = -1;
    stream_.reset(); // a temporary file goes with its stream
}

void TMetafileList::Clear()
{
    InternalClear();
    if (OnChange)
        OnChange(this);
}

int32_t TMetafileList::Add(const TMetafile& Metafile)
{
    const std::vector<uint8_t> bytes = Metafile.SaveToData();
    if (!stream_)
        stream_ = NewStream(useTempFile_);
    const int64_t pos = stream_->Size();
    try {
        if (pos > INT32_MAX)
            OffsetOutOfRange(pos);
        stream_->Write(pos, bytes.data(), bytes.size());
    } catch (...) {
        if (offsets_.empty())
            stream_.reset(); // made for this page: its temporary file goes too
        else
            try {
                stream_->Truncate(pos);
            } catch (...) {
                // The pages before it are whole; the cut is retried by the next write.
            }
        throw;
    }
    offsets_.push_back(int32_t(pos));
    if (OnChange)
        OnChange(this);
    return Count() - 1;
}

int64_t TMetafileList::PageEnd(int32_t Index) const
{
    return Index + 1 < Count() ? offsets_[size_t(Index) + 1] : stream_->Size();
}

int32_t TMetafileList::Offset(int32_t Index) const
{
    if (Index < 0 || Index >= Count())
        throw EListError(Format("List index out of bounds (%d)", Index));
    return offsets_[size_t(Index)];
}

int64_t TMetafileList::StreamSize() const
{
    return stream_ ? stream_->Size() : 0;
}

std::string TMetafileList::TempFileName() const
{
    return stream_ ? stream_->FileName() : std::string();
}

TMetafile& TMetafileList::Metafiles(int32_t Index)
{
    if (Index < 0 || Index >= Count())
        throw EListError(Format("List index out of bounds (%d)", Index));
    if (Index != loaded_)
        Load(Index);
    return cached_;
}

void TMetafileList::Load(int32_t Index)
{
    // Loading is not a change of the page.
    Detach();
    try {
        const int64_t start = offsets_[size_t(Index)], end = PageEnd(Index);
        buffer_.resize(size_t(end - start));
        stream_->Read(start, buffer_.data(), buffer_.size());
        cached_.LoadFromData(buffer_.data(), buffer_.size());
    } catch (...) {
        // The cached metafile still holds the page loaded before.
        if (loaded_ >= 0)
            Attach();
        throw;
    }
    if (buffer_.capacity() > (1u << 20))
        std::vector<uint8_t>().swap(buffer_);
    loaded_ = Index;
    Attach();
}

void TMetafileList::CachedChanged()
{
    const int32_t i = loaded_;
    if (i < 0 || !stream_)
        return;
    const std::vector<uint8_t> page = cached_.SaveToData();
    const int64_t start = offsets_[size_t(i)], oldEnd = PageEnd(i), size = stream_->Size();
    const int64_t delta = int64_t(page.size()) - (oldEnd - start);
    const bool last = i + 1 == Count();
    if (!last && delta != 0 && int64_t(offsets_.back()) + delta > INT32_MAX)
        OffsetOutOfRange(int64_t(offsets_.back()) + delta);

    // The old bytes are kept so that a failed rewrite can put them back.
    std::vector<uint8_t> oldPage(size_t(oldEnd - start)), tail;
    stream_->Read(start, oldPage.data(), oldPage.size());
    if (!last && delta != 0) {
        tail.resize(size_t(size - oldEnd));
        stream_->Read(oldEnd, tail.data(), tail.size());
    }
    try {
        stream_->Write(start, page.data(), page.size());
        if (!tail.empty())
            stream_->Write(start + int64_t(page.size()), tail.data(), tail.size());
        if (delta < 0)
            stream_->Truncate(size + delta);
    } catch (...) {
        try {
            stream_->Write(start, oldPage.data(), oldPage.size());
            if (!tail.empty())
                stream_->Write(oldEnd, tail.data(), tail.size());
            stream_->Truncate(size);
        } catch (...) {
            // Writing back what was there before needs no new room; nothing more to try.
        }
        // The cached metafile no longer matches its page; the next request reloads it.
        Detach();
        loaded_ = -1;
        throw;
    }
    if (!tail.empty())
        for (size_t k = size_t(i) + 1; k < offsets_.size(); ++k)
            offsets_[k] += int32_t(delta);
    if (OnCurrentChange)
        OnCurrentChange(this, i);
}

void TMetafileList::SetUseTempFile(bool Value)
{
    if (Value == useTempFile_)
        return;
    if (stream_) {
        std::unique_ptr<TPageStream> fresh = NewStream(Value);
        CopyBytes(*stream_, 0, *fresh, 0, stream_->Size()); // a failure drops the new stream
        stream_ = std::move(fresh);                         // the old one (and its file) goes
    }
    useTempFile_ = Value;
}

} // namespace qm
