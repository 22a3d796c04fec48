// Reading and checking private-profile files on disk, and the errors their reads and writes
// raise (platform/IniFileSystem.h).
#include "platform/IniFileSystem.h"

#include <cstring>
#include <memory>

#include "platform/AnsiString.h"
#include "platform/AtomicFile.h"
#include "platform/Exception.h"

namespace qm::ini_detail {

namespace {

std::string Reason(int err)
{
    return FromFileName(std::strerror(err));
}

} // namespace

[[noreturn]] void Fail(const std::string& file, int err)
{
    throw EInOutError(
        Format("Cannot write to the file \"%s\": %s.", FromFileName(file).c_str(), Reason(err).c_str()));
}

bool HoldsExactly(const std::string& path, std::string_view text, struct stat& st)
{
    Fd f(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (f.fd < 0 || ::fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size != off_t(text.size()))
        return false;
    constexpr size_t kPiece = 64 * 1024;
    const std::unique_ptr<char[]> piece(new char[kPiece]);
    size_t got = 0;
    for (;;) {
        const ssize_t r = ::read(f.fd, piece.get(), kPiece);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (r == 0)
            return got == text.size();
        if (size_t(r) > text.size() - got || std::memcmp(piece.get(), text.data() + got, size_t(r)) != 0)
            return false;
        got += size_t(r);
    }
}

[[noreturn]] void FailRead(const std::string& file, int err)
{
    if (err == EFBIG)
        throw EInOutError(Format("Cannot read the file \"%s\": it is larger than %d MB.",
                                 FromFileName(file).c_str(), int(kMaxIniFileBytes >> 20)));
    throw EInOutError(
        Format("Cannot read the file \"%s\": %s.", FromFileName(file).c_str(), Reason(err).c_str()));
}

bool GoneFromItsFolder(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 || errno != ENOENT)
        return false;
    return ::stat(FolderOf(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace qm::ini_detail
