#pragma once
// Debug trace of the application: the logging category "vantel.trace", off by default.
// Turn it on with QT_LOGGING_RULES="vantel.trace.debug=true".

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcVantel)

namespace vantel {

// Writes one printf-formatted line to the trace category; a trailing line break of the
// format is dropped. Formats nothing while the category is off. Lines are cut at 4 KiB.
void Trace(const char* fmt, ...)
#if defined(__GNUC__) || defined(__clang__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

}  // namespace vantel
