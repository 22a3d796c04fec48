#pragma once
// TMainShared: what the dialogs see of the main window. It holds the window's shared members
// (the storage folder, the open store and its shopping list, the list fonts and colours, the
// coupon warning days, the errands group's caption and place, the update-check flag, the
// loading flag) and names the few operations a dialog asks of the window: the store picker's
// entries and its current store, loading a store, rebuilding the shopping list, redrawing
// the lists, selecting a row, the paste button's state and the item list's glyphs.
//
// TFormMain implements it and hands itself to each dialog it opens; the dialogs never see the
// window or its widgets. Tests hand a dialog a small implementation of their own.
#include <QColor>
#include <QImage>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "graphics/RasterTypes.h"
#include "platform/AnsiString.h"
#include "store/QMStore.h"
#include "store/ShopList.h"
#include "store/StoreFiles.h"
#include "store/StoreLoader.h"

namespace qm {

class TMainShared {
public:
    virtual ~TMainShared() = default;

    bool Loading = false;              // from the start of FormCreate to the end of FormShow
    std::string StoresFolder;          // holds the *.store files (the system's bytes); ends with "/"
    QMStore Store;                     // the open store
    QMShopList ShopList;               // the shopping list built from Store
    bool CheckForLatest = true;        // the setting DoCheckForLatest
    AnsiString GridFontName = "Arial"; // item-list font
    int32_t GridFontSize = 10;
    AnsiString ListFontName = "Arial"; // shopping-list font
    int32_t ListFontSize = 10;
    TColor32 LineColor = 0xFF000000; // row separators of the item list
    TColor32 GridColor = 0xFFBFBFBF; // column separators of the item list
    QColor BackColor;                // list background (the window colour)
    QColor TextColor;                // list text
    QColor SelColor;                 // background of the selected row
    QColor SelTextColor;             // text of the selected row
    double CouponUrgentDays = 3.0;
    double CouponSoonDays = 10.0;
    bool ErrandsOnTop = true; // errands group first or last in the shopping list
    AnsiString ErrandsCaption = "Errands";

    // ---- The store picker ----
    // Its entries, in picker order: every store of the storage folder.
    virtual std::vector<AnsiString> StoreNames() const = 0;
    // The selected entry; empty when none is selected. Every store-file command of a dialog
    // works on this store.
    virtual AnsiString GetCurrentStoreName() const = 0;
    // Selects the first entry equal to name without regard to case; the selection stays as it
    // is when no entry is.
    virtual void SetCurrentStoreName(const AnsiString& name) = 0;
    // Replaces the entries with the store files of StoresFolder; none is selected.
    virtual void FillStoreList() = 0;

    // ---- The open store and the two lists ----
    // Reads the named store into Store (a missing file is reported, and Store stays).
    virtual void LoadStore(const AnsiString& name) = 0;
    // LoadStore, then both lists drawn anew and the shopping list rebuilt.
    virtual void ReloadStore(const AnsiString& name) = 0;
    // Rebuilds ShopList from Store.
    virtual void BuildShoppingList() = 0;
    virtual void DrawItemList() = 0;
    virtual void DrawItemListHeader() = 0;
    virtual void DrawShoppingList() = 0;
    // Selects the row (category, item) of the item list; item -1 is the category's own row.
    virtual void SelectRow(int32_t cat, int32_t item) = 0;

    // ---- Components ----
    // The Paste command's tool button.
    virtual void SetPasteEnabled(bool enabled) = 0;
    // Glyph index of the item list (the pictures its rows show); a null image when there is
    // no such glyph.
    virtual QImage ItemGlyph(int index) = 0;

    // ---- Over the members above ----
    // The storage folder and the picker's entries, for the store-file routines.
    StoreContext StoreFilesContext() const;
    AnsiString GetSelectedCategoryName() const { return Store.GetSelectedCategoryName(); }
    AnsiString GetSelectedItemName() const { return Store.GetSelectedItemName(); }
    void GetSelectedCategory(QMCategory& out) const { Store.GetSelectedCategory(out); }

    // ---- Other program windows on the open store's file ----
    // What the window knows of the open store's file: the version it read (ReadStore starts
    // it) or last wrote itself (platform/IniFile.h). Changes another program made since are
    // not in Store, so nothing is written from Store before it is read again.
    IniFile::Watch StoreWatch;
    // The open store's file.
    std::string StoreFile() const;
    // Reads the named store into Store with StoreWatch (LoadStoreData): what LoadStore and
    // ReloadStore do to the record.
    LoadStoreResult ReadStore(const AnsiString& name);
    // Reads the open store again when another program changed its file since the window read
    // or wrote it, keeping the selected row, the categories' expanded states and the lists'
    // places where the store still has them, and has the window show it (StoreReadAgain):
    // Reread. A file that is as the window knows it is not read (Unchanged), nor is one that
    // cannot be looked at (its folder gone, say: the writes report that). A file that went away
    // while its folder is there is reported once (ReportStoreGone), and one that changed but
    // cannot be read is reported in a box: Failed, the store staying as the window shows it, and
    // nothing may be written over the file from the window.
    enum class Refresh { Unchanged, Reread, Failed };
    Refresh RefreshStore();
    // The open store's file went away (another program deleted or renamed it, or replaced the
    // storage folder): says so as the store switch says it of a missing file, "Store file
    // "<name>" not found.", once, and has the window open another store in its place
    // (StoreGone). Until a store is read (ReadStore) later changes say nothing.
    void ReportStoreGone();
    // Whether ReportStoreGone said so of the store read last.
    bool StoreGoneReported() const { return storeGoneReported_; }
    // The row (category, item; item kNoRow for the category's own row) in the store as its file
    // now holds it: when another program changed the file since the window read it, the store
    // is read again (RefreshStore) and the row found by its names. False when the row is none
    // of the store's, or the file could not be read again (reported); EStoreError when the file
    // no longer holds it (RaiseTakenOut).
    bool CurrentRow(int32_t& category, int32_t& item);

    // One try of a change to the open store's file (ChangeStoreFile).
    enum class Try {
        Done,        // made: written, or nothing of it needed writing
        FileChanged, // not made: the file changed since the window read it; tried again
        Stop,        // not made, and not tried again: the reason was reported
    };
    // What a try changed in Store before its write, put back by ChangeStoreFile when the write
    // did not happen (the try ended FileChanged or Stop, or raised). Kept objects must outlive
    // the try; Store's records do, until the store is read again.
    class Undo {
    public:
        // A copy of object, put back into it.
        template <class T> void Keep(T& object)
        {
            steps_.push_back([&object, kept = object]() mutable { object = std::move(kept); });
        }
        // Any other way back.
        void Add(std::function<void()> putBack) { steps_.push_back(std::move(putBack)); }

    private:
        friend class TMainShared;
        std::vector<std::function<void()>> steps_;
    };
    // Makes a change over the store as its file holds it now. tryChange takes what it changes
    // from Store after CurrentRow or RefreshStore (which read the store again when another
    // program changed its file), notes in undo how to put back what it changes in Store, and
    // writes only when the file is as the window knows it (the ...IfUnchanged writers, or
    // WriteBatch). When its write did not happen, what it noted is put back, and the item list
    // is drawn again unless the change is tried anew. again is set from the second try on, after
    // a write found the file changed: a change that needs nothing but Store may skip the look
    // before its first try, whose write finds out itself. A file that changed again in between
    // is tried again; after kMaxChangeRounds tries the change is given up with a box that says
    // nothing was changed (RaiseStoreKeptChanging). A store file found gone is reported once
    // (ReportStoreGone) and ends the change. True when it was made.
    bool ChangeStoreFile(const std::function<Try(bool again, Undo& undo)>& tryChange);
    // The batch applied to the open store's file when it is as the window knows it, the stores
    // that could not take a carried coupon named in one box (or added to *failures): Done, or
    // FileChanged with nothing written.
    Try WriteBatch(const StoreBatch& batch, CarryOverFailures* failures = nullptr);
    // One key of the open store's file written over the file as it stands, nothing of Store
    // going with it (WriteStoreString); false, with nothing written, when the file went away
    // (reported once).
    bool WriteStoreKey(const AnsiString& section, const AnsiString& key, const AnsiString& value);
    // Changes item (category, item) and writes its line into the open store's file, carrying
    // its coupon over to the other stores of the picker (a store that could not take it is named
    // in one error box), after selecting its row when select is set. The change is made to the
    // item as the file holds it (ChangeStoreFile, CurrentRow): when the file no longer holds
    // the item, nothing is written, the lists show the store as it is and EStoreError says so.
    // False, with nothing written and the item as it was, when the change could not be made.
    bool ChangeItem(int32_t category, int32_t item, const std::function<void(QMItem&)>& change,
                    bool select = false);

protected:
    // The window's part of ReportStoreGone, after its box: the picker lists the stores the
    // folder holds now, and once the command that met the gone store is over, the first of
    // them is opened as start-up opens one in place of a last store whose file has gone; with
    // none, no store is shown. (Not at once: the command may still hold rows of the store.)
    virtual void StoreGone() = 0;
    // The window's part of RefreshStore, once Store was read again and its selection and
    // expanded states put back: the status bar, the expired-coupon report of result, the
    // buttons, and both lists drawn anew at the places they showed.
    virtual void StoreReadAgain(const LoadStoreResult& result) = 0;

private:
    bool storeGoneReported_ = false; // ReportStoreGone said so of the store read last
};

} // namespace qm
