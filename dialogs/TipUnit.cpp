#include "dialogs/TipUnit.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/HelpContexts.h"
#include "app/Settings.h"
#include "platform/Dialogs.h"
#include "platform/Shell.h"

namespace qm {

const TipEntry kTips[kTipCount] = {
    {HelpContextOf("The example store"),
     "Quillmart comes with a store titled \"Example Store.\" It has an item list of over 210 of the "
     "most commonly purchased items, generically named. You may use this list as the basis for your "
     "local grocery store by renaming it or by copying the items or categories to your local store "
     "with the Copy Item or Copy Category tools or the Cut, Copy, and Paste commands."},
    {HelpContextOf("Putting items on the shopping list quickly"),
     "The easiest way to put items on your Shopping List is to: type in the first 2 or 3 letters of "
     "the item (you'll be in the Item Search Box); highlight or select the item in the Box's drop-down "
     "menu using your keyboard arrow keys; press \x93"
     "+\x94"
     " (plus) on your number keypad to put it on the Shopping List with a quantity of one; and, if you "
     "want, press \x93"
     "*\x94"
     " (asterisk) to add a coupon reminder and \x93"
     "/\x94"
     " (slash) to add a note."},
    {HelpContextOf("Finding a shopping-list item in the item list"),
     "You can easily find an item in the Item List that is currently on the Shopping List. Just click "
     "on the item on the Shopping List and the Item List will scroll to and highlight that item."},
    {HelpContextOf("Working with several stores at once"),
     "You can work with two or more stores at the same time. Open up a new copy of Quillmart by pressing the "
     "CTRL+N keys. Then, use the Store Selector on the second window to change to the store you want."},
    {HelpContextOf("E-mailing the shopping list"),
     "You can e-mail the Shopping List to your spouse, roommate, etc. by pressing CTRL+M. Your e-mail "
     "program will start a new message with the Shopping List attached as a PDF."},
    {HelpContextOf("Printing a checklist of the store's items"),
     "You can print a checklist of all the items you buy at the store, so that you can stick it on the "
     "refrigerator, by pressing SHIFT+CTRL+P."},
    {HelpContextOf("Copying items with the clipboard"),
     "A great way to add items to a second store, once you have a lot of items in the first store, is "
     "to use the Copy/Clipboard/Paste tools. Select a category folder, copy it (CTRL+C), view the "
     "clipboard (CTRL+SHIFT+V), delete any items you don't want in the new store, go to the new store, "
     "and paste the rest (CTRL+V)."},
    {HelpContextOf("Errands"),
     "You can put errands on the Shopping List by pressing F3. The Edit Errands dialog box will then "
     "let you add, delete, rename, or rearrange the order of your errands."},
    {HelpContextOf("Editing aisles and departments"),
     "You can add, delete, or rename aisle numbers or department names, or rearrange their order by "
     "pressing F4."},
    {HelpContextOf("Resetting purchased items"),
     "You can start a new Shopping List for your next visit by clearing the items, with their coupons "
     "and notes, from the list by pressing F5."},
    {HelpContextOf("Switching between stores"),
     "You can switch to the store that is before the current selected store, alphabetically, by "
     "pressing ALT+LEFT.  Switch to the store that is after the current one by pressing ALT+RIGHT."},
    {HelpContextOf("Switching between stores"),
     "If you have a mouse with forward/back thumb buttons, you can click the back button to switch to "
     "the store before the current selected store, alphabetically, and the forward button to switch to "
     "the store after the current one."},
    {HelpContextOf("Copying a category to another store"),
     "You can copy a whole category of items from one store to another by clicking either an item in "
     "that category or the category folder and then pressing SHIFT+CTRL+T."},
    {HelpContextOf("Changing a category's aisle"),
     "If you assigned the wrong aisle number to a whole category of items, or if the store rearranges "
     "the aisles, you can change all the items to the correct aisle at once. Click on either an item "
     "in that category, or the category folder and  press F8."},
    {HelpContextOf("Expanding and collapsing categories"),
     "That to make it easier to scroll through the Item List, you can collapse a category folder by "
     "clicking the \x93"
     "-\x94"
     " (minus) sign to the left of the folder or pressing CTRL+LEFT.  Collapse all the categories by "
     "pressing SHIFT+CTRL+LEFT."},
    {HelpContextOf("Expanding and collapsing categories"),
     "That to see all items in a category when the category folder is collapsed (hiding the items), "
     "you can expand it by clicking the \x93"
     "+\x94"
     " (plus) sign to the left of the folder or pressing CTRL+RIGHT.  Expand all the categories by "
     "pressing SHIFT+CTRL+RIGHT."},
    {HelpContextOf("Editing an item"),
     "When an item is highlighted in the Item List, you can edit its name, category, aisle/dept., "
     "quantity, coupon, or note by pressing the SPACE bar."},
    {HelpContextOf("Adding an item"),
     "You can add an item to the Item List by pressing INSERT.  To then put it on your Shopping List, "
     "click in the item's Buy column or press \x93"
     "+\x94"
     " (plus) on your number keypad."},
    {HelpContextOf("Adding several items at once"),
     "When initially adding items to your store's Item List, the fastest and easiest way is by using the Add "
     "Multiple Items tool.  Press SHIFT+INSERT and add all the items you can think of in one category."},
    {HelpContextOf("Quantities"), "You can put the selected item on your Shopping List by pressing the \x93"
                                  "+\x94"
                                  " (plus) key on your number keypad. Continue pressing the \x93"
                                  "+\x94"
                                  " to increase the quantity."},
    {HelpContextOf("Coupons"),
     "You can add a coupon reminder to the selected item by pressing the \x93"
     "*\x94"
     " (asterisk) key on your number keypad. Quillmart will then show it in all the stores in which "
     "that item appears, show the time remaining until expiration, remind you when its expiration "
     "nears, delete the coupons you use on your shopping trip, and much more."},
    {HelpContextOf("Notes"),
     "You can add a note, such as a sale price, size, or flavor, to the selected item by pressing the \x93"
     "/\x94"
     " (slash) key on your number keypad."},
};

TFormTip::TFormTip(QWidget* parent) : TDialogForm(parent, "FormTip", "Quillmart Tip of the Day", "tip")
{
    auto* layout = new QGridLayout(Body);
    layout->setContentsMargins(0, 0, 0, 0);

    // The tip on a rectangle of the tooltip colour, under its heading and a thin line.
    auto* card = new QFrame(Body);
    card->setObjectName("PanelTip");
    card->setFrameShape(QFrame::Box);
    card->setAutoFillBackground(true);
    QPalette p = card->palette();
    p.setColor(QPalette::Window, palette().color(QPalette::ToolTipBase));
    p.setColor(QPalette::WindowText, palette().color(QPalette::ToolTipText));
    card->setPalette(p);
    auto* cardLayout = new QVBoxLayout(card);
    auto* heading = new QLabel("Did you know...", card);
    QFont hf("Arial");
    hf.setPixelSize(19);
    hf.setBold(true);
    heading->setFont(hf);
    auto* line = new QFrame(card);
    line->setFrameShape(QFrame::HLine);
    LabelTip = new QLabel(card);
    LabelTip->setObjectName("LabelTip");
    QFont tf("Arial");
    tf.setPointSize(10);
    LabelTip->setFont(tf);
    LabelTip->setWordWrap(true);
    LabelTip->setFixedSize(297, 153);
    LabelTip->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    cardLayout->addWidget(heading);
    cardLayout->addWidget(line);
    cardLayout->addWidget(LabelTip);

    auto* side = new QVBoxLayout;
    BtnMoreInfo = AddColumnButton(Body, side, "BtnMoreInfo", "&More Info");
    BtnNextTip = AddColumnButton(Body, side, "BtnNextTip", "&Next Tip");
    BtnLastTip = AddColumnButton(Body, side, "BtnLastTip", "&Last Tip");
    side->addStretch(1);
    CheckShowStartup = new QCheckBox("Show this each time Quillmart starts", Body);
    CheckShowStartup->setObjectName("CheckShowStartup");
    layout->addWidget(card, 0, 0);
    layout->addLayout(side, 0, 1);
    layout->addWidget(CheckShowStartup, 1, 0, 1, 2);

    BtnOK = AddButton("BtnOK", "&OK", mrOk, [this] { BtnOKClick(); });
    BtnOK->setDefault(true);
    ConnectClick(BtnMoreInfo, this, [this] { BtnMoreInfoClick(); });
    ConnectClick(BtnNextTip, this, [this] { BtnNextTipClick(); });
    ConnectClick(BtnLastTip, this, [this] { BtnLastTipClick(); });
    FormCreate();
}

void TFormTip::FormCreate()
{
    CheckShowStartup->setChecked(ReadSetting(kShowTOTD));
    TipNumber = ReadSetting(kTipOfTheDay);
    // A number below the table opens on the first tip, as one past it does.
    if (TipNumber < 0)
        TipNumber = 0;
    BtnNextTipClick();
}

void TFormTip::ShowTip(int n)
{
    const TipEntry& tip = kTips[n - 1];
    LabelTip->setText(ToQString(tip.Text));
    moreInfoContext_ = tip.HelpContext;
    BtnMoreInfo->setEnabled(tip.HelpContext != 0);
    WriteSetting(kTipOfTheDay, n);
}

void TFormTip::BtnNextTipClick()
{
    TipNumber = TipNumber + 1 > kTipCount ? 1 : TipNumber + 1;
    ShowTip(TipNumber);
}

void TFormTip::BtnLastTipClick()
{
    TipNumber = TipNumber - 1 < 1 ? kTipCount : TipNumber - 1;
    ShowTip(TipNumber);
}

void TFormTip::BtnMoreInfoClick()
{
    Shell().showHelp(moreInfoContext_);
}

void TFormTip::BtnOKClick()
{
    WriteSetting(kShowTOTD, CheckShowStartup->isChecked());
}

} // namespace qm
