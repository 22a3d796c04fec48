// The shopping list's export as PDF or text, and its e-mail.
#include "mainwindow/ShoppingCartUnit.h"
#include "platform/DateFormat.h"
#include "printing/ShoppingListExport.h"
#include "util/EmailUtils.h"

namespace qm {

void TFormMain::ConnectExportHandlers()
{
    DialogSave.initialDir = HomeFolder();
    Wire(BtnEmailList, &TFormMain::MItemFileEmailListClick);
}

void TFormMain::MItemFileSaveListClick()
{
    std::string fileName;
    int filterIndex = DialogSave.filterIndex;
    if (!PromptForFile(DialogSave, fileName, filterIndex))
        return;
    // Like any save dialog that stays with its window, the next one opens on this choice: in
    // its folder, with its name.
    DialogSave.initialDir = FolderOfChoice(fileName);
    DialogSave.fileName = fileName.substr(DialogSave.initialDir.size());
    DialogSave.filterIndex = filterIndex;
    if (filterIndex == 1)
        WriteShoppingListPdf(fileName);
    else if (filterIndex == 2)
        qm::WriteShoppingListText(ShopList, GetCurrentStoreName(), fileName);
}

void TFormMain::MItemFileEmailListClick()
{
    // With no store open there is no list to send, as there is no store to export or rename.
    const AnsiString storeName = GetCurrentStoreName();
    if (storeName.empty())
        return;
    const std::string path = StoreFolderFile(StoresFolder, storeName, ".pdf");
    WriteShoppingListPdf(path);
    const AnsiString subject = "Shopping List for " + storeName + ", " + FormatDateTime("ddddd", Date());
    // The mail hand-off reports its own failures.
    SendMapiMail(subject, "", path, "", "", "", "");
}

void TFormMain::WriteShoppingListPdf(const std::string& FileName)
{
    TPrintPDF pdf;
    qm::WriteShoppingListPdf(pdf, ShopList, GetCurrentStoreName(), ReadShoppingListPdfSettings(), FileName);
}

} // namespace qm
