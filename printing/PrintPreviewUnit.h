#pragma once
// TFormPrintPreview, "Print Preview": the window in which the shopping list or the open store's
// whole item list is set up as a printout, looked at page by page and printed. It holds the
// preview control on which the pages are recorded, a thumbnail strip bound to it and a column
// of options; every option change lays all pages out again, so the preview always shows what
// the print button sends.
//
// The print commands use the window without showing it: they create it, run the show step
// (which loads the stored options and lays the pages out), print and free it; such a print
// writes no setting back. A shown window writes its options and its placement when it closes.
// The window is handed the store, its shopping list and its name; it reads them while it lives.
//
// The page layouts (PrintPreviewLayout.cpp) work in thousandths of an inch on the preview's
// canvas; font sizes are points.
#include <QDialog>
#include <cstdint>
#include <vector>

#include "platform/AnsiString.h"
#include "platform/Dialogs.h"
#include "platform/Dispatch.h"
#include "platform/GraphicsTypes.h"
#include "printing/ShoppingListExport.h"

class QAction;
class QBoxLayout;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QMenu;
class QPainter;
class QPushButton;
class QRadioButton;
class QRect;
class QSpinBox;
class QToolButton;

namespace qm {

class TDeviceCanvas;
class TFloatSpinEdit;
class TPrintPreview;
class TThumbnailPreview;
struct QMShopList;
struct QMShopListCat;
struct QMStore;

class TFormPrintPreview : public QDialog {
    Q_OBJECT
public:
    // Runs the creation step (FormCreate). Store, ShopList and StoreName are what the pages
    // show; Store and ShopList must outlive the window.
    TFormPrintPreview(const QMStore& Store, const QMShopList& ShopList, const AnsiString& StoreName,
                      QWidget* Owner = nullptr);
    ~TFormPrintPreview() override;

    // ---- Components ----
    QWidget* Panel1 = nullptr; // bottom: the buttons
    QPushButton* BtnClose = nullptr;
    QPushButton* BtnPrint = nullptr;
    QPushButton* BtnHelp = nullptr;
    QWidget* Panel2 = nullptr; // left: the thumbnails
    TThumbnailPreview* Thumbnail = nullptr;
    QWidget* Panel3 = nullptr; // the preview
    TPrintPreview* PrintPreview = nullptr;
    QWidget* Panel4 = nullptr; // right: the options
    QComboBox* ComboPrinterFont = nullptr;
    QSpinBox* SpinPrinterFont = nullptr;
    TFloatSpinEdit* SpinLineSpacing = nullptr;
    QSpinBox* SpinColumns = nullptr;
    QRadioButton* RadioPortrait = nullptr;
    QRadioButton* RadioLandscape = nullptr;
    QComboBox* ComboPaperType = nullptr;
    TFloatSpinEdit* SpinMarginTop = nullptr;
    TFloatSpinEdit* SpinMarginBottom = nullptr;
    TFloatSpinEdit* SpinMarginLeft = nullptr;
    TFloatSpinEdit* SpinMarginRight = nullptr;
    QLineEdit* EditPageTitle = nullptr;
    QToolButton* BtnPageTitleHelp = nullptr;
    QMenu* PMenuTitleHelp = nullptr;
    QAction* PItemTitleStoreName = nullptr;
    QCheckBox* CheckPrintDate = nullptr;
    QCheckBox* CheckPrintPageNum = nullptr;
    QCheckBox* CheckCheckBoxes = nullptr;
    QCheckBox* CheckNumItems = nullptr;
    QComboBox* ComboZoom = nullptr;
    PrintDialogRequest PrintDialog;

    // The shopping list (true) or the store's item list; set by the creator before the show
    // step and never changed afterwards.
    bool PrintShoppingList = false;

    // ---- Event handlers ----
    void FormCreate();
    // Loads the stored options into the controls and lays the pages out.
    void FormShow();
    // Stores the options and the window's placement.
    void FormClose();
    // The change handler of every option that alters the layout.
    void ComboPrinterFontChange();
    void RadioPortraitClick();
    void ComboPaperTypeChange();
    void ComboZoomChange();
    void ComboPrinterFontDrawItem(QPainter& Canvas, int Index, const QRect& Rect, bool Selected);
    void ComboPrinterFontMeasureItem(int Index, int& Height);
    void BtnPageTitleHelpClick();
    void PItemTitleStoreNameClick();
    void BtnHelpClick();
    // Draws the margin guide lines on a page's screen overlay.
    void PrintPreviewAnnotation(QObject* Sender, int32_t PageNo, TDeviceCanvas& Canvas);
    // The print dialog, then Copies print jobs of all pages or of the chosen range.
    void BtnPrintClick();

    // ---- Page layout (PrintPreviewLayout.cpp) ----
    // Records all pages of the list the window is for, replacing what was recorded before.
    void LayoutPages();
    void LayoutShoppingList();
    void LayoutItemList();

    // The layout's state after the last layout (lengths in thousandths of an inch).
    const TRect& Area() const { return area_; }
    const TRect& PageFrame() const { return pageFrame_; }
    int32_t LineGap() const { return lineGap_; }
    int32_t NameIndent() const { return nameIndent_; }
    int32_t BoxOffset() const { return boxOffset_; }
    int32_t ColumnWidth() const { return columnWidth_; }
    int32_t ItemRowHeight() const { return itemRowHeight_; }
    int32_t NoteRowHeight() const { return noteRowHeight_; }
    int32_t GroupRowHeight() const { return groupRowHeight_; }
    int32_t BaseSize() const { return size_.BaseSize; }
    // How many times the pages have been laid out since the window was made.
    int32_t LayoutCount() const { return layoutCount_; }

    void done(int Result) override;

protected:
    void showEvent(QShowEvent* Event) override;

private:
    // The components, panel by panel, each adding its part to the given layout.
    void CreateComponents();
    void CreateThumbnailPanel(QBoxLayout* Row);
    void CreatePreviewPanel(QBoxLayout* Row);
    void CreateOptionsPanel(QBoxLayout* Row);
    void CreateTextOptions(QBoxLayout* Options);
    void CreatePaperOptions(QBoxLayout* Options);
    void CreateTitleOptions(QBoxLayout* Options);
    void CreateShowOptions(QBoxLayout* Options);
    void CreateZoomOption(QBoxLayout* Options);
    void CreateButtonPanel(QBoxLayout* Column);
    void ConnectHandlers();
    // The paper an item of the paper combo stands for: the paper table's row of the item's own
    // place when that row has the form's size, else the first row of that size, else pCustom.
    int PaperOfForm(int Index) const;
    // Runs a handler through the command dispatch.
    void Run(void (TFormPrintPreview::*Handler)(), Report When = Report::Now);

    // Page set-up shared by both layouts; ItemList narrows the columns by the rule.
    void BeginLayout(bool ItemList);
    void DrawHeaderFooter();
    void DrawCellText(int32_t X, int32_t Y, const AnsiString& Text);
    void DrawText(int32_t X, int32_t Y, const AnsiString& Text);
    void DrawHRule(int32_t X, int32_t Y, int32_t Thickness, int32_t Right);
    void DrawVRule(int32_t X, int32_t Y, int32_t Thickness, int32_t Bottom);
    void ShopListRowBreak(bool ByAisle, int32_t Aisle, int32_t Category, int32_t Item);
    void ItemListRowBreak(int32_t Category, int32_t Item);
    // Starts the next column, or the next page with its header and footer.
    void NextColumn(bool ItemList);
    // A category group of the shopping list: its heading, then its item rows.
    void ShopListGroup(bool ByAisle, int32_t Aisle, int32_t Category, const QMShopListCat& Cat);
    // The rule above a group, unless the group starts a column.
    void DrawGroupRule();
    // A category's heading row; an aisle's name right-aligned on the row (no advance).
    void DrawCategoryHeading(const AnsiString& Name);
    void DrawAisleName(const AnsiString& Name);
    // The page canvas's font size and style. A break begins the next page with the preview's
    // font, so each row sets the font it draws in.
    void UseFont(int32_t Size, bool Bold);
    void UseItemFont();
    void UseCategoryFont();
    void UseAisleFont();
    void UseQtyFont();
    void UseNoteFont();
    int32_t LineHeight();                      // the height of "Sy" in the current font
    int32_t TextWidth(const AnsiString& Text); // in the current font
    // The canvas of the page being recorded. A page break (NextColumn, so any row break) closes
    // that page and frees its canvas: only the one-step helpers above take it, each afresh;
    // the layout itself never keeps the canvas or its font.
    TDeviceCanvas& PageCanvas();
    const QMShopList& ShopList() const { return shopList_; }
    const QMStore& Store() const { return store_; }
    const AnsiString& StoreName() const { return storeName_; }

    const QMStore& store_;
    const QMShopList& shopList_;
    const AnsiString storeName_;

    // The portrait size of each form in the paper combo, thousandths of a millimetre.
    std::vector<TSize> paperForms_;
    // The paper combo's item whose paper the preview has; -1 for none.
    int paperItem_ = -1;
    bool created_ = false;
    bool shown_ = false;  // the show step has run
    bool loading_ = true; // until the show step has filled the controls: no layout yet

    // The thickness of the rules under the header and between groups and columns, in
    // thousandths of an inch.
    static constexpr int32_t RuleWidth = 20;
    // Layout state; lengths in thousandths of an inch, font sizes in points.
    TRect area_;
    TRect pageFrame_;
    int32_t lineGap_ = 0;
    int32_t nameIndent_ = 0;
    int32_t boxOffset_ = 0;
    PrintFontSizes size_;
    int32_t curX_ = 0, curY_ = 0;
    int32_t columnWidth_ = 0;
    int32_t itemRowHeight_ = 0, noteRowHeight_ = 0, groupRowHeight_ = 0;
    AnsiString title_;    // the page title of the layout under way
    AnsiString dateText_; // the date printed on each of its pages
    int32_t layoutCount_ = 0;
};

} // namespace qm
