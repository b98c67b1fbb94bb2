#include "appearance/skin.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QStringDecoder>

#include "appearance/skinstyle.h"
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

// The bytes of the skin file, or none when it cannot be a skin (missing, too large, binary).
QByteArray ReadSkinBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QByteArray bytes = file.read(kMaxSkinBytes + 1);
    if (bytes.size() > kMaxSkinBytes || bytes.contains('\0')) {
        return {};
    }
    return bytes;
}

// The style sheet in the bytes, or a null string when they are not a sound one.
QString SheetOf(const QByteArray& bytes) {
    if (bytes.isEmpty()) {
        return {};
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError() || text.trimmed().isEmpty() || !BracesBalanced(text)) {
        return {};
    }
    return text;
}

// The skin shipped with the program, byte for byte: CSkinStyle draws the same look without
// the style-sheet engine's work on every control. A skin of the user's own is applied as the
// style sheet it is.
bool IsBuiltInSkin(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex() ==
           QByteArrayLiteral(VANTEL_BUILTIN_SKIN_SHA256);
}

void ApplyBuiltInSkin(QApplication* app) {
    app->setStyleSheet(QString());
    auto* style = new CSkinStyle;
    QApplication::setStyle(style);
    QApplication::setPalette(style->standardPalette());
}

}  // namespace
}  // namespace vantel

bool LoadSkin(const QString& path) {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (app == nullptr) {
        return false;
    }
    const QByteArray bytes = vantel::ReadSkinBytes(path);
    const QString sheet = vantel::SheetOf(bytes);
    if (sheet.isNull()) {
        vantel::Trace("skin %s not applied", qUtf8Printable(path));
        return false;
    }
    if (vantel::IsBuiltInSkin(bytes)) {
        vantel::ApplyBuiltInSkin(app);
    } else {
        app->setStyleSheet(sheet);
    }
    return true;
}
