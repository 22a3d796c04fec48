#pragma once
// Hands a message to the user's mail program, which shows its own compose window. The
// message goes through xdg-email: subject, body, one attachment and one recipient address.
// The recipient's name and the sender have no place there and are not passed on; the mail
// program addresses the message from its own account.
#include <cstdint>
#include <string>

#include "platform/AnsiString.h"

namespace qm {

// Empty texts are left out. The attachment path is the system's bytes, passed on unchanged. Returns 0 when
// the mail program took the message, -1 when the hand-off program cannot be started (or dies without an exit
// code), else its exit code; any non-zero result is also shown in the error box "Error sending mail (N).".
// The call waits for the hand-off program, but at most 30 seconds: a program still running then (a mail
// program started in the foreground) is left to run, and the hand-off counts as done.
std::int32_t SendMapiMail(const AnsiString& subject, const AnsiString& body,
                          const std::string& attachmentPath, const AnsiString& recipientAddress,
                          const AnsiString& recipientName, const AnsiString& senderAddress,
                          const AnsiString& senderName);

// How long SendMapiMail waits for the hand-off program; returns the previous value (tests).
int SetMailHandOffTimeoutMs(int ms);

} // namespace qm
