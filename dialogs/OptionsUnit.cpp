#include "dialogs/OptionsUnit.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <algorithm>

#include "app/HelpContexts.h"
#include "app/MainShared.h"
#include "app/Settings.h"
#include "platform/Application.h"
#include "platform/Exception.h"
#include "platform/Registry.h"
#include "platform/gui/FontNames.h"
#include "platform/gui/SpinEdit.h"
#include "util/RegUtils.h"

namespace qm {

namespace {

// Each font name drawn in its own font, at the combo's own size; entries as high as that text.
class FontNameDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        painter->fillRect(option.rect, option.palette.brush(selected ? QPalette::Highlight : QPalette::Base));
        QFont font(index.data().toString());
        font.setPointSizeF(option.font.pointSizeF());
        painter->setFont(font);
        painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(option.rect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                          index.data().toString());
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QFont font(index.data().toString());
        font.setPointSizeF(option.font.pointSizeF());
        return {QFontMetrics(font).horizontalAdvance(index.data().toString()) + 4,
                QFontMetrics(font).height()};
    }
};

QComboBox* FontCombo(QWidget* parent, const char* name)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    QFont f("Arial");
    f.setPointSize(10);
    combo->setFont(f);
    combo->setItemDelegate(new FontNameDelegate(combo));
    combo->setMinimumContentsLength(18);
    return combo;
}

QSpinBox* SizeSpin(QWidget* parent, const char* name, int min, int max)
{
    // A size typed outside the range is brought into it when the field is left; text that is
    // not a number reads as the minimum.
    auto* spin = new TSpinEdit(parent);
    spin->setObjectName(name);
    spin->setRange(min, max);
    spin->setValue(10);
    return spin;
}

// The spin box's value as OK reads it: what is typed, brought into the range.
int SpinValue(QSpinBox* spin)
{
    bool ok = false;
    const int typed = spin->cleanText().trimmed().toInt(&ok);
    const int value = ok ? typed : spin->minimum();
    return std::clamp(value, spin->minimum(), spin->maximum());
}

// Selects the entry equal to the name without regard to case, none when there is none.
void SelectFont(QComboBox* combo, const AnsiString& name)
{
    combo->setCurrentIndex(combo->findText(ToQString(name), Qt::MatchFixedString));
}

// Whether another window stored the setting since this one took atOpen from it: the registry
// holds a value that reads (through read, as the window reads it) as something else. A value
// that cannot be read as its type counts as another's too, and is left to whoever wrote it.
template <class Setting, class T, class Read>
bool ChangedElsewhere(const Setting& setting, const T& atOpen, Read read)
{
    if (!SettingExists(setting))
        return false;
    try {
        return read() != atOpen;
    } catch (const ERegistryException&) {
        return true;
    }
}

} // namespace

TFormOptions::TFormOptions(TMainShared& main, QWidget* parent)
    : TDialogForm(parent, "FormOptions", "Options", "options"), main_(main)
{
    auto* layout = new QVBoxLayout(Body);
    layout->setContentsMargins(0, 0, 0, 0);

    GroupBox1 = new QGroupBox("Display Fonts", Body);
    GroupBox1->setObjectName("GroupBox1");
    auto* fonts = new QGridLayout(GroupBox1);
    ComboGridFont = FontCombo(GroupBox1, "ComboGridFont");
    SpinGridFont = SizeSpin(GroupBox1, "SpinGridFont", 8, 24);
    ComboListFont = FontCombo(GroupBox1, "ComboListFont");
    SpinListFont = SizeSpin(GroupBox1, "SpinListFont", 6, 32);
    fonts->addWidget(new QLabel("Item List:", GroupBox1), 0, 0);
    fonts->addWidget(ComboGridFont, 0, 1);
    fonts->addWidget(SpinGridFont, 0, 2);
    fonts->addWidget(new QLabel("pt", GroupBox1), 0, 3);
    fonts->addWidget(new QLabel("Shopping List:", GroupBox1), 1, 0);
    fonts->addWidget(ComboListFont, 1, 1);
    fonts->addWidget(SpinListFont, 1, 2);
    fonts->addWidget(new QLabel("pt", GroupBox1), 1, 3);
    SetHelpContext(GroupBox1, HelpContextOf("Display fonts: the item list"));
    SetHelpContext(ComboGridFont, HelpContextOf("Display fonts: the item list"));
    SetHelpContext(SpinGridFont, HelpContextOf("Display fonts: the item list's size"));
    SetHelpContext(ComboListFont, HelpContextOf("Display fonts: the shopping list"));
    SetHelpContext(SpinListFont, HelpContextOf("Display fonts: the shopping list's size"));

    GroupBox2 = new QGroupBox("Errands", Body);
    GroupBox2->setObjectName("GroupBox2");
    auto* errands = new QGridLayout(GroupBox2);
    EditErrandName = new QLineEdit(GroupBox2);
    EditErrandName->setObjectName("EditErrandName");
    RadioErrandTop = new QRadioButton("Top", GroupBox2);
    RadioErrandTop->setObjectName("RadioErrandTop");
    RadioErrandBottom = new QRadioButton("Bottom", GroupBox2);
    RadioErrandBottom->setObjectName("RadioErrandBottom");
    RadioErrandBottom->setChecked(true);
    errands->addWidget(new QLabel("Name appears as:", GroupBox2), 0, 0);
    errands->addWidget(EditErrandName, 0, 1, 1, 2);
    errands->addWidget(new QLabel("Shopping List position:", GroupBox2), 1, 0);
    errands->addWidget(RadioErrandTop, 1, 1);
    errands->addWidget(RadioErrandBottom, 1, 2);

    GroupBox3 = new QGroupBox("Other Options", Body);
    GroupBox3->setObjectName("GroupBox3");
    auto* other = new QGridLayout(GroupBox3);
    BtnAssociate = new QPushButton("Associate", GroupBox3);
    BtnAssociate->setObjectName("BtnAssociate");
    BtnAssociate->setAutoDefault(false);
    CheckCheckNewVer = new QCheckBox("Check for new version every 2 weeks", GroupBox3);
    CheckCheckNewVer->setObjectName("CheckCheckNewVer");
    auto* note = new QLabel("Win2K/XP Note: You must be logged in as administrator.", GroupBox3);
    note->setWordWrap(true);
    other->addWidget(new QLabel("Associate .store files with Quillmart:", GroupBox3), 0, 0);
    other->addWidget(BtnAssociate, 0, 1);
    other->addWidget(note, 1, 0, 1, 2);
    other->addWidget(CheckCheckNewVer, 2, 0, 1, 2);

    layout->addWidget(GroupBox1);
    layout->addWidget(GroupBox2);
    layout->addWidget(GroupBox3);
    layout->addStretch(1);

    AddOkCancelHelp(HelpContextOf("Options"), [this] { BtnOKClick(); });
    SetHelpContext(BtnHelp, HelpContextOf("The buttons of the Options dialog"));
    ConnectClick(BtnAssociate, this, [this] { BtnAssociateClick(); });
    FormCreate();
}

void TFormOptions::FormCreate()
{
    const QStringList families = ScreenFontNames();
    ComboGridFont->addItems(families);
    ComboListFont->addItems(families);
}

void TFormOptions::showEvent(QShowEvent* event)
{
    FormShow();
    TDialogForm::showEvent(event);
}

void TFormOptions::FormShow()
{
    atOpen_ = WindowValues();
    SelectFont(ComboGridFont, main_.GridFontName);
    SpinGridFont->setValue(main_.GridFontSize);
    SelectFont(ComboListFont, main_.ListFontName);
    SpinListFont->setValue(main_.ListFontSize);
    EditErrandName->setText(ToQString(main_.ErrandsCaption));
    (main_.ErrandsOnTop ? RadioErrandTop : RadioErrandBottom)->setChecked(true);
    CheckCheckNewVer->setChecked(main_.CheckForLatest);
    shown_ = ControlValues();
}

TFormOptions::TValues TFormOptions::WindowValues() const
{
    return {main_.GridFontName,   main_.GridFontSize, main_.ListFontName,  main_.ListFontSize,
            main_.ErrandsCaption, main_.ErrandsOnTop, main_.CheckForLatest};
}

TFormOptions::TValues TFormOptions::ControlValues() const
{
    // A size typed and confirmed with Enter has not been brought into range yet.
    return {ComboGridFont->currentIndex() >= 0 ? FromQString(ComboGridFont->currentText()) : "",
            SpinValue(SpinGridFont),
            ComboListFont->currentIndex() >= 0 ? FromQString(ComboListFont->currentText()) : "",
            SpinValue(SpinListFont),
            FromQString(EditErrandName->text()),
            RadioErrandTop->isChecked(),
            CheckCheckNewVer->isChecked()};
}

void TFormOptions::BtnOKClick()
{
    const TValues value = ControlValues();
    TValues kept = WindowValues();
    {
        // The registry's values and the writes over them in one transaction: a change another
        // window stores meanwhile comes before the comparison or after the writes.
        TRegistryTransaction transaction(TRegistryTransaction::ForWriting);
        // A setting the user changed is stored; one left as it showed only when nobody else
        // stored it since the dialog opened. The window takes what is stored. A dialog that
        // was never shown has nothing to compare with and stores all.
        auto apply = [&]<class Setting, class T, class Read>(const Setting& setting, T TValues::*field,
                                                             Read read) {
            const bool changedHere = !shown_ || value.*field != (*shown_).*field;
            if (!changedHere && ChangedElsewhere(setting, (*atOpen_).*field, read))
                return;
            WriteSetting(setting, value.*field);
            kept.*field = value.*field;
        };
        // The sizes read as the window reads them at start-up, the default for one outside
        // the box's range.
        apply(kGridFontName, &TValues::GridFontName, [] { return ReadSetting(kGridFontName); });
        apply(kGridFontSize, &TValues::GridFontSize, [this] {
            return ReadSetting(kGridFontSize, SpinGridFont->minimum(), SpinGridFont->maximum());
        });
        apply(kListFontName, &TValues::ListFontName, [] { return ReadSetting(kListFontName); });
        apply(kListFontSize, &TValues::ListFontSize, [this] {
            return ReadSetting(kListFontSize, SpinListFont->minimum(), SpinListFont->maximum());
        });
        apply(kErrandsString, &TValues::ErrandsCaption, [] { return ReadSetting(kErrandsString); });
        apply(kErrandsOnTop, &TValues::ErrandsOnTop, [] { return ReadSetting(kErrandsOnTop); });
        apply(kDoCheckForLatest, &TValues::CheckForLatest, [] { return ReadSetting(kDoCheckForLatest); });
        transaction.Commit();
    }
    main_.GridFontName = kept.GridFontName;
    main_.GridFontSize = kept.GridFontSize;
    main_.ListFontName = kept.ListFontName;
    main_.ListFontSize = kept.ListFontSize;
    main_.ErrandsCaption = kept.ErrandsCaption;
    main_.ErrandsOnTop = kept.ErrandsOnTop;
    main_.CheckForLatest = kept.CheckForLatest;

    main_.DrawItemList();
    main_.DrawItemListHeader();
    main_.BuildShoppingList();
    main_.DrawShoppingList();
}

void TFormOptions::BtnAssociateClick()
{
    // The association's icon and command are text values of the registry.
    const AnsiString exe = FromFileName(ApplicationExeName());
    RegisterFileType("store", "Quillmart Store", exe + ",0", "\"" + exe + "\" \"%1\"");
}

} // namespace qm
