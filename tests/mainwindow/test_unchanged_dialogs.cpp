// The dialogs the main window fills and reads back itself (coupon, note) and the list editors,
// opened and confirmed with nothing changed in them, leave the store files as they were, to the
// byte: no line rewritten in another form, no section moved, no coupon carried anywhere. (The
// item and category dialogs: tests/dialogs/test_item_dialog_edits.cpp.)
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <functional>
#include <string>

#include "TestSupport.h"
#include "WindowTestSupport.h"
#include "dialogs/CouponUnit.h"
#include "dialogs/EditAislesUnit.h"
#include "dialogs/EditErrandsUnit.h"
#include "dialogs/NoteUnit.h"

namespace {

using namespace qm;
using namespace qmtest;

// Lines in every form the readers take: three fields, six without the closing separator, six
// with it, a store-only coupon; errands in a section that is not the file's last.
constexpr const char* kHome = "[--Info--]\r\nAisles=A1,,A2,,\r\n"
                              "[--Errands--]\r\nBank=1\r\nPost=0\r\n"
                              "[Dairy]\r\nEggs=A1,-,white,-,2\r\n"
                              "Milk=A2,-,,-,1,-,1,-,47000,-,0\r\n"
                              "Cheese=A1,-,,-,0,-,1,-,0,-,1,-,\r\n";
constexpr const char* kCorner = "[Dairy]\r\nEggs=B1,-,,-,0\r\nMilk=B2,-,,-,0,-,0,-,0,-,0,-,\r\n";

class UnchangedDialogTest : public MainWindowTest {
protected:
    // The window on Home with the row (category, item) selected; the files as they then are.
    void Open(int32_t category, int32_t item)
    {
        WriteFile(stores + "Home.store", kHome);
        WriteFile(stores + "Corner.store", kCorner);
        Start("Home");
        Control(*form, "ImageItemList").setFocus();
        form->DrawItemList();
        form->SelectRow(category, item);
        home = File("Home");
        corner = File("Corner");
    }
    // The dialog that command opens, confirmed as it opened.
    template <class T> void Confirm(const std::function<void()>& command)
    {
        Play<T>([](T& f) { f.BtnOK->click(); });
        command();
        EXPECT_FALSE(stayedOpen);
        EXPECT_EQ(File("Home"), home);
        EXPECT_EQ(File("Corner"), corner);
    }

    std::string home, corner;
};

TEST_F(UnchangedDialogTest, DialogsConfirmedAsTheyOpenedWriteNothing)
{
    // Dairy's items sorted: Cheese, Eggs, Milk.
    for (int32_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        Open(0, i);
        Confirm<TFormNote>([&] { Key(*form, Qt::Key_Slash, Qt::KeypadModifier); });
        Confirm<TFormCoupon>([&] { Key(*form, Qt::Key_Asterisk, Qt::KeypadModifier); });
    }
    Confirm<TFormAisles>([&] { Trigger(*form, "MItemStoreEditAisles"); });
    Confirm<TFormErrands>([&] { Trigger(*form, "MItemStoreEditErrands"); });
}

} // namespace
