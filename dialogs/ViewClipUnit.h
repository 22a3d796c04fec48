#pragma once
// TFormViewClip, the clipboard viewer: a small tool window over the main window that shows
// the program's own item clipboard. It is made once at start, right after the main window,
// stays hidden until the Edit menu asks for it, and lives for the whole run.
#include <QWidget>

namespace qm {

class TFormViewClip : public QWidget {
    Q_OBJECT
public:
    explicit TFormViewClip(QWidget* parent = nullptr);
};

extern TFormViewClip* FormViewClip;

} // namespace qm
