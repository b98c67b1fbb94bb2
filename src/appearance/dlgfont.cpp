#include "appearance/dlgfont.h"

#include <QFontMetrics>
#include <QStringList>
#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace vantel {

QFont DialogFont(const char* face, int points) {
    QFont font;
    QStringList families;
    if (face != nullptr && *face != '\0') {
        families << QString::fromUtf8(face);
    }
    families << QStringLiteral("SimSun") << QStringLiteral("Noto Sans CJK SC")
             << QStringLiteral("Noto Sans CJK") << QStringLiteral("WenQuanYi Micro Hei");
    font.setFamilies(families);
    if (points > 0) {
        font.setPointSize(points);
    }
    return font;
}

QSize DialogBaseUnits(const QFont& font) {
    // The average width of the Latin letters, as the Windows dialog manager measures it. The
    // font's own average width is useless here: a CJK font reports the full ideograph width,
    // which would make every dialog twice as wide as designed.
    static const QString kLetters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const QFontMetrics metrics(font);
    const int width = (metrics.horizontalAdvance(kLetters) / 26 + 1) / 2;
    return {std::max(1, width), std::max(1, metrics.height())};
}

int MulDiv(int a, int b, int c) {
    if (c == 0) {
        return 0;
    }
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const std::int64_t half = std::llabs(c) / 2;
    const bool negative = (product < 0) != (c < 0);
    const std::int64_t magnitude = (std::llabs(product) + half) / std::llabs(c);
    return static_cast<int>(negative ? -magnitude : magnitude);
}

}  // namespace vantel
