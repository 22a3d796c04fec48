#include "printing/PdfWriter.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "platform/Exception.h"

namespace qm {

namespace {

const char* const kBaseFonts[TPrintPDF::FontCount] = {
    "Helvetica",   "Helvetica-Bold", "Helvetica-Oblique", "Helvetica-BoldOblique",
    "Courier",     "Courier-Bold",   "Courier-Oblique",   "Courier-BoldOblique",
    "Times-Roman", "Times-Bold",     "Times-Italic",      "Times-BoldItalic",
    "Symbol",      "ZapfDingbats",
};

// Decimal integer text, independent of the locale.
std::string Num(std::int64_t n)
{
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, n);
    return std::string(buf, res.ptr);
}

// A PDF literal string body: backslash and both parentheses get a backslash in front.
std::string Escaped(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 8);
    for (char c : text) {
        if (c == '\\' || c == '(' || c == ')')
            out += '\\';
        out += c;
    }
    return out;
}

// "YYYYMMDDHHmmSS" of a day number. The time is rounded to whole milliseconds on the whole
// value, so a moment a hair before midnight carries into the next day instead of hour 24.
std::string PdfDate(TDateTime when)
{
    const double msPerDay = 86400000.0;
    const std::int64_t total = std::llround(when * msPerDay);
    std::int64_t day = total / 86400000;
    std::int64_t ms = total % 86400000;
    if (ms < 0) {
        ms += 86400000;
        --day;
    }
    int y, m, d;
    DecodeDate(double(day), y, m, d);
    const int secs = int(ms / 1000);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d%02d%02d%02d", y, m, d, secs / 3600, secs / 60 % 60,
                  secs % 60);
    return buf;
}

std::string Pad10(std::int64_t n)
{
    std::string s = Num(n);
    if (s.size() < 10)
        s.insert(0, 10 - s.size(), '0');
    return s;
}

} // namespace

void TPrintPDF::line(std::string_view text)
{
    object_ += text;
    object_ += "\r\n";
}

void TPrintPDF::beginObject()
{
    ++objectCount_;
    object_.clear();
    line(Num(objectCount_) + " 0 obj");
}

// Appends the assembled object to the document and records where the next object starts.
void TPrintPDF::endObject()
{
    line("endobj");
    document_ += object_;
    offset_ += std::int64_t(object_.size());
    xref_.push_back(offset_);
}

void TPrintPDF::openContentStream()
{
    beginObject();
    contentObjects_.push_back(objectCount_);
    line("<< /Length " + Num(objectCount_ + 1) + " 0 R");
    line(" >>");
    line("stream");
    pageContent_.clear();
}

// The stream data is exactly the page content, line ends included; its length goes into the
// separate length object that follows.
void TPrintPDF::closeContentStream()
{
    const std::int64_t length = std::int64_t(pageContent_.size());
    object_ += pageContent_;
    line("endstream");
    endObject();
    beginObject();
    line(Num(length));
    endObject();
}

void TPrintPDF::BeginDoc()
{
    pageNumber_ = 1;
    objectCount_ = 0;
    offset_ = 0;
    xref_.clear();
    contentObjects_.clear();
    fontObjects_.clear();
    document_.clear();
    object_.clear();
    pagesObject_ = resourcesObject_ = outlinesObject_ = catalogObject_ = 0;

    document_ = "%PDF-1.4\r\n";
    offset_ = std::int64_t(document_.size());
    xref_.push_back(offset_);

    beginObject();
    line("<<");
    line("/Producer (" + Escaped(Producer) + ")");
    line("/Author (" + Escaped(Author) + ")");
    line("/CreationDate (D:" + PdfDate(Now()) + ")");
    line("/Creator (" + Escaped(Creator) + ")");
    line("/Keywords (" + Escaped(Keywords) + ")");
    line("/Subject (" + Escaped(Subject) + ")");
    line("/Title (" + Escaped(TITLE) + ")");
    line("/ModDate ()");
    line(">>");
    endObject();

    openContentStream();
    docOpen_ = true;
}

void TPrintPDF::TextOut(std::int32_t X, std::int32_t Y, const AnsiString& Text)
{
    if (Font.Index >= FontCount)
        throw ERangeError(Format("Font index %d out of range", int(Font.Index)));
    // The baseline, rounded to the nearest point with halves to the even neighbour, in
    // extended precision so that values such as 0.85 x 10 round the same way every time.
    const long double baseline =
        static_cast<long double>(PageHeight) - Y - static_cast<long double>(Font.Size) * 0.85L;
    const std::int64_t y = std::int64_t(std::nearbyintl(baseline));

    std::string& c = pageContent_;
    c += "BT\r\n/F";
    c += Num(Font.Index + 1);
    c += ' ';
    c += Num(Font.Size);
    c += " Tf\r\n";
    c += Num(X);
    c += ' ';
    c += Num(y);
    c += " Td\r\n(";
    c += Escaped(Text);
    c += ") Tj\r\nET\r\n";
}

void TPrintPDF::DrawLine(std::int32_t X1, std::int32_t Y1, std::int32_t X2, std::int32_t Y2)
{
    std::string& c = pageContent_;
    c += Num(X1);
    c += ' ';
    c += Num(std::int64_t(PageHeight) - Y1);
    c += " m\r\n";
    c += Num(X2);
    c += ' ';
    c += Num(std::int64_t(PageHeight) - Y2);
    c += " l\r\n";
    c += Num(LineWidth);
    c += " w\r\nS\r\n";
}

void TPrintPDF::NewPage()
{
    if (!docOpen_)
        throw EInvalidOperation("No PDF document is open");
    ++pageNumber_;
    closeContentStream();
    openContentStream();
}

void TPrintPDF::EndDoc()
{
    if (!docOpen_)
        throw EInvalidOperation("No PDF document is open");
    docOpen_ = false;
    closeContentStream();

    const int pages = pageNumber_;

    beginObject();
    outlinesObject_ = objectCount_;
    line("<< /Type /Outlines");
    line("/Count 0");
    line(">>");
    endObject();

    for (int k = 0; k < FontCount; ++k) {
        beginObject();
        fontObjects_.push_back(objectCount_);
        line("<< /Type /Font");
        line("/Subtype /Type1");
        line("/Name /F" + Num(k + 1));
        line(std::string("/BaseFont /") + kBaseFonts[k]);
        line("/Encoding /WinAnsiEncoding");
        line(">>");
        endObject();
    }

    // The page objects follow the pages and resources objects directly.
    beginObject();
    pagesObject_ = objectCount_;
    line("<< /Type /Pages");
    line("/Kids [");
    for (int p = 1; p <= pages; ++p)
        line(Num(pagesObject_ + 1 + p) + " 0 R");
    line("]");
    line("/Count " + Num(pages));
    line(">>");
    endObject();

    beginObject();
    resourcesObject_ = objectCount_;
    line("<< /ProcSet [ /PDF /Text /ImageC]");
    line("/XObject << ");
    line(">>");
    line("/Font << ");
    for (int k = 0; k < FontCount; ++k)
        line("/F" + Num(k + 1) + " " + Num(fontObjects_[size_t(k)]) + " 0 R ");
    line(">>");
    line(">>");
    endObject();

    for (int p = 0; p < pages; ++p) {
        beginObject();
        line("<< /Type /Page");
        line("/Parent " + Num(pagesObject_) + " 0 R");
        line("/MediaBox [ 0 0 " + Num(PageWidth) + " " + Num(PageHeight) + "]");
        line("/Contents " + Num(contentObjects_[size_t(p)]) + " 0 R");
        line("/Resources " + Num(resourcesObject_) + " 0 R");
        line(">>");
        endObject();
    }

    beginObject();
    catalogObject_ = objectCount_;
    line("<< /Type /Catalog");
    line("/Pages " + Num(pagesObject_) + " 0 R");
    line("/Outlines " + Num(outlinesObject_) + " 0 R");
    line(">>");
    endObject();

    // Cross-reference table: 20 bytes per entry, objects 1..catalog.
    const int size = catalogObject_ + 1;
    std::string& d = document_;
    d.reserve(d.size() + size_t(size) * 20 + 128);
    d += "xref\r\n0 " + Num(size) + "\r\n";
    d += "0000000000 65535 f\r\n";
    for (int obj = 1; obj <= catalogObject_; ++obj) {
        d += Pad10(xref_[size_t(obj - 1)]);
        d += " 00000 n\r\n";
    }
    d += "trailer\r\n<< /Size " + Num(size) + "\r\n";
    d += "/Root " + Num(catalogObject_) + " 0 R\r\n";
    d += "/Info 1 0 R\r\n>>\r\nstartxref\r\n";
    d += Num(xref_.back()) + "\r\n";
    d += "%%EOF\r\n";

    writeFile();
}

// The target holds either its earlier content or the whole new file, never a part.
void TPrintPDF::writeFile() const
{
    WriteFileAtomically(FileName, document_);
}

} // namespace qm
