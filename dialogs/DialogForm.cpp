#include "dialogs/DialogForm.h"

#include <QApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "graphics/JpegImage.h"
#include "platform/Dialogs.h"
#include "platform/Dispatch.h"
#include "platform/Exception.h"
#include "platform/Shell.h"

namespace qm {

QImage LoadDialogPicture(const char* name)
{
    QFile file(QString(":/dialogs/%1.jpg").arg(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return DecodeJpeg(file.readAll());
}

TDialogForm::TDialogForm(QWidget* parent, const char* name, const QString& caption, const char* picture)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(name);
    setWindowTitle(caption);
    setModal(true);
    QFont f("Arial");
    f.setPointSize(8);
    setFont(f);

    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 8, 8);
    if (picture) {
        QImage image;
        try {
            image = LoadDialogPicture(picture);
        } catch (const Exception& e) {
            MessageDlg(e.what(), mtError, mbOK, 0);
        }
        if (!image.isNull()) {
            Picture = new QLabel(this);
            Picture->setObjectName("ImagePicture");
            Picture->setPixmap(QPixmap::fromImage(image));
            Picture->setAlignment(Qt::AlignTop | Qt::AlignLeft);
            Picture->setFixedWidth(image.width());
            outer->addWidget(Picture, 0, Qt::AlignTop);
        }
    }
    auto* column = new QVBoxLayout;
    column->setContentsMargins(picture ? 8 : 8, 8, 0, 0);
    Body = new QWidget(this);
    Body->setObjectName("Body");
    column->addWidget(Body, 1);
    ButtonRow = new QHBoxLayout;
    ButtonRow->addStretch(1);
    column->addLayout(ButtonRow);
    outer->addLayout(column, 1);
}

QPushButton* TDialogForm::AddButton(const char* name, const QString& caption, int modalResult,
                                    std::function<void()> onClick)
{
    auto* button = new QPushButton(caption, this);
    button->setObjectName(name);
    button->setAutoDefault(false);
    ButtonRow->addWidget(button);
    connect(button, &QPushButton::clicked, this, [this, modalResult, onClick = std::move(onClick)] {
        ModalResult = modalResult;
        if (onClick && !Dispatch(onClick))
            ModalResult = 0; // a failed handler keeps the dialog open
        CloseWith(ModalResult);
    });
    return button;
}

void TDialogForm::AddOkCancelHelp(int helpContext, std::function<void()> onOk)
{
    BtnOK = AddButton("BtnOK", "&OK", mrOk, std::move(onOk));
    BtnOK->setDefault(true);
    BtnCancel = AddButton("BtnCancel", "&Cancel", mrCancel);
    BtnHelp = AddButton("BtnHelp", "&Help", mrNone, [helpContext] { Shell().showHelp(helpContext); });
    if (!HelpContext)
        HelpContext = helpContext;
}

void TDialogForm::SetHelpContext(QWidget* control, int context)
{
    control->setProperty("HelpContext", context);
}

void TDialogForm::CloseWith(int modalResult)
{
    if (modalResult == mrNone)
        return;
    ModalResult = modalResult;
    done(modalResult);
}

void TDialogForm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1) {
        int context = HelpContext;
        for (QWidget* w = focusWidget(); w && w != this; w = w->parentWidget()) {
            const QVariant v = w->property("HelpContext");
            if (v.isValid() && v.toInt() != 0) {
                context = v.toInt();
                break;
            }
        }
        Shell().showHelp(context);
        return;
    }
    QDialog::keyPressEvent(event);
}

void TDialogForm::reject()
{
    CloseWith(mrCancel);
}

QPushButton* AddColumnButton(QWidget* parent, QBoxLayout* column, const char* name, const char* caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    column->addWidget(button);
    return button;
}

void ConnectClick(QPushButton* button, QObject* context, std::function<void()> handler)
{
    QObject::connect(button, &QPushButton::clicked, context, [handler] { Dispatch(handler); });
}

} // namespace qm
