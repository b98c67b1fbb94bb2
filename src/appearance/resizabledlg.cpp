#include "appearance/resizabledlg.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>

#include "appearance/controlbuilder.h"
#include "appearance/dlgfont.h"

CResizableDlg::CResizableDlg(int templateId, QWidget* parent)
    : QDialog(parent), m_nTemplateId(templateId), m_pTemplate(FindDlgTemplate(templateId)) {
    InitFont();
}

CResizableDlg::CResizableDlg(const DlgTemplate& dlgTemplate, QWidget* parent)
    : QDialog(parent), m_nTemplateId(dlgTemplate.id), m_pTemplate(&dlgTemplate) {
    InitFont();
}

void CResizableDlg::InitFont() {
    if (m_pTemplate != nullptr) {
        m_font = vantel::DialogFont(m_pTemplate->fontFace, m_pTemplate->fontPoints);
    }
    m_baseUnits = vantel::DialogBaseUnits(m_font);
}

CResizableDlg::~CResizableDlg() = default;

bool CResizableDlg::Create(QWidget* parent) {
    if (m_pTemplate == nullptr) {
        return false;
    }
    if (m_bCreated) {
        return true;
    }
    m_bCreated = true;
    SetUpWindow(parent);
    BuildControls();
    resize(DluX(m_pTemplate->cx), DluY(m_pTemplate->cy));
    m_initialSize = size();
    if (!IsChildTemplate() && (m_pTemplate->style & kDlgResizable) == 0) {
        setFixedSize(m_initialSize);
    }
    OnInitDialog();
    if ((m_pTemplate->style & kDlgVisible) != 0) {
        show();
    } else if (IsChildTemplate()) {
        hide();
    }
    return true;
}

int CResizableDlg::DoModal() {
    if (!Create(nullptr)) {
        return QDialog::Rejected;
    }
    return exec();
}

QWidget* CResizableDlg::GetDlgItem(int id) const {
    const auto found = m_items.constFind(id);
    if (found != m_items.cend() && !found->isNull()) {
        return found->data();
    }
    // Controls that a subclass created itself, named by their id.
    return findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

void CResizableDlg::AddAnchor(int id, QPointF topLeft, QPointF bottomRight) {
    QWidget* widget = GetDlgItem(id);
    if (widget == nullptr) {
        return;
    }
    Anchor anchor{id, topLeft, bottomRight, widget->geometry(), widget, size()};
    const auto same = std::find_if(m_anchors.begin(), m_anchors.end(),
                                   [id](const Anchor& a) { return a.id == id; });
    if (same != m_anchors.end()) {
        *same = anchor;
    } else {
        m_anchors.push_back(anchor);
    }
}

int CResizableDlg::DluX(int x) const {
    return vantel::MulDiv(x, m_baseUnits.width(), 4);
}

int CResizableDlg::DluY(int y) const {
    return vantel::MulDiv(y, m_baseUnits.height(), 8);
}

QRect CResizableDlg::DluRect(int x, int y, int cx, int cy) const {
    return {DluX(x), DluY(y), DluX(cx), DluY(cy)};
}

void CResizableDlg::reject() {
    if (!IsChildTemplate()) {
        QDialog::reject();
    }
}

void CResizableDlg::accept() {
    if (!IsChildTemplate()) {
        QDialog::accept();
    }
}

bool CResizableDlg::OnInitDialog() {
    return true;
}

QWidget* CResizableDlg::CreateCustomControl(const CtlTemplate& /*ctl*/, QWidget* /*parent*/) {
    return nullptr;
}

void CResizableDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    ApplyAnchors();
}

bool CResizableDlg::IsChildTemplate() const {
    return m_pTemplate != nullptr && (m_pTemplate->style & kDlgChild) != 0;
}

void CResizableDlg::SetUpWindow(QWidget* parent) {
    const unsigned style = m_pTemplate->style;
    if (IsChildTemplate()) {
        setParent(parent, Qt::Widget);
    } else {
        Qt::WindowFlags flags =
            Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if ((style & kDlgResizable) != 0) {
            flags |= Qt::WindowMinMaxButtonsHint;
        }
        setParent(parent != nullptr ? parent : parentWidget(), flags);
        setWindowTitle(QString::fromUtf8(m_pTemplate->title));
    }
    setFont(m_font);
    setEnabled((style & kDlgDisabled) == 0);
}

void CResizableDlg::BuildControls() {
    QButtonGroup* radioGroup = nullptr;
    QWidget* previous = nullptr;
    std::vector<QWidget*> groupBoxes;
    for (const CtlTemplate& ctl : m_pTemplate->controls) {
        if ((ctl.style & kStyleGroup) != 0) {
            radioGroup = nullptr;
        }
        QWidget* widget = BuildControl(ctl);
        const bool radio = ctl.kind == CtlKind::RadioPushLike || ctl.kind == CtlKind::RadioButton;
        if (radio) {
            if (radioGroup == nullptr) {
                radioGroup = new QButtonGroup(this);
                radioGroup->setExclusive(true);
            }
            if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
                radioGroup->addButton(button, ctl.id);
            }
        }
        if (ctl.kind == CtlKind::GroupBox) {
            groupBoxes.push_back(widget);
        }
        if (widget->focusPolicy() != Qt::NoFocus) {
            if (previous != nullptr) {
                setTabOrder(previous, widget);
            }
            previous = widget;
        }
    }
    // Group boxes only frame their neighbours: they stay beneath them and let clicks through.
    for (QWidget* box : groupBoxes) {
        box->setAttribute(Qt::WA_TransparentForMouseEvents);
        box->lower();
    }
}

QWidget* CResizableDlg::BuildControl(const CtlTemplate& ctl) {
    QWidget* widget = CreateCustomControl(ctl, this);
    if (widget == nullptr) {
        widget = vantel::CreateStandardControl(ctl, m_nTemplateId, this);
    } else if (widget->parentWidget() != this) {
        widget->setParent(this);
    }
    QRect rect = DluRect(ctl.x, ctl.y, ctl.cx, ctl.cy);
    if (qobject_cast<QComboBox*>(widget) != nullptr) {
        // A drop-down list's template height includes its opened list.
        rect.setHeight(std::min(rect.height(), widget->sizeHint().height()));
    }
    widget->setGeometry(rect);
    if (ctl.id != IDC_STATIC) {
        widget->setObjectName(QString::number(ctl.id));
        m_items.insert(ctl.id, widget);
    }
    const QString caption = vantel::PlainCaption(QString::fromUtf8(ctl.caption));
    if (!caption.isEmpty()) {
        widget->setAccessibleName(caption);
    }
    if ((ctl.style & kStyleHidden) != 0) {
        widget->hide();
    }
    if ((ctl.style & kStyleDisabled) != 0) {
        widget->setEnabled(false);
    }
    return widget;
}

void CResizableDlg::ApplyAnchors() {
    const QSize now = size();
    for (const Anchor& anchor : m_anchors) {
        if (anchor.widget.isNull()) {
            continue;
        }
        const double dx = now.width() - anchor.base.width();
        const double dy = now.height() - anchor.base.height();
        const QRect& r = anchor.initial;
        const int left = r.x() + static_cast<int>(std::lround(anchor.topLeft.x() * dx));
        const int top = r.y() + static_cast<int>(std::lround(anchor.topLeft.y() * dy));
        const int right =
            r.x() + r.width() + static_cast<int>(std::lround(anchor.bottomRight.x() * dx));
        const int bottom =
            r.y() + r.height() + static_cast<int>(std::lround(anchor.bottomRight.y() * dy));
        anchor.widget->setGeometry(left, top, std::max(0, right - left), std::max(0, bottom - top));
    }
}
