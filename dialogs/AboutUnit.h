#pragma once
// TFormAbout, "About Quillmart": the program's name, version and release date, and a link to
// the maker's web site.
#include "dialogs/DialogForm.h"
#include "platform/Clock.h"

class QLabel;

namespace qm {

class TUrlLabel;

// The program's version text and build number, which the version check compares against.
inline constexpr const char* kProgramVersion = "1.5";
inline constexpr unsigned kProgramBuild = 3;
// The maker's web site: the about box's link, the Help menu's web commands and the version
// check's server.
inline constexpr const char* kMakerSite = "https://www.brenvoke.example";

class TFormAbout : public TDialogForm {
    Q_OBJECT
public:
    explicit TFormAbout(QWidget* parent = nullptr);

    QLabel* ImageProgram = nullptr;
    QLabel* ImageLogo = nullptr;
    QLabel* LabelName = nullptr;
    QLabel* LabelReleaseDate = nullptr;
    TUrlLabel* UrlLabel1 = nullptr;
    TDateTime ReleaseDate = 0;

    void FormCreate();
};

} // namespace qm
