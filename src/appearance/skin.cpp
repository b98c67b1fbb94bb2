#include "appearance/skin.h"

#include <QApplication>
#include <QFile>
#include <QStringDecoder>

#include "appearance/trace.h"

namespace vantel {
namespace {

// A skin is a few kilobytes; anything far larger is not a skin.
constexpr qint64 kMaxSkinBytes = 1024 * 1024;

// A style sheet whose braces do not pair is broken; Qt would drop it with a warning only.
// Comments and quoted strings are skipped.
bool BracesBalanced(const QString& sheet) {
    int depth = 0;
    const qsizetype n = sheet.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = sheet[i];
        if (c == u'/' && i + 1 < n && sheet[i + 1] == u'*') {
            const qsizetype end = sheet.indexOf(u"*/", i + 2);
            if (end < 0) {
                return false;
            }
            i = end + 1;
        } else if (c == u'"' || c == u'\'') {
            const qsizetype end = sheet.indexOf(c, i + 1);
            if (end < 0) {
                return false;
            }
            i = end;
        } else if (c == u'{') {
            ++depth;
        } else if (c == u'}' && --depth < 0) {
            return false;
        }
    }
    return depth == 0;
}

// The text of the skin file, or a null string when it cannot be a skin.
QString ReadSkin(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray bytes = file.read(kMaxSkinBytes + 1);
    if (bytes.isEmpty() || bytes.size() > kMaxSkinBytes || bytes.contains('\0')) {
        return {};
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError() || text.trimmed().isEmpty() || !BracesBalanced(text)) {
        return {};
    }
    return text;
}

}  // namespace
}  // namespace vantel

bool LoadSkin(const QString& path) {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (app == nullptr) {
        return false;
    }
    const QString sheet = vantel::ReadSkin(path);
    if (sheet.isNull()) {
        vantel::Trace("skin %s not applied", qUtf8Printable(path));
        return false;
    }
    app->setStyleSheet(sheet);
    return true;
}
