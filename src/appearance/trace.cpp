#include "appearance/trace.h"

#include <cstdarg>
#include <cstdio>

Q_LOGGING_CATEGORY(lcVantel, "vantel.trace", QtWarningMsg)

namespace vantel {

void Trace(const char* fmt, ...) {
    if (fmt == nullptr || !lcVantel().isDebugEnabled()) {
        return;
    }
    char line[4096];
    va_list args;
    va_start(args, fmt);
    const int written = std::vsnprintf(line, sizeof line, fmt, args);
    va_end(args);
    if (written < 0) {
        return;
    }
    QByteArray text(line);
    while (text.endsWith('\n') || text.endsWith('\r')) {
        text.chop(1);
    }
    qCDebug(lcVantel).noquote() << QString::fromUtf8(text);
}

}  // namespace vantel
