#include "dialogs/ViewClipUnit.h"

#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/MainShared.h"
#include "app/Settings.h"
#include "platform/Dialogs.h"
#include "platform/Dispatch.h"
#include "platform/Registry.h"
#include "platform/gui/ToolBar.h"
#include "store/ItemClipboard.h"
#include "util/widgets/AdvGrid.h"

namespace qm {

TFormViewClip* FormViewClip = nullptr;

namespace {

enum Column { ColQty, ColName, ColAisle, ColCoupon, ColNote };

} // namespace

TFormViewClip::TFormViewClip(TMainShared& main, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), main_(main)
{
    setObjectName("FormViewClip");
    setWindowTitle("Clipboard Viewer");
    resize(346, 234);
    setFont(QFont("Arial", 8));

    ToolBarClip = new TToolBar(this);
    ToolBarClip->setObjectName("ToolBarClip");
    ToolBarClip->SetShowCaptions(true);
    ToolBarClip->SetList(true);
    ToolBarClip->SetIconSize(14);
    ToolBarClip->SetButtonSize(0, 0); // each caption button as large as its caption needs
    BtnDelete = ToolBarClip->AddButton("BtnDelete", " &Delete", QIcon(":/toolbar/item_delete.png"));
    BtnClear = ToolBarClip->AddButton("BtnClear", "&Clear All", QIcon(":/toolbar/reset.png"));
    ToolBarClip->setFixedHeight(std::max(20, ToolBarClip->sizeHint().height()));

    GridClipList = new TAdvStringGrid(this);
    GridClipList->setObjectName("GridClipList");
    GridClipList->SetColCount(5);
    GridClipList->SetFixedRows(1);
    GridClipList->SetRowCount(2);
    GridClipList->SetDefaultRowHeight(18);
    GridClipList->setSelectionBehavior(QAbstractItemView::SelectRows);
    GridClipList->setSelectionMode(QAbstractItemView::SingleSelection);
    GridClipList->setShowGrid(true);
    GridClipList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    GridClipList->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    GridClipList->verticalScrollBar()->setTracking(true);
    GridClipList->horizontalHeader()->setStretchLastSection(false);
    GridClipList->installEventFilter(this);
    GridClipList->viewport()->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ToolBarClip);
    layout->addWidget(GridClipList, 1);

    connect(BtnDelete, &QToolButton::clicked, this, [this] { Dispatch([this] { BtnDeleteClick(); }); });
    connect(BtnClear, &QToolButton::clicked, this, [this] { Dispatch([this] { BtnClearClick(); }); });
    SetupGrid();
}

TFormViewClip::~TFormViewClip()
{
    if (FormViewClip == this)
        FormViewClip = nullptr;
}

void TFormViewClip::SetupGrid()
{
    GridClipList->ClearRows();
    GridClipList->SetCells(ColQty, 0, "Qty");
    GridClipList->SetCells(ColName, 0, "Item Name");
    GridClipList->SetCells(ColAisle, 0, "Aisle");
    GridClipList->SetCells(ColCoupon, 0, "Co");
    GridClipList->SetCells(ColNote, 0, "Note");
}

bool TFormViewClip::FormShow()
{
    // Deleting the last row of an out-of-date grid took the title row's place as well.
    GridClipList->SetFixedRows(1);
    SetupGrid();
    const std::vector<ClipboardEntry> entries = ReadClipboard(kCompany, kProduct);
    rowKeys_.assign(1, AnsiString());
    if (entries.empty()) {
        GridClipList->SetRowCount(2);
        return false;
    }
    GridClipList->SetRowCount(int(entries.size()) + 1);
    for (size_t n = 0; n < entries.size(); ++n) {
        const ClipboardEntry& e = entries[n];
        const int row = int(n) + 1;
        GridClipList->SetCells(ColQty, row, std::to_string(e.Qty));
        GridClipList->SetCells(ColName, row, e.Name);
        GridClipList->SetCells(ColAisle, row, e.Aisle);
        GridClipList->SetCells(ColCoupon, row, e.HasCoupon ? " \xA2" : "");
        GridClipList->SetCells(ColNote, row, e.Note);
        rowKeys_.push_back(e.Key);
    }
    GridClipList->SetRow(1);
    return true;
}

void TFormViewClip::setVisible(bool visible)
{
    if (visible && !isVisible()) {
        bool filled = false;
        Dispatch([this, &filled] { filled = FormShow(); });
        if (!filled)
            return; // an empty clipboard: the viewer closes again at once
    }
    QWidget::setVisible(visible);
}

void TFormViewClip::FormResize()
{
    constexpr int qty = 20, aisle = 40, coupon = 20, note = 40;
    GridClipList->SetColWidths(ColQty, qty);
    GridClipList->SetColWidths(ColAisle, aisle);
    GridClipList->SetColWidths(ColCoupon, coupon);
    GridClipList->SetColWidths(ColNote, note);
    GridClipList->SetColWidths(
        ColName, std::max(GridClipList->viewport()->width() - qty - aisle - coupon - note - 4, 0));
}

void TFormViewClip::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Dispatch([this] { FormResize(); });
}

void TFormViewClip::BtnDeleteClick()
{
    const int row = GridClipList->Row();
    const AnsiString key = row > 0 && size_t(row) < rowKeys_.size() ? rowKeys_[size_t(row)] : AnsiString();
    bool lastEntry = false;
    {
        // What is there and its deletion in one transaction, so that a copy another window
        // makes meanwhile is not deleted with it nor left in part.
        TRegistryTransaction transaction(TRegistryTransaction::ForWriting);
        const std::vector<AnsiString> keys = ClipboardKeys(kCompany, kProduct);
        // The last entry takes the whole clipboard with it. A grid that is out of date (another
        // window copied since it was filled) only loses its row: the one entry left in the
        // registry is not the one the user chose.
        lastEntry = keys.empty() || (keys.size() == 1 && SameName(keys[0], key));
        if (lastEntry)
            ClearClipboard(kCompany, kProduct);
        else
            DeleteClipboardEntry(kCompany, kProduct, key);
        transaction.Commit();
    }
    if (lastEntry) {
        hide();
    } else {
        if (row > 0 && size_t(row) < rowKeys_.size()) {
            GridClipList->RemoveRows(row, 1);
            rowKeys_.erase(rowKeys_.begin() + row);
        }
        if (GridClipList->RowCount() < 2)
            hide();
    }
    UpdatePasteButton();
}

void TFormViewClip::BtnClearClick()
{
    if (MessageDlg("Are you sure you want to clear the clipboard?", mtConfirmation, mbYes | mbNo, 0) ==
        mrYes) {
        ClearClipboard(kCompany, kProduct);
        hide();
    }
    UpdatePasteButton();
}

void TFormViewClip::GridClipListKeyUp(int key, Qt::KeyboardModifiers shift)
{
    if (key == Qt::Key_Delete && !(shift & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)))
        BtnDeleteClick();
}

bool TFormViewClip::eventFilter(QObject* watched, QEvent* event)
{
    // The Item Name column takes what the grid's width leaves.
    if (watched == GridClipList->viewport() && event->type() == QEvent::Resize)
        Dispatch([this] { FormResize(); });
    if (watched == GridClipList && event->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (!key->isAutoRepeat())
            Dispatch([this, key] { GridClipListKeyUp(key->key(), key->modifiers()); });
    }
    return QWidget::eventFilter(watched, event);
}

void TFormViewClip::UpdatePasteButton()
{
    main_.SetPasteEnabled(ClipboardHasEntries(kCompany, kProduct));
}

} // namespace qm
