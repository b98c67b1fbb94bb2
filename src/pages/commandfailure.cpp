#include "pages/commandfailure.h"

#include "link/vexalib.h"

QString CommandFailureText(unsigned result) {
    if (result == kVexaRefused) {
        return QStringLiteral("The device refused the command.");
    }
    return QStringLiteral("Operation failed, no response.");
}
