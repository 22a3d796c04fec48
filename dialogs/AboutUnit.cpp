#include "dialogs/AboutUnit.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/HelpContexts.h"
#include "platform/DateFormat.h"
#include "platform/Dialogs.h"
#include "platform/Exception.h"
#include "util/widgets/UrlLabel.h"

namespace qm {

namespace {

QLabel* PictureLabel(QWidget* parent, const char* name, const char* picture, const char* hint)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setToolTip(hint);
    try {
        const QImage image = LoadDialogPicture(picture);
        if (!image.isNull()) {
            label->setPixmap(QPixmap::fromImage(image));
            label->setFixedSize(image.size());
        }
    } catch (const Exception& e) {
        MessageDlg(e.what(), mtError, mbOK, 0); // the box opens without the picture
    }
    return label;
}

} // namespace

TFormAbout::TFormAbout(QWidget* parent) : TDialogForm(parent, "FormAbout", "About Quillmart", nullptr)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    QFont formFont("Arial");
    formFont.setPointSize(8);
    setFont(formFont);
    auto* layout = new QVBoxLayout(Body);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* panel = new QFrame(Body);
    panel->setObjectName("Panel1");
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    auto* grid = new QGridLayout(panel);

    ImageProgram = PictureLabel(panel, "ImageProgram", "program", "Quillmart");
    ImageLogo = PictureLabel(panel, "ImageLogo", "logo", "Brenvoke Software");
    LabelName = new QLabel("Quillmart v", panel);
    LabelName->setObjectName("LabelName");
    QFont nf("Arial");
    nf.setPixelSize(16);
    nf.setBold(true);
    LabelName->setFont(nf);
    LabelReleaseDate = new QLabel("Released on ", panel);
    LabelReleaseDate->setObjectName("LabelReleaseDate");
    UrlLabel1 = new TUrlLabel(panel);
    UrlLabel1->setObjectName("UrlLabel1");
    UrlLabel1->SetCaption(kMakerSite);
    UrlLabel1->SetURL(kMakerSite);
    auto* line = new QFrame(panel);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    auto* web = new QHBoxLayout;
    web->addWidget(new QLabel("Web:", panel));
    web->addWidget(UrlLabel1, 1);
    grid->addWidget(ImageProgram, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(LabelName, 0, 1);
    grid->addWidget(LabelReleaseDate, 1, 1);
    grid->addWidget(line, 2, 0, 1, 2);
    grid->addLayout(web, 3, 0, 1, 2);
    grid->addWidget(ImageLogo, 4, 0, 1, 2, Qt::AlignCenter);
    layout->addWidget(panel);

    BtnOK = AddButton("BtnOK", "&OK", mrOk);
    BtnOK->setDefault(true);
    SetHelpContext(BtnOK, HelpContextOf("About Quillmart"));
    FormCreate();
}

void TFormAbout::FormCreate()
{
    ReleaseDate = EncodeDate(2006, 4, 13);
    LabelName->setText(LabelName->text() + kProgramVersion);
    LabelReleaseDate->setText(LabelReleaseDate->text() + ToQString(FormatDateTime("dddddd", ReleaseDate)));
}

} // namespace qm
