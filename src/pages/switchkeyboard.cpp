#include "pages/switchkeyboard.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <algorithm>

#include "controls/rxbutton.h"
#include "controls/txbutton.h"
#include "pages/pageswitchdlg.h"

namespace {

// The line's height: the strip above the input grid, which starts 16 pixels down.
constexpr int kLineHeight = 16;
constexpr int kLineMargin = 4;

bool IsPrintable(const QString& text) {
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPrint(); });
}

std::string Utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

}  // namespace

CSwitchKeyboard::CSwitchKeyboard(CPageSwitchDlg& page) : QObject(&page), m_page(page) {
    m_line = new QLabel(&page);
    m_line->setObjectName(QString::fromLatin1(kLineName));
    m_line->setTextFormat(Qt::PlainText);
    page.installEventFilter(this);
    for (QWidget* control : page.findChildren<QWidget*>()) {
        control->installEventFilter(this);
    }
    // Keys that controls outside the page (the tab bar among them) leave to their window.
    m_window = page.window();
    if (m_window != &page) {
        m_window->installEventFilter(this);
    }
    SetTabOrder();
}

CSwitchKeyboard::~CSwitchKeyboard() = default;

void CSwitchKeyboard::SetTabOrder() {
    std::vector<QWidget*> chain;
    for (CTxButton* button : m_page.m_pTxButtons) {
        chain.push_back(button);
    }
    for (CRxButton* button : m_page.m_pRxButtons) {
        chain.push_back(button);
    }
    for (int id : {CPageSwitchDlg::IDC_SEL_NAME, CPageSwitchDlg::IDC_CLEAR, CPageSwitchDlg::IDC_ALL,
                   CPageSwitchDlg::IDC_OK, CPageSwitchDlg::IDC_SLIDER_LINE,
                   CPageSwitchDlg::IDC_SLIDER_ROW}) {
        chain.push_back(m_page.GetDlgItem(id));
    }
    chain.erase(std::remove(chain.begin(), chain.end(), nullptr), chain.end());
    for (std::size_t i = 1; i < chain.size(); ++i) {
        QWidget::setTabOrder(chain[i - 1], chain[i]);
    }
}

void CSwitchKeyboard::Place(const QRect& page) {
    m_line->setGeometry(kLineMargin, 0, std::max(0, page.width() - 2 * kLineMargin), kLineHeight);
}

bool CSwitchKeyboard::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && (watched != m_window || m_page.isVisible())) {
        return OnKey(static_cast<const QKeyEvent&>(*event));
    }
    if (event->type() == QEvent::MouseButtonPress && watched != m_window && m_route.Pending()) {
        // A click on the page ends the typing: what typing showed stays, the click acts on
        // it, and the line no longer claims a route the page does not show.
        EndTyping();
    }
    return QObject::eventFilter(watched, event);
}

bool CSwitchKeyboard::OnKey(const QKeyEvent& key) {
    if ((key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) != 0) {
        return false;  // shortcuts of the window
    }
    const bool pending = m_route.Pending();
    switch (key.key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (pending) {
                Take();
            }
            return pending;
        case Qt::Key_Escape:
            if (pending) {
                Cancel();
            }
            return pending;
        case Qt::Key_Backspace:
            if (pending) {
                Erase();
            }
            return pending;
        case Qt::Key_Space:
            return pending && TypeText(key.text());
        default:
            return IsPrintable(key.text()) && TypeText(key.text());
    }
}

bool CSwitchKeyboard::TypeText(const QString& text) {
    if (m_bReplaceTyped) {
        // A refused route is replaced by what is typed next; Escape still goes back to what
        // the page showed before the refused one.
        m_bReplaceTyped = false;
        m_route.Clear();
    } else if (!m_route.Pending()) {
        Remember();
    }
    if (!m_route.Type(Utf8(text))) {
        // Held to its bound: the key is taken so that it reaches no control, and said. What
        // is typed is then not all that was meant, so Enter does not take it.
        if (m_route.Pending()) {
            Show(QStringLiteral("Typed text is full (%1 characters); Backspace or Escape.")
                     .arg(vantel::CKeyRoute::kMaxTyped));
        }
        return m_route.Pending();
    }
    Follow();
    return true;
}

void CSwitchKeyboard::Erase() {
    m_bReplaceTyped = false;  // the refused route is being corrected
    m_route.Erase();
    if (m_route.Pending()) {
        Follow();
    } else {
        Cancel();
    }
}

vantel::KeyRouteParse CSwitchKeyboard::Parse() const {
    // Labels and typed text folded alike, so letters beyond ASCII match in any case too.
    return m_route.ParseFolded(Utf8(Typed().toCaseFolded()), Targets(true));
}

QString CSwitchKeyboard::Typed() const {
    return QString::fromStdString(m_route.Typed());
}

void CSwitchKeyboard::Follow() {
    const vantel::KeyRouteParse parse = Parse();
    if (parse.complete) {
        Apply(parse);
        NoteApplied();
    }
    Show(
        QStringLiteral("\"%1\": %2")
            .arg(Typed(), QString::fromStdString(vantel::DescribeKeyRoute(parse, Targets(false)))));
}

void CSwitchKeyboard::Take() {
    const vantel::KeyRouteParse parse = Parse();
    if (!parse.complete) {
        // Typing on would append to the refused text: the next key starts a new route.
        m_bReplaceTyped = true;
        Show(QStringLiteral("\"%1\": %2 Nothing sent. Type a new route, or Backspace to "
                            "correct this one.")
                 .arg(Typed(), QString::fromStdString(parse.error)));
        return;
    }
    Apply(parse);
    EndTyping();
    // Exactly the page's "OK": the same command from the same selection and ticks.
    if (auto* ok = m_page.Item<QPushButton>(CPageSwitchDlg::IDC_OK)) {
        ok->click();
    }
}

void CSwitchKeyboard::Cancel() {
    Restore();
    EndTyping();
}

void CSwitchKeyboard::EndTyping() {
    m_route.Clear();
    m_bReplaceTyped = false;
    m_bApplied = false;
    Show(QString());
}

vantel::KeyRouteTargets CSwitchKeyboard::Targets(bool folded) const {
    vantel::KeyRouteTargets targets;
    targets.inputs = std::min(m_page.InputCount(), CPageSwitchDlg::kButtonCount);
    targets.outputs = m_page.OutputsOnPage();
    for (int k = 0; k < targets.inputs; ++k) {
        const QString label = m_page.m_pTxButtons[static_cast<std::size_t>(k)]->text();
        targets.inputLabels.push_back(Utf8(folded ? label.toCaseFolded() : label));
    }
    return targets;
}

void CSwitchKeyboard::Apply(const vantel::KeyRouteParse& parse) {
    // The input as a click selects it: its outputs ticked, its name shown.
    m_page.m_pTxButtons[static_cast<std::size_t>(parse.input - 1)]->click();
    const int n = m_page.OutputsOnPage();
    if (parse.destination != 0) {
        m_page.m_pRxButtons[static_cast<std::size_t>(parse.destination - 1)]->setChecked(true);
        return;
    }
    if (!parse.outputsTyped) {
        return;
    }
    for (int j = 0; j < n; ++j) {
        const bool typed = std::binary_search(parse.outputs.begin(), parse.outputs.end(), j + 1);
        CRxButton* button = m_page.m_pRxButtons[static_cast<std::size_t>(j)];
        if (typed || !parse.add) {
            button->setChecked(typed);
        }
    }
}

void CSwitchKeyboard::NoteApplied() {
    m_bApplied = true;
    m_nSelApplied = m_page.m_nSelInput;
    m_ticksApplied = Ticks();
}

std::vector<bool> CSwitchKeyboard::Ticks() const {
    std::vector<bool> ticks;
    for (int j = 0; j < CPageSwitchDlg::kButtonCount; ++j) {
        ticks.push_back(m_page.m_pRxButtons[static_cast<std::size_t>(j)]->isChecked());
    }
    return ticks;
}

void CSwitchKeyboard::Show(const QString& text) {
    m_line->setText(text);
}

void CSwitchKeyboard::Remember() {
    m_nSelBefore = m_page.m_nSelInput;
    if (auto* name = m_page.Item<QPushButton>(CPageSwitchDlg::IDC_SEL_NAME)) {
        m_strSelNameBefore = name->text();
    }
    m_ticksBefore = Ticks();
    m_bApplied = false;
}

void CSwitchKeyboard::Restore() {
    // Only what typing changed goes back: nothing when no typed route was ever shown, and
    // of that route only the selection and the ticks that still show what it set.
    if (!m_bApplied) {
        return;
    }
    if (m_page.m_nSelInput == m_nSelApplied) {
        m_page.m_nSelInput = m_nSelBefore;
        if (auto* name = m_page.Item<QPushButton>(CPageSwitchDlg::IDC_SEL_NAME)) {
            name->setText(m_strSelNameBefore);
        }
    }
    const std::vector<bool> now = Ticks();
    for (std::size_t j = 0; j < m_ticksBefore.size() && j < now.size(); ++j) {
        if (now[j] == m_ticksApplied[j]) {
            m_page.m_pRxButtons[j]->setChecked(m_ticksBefore[j]);
        }
    }
}
