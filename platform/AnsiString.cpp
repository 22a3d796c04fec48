#include "platform/AnsiString.h"

#include <QFile>
#include <QList>
#include <QString>

namespace qm {

namespace {
// 0x80..0x9F of Windows-1252; the five unassigned bytes map to the C1 controls of the same
// value, as the system's own conversion does, so that every byte survives a round trip.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}
} // namespace

char32_t Cp1252ToUnicode(unsigned char byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return kHigh[byte - 0x80];
    return byte;
}

int UnicodeToCp1252(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return int(cp);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == cp)
            return 0x80 + i;
    return -1;
}

QString ToQString(std::string_view ansi)
{
    QString out;
    out.resize(qsizetype(ansi.size()));
    QChar* d = out.data();
    for (size_t i = 0; i < ansi.size(); ++i)
        d[i] = QChar(char16_t(Cp1252ToUnicode(static_cast<unsigned char>(ansi[i]))));
    return out;
}

AnsiString FromQString(const QString& text)
{
    AnsiString out;
    out.reserve(size_t(text.size()));
    const auto ucs4 = text.toUcs4();
    for (char32_t cp : ucs4) {
        const int b = UnicodeToCp1252(cp);
        out += b < 0 ? '?' : char(b);
    }
    return out;
}

std::string ToFileName(std::string_view ansi)
{
    std::string out;
    out.reserve(ansi.size());
    for (unsigned char c : ansi)
        AppendUtf8(out, Cp1252ToUnicode(c));
    return out;
}

AnsiString FromFileName(std::string_view utf8)
{
    return FromQString(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
}

QString PathToQString(std::string_view path)
{
    return QFile::decodeName(QByteArray(path.data(), qsizetype(path.size())));
}

std::string PathFromQString(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

AnsiString UpperName(std::string_view s)
{
    AnsiString out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return out;
}

int CompareBytes(std::string_view a, std::string_view b)
{
    // string_view compares through char_traits<char>, which compares as unsigned char.
    const int r = a.compare(b);
    return r < 0 ? -1 : r > 0 ? 1 : 0;
}

int CompareNames(std::string_view a, std::string_view b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z')
            x = x - 'a' + 'A';
        if (y >= 'a' && y <= 'z')
            y = y - 'a' + 'A';
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

} // namespace qm
