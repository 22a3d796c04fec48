#pragma once
// The program's help window: the topics of the help file, opened at a context number, with
// a contents list and a keyword index beside the page. One window serves the whole program.
#include <QWidget>
#include <memory>

#include "platform/HelpFile.h"

class QLineEdit;
class QListWidget;
class QTabWidget;
class QTextBrowser;

namespace qm {

class THelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit THelpWindow(QWidget* parent = nullptr);

    // Loads the help file (the application's help file when path is empty). A missing or
    // damaged file raises EInOutError; the window keeps what it had.
    void LoadFile(const std::string& path);
    // Shows the topic of the context number; 0 shows the contents and the index. A number the
    // file has no topic for shows the contents with a note saying so.
    void ShowContext(int context);

    int ShownContext() const { return shown_; }
    QString PageText() const; // the text of the page shown (for tests)

    QTabWidget* Tabs = nullptr;
    QListWidget* ListContents = nullptr;
    QLineEdit* EditIndex = nullptr;
    QListWidget* ListIndex = nullptr;
    QTextBrowser* Page = nullptr;

protected:
    bool event(QEvent* event) override;

private:
    void FillLists();
    void FilterIndex(const QString& text);
    std::unique_ptr<HelpFile> file_;
    std::string loadedPath_;
    int shown_ = -1;
};

// Opens the help window (made on first use) at the context: the desktop shell's help requests
// come here once InstallHelpWindow has run. Problems with the help file are shown in an error
// box; the program goes on.
void ShowHelpWindow(int context);
void InstallHelpWindow();
// The window, once made (null before the first request).
THelpWindow* HelpWindow();

} // namespace qm
