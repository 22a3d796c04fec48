#include "util/EmailUtils.h"

#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include "platform/Dialogs.h"
#include "platform/Exception.h"

namespace qm {

namespace {
int g_timeoutMs = 30000;
}

int SetMailHandOffTimeoutMs(int ms)
{
    const int previous = g_timeoutMs;
    g_timeoutMs = ms;
    return previous;
}

std::int32_t SendMapiMail(const AnsiString& subject, const AnsiString& body, const AnsiString& attachmentPath,
                          const AnsiString& recipientAddress, const AnsiString& recipientName,
                          const AnsiString& senderAddress, const AnsiString& senderName)
{
    // Every value follows its option as a separate argument, so no text (a subject starting
    // with "-", an address holding "?attach=") can be read as an option or a mailto query.
    QStringList args{"--utf8"};
    if (!subject.empty())
        args << "--subject" << ToQString(subject);
    if (!body.empty())
        args << "--body" << ToQString(body);
    if (!attachmentPath.empty())
        args << "--attach" << QString::fromStdString(ToFileName(attachmentPath));
    if (!recipientAddress.empty())
        args << "--to" << ToQString(recipientAddress);

    std::int32_t result = 0;
    auto* process = new QProcess;
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    process->start("xdg-email", args);
    if (!process->waitForStarted()) {
        result = -1;
        delete process;
    } else if (!process->waitForFinished(g_timeoutMs)) {
        // Still running: leave it to the user and free the object once it ends.
        QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    } else {
        result = process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
        delete process;
    }

    if (result != 0)
        MessageDlg(Format("Error sending mail (%d).", int(result)), mtError, mbOK, 0);
    return result;
}

} // namespace qm
