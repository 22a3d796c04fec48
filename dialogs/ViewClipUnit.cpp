#include "dialogs/ViewClipUnit.h"

namespace qm {

TFormViewClip* FormViewClip = nullptr;

TFormViewClip::TFormViewClip(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setObjectName("FormViewClip");
    setWindowTitle("Clipboard Viewer");
    resize(346, 234);
}

} // namespace qm
