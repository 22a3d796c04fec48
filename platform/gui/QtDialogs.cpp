#include "platform/gui/QtDialogs.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "platform/Shell.h"
#include "platform/gui/Printer.h"

namespace qm {

namespace {
ModalHook& Hook()
{
    static ModalHook hook;
    return hook;
}

QWidget* ActiveParent()
{
    return QApplication::activeWindow();
}

// "Store files (*.store)|*.store|All files|*.*" -> "Store files (*.store);;All files (*.*)": the
// patterns in brackets after each description, unless the description already ends with them.
QString QtFilter(const AnsiString& filter)
{
    const QStringList parts = ToQString(filter).split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = " (" + QString(parts[i + 1]).replace(';', ' ') + ")";
        out << (parts[i].endsWith(patterns) ? parts[i] : parts[i] + patterns);
    }
    return out.join(";;");
}
// The folder picker: Qt's own folder dialog, so that the request's handler can follow the
// selection, switch the OK button and fill a status line under the folder list.
bool PickFolder(const FileDialogRequest& r, std::string& path)
{
    QFileDialog dialog(ActiveParent(), ToQString(r.title), PathToQString(r.initialDir));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    QLabel* status = nullptr;
    if (r.statusLine) {
        status = new QLabel(&dialog);
        status->setObjectName("StatusText");
        if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
            grid->addWidget(status, grid->rowCount(), 0, 1, grid->columnCount());
    }
    if (r.onFolderChange) {
        QObject::connect(&dialog, &QFileDialog::currentChanged, &dialog, [&](const QString& selected) {
            if (selected.isEmpty())
                return;
            int enabledOK = -1;
            AnsiString text;
            r.onFolderChange(PathFromQString(selected), enabledOK, text);
            if (enabledOK != -1)
                if (auto* box = dialog.findChild<QDialogButtonBox*>())
                    if (QPushButton* ok = box->button(QDialogButtonBox::Open))
                        ok->setEnabled(enabledOK != 0);
            if (status && !text.empty())
                status->setText(ToQString(text));
        });
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    path = PathFromQString(dialog.selectedFiles().first());
    return true;
}

// The extension a Save picker gives a name typed without one: the chosen filter's own
// ("*.pdf"), or the default extension when that filter has no single extension.
QString ExtensionFor(const FileDialogRequest& r, const QStringList& filters, const QString& selected)
{
    const int at = int(filters.indexOf(selected));
    const QStringList patterns =
        at >= 0 ? ToQString(r.filter).split('|').value(2 * at + 1).split(';') : QStringList();
    if (patterns.size() == 1 && patterns[0].startsWith("*.") && patterns[0].indexOf('*', 2) < 0 &&
        !patterns[0].contains('?'))
        return patterns[0].mid(2);
    return ToQString(r.defaultExt);
}

// The toolkit's own save dialog, which asks before it replaces a file. The extension is made
// its default suffix as the person confirms, so that the name it asks about, and answers, is
// the one that will be written. Qt's own dialog rather than the desktop's: only there does the
// question come after the suffix.
class SaveDialog : public QFileDialog {
public:
    SaveDialog(const FileDialogRequest& r, const QStringList& filters)
        : QFileDialog(ActiveParent(), ToQString(r.title)), request_(r), filters_(filters)
    {
        setOption(QFileDialog::DontUseNativeDialog);
        setAcceptMode(QFileDialog::AcceptSave);
        setFileMode(QFileDialog::AnyFile);
        setNameFilters(filters);
    }
    void accept() override
    {
        setDefaultSuffix(ExtensionFor(request_, filters_, selectedNameFilter()));
        QFileDialog::accept();
    }

private:
    const FileDialogRequest& request_;
    QStringList filters_;
};

// A box at least as wide as its title, which the window manager would otherwise cut short
// ("Info...tion") over a short message: room for the title in bold, the window icon and the
// title bar's buttons.
int TitleRoom(const QWidget& window)
{
    QFont bold = window.font();
    bold.setBold(true);
    return QFontMetrics(bold).horizontalAdvance(window.windowTitle()) + 120;
}

void FitTitle(QMessageBox& box)
{
    const int titleRoom = TitleRoom(box);
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(titleRoom, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
}

// The words of one line of a message: runs of text between blanks, where text in double quotes
// counts as one word with its blanks (a file's path or a name stays whole where it can). An
// empty word stands between two blanks in a row.
QStringList MessageWords(const QString& line)
{
    QStringList words;
    QString word;
    bool quoted = false;
    for (const QChar c : line) {
        if (c == ' ' && !quoted) {
            words << word;
            word.clear();
            continue;
        }
        if (c == '"')
            quoted = !quoted;
        word += c;
    }
    words << word;
    return words;
}

// Whether a line may end after text[i - 1], a "/" between two folder names of a path (not the
// one that begins it), from the line that begins at start.
bool BreaksAfterSlash(const QString& text, qsizetype start, qsizetype i)
{
    return text[i - 1] == '/' && i - 2 >= start && text[i - 2] != '"' && text[i - 2] != ' ';
}

// Where a line of text that begins at start and fits up to end is best ended: after the last
// "/" between folders or at the last blank, whichever comes later, except that a blank inside
// a path gives way to a "/" before it in the same path (a file's name stays whole); at end when
// there is neither. next receives where the following line begins.
qsizetype LineEnd(const QString& text, qsizetype start, qsizetype end, qsizetype& next)
{
    for (qsizetype i = end; i > start; --i) {
        if (BreaksAfterSlash(text, start, i)) {
            next = i;
            return i;
        }
        if (i < text.size() && text[i] == ' ') {
            next = i + 1; // the blank gives way to the break
            const bool quoted = text.left(i).count('"') % 2 == 1;
            for (qsizetype j = i; quoted && j > start && text[j - 1] != '"'; --j)
                if (BreaksAfterSlash(text, start, j)) {
                    next = j;
                    return j;
                }
            return i;
        }
    }
    next = end;
    return end;
}

// Text wider than a line in lines that fit, each as long as it can be (LineEnd), else cut after
// the last character that fits.
QStringList BreakWideText(const QString& text, int maxWidth, const MessageTextWidth& width)
{
    QStringList lines;
    qsizetype start = 0;
    while (width(text.mid(start)) > maxWidth) {
        qsizetype end = start + 1; // [start, end) fits: at least one character per line
        while (end < text.size() && width(text.mid(start, end + 1 - start)) <= maxWidth)
            ++end;
        qsizetype next = end;
        const qsizetype cut = LineEnd(text, start, end, next);
        lines << text.mid(start, cut - start);
        start = next;
    }
    lines << text.mid(start);
    return lines;
}

// One line of a message wrapped: as many words on each line as fit, a blank where a line ends
// giving way to the break.
QStringList WrapMessageLine(const QString& line, int maxWidth, const MessageTextWidth& width)
{
    if (width(line) <= maxWidth)
        return {line};
    QStringList lines;
    QString current;
    bool open = false; // whether current has begun (it may begin with a blank)
    const auto finish = [&] {
        while (current.endsWith(' '))
            current.chop(1);
        lines << current;
        current.clear();
        open = false;
    };
    for (const QString& word : MessageWords(line)) {
        const QString candidate = open ? current + ' ' + word : word;
        if (width(candidate) <= maxWidth && (open || !word.isEmpty() || lines.isEmpty())) {
            current = candidate;
            open = true;
            continue;
        }
        if (width(word) > maxWidth) {
            // Too wide for any line: it goes on from where the line stands.
            QStringList pieces = BreakWideText(candidate, maxWidth, width);
            current = pieces.takeLast();
            open = true;
            lines << pieces;
            continue;
        }
        if (open)
            finish();
        if (word.isEmpty())
            continue; // a further blank where a line broke
        current = word;
        open = true;
    }
    if (open)
        finish();
    return lines;
}

// The message's text with every line no wider than a message box's label is kept (half the
// screen, at most 500 pixels). The label is then made wide enough for the widest line, so the
// box does not break the lines again at a width of its own.
void SetWrappedText(QMessageBox& box, const QString& text)
{
    auto* label = box.findChild<QLabel*>("qt_msgbox_label");
    if (!label) {
        box.setText(text);
        return;
    }
    const QScreen* screen = box.screen() ? box.screen() : QGuiApplication::primaryScreen();
    const int maxWidth = std::min(screen ? screen->availableGeometry().width() / 2 : 500, 500);
    const QFontMetricsF metrics(label->font());
    const MessageTextWidth width = [&metrics](const QString& line) {
        return int(std::ceil(metrics.horizontalAdvance(line)));
    };
    const QString wrapped = WrapMessageText(text, maxWidth, width);
    box.setText(wrapped);
    int widest = 0;
    for (const QString& line : wrapped.split(QRegularExpression("[\r\n]")))
        widest = std::max(widest, width(line));
    const QMargins margins = label->contentsMargins();
    label->setMinimumWidth(widest + margins.left() + margins.right() + 1);
}

QMessageBox::Icon IconOf(TMsgDlgType type)
{
    return type == mtError          ? QMessageBox::Critical
           : type == mtWarning      ? QMessageBox::Warning
           : type == mtConfirmation ? QMessageBox::Question
           : type == mtInformation  ? QMessageBox::Information
                                    : QMessageBox::NoIcon;
}

} // namespace

QString WrapMessageText(const QString& text, int maxWidth, const MessageTextWidth& width)
{
    QString wrapped;
    qsizetype start = 0;
    while (true) {
        qsizetype end = start;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r')
            ++end;
        wrapped += WrapMessageLine(text.mid(start, end - start), maxWidth, width).join('\n');
        if (end == text.size())
            return wrapped;
        wrapped += text[end]; // the text's own line breaks stay as they are
        start = end + 1;
    }
}

int QtDialogs::messageDlg(const AnsiString& msg, TMsgDlgType type, TMsgDlgButtons buttons, int)
{
    QMessageBox box(ActiveParent());
    box.setWindowTitle(type == mtError          ? "Error"
                       : type == mtWarning      ? "Warning"
                       : type == mtConfirmation ? "Confirm"
                       : type == mtInformation  ? "Information"
                                                : QApplication::applicationName());
    box.setIcon(IconOf(type));
    // Names of stores, categories and items go into these texts; "<b>" in one is shown as typed.
    box.setTextFormat(Qt::PlainText);
    SetWrappedText(box, ToQString(msg));
    QPushButton* yes = (buttons & mbYes) ? box.addButton(QMessageBox::Yes) : nullptr;
    QPushButton* no = (buttons & mbNo) ? box.addButton(QMessageBox::No) : nullptr;
    QPushButton* ok = (buttons & mbOK) ? box.addButton(QMessageBox::Ok) : nullptr;
    QPushButton* cancel = (buttons & mbCancel) ? box.addButton(QMessageBox::Cancel) : nullptr;
    QPushButton* help = (buttons & mbHelp) ? box.addButton(QMessageBox::Help) : nullptr;
    if (!yes && !no && !ok && !cancel)
        ok = box.addButton(QMessageBox::Ok);
    FitTitle(box);
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    if (clicked && clicked == yes)
        return mrYes;
    if (clicked && clicked == no)
        return mrNo;
    if (clicked && clicked == ok)
        return mrOk;
    if (clicked && clicked == help)
        return mrHelp;
    return mrCancel;
}

int QtDialogs::messageBox(const AnsiString& text, const AnsiString& caption, TMsgDlgButtons buttons,
                          TMsgDlgType icon)
{
    QMessageBox box(IconOf(icon), ToQString(caption), QString(),
                    (buttons & mbYes) ? (QMessageBox::Yes | QMessageBox::No)
                                      : QMessageBox::StandardButtons(QMessageBox::Ok),
                    ActiveParent());
    box.setTextFormat(Qt::PlainText);
    SetWrappedText(box, ToQString(text));
    FitTitle(box);
    const int r = box.exec();
    return r == QMessageBox::Yes ? mrYes : r == QMessageBox::No ? mrNo : mrOk;
}

bool QtDialogs::inputQuery(const AnsiString& caption, const AnsiString& prompt, AnsiString& value)
{
    QString text = ToQString(value);
    if (!inputQueryText(caption, prompt, text))
        return false;
    value = FromQString(text);
    return true;
}

bool QtDialogs::inputQueryText(const AnsiString& caption, const AnsiString& prompt, QString& value)
{
    QInputDialog query(ActiveParent());
    query.setWindowTitle(ToQString(caption));
    query.setLabelText(ToQString(prompt));
    query.setTextValue(value);
    // A short prompt makes a narrow query, whose title the window manager cuts short too; the
    // query's width follows its prompt's.
    if (auto* label = query.findChild<QLabel*>())
        label->setMinimumWidth(TitleRoom(query));
    if (query.exec() != QDialog::Accepted)
        return false;
    value = query.textValue();
    return true;
}

bool QtDialogs::fileDialog(const FileDialogRequest& r, std::string& path)
{
    int filterIndex = r.filterIndex;
    return fileDialogWithFilter(r, path, filterIndex);
}

bool QtDialogs::fileDialogWithFilter(const FileDialogRequest& r, std::string& path, int& filterIndex)
{
    const QString dir = PathToQString(r.fileName.empty() ? r.initialDir : r.initialDir + r.fileName);
    const QStringList filters = QtFilter(r.filter).split(";;", Qt::SkipEmptyParts);
    QString selected =
        r.filterIndex >= 1 && r.filterIndex <= filters.size() ? filters[r.filterIndex - 1] : QString();
    filterIndex = r.filterIndex;
    QString chosen;
    switch (r.kind) {
    case FileDialogRequest::Open:
        chosen = QFileDialog::getOpenFileName(ActiveParent(), ToQString(r.title), dir, QtFilter(r.filter),
                                              &selected);
        break;
    case FileDialogRequest::Save: {
        SaveDialog dialog(r, filters);
        if (!dir.isEmpty()) {
            // The folder first, then the name in it, as the static picker takes a path.
            const QFileInfo preset(dir);
            if (preset.isDir()) {
                dialog.setDirectory(dir);
            } else {
                dialog.setDirectory(preset.absolutePath());
                dialog.selectFile(preset.fileName());
            }
        }
        if (!selected.isEmpty())
            dialog.selectNameFilter(selected);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
            chosen = dialog.selectedFiles().first();
            selected = dialog.selectedNameFilter();
        }
        break;
    }
    case FileDialogRequest::Folder:
        return PickFolder(r, path);
    }
    if (chosen.isEmpty())
        return false;
    const int at = int(filters.indexOf(selected));
    if (at >= 0)
        filterIndex = at + 1;
    path = PathFromQString(chosen);
    return true;
}

bool QtDialogs::printDialog(PrintDialogRequest& r)
{
    // The toolkit's printer and dialog ask the print server for its queues themselves; while
    // it does not answer they find none and offer the PDF file.
    const TSilentServerBypass bypass;
    // The dialog starts on the current printer, and the printer chosen there becomes it.
    QPrinter printer;
    Printer().ToQPrinter(printer);
    QPrintDialog dialog(&printer, ActiveParent());
    if (r.HelpContext != 0) {
        // A Help button beside OK and Cancel opens the help at the caller's topic; the dialog
        // stays open.
        if (auto* box = dialog.findChild<QDialogButtonBox*>(QString(), Qt::FindDirectChildrenOnly)) {
            QPushButton* help = box->addButton(QDialogButtonBox::Help);
            help->setObjectName("BtnHelp");
            const int context = r.HelpContext;
            QObject::connect(help, &QPushButton::clicked, &dialog, [context] { Shell().showHelp(context); });
        }
    }
    QAbstractPrintDialog::PrintDialogOptions options = QAbstractPrintDialog::PrintToFile |
                                                       QAbstractPrintDialog::PrintShowPageSize |
                                                       QAbstractPrintDialog::PrintCollateCopies;
    if (r.PageNumbers)
        options |= QAbstractPrintDialog::PrintPageRange;
    dialog.setOptions(options);
    dialog.setMinMax(r.MinPage, std::max(r.MinPage, r.MaxPage));
    dialog.setFromTo(r.FromPage, r.ToPage);
    printer.setCopyCount(std::max(1, r.Copies));
    printer.setCollateCopies(r.Collate);
    dialog.setPrintRange(r.PrintRange == PrintDialogRequest::prPageNums    ? QAbstractPrintDialog::PageRange
                         : r.PrintRange == PrintDialogRequest::prSelection ? QAbstractPrintDialog::Selection
                                                                           : QAbstractPrintDialog::AllPages);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    switch (dialog.printRange()) {
    case QAbstractPrintDialog::PageRange:
        r.PrintRange = PrintDialogRequest::prPageNums;
        r.FromPage = dialog.fromPage();
        r.ToPage = dialog.toPage();
        break;
    case QAbstractPrintDialog::Selection:
        r.PrintRange = PrintDialogRequest::prSelection;
        break;
    default:
        r.PrintRange = PrintDialogRequest::prAllPages;
        break;
    }
    // The caller repeats the job once for each copy.
    r.Copies = printer.copyCount();
    r.Collate = printer.collateCopies();
    Printer().FromQPrinter(printer);
    return true;
}

bool QtDialogs::fileDialogMulti(const FileDialogRequest& r, std::vector<std::string>& paths)
{
    if (!r.multiSelect || r.kind != FileDialogRequest::Open)
        return DialogHandler::fileDialogMulti(r, paths);
    const QString dir = PathToQString(r.fileName.empty() ? r.initialDir : r.initialDir + r.fileName);
    const QStringList chosen =
        QFileDialog::getOpenFileNames(ActiveParent(), ToQString(r.title), dir, QtFilter(r.filter));
    if (chosen.isEmpty())
        return false;
    paths.clear();
    for (const QString& file : chosen)
        paths.push_back(PathFromQString(file));
    return true;
}

void InstallQtDialogs()
{
    SetDialogHandler(std::make_shared<QtDialogs>());
}

int RunModal(QDialog& dialog)
{
    if (Hook())
        return Hook()(dialog);
    const int r = dialog.exec();
    return r == QDialog::Accepted ? mrOk : r == QDialog::Rejected ? mrCancel : r;
}

ModalHook SetModalHook(ModalHook hook)
{
    ModalHook previous = std::move(Hook());
    Hook() = std::move(hook);
    return previous;
}

} // namespace qm
