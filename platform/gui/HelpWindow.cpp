#include "platform/gui/HelpWindow.h"

#include <QApplication>
#include <QScreen>
#include <algorithm>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/Exception.h"
#include "platform/Shell.h"

namespace qm {

namespace {
QPointer<THelpWindow>& Window()
{
    static QPointer<THelpWindow> window;
    return window;
}
} // namespace

THelpWindow::THelpWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName("HelpWindow");
    setWindowTitle("Quillmart Help");
    resize(820, 560);

    Tabs = new QTabWidget;
    Tabs->setObjectName("Tabs");
    ListContents = new QListWidget;
    ListContents->setObjectName("ListContents");
    auto* indexPage = new QWidget;
    auto* indexLayout = new QVBoxLayout(indexPage);
    indexLayout->setContentsMargins(4, 4, 4, 4);
    EditIndex = new QLineEdit;
    EditIndex->setObjectName("EditIndex");
    EditIndex->setPlaceholderText("Type a word to look for");
    ListIndex = new QListWidget;
    ListIndex->setObjectName("ListIndex");
    indexLayout->addWidget(EditIndex);
    indexLayout->addWidget(ListIndex);
    Tabs->addTab(ListContents, "Contents");
    Tabs->addTab(indexPage, "Index");

    Page = new QTextBrowser;
    Page->setObjectName("Page");
    Page->setOpenLinks(false);

    auto* split = new QSplitter;
    split->addWidget(Tabs);
    split->addWidget(Page);
    split->setStretchFactor(1, 1);
    split->setSizes({240, 580});
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(split);

    auto open = [this](QListWidgetItem* item) {
        if (item)
            ShowContext(item->data(Qt::UserRole).toInt());
    };
    connect(ListContents, &QListWidget::itemActivated, this, open);
    connect(ListContents, &QListWidget::itemClicked, this, open);
    connect(ListIndex, &QListWidget::itemActivated, this, open);
    connect(ListIndex, &QListWidget::itemClicked, this, open);
    connect(EditIndex, &QLineEdit::textChanged, this, &THelpWindow::FilterIndex);
    connect(Page, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.scheme() == "help")
            ShowContext(url.path().toInt());
        else if (url.scheme() == "http" || url.scheme() == "https")
            Shell().openUrl(FromQString(url.toString()));
    });
}

void THelpWindow::LoadFile(const std::string& path)
{
    const std::string name = path.empty() ? ApplicationHelpFile() : path;
    auto loaded = std::make_unique<HelpFile>(HelpFile::Load(name));
    file_ = std::move(loaded);
    loadedPath_ = name;
    FillLists();
}

void THelpWindow::FillLists()
{
    // The contents page first, then every topic by its title.
    ListContents->clear();
    std::vector<const HelpTopic*> topics;
    for (const auto& [context, topic] : file_->Topics())
        topics.push_back(&topic);
    std::stable_sort(topics.begin(), topics.end(), [](const HelpTopic* a, const HelpTopic* b) {
        if ((a->Context == 0) != (b->Context == 0))
            return a->Context == 0;
        return QString::fromStdString(a->Title).compare(QString::fromStdString(b->Title),
                                                        Qt::CaseInsensitive) < 0;
    });
    for (const HelpTopic* topic : topics) {
        auto* item = new QListWidgetItem(QString::fromStdString(topic->Title), ListContents);
        item->setData(Qt::UserRole, topic->Context);
    }
    ListIndex->clear();
    for (const auto& [word, context] : file_->Index()) {
        auto* item = new QListWidgetItem(QString::fromStdString(word), ListIndex);
        item->setData(Qt::UserRole, context);
    }
    FilterIndex(EditIndex->text());
}

void THelpWindow::FilterIndex(const QString& text)
{
    // Shows the entries that begin with the typed text and scrolls to the first of them.
    QListWidgetItem* first = nullptr;
    for (int i = 0; i < ListIndex->count(); ++i) {
        QListWidgetItem* item = ListIndex->item(i);
        const bool match = text.isEmpty() || item->text().startsWith(text, Qt::CaseInsensitive);
        item->setHidden(!match);
        if (match && !first)
            first = item;
    }
    if (first)
        ListIndex->scrollToItem(first);
}

void THelpWindow::ShowContext(int context)
{
    if (!file_)
        LoadFile({});
    const HelpTopic* topic = file_->Find(context);
    QString html;
    if (topic) {
        html = QString::fromStdString(HelpFile::BodyHtml(*topic));
    } else {
        topic = file_->Find(0);
        html =
            QString("<p><i>There is no help topic numbered %1; here are the contents.</i></p>").arg(context);
        if (topic)
            html += QString::fromStdString(HelpFile::BodyHtml(*topic));
    }
    Page->setHtml(html);
    shown_ = topic ? topic->Context : 0;
    for (int i = 0; i < ListContents->count(); ++i)
        if (ListContents->item(i)->data(Qt::UserRole).toInt() == shown_)
            ListContents->setCurrentRow(i);
    if (context == 0)
        Tabs->setCurrentIndex(0);
}

bool THelpWindow::event(QEvent* event)
{
    // A modal dialog or box blocks every window that is not its own. The help is read beside
    // it (asked for by its Help button or F1, or open from before while a box asks again after
    // its Help answer), so the help window joins the dialog for as long as it runs: its page
    // scrolls, its links and lists answer and it can be closed.
    if (event->type() == QEvent::WindowBlocked)
        QMetaObject::invokeMethod(
            this,
            [this] {
                QWidget* modal = QApplication::activeModalWidget();
                if (modal && modal != this && windowHandle() && modal->window()->windowHandle())
                    windowHandle()->setTransientParent(modal->window()->windowHandle());
            },
            Qt::QueuedConnection);
    return QWidget::event(event);
}

QString THelpWindow::PageText() const
{
    return Page->toPlainText();
}

THelpWindow* HelpWindow()
{
    return Window();
}

namespace {
// The help window's first place: over the window it was asked from, all of it on that screen
// (shrunk to the screen when the screen is smaller), its frame and title bar included.
void PlaceHelpWindow(THelpWindow& window)
{
    const QWidget* over = QApplication::activeWindow();
    const QScreen* screen = over ? over->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QSize frameRoom(8, 36); // the window manager's frame and title bar, before it tells
    const QRect area = screen->availableGeometry();
    window.resize(window.size().boundedTo(area.size() - frameRoom));
    QRect frame(QPoint(), window.size() + frameRoom);
    frame.moveCenter(over ? over->frameGeometry().center() : area.center());
    frame.moveLeft(std::clamp(frame.left(), area.left(), area.right() + 1 - frame.width()));
    frame.moveTop(std::clamp(frame.top(), area.top(), area.bottom() + 1 - frame.height()));
    window.move(frame.topLeft());
}
} // namespace

void ShowHelpWindow(int context)
{
    try {
        if (!Window()) {
            // A window of its own, not a child of the dialog it was first asked from (which
            // would take it along when it closes); it does not keep the program running once
            // the main window has closed.
            Window() = new THelpWindow;
            Window()->setAttribute(Qt::WA_QuitOnClose, false);
            PlaceHelpWindow(*Window());
        }
        Window()->ShowContext(context);
        Window()->show();
        Window()->raise();
        Window()->activateWindow();
    } catch (const Exception& e) {
        MessageDlg(e.what(), mtError, mbOK, 0);
    }
}

void InstallHelpWindow()
{
    SetHelpViewer(ShowHelpWindow);
}

} // namespace qm
