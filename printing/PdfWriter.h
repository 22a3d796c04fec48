#pragma once
// TPrintPDF writes a plain PDF 1.4 file: pages of one size holding text lines in the fourteen
// standard Type 1 fonts (WinAnsiEncoding, so the program's Windows-1252 text goes in byte for
// byte) and straight lines. The caller runs BeginDoc, any number of TextOut, DrawLine and
// NewPage, then EndDoc, which writes the whole file at once.
//
// Coordinates are points from the page's top-left corner, y growing downwards; the writer
// turns them over against PageHeight. Every line of the file ends with CR LF and every number
// is written without the locale, so a comma-decimal locale changes no byte.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/AnsiString.h"

namespace qm {

// The font of the next TextOut: Index into the standard fonts (0 Helvetica .. 13 ZapfDingbats,
// written as resource /F(Index + 1)) and Size in points.
struct TPDFFont {
    std::uint8_t Index = 4; // Courier
    std::int32_t Size = 12;
};

class TPrintPDF {
public:
    static constexpr int FontCount = 14;

    std::string FileName; // the file EndDoc writes (created or replaced): a path, the system's bytes
    AnsiString TITLE;
    std::int32_t PageWidth = 612;
    std::int32_t PageHeight = 792;
    std::int32_t LineWidth = 1; // stroke width written by DrawLine
    AnsiString Author;
    AnsiString Creator;
    AnsiString Keywords;
    AnsiString Subject;
    AnsiString Producer;
    TPDFFont Font;

    // 1 after BeginDoc, one more per NewPage; after EndDoc the page count.
    std::int32_t PageNumber() const { return pageNumber_; }

    // Starts a new document from empty buffers: header, information object (with the clock's
    // current time as creation date) and the first page's content stream.
    void BeginDoc();
    // Text at (X, Y), the top of the text line; the baseline lies 0.85 x size below Y.
    // "\", "(" and ")" are escaped; every other byte is written as it is. A font index above
    // 13 raises ERangeError, since no such font resource exists.
    void TextOut(std::int32_t X, std::int32_t Y, const AnsiString& Text);
    void DrawLine(std::int32_t X1, std::int32_t Y1, std::int32_t X2, std::int32_t Y2);
    // Closes the current page and opens the next. EInvalidOperation when no document is open.
    void NewPage();
    // Closes the last page, adds outlines, fonts, pages, resources, catalog, cross-reference
    // table and trailer, and saves the file through WriteFileAtomically (platform/AtomicFile.h),
    // so a failed save leaves any earlier file as it was and no partial file behind; the
    // failure raises EInOutError naming the file.
    // EInvalidOperation when no document is open (before BeginDoc, or a second EndDoc).
    void EndDoc();

private:
    void beginObject();
    void endObject();
    void line(std::string_view text);
    void openContentStream();
    void closeContentStream();
    void writeFile() const;

    std::string document_; // the file as written so far
    std::int32_t pageNumber_ = 0;
    int pagesObject_ = 0;
    int resourcesObject_ = 0;
    int outlinesObject_ = 0;
    int catalogObject_ = 0;
    int objectCount_ = 0;     // number of the last object begun
    std::int64_t offset_ = 0; // running byte offset (size of document_)
    // Entry k is the offset at which object k + 1 starts; the last entry lies just behind
    // the last object.
    std::vector<std::int64_t> xref_;
    std::vector<int> contentObjects_; // content-stream object number per page
    std::vector<int> fontObjects_;
    std::string object_;      // the object being assembled
    std::string pageContent_; // the current page's operators
    bool docOpen_ = false;
};

} // namespace qm
