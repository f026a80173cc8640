// The program's failure handler: every failure raised through raiseFailure and not handled where
// it happens comes here. It sorts the failure into a plain message and an abandon, a substitute
// 0 for a division by zero, a quiet default that lets the table layer retry, or a report that can
// be sent by e-mail followed by the end of the program.
#pragma once

#include <functional>
#include <string>

#include "util/failure.h"
#include "util/value.h"

namespace velt {

// Decides one failure: answers the substitute or default value, throws Abandon, or quits.
Value DEFERROR(const Failure& oError);

// The error text: "Error DBF/1012  description: FILE;Function: name  Line: 42".
std::string ERRORMESSAGE(const Failure& oError);

// Installs DEFERROR as the program's failure handler.
void installFailureHandler();

// The "mailto:" link of an error report: subject, program path and the escaped error text.
std::string errorReportLink(const std::string& programPath, const std::string& errorText);

// The full path of the running program file.
std::string programPath();

// Seams, each answering the one it replaces. An empty function restores the default.
// Opens a link with the desktop's handler without waiting for it (default: xdg-open).
using LinkOpener = std::function<void(const std::string& link)>;
LinkOpener setLinkOpener(LinkOpener opener);
// Releases the signed-in user's network lock before any message (default: nothing to release).
using LockRelease = std::function<void()>;
LockRelease setNetworkLockRelease(LockRelease release);
// Ends the program; must not return (default: the process exit procedure, then the end).
using QuitAction = std::function<void()>;
QuitAction setQuitAction(QuitAction quit);

// Ends the program at once through the quit action (the process exit procedure runs).
[[noreturn]] void quitProgram();

// The name of the function a failure was raised in, as the error text shows it: the qualified
// name without return type and parameters ("velt::DBOPEN").
std::string shortFunctionName(const std::string& prettyName);

}  // namespace velt
