// The one-pass update of private-profile files (IniFile::UpdateKeysIfPresent): the updates of a
// key list applied in one pass over a file's text, line by line as the parse reads it, without
// a parse of the file; the new text goes to the file's writer a piece at a time, and a file no
// update changes is not written.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>

#include "platform/AtomicFile.h"
#include "platform/ByteScan.h"
#include "platform/Exception.h"
#include "platform/IniCache.h"
#include "platform/IniRewrite.h"
#include "platform/IniFile.h"
#include "platform/IniKeyList.h"

namespace qm {

using namespace ini_detail;

namespace {

using UpdateChange = std::function<bool(size_t, std::string_view, IniFile::Splice&)>;

// Bytes grown by appending or by resizing, never set ahead of what is written into them: the
// room a resize adds holds whatever it held until it is written. Kept from one pass over a file
// to the next (PassScratch), so that its pages are not asked of the system anew each time.
class TextBuffer {
public:
    void clear() { size_ = 0; }
    void resize(size_t n)
    {
        if (n > capacity_)
            Grow(n);
        size_ = n;
    }
    char* data() { return data_.get(); }
    size_t size() const { return size_; }
    size_t capacity() const { return capacity_; }
    void reserve(size_t n)
    {
        if (n > capacity_)
            Grow(n);
    }
    [[gnu::always_inline]] void Append(std::string_view s)
    {
        if (s.empty()) // an empty view may point nowhere, which memcpy must not be given
            return;
        if (s.size() > capacity_ - size_)
            Grow(std::max(capacity_ * 2, size_ + s.size()));
        std::memcpy(data_.get() + size_, s.data(), s.size());
        size_ += s.size();
    }
    [[gnu::always_inline]] void Append(char c)
    {
        if (size_ == capacity_)
            Grow(std::max(capacity_ * 2, size_ + 1));
        data_[size_++] = c;
    }
    std::string_view View() const { return {data_.get(), size_}; }
    void Release()
    {
        data_.reset();
        size_ = capacity_ = 0;
    }

private:
    void Grow(size_t capacity)
    {
        std::unique_ptr<char[]> grown(new char[capacity]);
        if (size_ > 0)
            std::memcpy(grown.get(), data_.get(), size_);
        data_ = std::move(grown);
        capacity_ = capacity;
    }

    std::unique_ptr<char[]> data_;
    size_t size_ = 0, capacity_ = 0;
};

// Where a pass puts the file's new text: kept in memory until a line changes (a pass that
// changes nothing writes nothing), then, when the pass writes the file, handed to its writer a
// piece at a time, so that the text goes through memory that stays in the processor's cache.
class PassOutput {
public:
    // folder: the open folder of the file fileName to write, or null for a pass that only finds
    // out whether it would.
    PassOutput(TextBuffer& buffer, const std::string& fileName, const WriteFolder* folder)
        : buffer_(buffer), fileName_(fileName), folder_(folder)
    {
        buffer_.clear();
    }
    [[gnu::always_inline]] void Append(std::string_view s) { buffer_.Append(s); }
    [[gnu::always_inline]] void Append(char c) { buffer_.Append(c); }
    // A line changes: the file is to be written.
    void Changed()
    {
        changed_ = true;
        if (folder_ && !writer_)
            writer_.emplace(fileName_, *folder_, AtomicFileWriter::Mode::ReplaceOnly);
    }
    bool HasChanged() const { return changed_; }
    // After each line.
    [[gnu::always_inline]] void EndOfLine()
    {
        if (writer_ && buffer_.size() >= kPiece)
            Flush();
    }
    // Hands on the rest and replaces the file; false when the file is gone by then, which is
    // then left alone.
    bool Commit()
    {
        Flush();
        return writer_->Commit().has_value();
    }

private:
    static constexpr size_t kPiece = size_t(256) << 10;
    void Flush()
    {
        written_ += buffer_.size();
        // A file the program could not read back is not written.
        if (written_ > kMaxIniFileBytes)
            throw EInOutError(Format("Cannot write to the file \"%s\": it would grow past %d MB.",
                                     FromFileName(fileName_).c_str(), int(kMaxIniFileBytes >> 20)));
        writer_->Write(buffer_.View());
        buffer_.clear();
    }

    TextBuffer& buffer_;
    const std::string& fileName_;
    const WriteFolder* folder_;
    std::optional<AtomicFileWriter> writer_;
    size_t written_ = 0;
    bool changed_ = false;
};

// The end of the line that begins at pos (its first LF or CR, or n), and in eq the place of
// its first "=" (npos when it has none): both in one look at each block of sixteen bytes.
inline size_t ScanLine(std::string_view text, size_t pos, size_t& eq)
{
    const size_t n = text.size();
    const char* p = text.data();
    eq = std::string_view::npos;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r'), is = _mm_set1_epi8('=');
    for (; pos + 16 <= n; pos += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + pos));
        const unsigned ends =
            unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(x, lf), _mm_cmpeq_epi8(x, cr))));
        const unsigned eqs = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(x, is)));
        if (eq == std::string_view::npos && eqs != 0 &&
            (ends == 0 || std::countr_zero(eqs) < std::countr_zero(ends)))
            eq = pos + size_t(std::countr_zero(eqs));
        if (ends != 0)
            return pos + size_t(std::countr_zero(ends));
    }
#endif
    for (; pos < n; ++pos) {
        if (p[pos] == '\n' || p[pos] == '\r')
            return pos;
        if (p[pos] == '=' && eq == std::string_view::npos)
            eq = pos;
    }
    return n;
}

// The updates of one line's value, in list order from the line's first entry of the list, each
// seeing the value the ones before it left, as a pass over a file or a look at a parse of it
// asks them.
class LineUpdates {
public:
    using Table = IniFile::KeyList::Table;

    LineUpdates(const std::string& file, const Table& keys, const UpdateChange& change)
        : file_(file), keys_(keys), change_(change)
    {
    }

    // The updates of the value (without the blanks around it) from entry first; true when they
    // leave it other than it was, as Head followed by Tail.
    bool Apply(uint32_t first, std::string_view value)
    {
        head_ = value;
        tail_ = {};
        return ApplyUpdates(first);
    }
    std::string_view Head() const { return head_; }
    std::string_view Tail() const { return tail_; }

private:
    // The updates of one line in list order, from its first entry, each seeing the value the
    // ones before it left. True when the value is no longer the line's.
    bool ApplyUpdates(uint32_t first)
    {
        bool replaced = false;
        for (uint32_t i = first; i != Table::kNone; i = keys_.entries[i].next) {
            if (!tail_.empty()) {
                head_ = kept_.assign(head_).append(tail_);
                tail_ = {};
            }
            replaced |= ApplyUpdate(i);
        }
        return replaced;
    }

    // Asks update i for the value's new form; a value that could not be read back is refused,
    // and a value other than the current one becomes head_ and tail_. True when it did.
    bool ApplyUpdate(uint32_t i)
    {
        splice_ = {};
        if (!change_(i, head_, splice_))
            return false;
        const std::string_view keep(head_.data(), std::min(splice_.Keep, head_.size()));
        std::string_view add = splice_.Append;
        CheckUpdate(i, keep, add);
        // The value as the file keeps it, without the blanks around it: the kept part begins
        // with none, as the value it is a part of does.
        std::string_view newHead = keep;
        if (newHead.empty())
            add = Trim(add);
        while (!add.empty() && IsIniBlank(add.back()))
            add.remove_suffix(1);
        if (add.empty())
            newHead = Trim(newHead);
        if (newHead.size() + add.size() == head_.size() && head_.compare(0, newHead.size(), newHead) == 0 &&
            head_.substr(newHead.size()) == add)
            return false;
        head_ = newHead;
        tail_ = add;
        return true;
    }

    // Refuses the value keep + add of update i when it could not be read back (CheckWritable).
    // The kept part, a part of a value read, holds no line break; only the rest is looked at.
    // The names as given are read only when the value is refused or the key begins with a
    // character that needs a closer look.
    void CheckUpdate(uint32_t i, std::string_view keep, std::string_view add)
    {
        const Table::Entry& e = keys_.entries[i];
        const std::string_view key = keys_.Key(e);
        if (!e.namesTrimmed || (!key.empty() && (key[0] == ';' || key[0] == '[')) ||
            ContainsAnyByte(add, '\r', '\n')) {
            joined_.assign(keep).append(add);
            CheckWritable(file_, *keys_.given[i].section, *keys_.given[i].key, joined_, e.namesTrimmed);
        }
    }

    const std::string& file_;
    const Table& keys_;
    const UpdateChange& change_;
    // The value of the line being updated: head_ (a part of the line's value) followed by
    // tail_, or whole in kept_ once a second update reads it.
    std::string_view head_, tail_;
    IniFile::Splice splice_;
    AnsiString joined_, kept_;
};

// One pass of UpdateKeysIfPresent over the file's text, read line by line as the parse reads it:
// out receives the new text, every line ended with CR LF as a rewrite ends it, a line that
// changes as "name=value" with the key spelt as the file spells it.
class UpdatePass {
public:
    using Table = IniFile::KeyList::Table;

    UpdatePass(const std::string& file, const Table& keys, const UpdateChange& change, PassOutput& out)
        : keys_(keys), out_(out), updates_(file, keys, change), found_(keys.entries.size())
    {
    }

    // Whether the text holds a line of the list.
    bool FoundAny() const { return std::find(found_.begin(), found_.end(), 1) != found_.end(); }

    // Every line in file order: a section header tells whose keys follow, the key lines of the
    // list are updated, and every line no update changes goes out as it was.
    void Run(std::string_view text)
    {
        const size_t bom = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
        for (size_t pos = 0; pos < text.size();) {
            const TextLine l = ReadLine(text, pos, pos == 0 ? bom : 0);
            pos = l.next;
            const std::string_view t = l.trimmed;
            if (!t.empty() && t[0] != ';') {
                if (const size_t close = t[0] == '[' ? t.rfind(']') : kNpos; close != kNpos)
                    section_ = keys_.FindSection(Trim(t.substr(1, close - 1)));
                else if (section_ >= 0 && l.eqAt != kNpos && UpdateKeyLine(text, l))
                    continue;
            }
            WriteAsItWas(text, l);
        }
    }

private:
    static constexpr size_t kNpos = std::string_view::npos;
    static constexpr std::string_view kCrLf = "\r\n";

    // A line of the text: its bytes from start to end (without its line end), where the next
    // line begins, the place of its first "=" (kNpos when it has none), and its bytes without a
    // byte-order mark before them and without the blanks around them.
    struct TextLine {
        size_t start, end, next, eqAt;
        bool endsInCrLf;
        std::string_view trimmed;
    };

    // The line that begins at pos, after skip bytes of a byte-order mark.
    [[gnu::always_inline]] static TextLine ReadLine(std::string_view text, size_t pos, size_t skip)
    {
        TextLine l;
        l.start = pos;
        l.end = ScanLine(text, pos, l.eqAt);
        l.endsInCrLf = l.end + 1 < text.size() && text[l.end] == '\r' && text[l.end + 1] == '\n';
        l.next = l.end + (l.endsInCrLf ? 2 : 1);
        // Views taken without the checks of substr: every place lies within the text.
        const size_t from = l.start + std::min(skip, l.end - l.start);
        l.trimmed = Trim({text.data() + from, l.end - from});
        return l;
    }

    // A key line in a section of the list: the updates of its key, when the list has it, are
    // asked, and a changed line is written. False when the line is to go out as it was.
    bool UpdateKeyLine(std::string_view text, const TextLine& l)
    {
        const std::string_view t = l.trimmed;
        const size_t eq = size_t(text.data() + l.eqAt - t.data());
        const std::string_view name = Trim({t.data(), eq});
        const long first = EntryOf(name);
        // Only the first line of a name in the sections of one name is updated, as only that
        // one is read.
        if (first < 0 || found_[size_t(first)])
            return false;
        found_[size_t(first)] = 1;
        if (!updates_.Apply(uint32_t(first), Trim({t.data() + eq + 1, t.size() - eq - 1})))
            return false;
        WriteChanged(name);
        return true;
    }

    // The first entry of the list for a key of the current section, or -1. The entry that came
    // next in the last pass, or else the next one of the list, is tried before the table, and
    // the order found is kept for the next pass.
    [[gnu::always_inline]] long EntryOf(std::string_view name)
    {
        long first = -1;
        uint32_t guess = Table::kNone;
        if (last_ != Table::kNone)
            guess = keys_.nextFound[last_] != Table::kNone ? keys_.nextFound[last_] : last_ + 1;
        if (guess < keys_.entries.size() && keys_.entries[guess].first &&
            keys_.entries[guess].section == uint32_t(section_) &&
            NamesEqual(keys_.Key(keys_.entries[guess]), name))
            first = long(guess);
        else
            first = keys_.FindKey(uint32_t(section_), name);
        if (first >= 0) {
            if (last_ != Table::kNone)
                keys_.nextFound[last_] = uint32_t(first);
            last_ = uint32_t(first);
        }
        return first;
    }

    // The changed line: the name as the file spells it, "=", and the value as the updates left
    // it, ended with CR LF.
    void WriteChanged(std::string_view name)
    {
        out_.Changed();
        const std::string_view head = updates_.Head();
        // "name=" and the kept part of the value are mostly one piece of the line.
        if (head.data() == name.data() + name.size() + 1 && name.data()[name.size()] == '=') {
            out_.Append({name.data(), name.size() + 1 + head.size()});
        } else {
            out_.Append(name);
            out_.Append('=');
            out_.Append(head);
        }
        out_.Append(updates_.Tail());
        out_.Append(kCrLf);
        out_.EndOfLine();
    }

    // A line as it was, ended with CR LF: its own where it has one.
    void WriteAsItWas(std::string_view text, const TextLine& l)
    {
        if (l.endsInCrLf) {
            out_.Append({text.data() + l.start, l.next - l.start});
        } else {
            out_.Append({text.data() + l.start, l.end - l.start});
            out_.Append(kCrLf);
        }
        out_.EndOfLine();
    }

    const Table& keys_;
    PassOutput& out_;
    LineUpdates updates_;
    std::vector<char> found_;      // the entries whose line has been found
    long section_ = -1;            // the group of the current section, -1 when none
    uint32_t last_ = Table::kNone; // the entry of the last line found
};

// The file read and the text written by the passes of this thread. Their room is kept from
// pass to pass up to a size, so that a command that passes over several files asks the system
// for it once.
struct PassScratch {
    TextBuffer in, out;
    void Trim()
    {
        constexpr size_t kKept = size_t(16) << 20;
        if (in.capacity() > kKept)
            in.Release();
        if (out.capacity() > kKept)
            out.Release();
    }
};
thread_local PassScratch tScratch;

// The parse kept of the file when the file has not changed since it was made and it is old
// enough to be trusted; null otherwise. Under gMutex.
const Model* CurrentKeptParse(const std::string& fileName)
{
    struct stat st {};
    const auto it = Cache().find(fileName);
    if (it == Cache().end() || !it->second.model || !it->second.trusted ||
        ::stat(fileName.c_str(), &st) != 0 || !(it->second.version == VersionOf(st)))
        return nullptr;
    return it->second.model.get();
}

// Whether the updates would change a line of the parse: each line of the list it holds, its
// value as the updates leave it, found as a pass over its text finds them.
bool WouldChangeParse(const Model& model, const std::string& fileName, const IniFile::KeyList::Table& keys,
                      const UpdateChange& change)
{
    LineUpdates updates(fileName, keys, change);
    for (size_t n = 0; n < keys.entries.size(); ++n) {
        if (!keys.entries[n].first)
            continue;
        const Line* l = model.FindKey(Trim(*keys.given[n].section), keys.Key(keys.entries[n]));
        if (l && updates.Apply(uint32_t(n), model.Value(*l)))
            return true;
    }
    return false;
}

// The pass of UpdateKeysIfPresent over text, the file's as it is now: with folder (the file's,
// open), the file is written when a line changes; without, the pass only tells whether one
// would. found, when given, tells whether the text holds a line of the list. EInOutError for a
// text that would grow past the limit.
bool PassOverText(std::string_view text, const WriteFolder* folder, const std::string& name,
                  const IniFile::KeyList::Table& keys, const UpdateChange& change, bool* found = nullptr)
{
    PassOutput out(tScratch.out, name, folder);
    UpdatePass pass(name, keys, change, out);
    pass.Run(text);
    if (found)
        *found = pass.FoundAny();
    if (folder && out.HasChanged())
        out.Commit();
    return out.HasChanged();
}

// PassOverText over the file read afresh; false for a file that reads as missing, EInOutError
// for any other read failure.
bool PassOverFile(const WriteFolder* folder, const std::string& name, const std::string& target,
                  const IniFile::KeyList::Table& keys, const UpdateChange& change, bool* found = nullptr)
{
    TextBuffer& in = tScratch.in;
    struct stat st {};
    const int err = ReadWhole(target, in, st);
    if (ReadsAsMissing(err))
        return false;
    if (err != 0)
        FailRead(name, err);
    return PassOverText(in.View(), folder, name, keys, change, found);
}

// Whether the updates would leave the file as it is now, found without taking its lock: no
// rewrite of it is under way (its lock file is not there), and its content as it is now, a
// parse kept of it or the file read, has no line they would change. They change nothing then,
// and a rewrite that begins after this look comes after them; one under way is waited for, as
// a line it gives the file may be one to update. A file read that holds lines of the list is
// parsed and kept, as a read keeps it, so that the next look at it is a lookup (the next
// carry-over of a line from the same store, say); one that holds none costs no parse. Under
// gMutex.
bool LeftAsItIsNow(const std::string& fileName, const std::string& target,
                   const IniFile::KeyList::Table& keys, const UpdateChange& change)
{
    struct stat st {};
    if (::lstat(IniFile::LockFileFor(target).c_str(), &st) == 0 || errno != ENOENT)
        return false;
    if (const Model* kept = CurrentKeptParse(fileName))
        return !WouldChangeParse(*kept, fileName, keys, change);
    // Without a parse kept, finding out takes a pass over the file, which the rewrite would then
    // make again: worth it for a few updates, which mostly change nothing (a line carried again
    // with the coupon it has), not for many, which mostly change some line.
    constexpr size_t kFewUpdates = 16;
    if (keys.entries.size() > kFewUpdates)
        return false;
    bool found = false;
    if (PassOverFile(nullptr, fileName, target, keys, change, &found))
        return false;
    if (found)
        Current(fileName);
    return true;
}

} // namespace

void IniFile::UpdateKeysIfPresent(const KeyList& keys,
                                  const std::function<bool(size_t, std::string_view, Splice&)>& change)
{
    const KeyList::Table& table = keys.Lookup();
    if (table.entries.empty())
        return;
    const std::string target = FollowLinks(fileName_);
    struct TrimScratch {
        ~TrimScratch() { tScratch.Trim(); }
    } trim;
    {
        std::lock_guard guard(gMutex);
        if (LeftAsItIsNow(fileName_, target, table, change))
            return;
    }
    Rewrite rewrite(fileName_, target);
    if (!rewrite.Prepare(true, [&] { return PassOverFile(nullptr, fileName_, target, table, change); }))
        return;
    std::lock_guard guard(gMutex);
    // Decided again under the lock, so that a line another window gave the file just now is
    // seen; a parse kept of the file that it has not changed since spares reading it when the
    // updates leave it as it is.
    const Model* kept = CurrentKeptParse(fileName_);
    if (kept && !WouldChangeParse(*kept, fileName_, table, change))
        return;
    // The parse kept, if any, is of the text before, or of a file that went away meanwhile.
    if (PassOverFile(&rewrite.Folder(), fileName_, target, table, change))
        Cache().erase(fileName_);
}

} // namespace qm
