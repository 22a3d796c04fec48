#include "dialogs/ItemHeader.h"

#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QVBoxLayout>

#include "app/MainShared.h"
#include "graphics/widgets/RasterImage.h"

namespace qm {

QImage GlyphImage(TBitmap32List& list, int index)
{
    if (index < 0 || index >= list.Bitmaps().Count())
        return {};
    QImage image;
    list.GetBitmap(index).AssignToTarget(image);
    return image;
}

QPixmap GlyphPicture(const QImage& glyph, int size)
{
    if (glyph.isNull())
        return {};
    return QPixmap::fromImage(glyph.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

QPixmap GlyphPicture(TBitmap32List& list, int index, int size)
{
    return GlyphPicture(GlyphImage(list, index), size);
}

namespace {

QLabel* PictureLabel(TMainShared& main, QWidget* parent, int glyph)
{
    auto* label = new QLabel(parent);
    label->setFixedSize(16, 16);
    label->setPixmap(GlyphPicture(main.ItemGlyph(glyph)));
    return label;
}

} // namespace

QWidget* MakeItemHeader(TMainShared& main, QWidget* parent, const char* categoryLabelName,
                        QLabel*& categoryLabel, const char* itemLabelName, QLabel*& itemLabel, int itemGlyph)
{
    auto* panel = new QWidget(parent);
    panel->setObjectName("PanelHeader");
    QFont bold("Arial");
    bold.setPointSize(10);
    bold.setBold(true);

    categoryLabel = new QLabel(panel);
    categoryLabel->setObjectName(categoryLabelName);
    categoryLabel->setFont(bold);
    categoryLabel->setTextFormat(Qt::PlainText);
    itemLabel = new QLabel(panel);
    itemLabel->setObjectName(itemLabelName);
    itemLabel->setFont(bold);
    itemLabel->setTextFormat(Qt::PlainText);

    auto* catRow = new QHBoxLayout;
    catRow->setSpacing(4);
    catRow->addWidget(PictureLabel(main, panel, kGlyphCategory));
    catRow->addWidget(categoryLabel, 1);
    auto* itemRow = new QHBoxLayout;
    itemRow->setSpacing(4);
    itemRow->addSpacing(16);
    itemRow->addWidget(PictureLabel(main, panel, kGlyphBuyMark));
    itemRow->addWidget(PictureLabel(main, panel, itemGlyph));
    itemRow->addWidget(itemLabel, 1);

    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    column->addLayout(catRow);
    column->addLayout(itemRow);
    return panel;
}

} // namespace qm
