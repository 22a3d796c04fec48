#pragma once
// A main window on a private storage folder and registry settings of its own (no version check,
// the clock at noon of a fixed day, no command-line argument), for the tests that start it on
// real store files. The tests work its controls by name (WindowControls.h) and use its public
// operations (ShoppingCartUnit.h). Play walks its dialogs as a person would: the modal hook
// shows each dialog, lets the test fill and click it, and answers the result the dialog closed
// with (Cancel when the test left it open).
//
// What takes the place of the window's members, which are private:
//   form->MItemX->trigger(), form->MItemXClick()  Trigger(*form, "MItemX")
//   form->BtnX->click(), form->BtnXClick()        Click(*form, "BtnX")
//   emit form->MMenuX->aboutToShow()              OpenMenu(*form, "MMenuX")
//   form->X->isEnabled(), isChecked(), text()     Enabled, Checked, Text(*form, "X")
//   form->StatusBar->PanelText(n)                 PanelText(*form, n)
//   picker index set, then ComboStoresSelect()    Pick(*form, "ComboStores", "Name")
//   picker index set alone                        form->SetCurrentStoreName("Name")
//   form->TimerTipTimer()                         Fire(*form, "TimerTip"), once it runs
//   form->ComboFindEnter()                        FocusIn(Control(*form, "ComboFind"))
//   form->ImageItemListMouseMove(...)             MoveTo(Control(*form, "ImageItemList"), x, y)
//   form->ToolButtonHint(button)                  MoveTo over the button, then PanelText(*form, 0)
//   form->ColNameX ... form->LinkRect             form->ItemListColumns().ColNameX ...
//   form->FindHits                                Text of "LabelResults", then Find Next and Sel
//   form->CommandLineArg = arg                    SetCommandLine(arg) before the window is made
//   form->DialogSave.filter, DialogOpen...        dialogs->seen().back().file, the request shown
//   form->DialogFolder                            Control<TFolderBrowser>(*form, "DialogFolder")
//   form->ClipboardHasData()                      ClipboardHasEntries(kCompany, kProduct)
//   form->SplitterLRCanResize(n)                  Control<TSplitter>(*form, "SplitterLR").CanResize(n)
//   form->PanelListWidth(), SetPanelListWidth(w)  Control<TSplitter>(*form, "SplitterLR").LastPanelSize(),
//                                                 SetLastPanelSize(w)
//   form->FormResize()                            Relayout(*form)
//   form->CutToClipboard(c, i) and the like       form->SelectRow(c, i), then Trigger the entry
// A handler called directly let its exception reach the test; chosen through its control, the
// command dispatch shows the exception's message in an error box, which the test expects.
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "TestSupport.h"
#include "WindowControls.h"
#include "app/Settings.h"
#include "dialogs/DialogForm.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/Application.h"
#include "platform/Clock.h"
#include "platform/gui/QtDialogs.h"
#include "platform/gui/StatusBar.h"
#include "util/RegUtils.h"

namespace qmtest {

// The program's arguments as main() hands them to the window it starts: arg alone, or none
// when arg is empty. Start-up opens the store file the argument names.
inline void SetCommandLine(const std::string& arg)
{
    std::string program = "quillmart", first = arg;
    char* argv[] = {program.data(), first.data()};
    qm::SetApplicationArguments(arg.empty() ? 1 : 2, argv);
}

// The text of the main window's status-bar panel (0: hints, 1: the store's items, 2: the
// shopping list's totals).
inline QString PanelText(const QObject& window, int panel)
{
    return Control<qm::TStatusBar>(window, "StatusBar").PanelText(panel);
}

// The item list's selected row: (category, item), item -1 for a category's own row.
inline std::pair<int, int> Sel(const qm::TMainShared& window)
{
    return {window.Store.SelCategory, window.Store.SelItem};
}

class MainWindowTest : public DialogFixture {
protected:
    void SetUp() override
    {
        DialogFixture::SetUp();
        qm::RegDeleteKey(qm::kCompany, qm::kProduct, "Settings");
        qm::RegDeleteKey(qm::kCompany, qm::kProduct, "Clipboard");
        std::filesystem::create_directories(stores);
        qm::RegWritePath(qm::kCompany, qm::kProduct, "Settings", stores, "StorageDir");
        qm::RegWriteBool(qm::kCompany, qm::kProduct, "Settings", false, "DoCheckForLatest");
        SetClock(qm::EncodeDate(2026, 12, 7) + 0.5);
        SetCommandLine("");
        // A dialog no test plays would wait for a person: it fails the test and is cancelled.
        qm::SetModalHook([this](QDialog& d) {
            ++modalRuns;
            ADD_FAILURE() << "unexpected dialog " << d.objectName().toStdString();
            return int(qm::mrCancel);
        });
    }
    void TearDown() override
    {
        qm::SetModalHook({});
        form.reset();
        qm::FormMain = nullptr;
        qm::SetTestNow(std::nullopt);
        DialogFixture::TearDown();
    }

    // The test's clock; the last version check is now, so that start-up runs none.
    static void SetClock(qm::TDateTime now)
    {
        qm::SetTestNow(now);
        qm::RegWriteDateTime(qm::kCompany, qm::kProduct, "Settings", now, "LastCheckDT");
    }
    static void SetLastStore(const qm::AnsiString& store)
    {
        qm::RegWriteString(qm::kCompany, qm::kProduct, "Settings", store, "Last Store");
    }
    static void HideTipOfTheDay()
    {
        qm::RegWriteBool(qm::kCompany, qm::kProduct, "Settings", false, "ShowTOTD");
    }

    // Starts the window as the program does, not for the first time (an empty last store opens
    // none); it becomes the one instance FormMain.
    qm::TFormMain& Start(const qm::AnsiString& lastStore)
    {
        SetLastStore(lastStore);
        form = std::make_unique<qm::TFormMain>();
        qm::FormMain = form.get();
        form->FormCreate();
        form->Loading = false;
        return *form;
    }

    // A window started as the program does, shown and laid out to its size; the one instance
    // FormMain while it lives. The caller keeps it.
    static std::unique_ptr<qm::TFormMain> StartShown()
    {
        auto shown = std::make_unique<qm::TFormMain>();
        qm::FormMain = shown.get();
        shown->FormCreate();
        shown->show();
        QApplication::processEvents();
        Relayout(*shown);
        return shown;
    }

    // The next modal dialog of type T is shown and played by play.
    template <class T> void Play(std::function<void(T&)> play)
    {
        qm::SetModalHook([this, play](QDialog& d) {
            ++modalRuns;
            auto* dialog = dynamic_cast<T*>(&d);
            if (!dialog) {
                ADD_FAILURE() << "unexpected dialog " << d.objectName().toStdString();
                return int(qm::mrCancel);
            }
            dialog->show();
            QApplication::processEvents();
            play(*dialog);
            stayedOpen = dialog->isVisible();
            if (stayedOpen)
                dialog->CloseWith(qm::mrCancel);
            return dialog->ModalResult;
        });
    }

    std::string File(const std::string& store) const
    {
        return ReadFile(qm::StoreFolderFile(stores, store, ".store"));
    }

    // The entries of a drop-down, in their order: by default the store picker's.
    static QStringList Entries(const QObject& window, const QString& combo = "ComboStores")
    {
        return qmtest::Entries(window, combo);
    }
    static QStringList Texts(const QComboBox* combo) { return qmtest::Entries(*combo); }

    TempDir temp;
    std::string stores = temp.path() + "/stores/"; // a path: the system's bytes
    std::unique_ptr<qm::TFormMain> form;
    int modalRuns = 0;
    bool stayedOpen = false; // the last dialog Play showed was still open after its play
};

} // namespace qmtest
