#include "platform/Application.h"

#include <QCoreApplication>

namespace qm {

namespace {
// The title is kept here rather than in Qt's display name, which Qt would append to the
// caption of every window of the program.
AnsiString& Title()
{
    static AnsiString title;
    return title;
}
AnsiString& HelpFile()
{
    static AnsiString path;
    return path;
}
} // namespace

AnsiString ApplicationTitle()
{
    return Title();
}
void SetApplicationTitle(const AnsiString& title)
{
    Title() = title;
}

AnsiString ApplicationHelpFile()
{
    return HelpFile();
}
void SetApplicationHelpFile(const AnsiString& path)
{
    HelpFile() = path;
}

AnsiString ApplicationExeName()
{
    return FromFileName(QCoreApplication::applicationFilePath().toStdString());
}

AnsiString ApplicationFolder()
{
    AnsiString dir = FromFileName(QCoreApplication::applicationDirPath().toStdString());
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    return dir;
}

} // namespace qm
