#pragma once
// A main window on a private storage folder and registry settings of its own (no version check,
// the clock at noon of a fixed day), for the tests that start it on real store files. Play
// walks its dialogs as a person would: the modal hook shows each dialog, lets the test fill and
// click it, and answers the result the dialog closed with (Cancel when the test left it open).
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <filesystem>
#include <functional>
#include <memory>

#include "TestSupport.h"
#include "app/Settings.h"
#include "dialogs/DialogForm.h"
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/Clock.h"
#include "platform/gui/QtDialogs.h"
#include "util/RegUtils.h"

namespace qmtest {

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
        shown->FormResize();
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

    // The entries of a drop-down, in their order.
    static QStringList Texts(const QComboBox* combo)
    {
        QStringList out;
        for (int i = 0; i < combo->count(); ++i)
            out << combo->itemText(i);
        return out;
    }
    static QStringList Entries(const qm::TFormMain& f) { return Texts(f.ComboStores); }

    TempDir temp;
    std::string stores = temp.path() + "/stores/"; // a path: the system's bytes
    std::unique_ptr<qm::TFormMain> form;
    int modalRuns = 0;
    bool stayedOpen = false; // the last dialog Play showed was still open after its play
};

} // namespace qmtest
