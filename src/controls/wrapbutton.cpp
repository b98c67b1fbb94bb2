#include "controls/wrapbutton.h"

#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTextLayout>
#include <algorithm>

namespace {

// The lines of text broken to width; no more than fit into height (at least one). The last
// line shown is elided when text remains.
QStringList WrapLines(const QString& text, const QFont& font, int width, int height) {
    QString flowing = text;
    flowing.replace(QChar(u'\n'), QChar::LineSeparator);
    QTextLayout layout(flowing, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);

    const QFontMetrics metrics(font);
    const int maxLines = std::max(1, height / std::max(1, metrics.lineSpacing()));
    QStringList lines;
    int lastStart = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (lines.size() == maxLines) {
            // No room for this line: the last one shown takes the rest, elided.
            lines.last() =
                metrics.elidedText(flowing.mid(lastStart).simplified(), Qt::ElideRight, width);
            break;
        }
        lastStart = line.textStart();
        lines << flowing.mid(lastStart, line.textLength()).trimmed();
    }
    layout.endLayout();
    return lines;
}

}  // namespace

CWrapButton::CWrapButton(QWidget* parent) : QPushButton(parent) {}

CWrapButton::~CWrapButton() = default;

QStringList CWrapButton::ShownLines() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect room = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    return WrapLines(text(), font(), room.width(), room.height());
}

void CWrapButton::paintEvent(QPaintEvent* /*event*/) {
    // What a push button draws, with the text broken into lines: the style keeps its colours,
    // states and centring.
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text = ShownLines().join(QChar(u'\n'));
    painter.drawControl(QStyle::CE_PushButton, option);
}
