#include "dialogs/CouponBlock.h"

#include <QCheckBox>
#include <QDate>
#include <QDateEdit>
#include <QFrame>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/MainShared.h"
#include "platform/Dispatch.h"
#include "store/StoreFiles.h"

namespace qm {

namespace {

QDate ToQDate(TDateTime day)
{
    int y = 0, m = 0, d = 0;
    DecodeDate(day, y, m, d);
    return QDate(y, m, d);
}

TDateTime FromQDate(const QDate& date)
{
    return EncodeDate(date.year(), date.month(), date.day());
}

} // namespace

TCouponBlock::TCouponBlock(TMainShared& main, QWidget* parent, const char* captionName)
    : QObject(parent), main_(main)
{
    Panel = new QWidget(parent);
    Panel->setObjectName("PanelCoupon");
    auto* layout = new QVBoxLayout(Panel);
    layout->setContentsMargins(0, 0, 0, 0);

    CheckCoupon = new QCheckBox("Has Coupon", Panel);
    CheckCoupon->setObjectName("CheckCoupon");
    RadioCouponNever = new QRadioButton("Never Expires", Panel);
    RadioCouponNever->setObjectName("RadioCouponNever");
    RadioCouponExpire = new QRadioButton("Expires:", Panel);
    RadioCouponExpire->setObjectName("RadioCouponExpire");
    DateTimeCouponExpire = new QDateEdit(Panel);
    DateTimeCouponExpire->setObjectName("DateTimeCouponExpire");
    DateTimeCouponExpire->setCalendarPopup(true);
    DateTimeCouponExpire->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    CheckStoreCoupon = new QCheckBox("This Store Only", Panel);
    CheckStoreCoupon->setObjectName("CheckStoreCoupon");
    Separator = new QFrame(Panel);
    Separator->setFrameShape(QFrame::HLine);
    Separator->setFrameShadow(QFrame::Sunken);
    LabelCaption = new QLabel("Coupon will appear in:", Panel);
    LabelCaption->setObjectName(captionName);
    LabelStoresToChange = new QLabel(Panel);
    LabelStoresToChange->setObjectName("LabelStoresToChange");
    LabelStoresToChange->setTextFormat(Qt::PlainText); // store names as they stand
    LabelStoresToChange->setWordWrap(true);
    // Two lines high, whatever it holds.
    LabelStoresToChange->setFixedHeight(2 * LabelStoresToChange->fontMetrics().lineSpacing() + 2);
    LabelStoresToChange->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* expires = new QHBoxLayout;
    expires->addWidget(RadioCouponExpire);
    expires->addWidget(DateTimeCouponExpire, 1);
    layout->addWidget(CheckCoupon);
    layout->addWidget(RadioCouponNever);
    layout->addLayout(expires);
    layout->addWidget(CheckStoreCoupon);
    layout->addWidget(Separator);
    layout->addWidget(LabelCaption);
    layout->addWidget(LabelStoresToChange);

    auto onCoupon = [this] { Dispatch([this] { CheckCouponClick(); }); };
    connect(CheckCoupon, &QCheckBox::toggled, this, onCoupon);
    connect(RadioCouponNever, &QRadioButton::toggled, this, onCoupon);
    connect(RadioCouponExpire, &QRadioButton::toggled, this, onCoupon);
    connect(CheckStoreCoupon, &QCheckBox::toggled, this,
            [this] { Dispatch([this] { CheckStoreCouponClick(); }); });
    CheckCouponClick();
}

void TCouponBlock::Show(bool hasCoupon, TDateTime expiry, bool storeOnly)
{
    CheckCoupon->setChecked(hasCoupon);
    const bool dated = hasCoupon && expiry > 1000.0;
    DateTimeCouponExpire->setDate(ToQDate(dated ? std::floor(expiry) : Date()));
    (dated ? RadioCouponExpire : RadioCouponNever)->setChecked(true);
    CheckStoreCoupon->setChecked(storeOnly);
    CheckCouponClick();
}

bool TCouponBlock::HasCoupon() const
{
    return CheckCoupon->isChecked();
}

TDateTime TCouponBlock::Expiry() const
{
    return RadioCouponNever->isChecked() ? 0.0 : FromQDate(DateTimeCouponExpire->date());
}

bool TCouponBlock::StoreOnly() const
{
    return CheckStoreCoupon->isChecked();
}

void TCouponBlock::CheckCouponClick()
{
    const bool on = CheckCoupon->isChecked();
    RadioCouponNever->setEnabled(on);
    RadioCouponExpire->setEnabled(on);
    CheckStoreCoupon->setEnabled(on);
    DateTimeCouponExpire->setEnabled(on && RadioCouponExpire->isChecked());
    const bool boxEnabled = CheckCoupon->isEnabled();
    LabelCaption->setEnabled(boxEnabled);
    LabelStoresToChange->setEnabled(boxEnabled);
    CheckStoreCouponClick();
}

void TCouponBlock::CheckStoreCouponClick()
{
    if (!CheckCoupon->isChecked()) {
        LabelStoresToChange->clear();
        return;
    }
    if (CheckStoreCoupon->isChecked()) {
        LabelStoresToChange->setText(ToQString(main_.GetCurrentStoreName()));
        return;
    }
    const StoreContext ctx = main_.StoreFilesContext();
    const AnsiString category = main_.GetSelectedCategoryName();
    const AnsiString item = main_.GetSelectedItemName();
    std::vector<AnsiString> names;
    for (const AnsiString& store : ctx.PickerStores) {
        if (!ReadStoreString(ctx, store, category, item).empty() &&
            ReadStoreString(ctx, store, kInfoSection, "AcceptsCoupons") != "0")
            names.push_back(store);
    }
    std::stable_sort(names.begin(), names.end(),
                     [](const AnsiString& a, const AnsiString& b) { return CompareNames(a, b) < 0; });
    AnsiString text;
    for (const AnsiString& n : names) {
        if (!text.empty())
            text += ',';
        text += n;
    }
    // Quotes are dropped and every comma, also one inside a name, is followed by a blank.
    AnsiString shown;
    for (char c : text) {
        if (c == '"')
            continue;
        shown += c;
        if (c == ',')
            shown += ' ';
    }
    LabelStoresToChange->setText(ToQString(shown));
}

} // namespace qm
