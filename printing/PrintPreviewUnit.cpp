#include "printing/PrintPreviewUnit.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QShowEvent>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdlib>

#include "app/HelpContexts.h"
#include "app/Settings.h"
#include "platform/DeviceCanvas.h"
#include "platform/Dispatch.h"
#include "platform/Shell.h"
#include "platform/gui/FontNames.h"
#include "platform/gui/Placement.h"
#include "platform/gui/Printer.h"
#include "platform/gui/SpinEdit.h"
#include "printing/PrintPreview.h"
#include "printing/ThumbnailPreview.h"
#include "util/widgets/FloatSpinEdit.h"

namespace qm {

namespace {

constexpr int kHelpShoppingList = HelpContextOf("Printing the shopping list");
constexpr int kHelpItemList = HelpContextOf("Printing the store's items");
// The zoom combo's items: four percentages, then the three fitting states.
constexpr int kZoomPercent[] = {50, 100, 150, 200};
constexpr int kZoomItems = 7;
constexpr int kWholePage = 6;
static_assert(kPrintZoom.Default == kWholePage);
// The longest side a page can have, in the preview's units.
constexpr int32_t kMaxPageSide = 32767;

// Each font name drawn in its own face by the window's draw and measure handlers.
class PrinterFontDelegate : public QStyledItemDelegate {
public:
    PrinterFontDelegate(TFormPrintPreview& Form, QObject* Parent) : QStyledItemDelegate(Parent), form_(Form)
    {
    }

    void paint(QPainter* Painter, const QStyleOptionViewItem& Option, const QModelIndex& Index) const override
    {
        Painter->save();
        form_.ComboPrinterFontDrawItem(*Painter, Index.row(), Option.rect,
                                       Option.state & QStyle::State_Selected);
        Painter->restore();
    }
    QSize sizeHint(const QStyleOptionViewItem& Option, const QModelIndex& Index) const override
    {
        int height = 17;
        form_.ComboPrinterFontMeasureItem(Index.row(), height);
        QFont font(Index.data().toString());
        font.setPointSizeF(Option.font.pointSizeF());
        return {QFontMetrics(font).horizontalAdvance(Index.data().toString()) + 4, height};
    }

private:
    TFormPrintPreview& form_;
};

QLabel* Caption(QWidget* Parent, const char* Text)
{
    auto* label = new QLabel(Text, Parent);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Raised);
    return label;
}

QSpinBox* Spin(QWidget* Parent, const char* Name, int Min, int Max, int Value)
{
    auto* spin = new TSpinEdit(Parent);
    spin->setObjectName(Name);
    spin->setRange(Min, Max);
    spin->setValue(Value);
    return spin;
}

TFloatSpinEdit* FloatSpin(QWidget* Parent, const char* Name, double Min, double Max, double Step,
                          double Value)
{
    auto* spin = new TFloatSpinEdit(Parent);
    spin->setObjectName(Name);
    spin->SetMinValue(Min);
    spin->SetMaxValue(Max);
    spin->SetIncrement(Step);
    spin->SetValue(Value);
    spin->setMinimumWidth(56);
    return spin;
}

QCheckBox* Check(QWidget* Parent, const char* Name, const char* Text)
{
    auto* box = new QCheckBox(Text, Parent);
    box->setObjectName(Name);
    return box;
}

} // namespace

TFormPrintPreview::TFormPrintPreview(const QMStore& Store, const QMShopList& ShopList,
                                     const AnsiString& StoreName, QWidget* Owner)
    : QDialog(Owner), store_(Store), shopList_(ShopList), storeName_(StoreName)
{
    setObjectName("FormPrintPreview");
    setWindowTitle("Print Preview");
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    setSizeGripEnabled(true);
    resize(844, 619);
    CreateComponents();
    ConnectHandlers();
    FormCreate();
    created_ = true;
}

TFormPrintPreview::~TFormPrintPreview()
{
    // The strip lets go of the preview before either is freed.
    if (Thumbnail)
        Thumbnail->SetPrintPreview(nullptr);
}

void TFormPrintPreview::CreateComponents()
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* top = new QHBoxLayout;
    top->setSpacing(0);
    outer->addLayout(top, 1);
    CreateThumbnailPanel(top);
    CreatePreviewPanel(top);
    Thumbnail->SetPrintPreview(PrintPreview);
    CreateOptionsPanel(top);
    CreateButtonPanel(outer);

    PrintDialog.Copies = 1;
    PrintDialog.FromPage = 1;
    PrintDialog.ToPage = 1;
    PrintDialog.MinPage = 1;
    PrintDialog.MaxPage = 99;
    PrintDialog.PageNumbers = true;
}

// Thumbnails on the left.
void TFormPrintPreview::CreateThumbnailPanel(QBoxLayout* Row)
{
    Panel2 = new QWidget(this);
    Panel2->setObjectName("Panel2");
    Panel2->setFixedWidth(142);
    auto* left = new QVBoxLayout(Panel2);
    left->setContentsMargins(2, 2, 2, 2);
    left->addWidget(Caption(Panel2, " Thumbnails:"));
    Thumbnail = new TThumbnailPreview(Panel2);
    Thumbnail->setObjectName("Thumbnail");
    left->addWidget(Thumbnail, 1);
    Row->addWidget(Panel2);
}

// The preview in the middle.
void TFormPrintPreview::CreatePreviewPanel(QBoxLayout* Row)
{
    Panel3 = new QWidget(this);
    Panel3->setObjectName("Panel3");
    auto* middle = new QVBoxLayout(Panel3);
    middle->setContentsMargins(2, 2, 2, 2);
    middle->addWidget(Caption(Panel3, " Preview:"));
    PrintPreview = new TPrintPreview(Panel3);
    PrintPreview->setObjectName("PrintPreview");
    PrintPreview->SetUnits(mmHiEnglish);
    PrintPreview->SetPaperType(pLetter);
    PrintPreview->SetAnnotation(true);
    PrintPreview->Font().SetName("Courier New");
    middle->addWidget(PrintPreview, 1);
    Row->addWidget(Panel3, 1);
}

// The options on the right, from the font down to the zoom.
void TFormPrintPreview::CreateOptionsPanel(QBoxLayout* Row)
{
    Panel4 = new QWidget(this);
    Panel4->setObjectName("Panel4");
    Panel4->setFixedWidth(192);
    Panel4->setMinimumHeight(480);
    auto* opts = new QVBoxLayout(Panel4);
    opts->setContentsMargins(4, 2, 4, 2);
    opts->setSpacing(3);
    opts->addWidget(Caption(Panel4, " Options:"));
    CreateTextOptions(opts);
    CreatePaperOptions(opts);
    CreateTitleOptions(opts);
    CreateShowOptions(opts);
    CreateZoomOption(opts);
    opts->addStretch(1);
    Row->addWidget(Panel4);
}

// The font with its size, the line spacing and the columns.
void TFormPrintPreview::CreateTextOptions(QBoxLayout* Options)
{
    Options->addWidget(new QLabel("Font:", Panel4));
    auto* fontRow = new QHBoxLayout;
    ComboPrinterFont = new QComboBox(Panel4);
    ComboPrinterFont->setObjectName("ComboPrinterFont");
    ComboPrinterFont->setItemDelegate(new PrinterFontDelegate(*this, ComboPrinterFont));
    ComboPrinterFont->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ComboPrinterFont->setMinimumContentsLength(8);
    fontRow->addWidget(ComboPrinterFont, 1);
    SpinPrinterFont = Spin(Panel4, "SpinPrinterFont", 6, 32, 10);
    fontRow->addWidget(SpinPrinterFont);
    Options->addLayout(fontRow);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("Line Spacing:", Panel4), 0, 0);
    SpinLineSpacing = FloatSpin(Panel4, "SpinLineSpacing", -0.1, 0.2, 0.01, 0.02);
    grid->addWidget(SpinLineSpacing, 0, 1);
    grid->addWidget(new QLabel("inches", Panel4), 0, 2);
    grid->addWidget(new QLabel("Columns:", Panel4), 1, 0);
    SpinColumns = Spin(Panel4, "SpinColumns", 1, 10, 3);
    grid->addWidget(SpinColumns, 1, 1);
    Options->addLayout(grid);
}

// The orientation, the paper and the four margins.
void TFormPrintPreview::CreatePaperOptions(QBoxLayout* Options)
{
    Options->addWidget(new QLabel("Orientation:", Panel4));
    auto* orientRow = new QHBoxLayout;
    RadioPortrait = new QRadioButton("Portrait", Panel4);
    RadioPortrait->setObjectName("RadioPortrait");
    RadioPortrait->setChecked(true);
    RadioLandscape = new QRadioButton("Landscape", Panel4);
    RadioLandscape->setObjectName("RadioLandscape");
    orientRow->addWidget(RadioPortrait);
    orientRow->addWidget(RadioLandscape);
    Options->addLayout(orientRow);

    Options->addWidget(new QLabel("Paper Type:", Panel4));
    ComboPaperType = new QComboBox(Panel4);
    ComboPaperType->setObjectName("ComboPaperType");
    ComboPaperType->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ComboPaperType->setMinimumContentsLength(8);
    Options->addWidget(ComboPaperType);

    // The four margins placed like the edges they stand for.
    Options->addWidget(new QLabel("Margins (inches):", Panel4));
    auto* margins = new QGridLayout;
    SpinMarginTop = FloatSpin(Panel4, "SpinMarginTop", 0, 2.0, 0.05, 0.25);
    SpinMarginBottom = FloatSpin(Panel4, "SpinMarginBottom", 0, 2.0, 0.05, 0.25);
    SpinMarginLeft = FloatSpin(Panel4, "SpinMarginLeft", 0, 2.0, 0.05, 0.25);
    SpinMarginRight = FloatSpin(Panel4, "SpinMarginRight", 0, 2.0, 0.05, 0.25);
    margins->addWidget(SpinMarginTop, 0, 1);
    margins->addWidget(SpinMarginLeft, 1, 0);
    margins->addWidget(SpinMarginRight, 1, 2);
    margins->addWidget(SpinMarginBottom, 2, 1);
    Options->addLayout(margins);
}

// The page title with the button whose menu inserts the store name's placeholder.
void TFormPrintPreview::CreateTitleOptions(QBoxLayout* Options)
{
    Options->addWidget(new QLabel("Page Title:", Panel4));
    auto* titleRow = new QHBoxLayout;
    EditPageTitle = new QLineEdit(Panel4);
    EditPageTitle->setObjectName("EditPageTitle");
    titleRow->addWidget(EditPageTitle, 1);
    BtnPageTitleHelp = new QToolButton(Panel4);
    BtnPageTitleHelp->setObjectName("BtnPageTitleHelp");
    BtnPageTitleHelp->setText("%");
    BtnPageTitleHelp->setAutoRaise(true);
    titleRow->addWidget(BtnPageTitleHelp);
    Options->addLayout(titleRow);
    PMenuTitleHelp = new QMenu(this);
    PMenuTitleHelp->setObjectName("PMenuTitleHelp");
    PItemTitleStoreName = PMenuTitleHelp->addAction("Store Name (%s)");
    PItemTitleStoreName->setObjectName("PItemTitleStoreName");
}

// What the pages show besides the list: the date, the page numbers, check boxes, the count.
void TFormPrintPreview::CreateShowOptions(QBoxLayout* Options)
{
    CheckPrintDate = Check(Panel4, "CheckPrintDate", "Show Today's Date");
    CheckPrintPageNum = Check(Panel4, "CheckPrintPageNum", "Show Page Numbers");
    CheckCheckBoxes = Check(Panel4, "CheckCheckBoxes", "Show Check Boxes");
    CheckNumItems = Check(Panel4, "CheckNumItems", "Show No. of Items");
    for (QCheckBox* box : {CheckPrintDate, CheckPrintPageNum, CheckCheckBoxes, CheckNumItems})
        Options->addWidget(box);
}

// The zoom, under a rule: it changes the view only, not the pages.
void TFormPrintPreview::CreateZoomOption(QBoxLayout* Options)
{
    auto* rule = new QFrame(Panel4);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    Options->addWidget(rule);
    auto* zoomRow = new QHBoxLayout;
    zoomRow->addWidget(new QLabel("Zoom:", Panel4));
    ComboZoom = new QComboBox(Panel4);
    ComboZoom->setObjectName("ComboZoom");
    ComboZoom->addItems({"50%", "100%", "150%", "200%", "Page Width", "Page Height", "Whole Page"});
    zoomRow->addWidget(ComboZoom, 1);
    Options->addLayout(zoomRow);
}

// The buttons along the bottom.
void TFormPrintPreview::CreateButtonPanel(QBoxLayout* Column)
{
    Panel1 = new QWidget(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFixedHeight(43);
    auto* buttons = new QHBoxLayout(Panel1);
    buttons->setContentsMargins(8, 8, 8, 8);
    buttons->addStretch(1);
    BtnClose = new QPushButton("&Close", Panel1);
    BtnClose->setObjectName("BtnClose");
    BtnClose->setDefault(true);
    BtnPrint = new QPushButton("&Print", Panel1);
    BtnPrint->setObjectName("BtnPrint");
    BtnHelp = new QPushButton("&Help", Panel1);
    BtnHelp->setObjectName("BtnHelp");
    for (QPushButton* b : {BtnClose, BtnPrint, BtnHelp})
        buttons->addWidget(b);
    Column->addWidget(Panel1);
}

void TFormPrintPreview::Run(void (TFormPrintPreview::*Handler)(), Report When)
{
    Dispatch([this, Handler] { (this->*Handler)(); }, When);
}

void TFormPrintPreview::ConnectHandlers()
{
    const auto change = [this] { Run(&TFormPrintPreview::ComboPrinterFontChange); };
    // A combo box's pick comes while its list closes.
    connect(ComboPrinterFont, &QComboBox::currentIndexChanged, this,
            [this] { Run(&TFormPrintPreview::ComboPrinterFontChange, Report::Later); });
    connect(SpinPrinterFont, &QSpinBox::valueChanged, this, change);
    connect(SpinColumns, &QSpinBox::valueChanged, this, change);
    for (TFloatSpinEdit* spin :
         {SpinLineSpacing, SpinMarginTop, SpinMarginBottom, SpinMarginLeft, SpinMarginRight})
        spin->OnChange = [change](QObject*) { change(); };
    connect(EditPageTitle, &QLineEdit::textChanged, this, change);
    for (QCheckBox* box : {CheckPrintDate, CheckPrintPageNum, CheckCheckBoxes, CheckNumItems})
        connect(box, &QCheckBox::toggled, this, change);
    // One handler for the pair: it runs once the new button is checked.
    connect(RadioPortrait, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            Run(&TFormPrintPreview::RadioPortraitClick);
    });
    connect(RadioLandscape, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            Run(&TFormPrintPreview::RadioPortraitClick);
    });
    connect(ComboPaperType, &QComboBox::currentIndexChanged, this,
            [this] { Run(&TFormPrintPreview::ComboPaperTypeChange, Report::Later); });
    connect(ComboZoom, &QComboBox::currentIndexChanged, this,
            [this] { Run(&TFormPrintPreview::ComboZoomChange, Report::Later); });
    connect(BtnPageTitleHelp, &QToolButton::clicked, this,
            [this] { Run(&TFormPrintPreview::BtnPageTitleHelpClick); });
    connect(PItemTitleStoreName, &QAction::triggered, this,
            [this] { Run(&TFormPrintPreview::PItemTitleStoreNameClick); });
    connect(BtnClose, &QPushButton::clicked, this, [this] { done(mrOk); });
    connect(BtnPrint, &QPushButton::clicked, this, [this] { Run(&TFormPrintPreview::BtnPrintClick); });
    connect(BtnHelp, &QPushButton::clicked, this, [this] { Run(&TFormPrintPreview::BtnHelpClick); });
    PrintPreview->OnAnnotation = [this](QObject* Sender, int32_t PageNo, TDeviceCanvas& Canvas) {
        PrintPreviewAnnotation(Sender, PageNo, Canvas);
    };
}

void TFormPrintPreview::FormCreate()
{
    ComboPrinterFont->addItems(ScreenFontNames());
    std::vector<AnsiString> forms;
    PrintPreview->ListPrinterForms(forms, &paperForms_);
    for (const AnsiString& form : forms)
        ComboPaperType->addItem(ToQString(form));
    // Listing the forms asked the print server; one that does not answer has been waited for
    // once, and the user learns why its printers are missing.
    if (Printer().ServerSilent())
        MessageDlg(PrintServerSilentText(), mtError, mbOK, 0);

    setWindowState(Qt::WindowNoState);
    const TPlacementSettings& stored = kPreviewPlacement;
    // No size beyond the whole desktop: a damaged value would ask for an enormous window.
    QSize limit = size();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        limit = limit.expandedTo(screen->virtualSize());
    QPoint pos = this->pos();
    QSize size = this->size();
    if (SettingExists(stored.Left))
        pos.setX(ReadSetting(stored.Left));
    if (SettingExists(stored.Top))
        pos.setY(ReadSetting(stored.Top));
    if (SettingExists(stored.Width))
        size.setWidth(std::clamp(ReadSetting(stored.Width), 1, limit.width()));
    if (SettingExists(stored.Height))
        size.setHeight(std::clamp(ReadSetting(stored.Height), 1, limit.height()));
    if (SettingExists(stored.Left) || SettingExists(stored.Top))
        move(PositionOnScreen(pos, size));
    resize(size);
    if (SettingExists(stored.IsMaximized) && ReadSetting(stored.IsMaximized))
        setWindowState(Qt::WindowMaximized);
}

void TFormPrintPreview::showEvent(QShowEvent* Event)
{
    QDialog::showEvent(Event);
    if (!shown_ && !Event->spontaneous())
        Dispatch([this] { FormShow(); });
}

void TFormPrintPreview::FormShow()
{
    shown_ = true;
    loading_ = true;
    struct Loaded {
        bool& flag;
        ~Loaded() { flag = false; }
    } loaded{loading_};

    // A font that is not installed falls back to Arial (or the first font there is), so the
    // printout never asks for a font without a name.
    int font = ComboPrinterFont->findText(ToQString(ReadSetting(kPrintFontName)), Qt::MatchFixedString);
    if (font < 0)
        font = ComboPrinterFont->findText("Arial", Qt::MatchFixedString);
    if (font < 0 && ComboPrinterFont->count() > 0)
        font = 0;
    ComboPrinterFont->setCurrentIndex(font);
    // The spin boxes bring stored values outside their ranges onto the nearest bound.
    SpinPrinterFont->setValue(ReadSetting(kPrintFontSize));
    SpinLineSpacing->SetValue(ReadSetting(kLineSpacing));
    SpinColumns->setValue(ReadSetting(kPrintColumns));
    const bool landscape = ReadSetting(kDoPrintLandscape);
    RadioLandscape->setChecked(landscape);
    RadioPortrait->setChecked(!landscape);
    // The stored paper is a row of the paper table: the form of that place in the list when it
    // is that paper, else the first form of its size; a custom paper (its size not stored) or
    // a paper the printer has no form for selects none.
    const int paper = ReadSetting(kPaperType);
    int paperItem = -1;
    if (paper >= 0 && paper < pCustom) {
        if (paper < ComboPaperType->count() && PaperOfForm(paper) == paper)
            paperItem = paper;
        for (int i = 0; paperItem < 0 && i < ComboPaperType->count(); ++i)
            if (PaperOfForm(i) == paper)
                paperItem = i;
    }
    ComboPaperType->setCurrentIndex(paperItem);
    SpinMarginTop->SetValue(ReadSetting(kPrintMarginTop));
    SpinMarginBottom->SetValue(ReadSetting(kPrintMarginBottom));
    SpinMarginLeft->SetValue(ReadSetting(kPrintMarginLeft));
    SpinMarginRight->SetValue(ReadSetting(kPrintMarginRight));
    EditPageTitle->setText(ToQString(ReadSetting(PrintShoppingList ? kPrintTitle : kPrintTitleIL)));
    CheckPrintDate->setChecked(ReadSetting(kDoPrintDate));
    CheckPrintPageNum->setChecked(ReadSetting(kDoPrintPageNum));
    CheckCheckBoxes->setChecked(ReadSetting(kDoPrintCheckBoxes));
    CheckNumItems->setChecked(ReadSetting(kDoPrintNumItems));
    // A zoom index outside the list shows the whole page, and the combo says so.
    const int zoom = ReadSetting(kPrintZoom);
    ComboZoom->setCurrentIndex(zoom >= 0 && zoom < kZoomItems ? zoom : kWholePage);

    // Orientation, paper and zoom go to the preview; the pages are laid out once, at the end.
    RadioPortraitClick();
    ComboPaperTypeChange();
    ComboZoomChange();
    loading_ = false;
    LayoutPages();
}

void TFormPrintPreview::done(int Result)
{
    if (shown_) {
        shown_ = false;
        Dispatch([this] { FormClose(); });
    }
    QDialog::done(Result);
}

void TFormPrintPreview::FormClose()
{
    const TPlacementSettings& stored = kPreviewPlacement;
    const bool maximized = isMaximized();
    WriteSetting(stored.IsMaximized, maximized);
    if (!maximized) {
        WriteSetting(stored.Left, x());
        WriteSetting(stored.Top, y());
        WriteSetting(stored.Width, width());
        WriteSetting(stored.Height, height());
    }
    const auto writeFloat = [](const TSetting<double>& setting, const TFloatSpinEdit* spin) {
        WriteSetting(setting, spin->CheckValue(spin->Value()));
    };
    WriteSetting(kPrintFontName,
                 ComboPrinterFont->currentIndex() >= 0 ? FromQString(ComboPrinterFont->currentText()) : "");
    WriteSetting(kPrintFontSize, SpinPrinterFont->value());
    writeFloat(kLineSpacing, SpinLineSpacing);
    WriteSetting(kPrintColumns, SpinColumns->value());
    WriteSetting(kDoPrintLandscape, PrintPreview->Orientation() == poLandscape);
    WriteSetting(kPaperType, PrintPreview->PaperType());
    writeFloat(kPrintMarginTop, SpinMarginTop);
    writeFloat(kPrintMarginBottom, SpinMarginBottom);
    writeFloat(kPrintMarginLeft, SpinMarginLeft);
    writeFloat(kPrintMarginRight, SpinMarginRight);
    WriteSetting(PrintShoppingList ? kPrintTitle : kPrintTitleIL, FromQString(EditPageTitle->text()));
    WriteSetting(kDoPrintDate, CheckPrintDate->isChecked());
    WriteSetting(kDoPrintPageNum, CheckPrintPageNum->isChecked());
    WriteSetting(kDoPrintCheckBoxes, CheckCheckBoxes->isChecked());
    WriteSetting(kDoPrintNumItems, CheckNumItems->isChecked());
    WriteSetting(kPrintZoom, ComboZoom->currentIndex());
}

void TFormPrintPreview::ComboPrinterFontChange()
{
    LayoutPages();
}

void TFormPrintPreview::RadioPortraitClick()
{
    PrintPreview->SetOrientation(RadioPortrait->isChecked() ? poPortrait : poLandscape);
    LayoutPages();
}

int TFormPrintPreview::PaperOfForm(int Index) const
{
    if (Index < 0 || Index >= int(paperForms_.size()))
        return -1;
    const TSize& form = paperForms_[size_t(Index)];
    // Within a tenth of a millimetre: a size given in points comes out a little apart from the
    // same paper given in millimetres or inches.
    const auto fits = [&](int row) {
        const TPaperSizeInfo& r = PaperSizes[row];
        const int32_t w = ConvertUnits(r.Width, 96, r.Units, mmHiMetric) * 10,
                      h = ConvertUnits(r.Height, 96, r.Units, mmHiMetric) * 10;
        return std::abs(w - form.cx) <= 100 && std::abs(h - form.cy) <= 100;
    };
    if (Index < pCustom && fits(Index))
        return Index;
    for (int row = 0; row < pCustom; ++row)
        if (fits(row))
            return row;
    return pCustom;
}

void TFormPrintPreview::ComboPaperTypeChange()
{
    // The combo lists the printer's forms. A printer that lists the standard forms in the
    // paper table's order has each item stand for the paper of its own index; any other
    // printer's form (a print queue lists its driver's sizes in an order of its own) picks the
    // paper of its size, or a page of its own size. None selected keeps the paper as it is.
    const int index = ComboPaperType->currentIndex();
    const int paper = PaperOfForm(index);
    if (paper >= 0 && paper < pCustom) {
        PrintPreview->SetPaperType(TPaperType(paper));
    } else if (paper == pCustom) {
        const TSize& form = paperForms_[size_t(index)];
        const TUnits units = PrintPreview->Units();
        int32_t w = ConvertUnits((form.cx + 5) / 10, 96, mmHiMetric, units),
                h = ConvertUnits((form.cy + 5) / 10, 96, mmHiMetric, units);
        // A page holds at most 32767 units a side; a larger form would be cut down to that.
        if (w > kMaxPageSide || h > kMaxPageSide) {
            const QSignalBlocker quiet(ComboPaperType);
            ComboPaperType->setCurrentIndex(paperItem_);
            MessageDlg(
                Format("The paper is too large for the printer: %d x %d mm.", form.cx / 1000, form.cy / 1000),
                mtError, mbOK, 0);
            return;
        }
        if (PrintPreview->Orientation() == poLandscape)
            std::swap(w, h);
        PrintPreview->SetPaperWidth(w);
        PrintPreview->SetPaperHeight(h);
    }
    paperItem_ = index;
    LayoutPages();
}

void TFormPrintPreview::ComboZoomChange()
{
    // The zoom changes only the view: the recorded pages stay as they are.
    const int index = ComboZoom->currentIndex();
    if (index >= 0 && index < 4)
        PrintPreview->SetZoom(kZoomPercent[index]);
    else if (index == 4)
        PrintPreview->SetZoomState(zsZoomToWidth);
    else if (index == 5)
        PrintPreview->SetZoomState(zsZoomToHeight);
    else
        PrintPreview->SetZoomState(zsZoomToFit);
}

void TFormPrintPreview::ComboPrinterFontDrawItem(QPainter& Canvas, int Index, const QRect& Rect,
                                                 bool Selected)
{
    const QPalette& palette = ComboPrinterFont->palette();
    Canvas.fillRect(Rect, palette.brush(Selected ? QPalette::Highlight : QPalette::Base));
    const QString name = ComboPrinterFont->itemText(Index);
    QFont font(name);
    font.setPointSizeF(ComboPrinterFont->font().pointSizeF());
    Canvas.setFont(font);
    Canvas.setPen(palette.color(Selected ? QPalette::HighlightedText : QPalette::Text));
    Canvas.drawText(Rect, Qt::AlignLeft | Qt::AlignTop, name);
}

void TFormPrintPreview::ComboPrinterFontMeasureItem(int Index, int& Height)
{
    if (Index < 0) {
        Height = 17;
        return;
    }
    QFont font(ComboPrinterFont->itemText(Index));
    font.setPointSizeF(ComboPrinterFont->font().pointSizeF());
    Height = QFontMetrics(font).height();
}

void TFormPrintPreview::BtnPageTitleHelpClick()
{
    PMenuTitleHelp->popup(QCursor::pos());
}

void TFormPrintPreview::PItemTitleStoreNameClick()
{
    EditPageTitle->insert("%s");
}

void TFormPrintPreview::BtnHelpClick()
{
    Shell().showHelp(PrintShoppingList ? kHelpShoppingList : kHelpItemList);
}

void TFormPrintPreview::PrintPreviewAnnotation(QObject*, int32_t, TDeviceCanvas& Canvas)
{
    Canvas.Pen().SetWidth(0);
    Canvas.Pen().SetStyle(psDot);
    Canvas.Pen().SetColor(clSilver);
    const int32_t w = PrintPreview->PaperWidth(), h = PrintPreview->PaperHeight();
    for (int32_t x : {pageFrame_.Left, pageFrame_.Right}) {
        Canvas.MoveTo(x, 0);
        Canvas.LineTo(x, h);
    }
    for (int32_t y : {pageFrame_.Top, pageFrame_.Bottom}) {
        Canvas.MoveTo(0, y);
        Canvas.LineTo(w, y);
    }
}

void TFormPrintPreview::BtnPrintClick()
{
    const int32_t total = PrintPreview->TotalPages();
    PrintDialog.FromPage = 1;
    PrintDialog.ToPage = total;
    // A printout longer than the dialog's usual 99 pages can still be printed whole.
    PrintDialog.MaxPage = std::max(99, total);
    PrintDialog.HelpContext = PrintShoppingList ? kHelpShoppingList : kHelpItemList;
    if (!PromptForPrint(PrintDialog))
        return;
    const int copies = PrintDialog.Copies;
    if (copies < 1)
        return;
    // A range with no page of the printout in it would print nothing, silently.
    if (PrintDialog.PrintRange == PrintDialogRequest::prPageNums &&
        std::max(PrintDialog.FromPage, 1) > std::min(PrintDialog.ToPage, total)) {
        const int from = PrintDialog.FromPage, to = PrintDialog.ToPage;
        const AnsiString pages = total == 1 ? AnsiString("1 page") : Format("%d pages", total);
        MessageDlg(from > total
                       ? Format("Nothing was printed: the printout has only %s, so pages %d to %d are "
                                "past its end.",
                                pages.c_str(), from, to)
                       : Format("Nothing was printed: the page range %d to %d holds no page.", from, to),
                   mtError, mbOK, 0);
        return;
    }
    for (int i = 0; i < copies; ++i) {
        if (PrintDialog.PrintRange == PrintDialogRequest::prAllPages)
            PrintPreview->Print();
        else if (PrintDialog.PrintRange == PrintDialogRequest::prPageNums)
            PrintPreview->PrintPages(PrintDialog.FromPage, PrintDialog.ToPage);
    }
}

} // namespace qm
