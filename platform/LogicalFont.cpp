#include "platform/LogicalFont.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <cmath>
#include <map>

namespace qm {

namespace {

constexpr int32_t DefaultHeight = 16; // a height of 0 asks for the default size
constexpr size_t MaxCachedFonts = 256;
// Larger character heights are drawn at this one (32 inches in thousandths of an inch).
constexpr int MaxPixelSize = 32767;

QFont MakeFont(const emf::TLogFont& lf, int pixelSize)
{
    QFont f = lf.FaceName.empty() ? QFontDatabase::systemFont(QFontDatabase::GeneralFont)
                                  : QFont(ToQString(lf.FaceName));
    f.setPixelSize(std::clamp(pixelSize, 1, MaxPixelSize));
    const int weight = lf.Weight <= 0 ? 400 : std::clamp(lf.Weight, 1, 1000);
    f.setWeight(QFont::Weight(weight));
    f.setItalic(lf.Italic != 0);
    f.setUnderline(lf.Underline != 0);
    f.setStrikeOut(lf.StrikeOut != 0);
    if ((lf.PitchAndFamily & 3) == 1) {
        f.setFixedPitch(true);
        f.setStyleHint(QFont::TypeWriter);
    }
    f.setKerning(false);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

std::string KeyOf(const emf::TLogFont& lf)
{
    std::vector<uint8_t> bytes;
    emf::TRecordWriter w(bytes);
    emf::WriteLogFont(w, lf);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

TLogicalFont::TLogicalFont(const emf::TLogFont& lf)
{
    int pixelSize = int(std::min<int64_t>(std::llabs(int64_t(lf.Height)), MaxPixelSize));
    if (lf.Height == 0)
        pixelSize = DefaultHeight;
    else if (lf.Height > 0) {
        // A positive height is the cell height: find the character height that gives it.
        const QFontMetricsF probe(MakeFont(lf, 1000));
        const double cell = probe.ascent() + probe.descent();
        if (cell > 0)
            pixelSize = int(std::min(std::lround(lf.Height * 1000.0 / cell), long(MaxPixelSize)));
    }
    font_ = MakeFont(lf, pixelSize);
    const QFontMetricsF fm(font_);
    ascent_ = int32_t(std::lround(fm.ascent()));
    descent_ = int32_t(std::lround(fm.descent()));
    leading_ = int32_t(std::lround(fm.leading()));
    std::fill(std::begin(advance_), std::end(advance_), -1.0);
}

double TLogicalFont::Advance(uint8_t Ch) const
{
    double& a = advance_[Ch];
    if (a < 0) {
        const char32_t cp = Cp1252ToUnicode(Ch);
        a = QFontMetricsF(font_).horizontalAdvance(QString::fromUcs4(&cp, 1));
    }
    return a;
}

int32_t TLogicalFont::TextWidth(std::string_view Text) const
{
    double sum = 0;
    for (unsigned char c : Text)
        sum += Advance(c);
    return int32_t(std::lround(sum));
}

void TLogicalFont::Advances(std::string_view Text, std::vector<int32_t>& Dx) const
{
    Dx.resize(Text.size());
    double sum = 0;
    int32_t placed = 0;
    for (size_t i = 0; i < Text.size(); ++i) {
        sum += Advance(uint8_t(Text[i]));
        const int32_t next = int32_t(std::lround(sum));
        Dx[i] = next - placed;
        placed = next;
    }
}

std::shared_ptr<const TLogicalFont> LogicalFont(const emf::TLogFont& LogFont)
{
    // GUI thread only, like all drawing.
    static std::map<std::string, std::shared_ptr<const TLogicalFont>> cache;
    const std::string key = KeyOf(LogFont);
    if (auto it = cache.find(key); it != cache.end())
        return it->second;
    if (cache.size() >= MaxCachedFonts)
        cache.clear(); // holders keep their fonts alive
    auto font = std::make_shared<const TLogicalFont>(LogFont);
    cache.emplace(key, font);
    return font;
}

} // namespace qm
