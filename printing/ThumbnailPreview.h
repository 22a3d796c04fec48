#pragma once
// A scrolling strip that shows every page of a TPrintPreview as a small sheet with its page
// number under it, frames the page the preview shows, and moves the preview to a page whose
// thumbnail is clicked. Thumbnails are laid out in rows (a vertical strip) or columns (a
// horizontal one) and are made and freed as the page count changes; each is painted only
// when it comes into view.
#include <QLabel>
#include <cstdint>
#include <memory>
#include <vector>

#include "printing/PaperPreview.h"
#include "printing/ScrollBox.h"

namespace qm {

class TPrintPreview;
class TThumbnailPreview;

// A thumbnail's page number; a click on it counts as a click on the thumbnail.
class TThumbnailLabel : public QLabel {
    Q_OBJECT
public:
    explicit TThumbnailLabel(QWidget* Parent) : QLabel(Parent) {}
    int32_t Tag = 0;
    TPreviewEvent OnClick;

protected:
    void mouseReleaseEvent(QMouseEvent* Event) override;
};

// One page's sheet and label, both owned by the strip; freeing the thumbnail frees both.
class TThumbnail {
public:
    TThumbnail(TThumbnailPreview& Strip, int32_t PageNo);
    ~TThumbnail();
    TThumbnail(const TThumbnail&) = delete;
    TThumbnail& operator=(const TThumbnail&) = delete;

    int32_t PageNo;
    TPaperPreview* Paper;
    TThumbnailLabel* Label;
    // The sheet and the label together, one pixel larger all round (client coordinates).
    TRect BoundsRect() const;
};

class TThumbnailPreview : public TScrollBox {
    Q_OBJECT
public:
    explicit TThumbnailPreview(QWidget* Parent = nullptr);
    // Lets go of the preview (freeing every thumbnail).
    ~TThumbnailPreview() override;

    // Pixels between thumbnails and around the strip's content.
    uint8_t Margin() const { return margin_; }
    void SetMargin(uint8_t Value);
    // The frame of the marked thumbnail.
    TColor MarkerColor() const { return markerColor_; }
    void SetMarkerColor(TColor Value);
    // sbVertical fills rows left to right and scrolls vertically; sbHorizontal fills columns
    // top to bottom and scrolls horizontally.
    TScrollBarKind Orientation() const { return orientation_; }
    void SetOrientation(TScrollBarKind Value);
    TPrintPreview* PrintPreview() const { return preview_; }
    void SetPrintPreview(TPrintPreview* Value);
    TPaperPreviewOptions& PaperView() { return paperView_; }
    void SetPaperView(const TPaperPreviewOptions& Value) { paperView_.Assign(&Value); }
    // A thumbnail's size in percent of the page's screen size.
    int32_t Zoom() const { return zoom_; }
    void SetZoom(int32_t Value);
    bool TabStop() const { return focusPolicy() != Qt::NoFocus; }
    void SetTabStop(bool Value) { setFocusPolicy(Value ? Qt::StrongFocus : Qt::NoFocus); }

    // The marked thumbnail changed.
    TPreviewEvent OnChange;

    int32_t Rows() const { return rows_; }
    int32_t Columns() const { return columns_; }
    int32_t ThumbnailCount() const { return int32_t(thumbnails_.size()); }
    // Thumbnail i shows page i + 1.
    TThumbnail& Thumbnail(int32_t Index) { return *thumbnails_.at(size_t(Index)); }
    TThumbnail* Marked() const { return marked_; }

    // Scrolls so that R (client coordinates) comes into view, its left and top edges first.
    virtual void ScrollRectInView(TRect R);
    // Full: lays every thumbnail out again, making and freeing them for the page count;
    // always: moves the mark to the preview's current page.
    virtual void RebuildThumbnails(bool Full);
    // Repaints one thumbnail at once; -1 invalidates them all.
    virtual void RepaintThumbnail(int32_t PageIndex);
    // The sheet's position and size in its cell, the cell's size, the label's size and
    // position.
    virtual void CalcThumbnailMetrics(TPoint& PaperPos, TPoint& PaperSize, TPoint& CellSize,
                                      TPoint& LabelSize, TPoint& LabelPos);

protected:
    void Resized() override;
    void changeEvent(QEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
    void wheelEvent(QWheelEvent* Event) override;

private:
    friend class TThumbnail;
    void PaintThumbnail(QObject* Sender, TPainterCanvas& Canvas, const TRect& PageRect);
    void ThumbnailClick(QObject* Sender);
    void OptionsChanged();
    void FreeThumbnails();

    std::vector<std::unique_ptr<TThumbnail>> thumbnails_;
    int32_t zoom_ = 10;
    uint8_t margin_ = 6;
    TColor markerColor_ = clBlue;
    TScrollBarKind orientation_ = sbVertical;
    TPrintPreview* preview_ = nullptr;
    TPaperPreviewOptions paperView_;
    int32_t rows_ = 0;
    int32_t columns_ = 0;
    TThumbnail* marked_ = nullptr;
    bool rebuilding_ = false;
};

} // namespace qm
