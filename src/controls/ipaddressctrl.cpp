#include "controls/ipaddressctrl.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <algorithm>

namespace {

constexpr int kDigits = 3;

// The value of a field's text: empty is 0, anything above 255 is 255.
int FieldValue(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? std::clamp(value, 0, CIPAddressCtrl::kMaxValue) : 0;
}

QLabel* MakeDot(QWidget* parent) {
    auto* dot = new QLabel(QStringLiteral("."), parent);
    dot->setAlignment(Qt::AlignCenter);
    return dot;
}

}  // namespace

CIPAddressCtrl::CIPAddressCtrl(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    // White like an edit, also under a skin that gives frames the window colour.
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    // An application style sheet would give the frame the window colour and each field an
    // edit's border; the control's own rules keep one white box. Without a sheet the style
    // draws it so already, and a widget's own sheet would cost a style-sheet engine per field.
    const bool underSheet = !qApp->styleSheet().isEmpty();
    if (underSheet) {
        setStyleSheet(QStringLiteral("CIPAddressCtrl { background-color: palette(base); }"));
    }

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 0, 2, 0);
    layout->setSpacing(0);
    auto* validator =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), this);
    for (int i = 0; i < kFields; ++i) {
        auto* field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("field%1").arg(i));
        field->setFrame(false);
        if (underSheet) {
            field->setStyleSheet(
                QStringLiteral("QLineEdit { border: none; background: transparent; }"));
        }
        field->setAlignment(Qt::AlignCenter);
        field->setMaxLength(kDigits);
        field->setValidator(validator);
        // One tab stop for the whole control: only the first field takes Tab focus.
        field->setFocusPolicy(i == 0 ? Qt::StrongFocus : Qt::ClickFocus);
        field->installEventFilter(this);
        connect(field, &QLineEdit::textEdited, this, [this, i] { OnFieldEdited(i); });
        m_fields[static_cast<std::size_t>(i)] = field;
        if (i > 0) {
            layout->addWidget(MakeDot(this));
        }
        layout->addWidget(field, 1);
    }
    setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(m_fields[0]);
    SetName(QStringLiteral("IP address"));
}

CIPAddressCtrl::~CIPAddressCtrl() = default;

CIPAddressCtrl::Address CIPAddressCtrl::GetAddress() const {
    Address address{};
    for (std::size_t i = 0; i < address.size(); ++i) {
        address[i] = static_cast<std::uint8_t>(FieldValue(m_fields[i]->text()));
    }
    return address;
}

void CIPAddressCtrl::SetAddress(const Address& address) {
    for (std::size_t i = 0; i < address.size(); ++i) {
        m_fields[i]->setText(QString::number(address[i]));
    }
}

void CIPAddressCtrl::ClearAddress() {
    for (QLineEdit* field : m_fields) {
        field->clear();
    }
}

bool CIPAddressCtrl::IsBlank() const {
    return std::all_of(m_fields.begin(), m_fields.end(),
                       [](const QLineEdit* field) { return field->text().isEmpty(); });
}

void CIPAddressCtrl::SetName(const QString& name) {
    setAccessibleName(name);
    for (int i = 0; i < kFields; ++i) {
        m_fields[static_cast<std::size_t>(i)]->setAccessibleName(
            QStringLiteral("%1, field %2 of %3").arg(name).arg(i + 1).arg(kFields));
    }
}

QLineEdit* CIPAddressCtrl::Field(int index) const {
    if (index < 0 || index >= kFields) {
        return nullptr;
    }
    return m_fields[static_cast<std::size_t>(index)];
}

int CIPAddressCtrl::IndexOf(const QObject* field) const {
    const auto found = std::find(m_fields.begin(), m_fields.end(), field);
    return found == m_fields.end() ? -1 : static_cast<int>(found - m_fields.begin());
}

void CIPAddressCtrl::OnFieldEdited(int index) {
    QLineEdit* field = Field(index);
    const QString text = field->text();
    if (!text.isEmpty() && text.toInt() > kMaxValue) {
        field->setText(QString::number(kMaxValue));
    }
    if (field->text().size() == kDigits && field->cursorPosition() == kDigits &&
        index + 1 < kFields) {
        EnterField(index + 1, true);
    }
}

void CIPAddressCtrl::EnterField(int index, bool selectAll) {
    QLineEdit* field = Field(index);
    field->setFocus(Qt::OtherFocusReason);
    if (selectAll) {
        field->selectAll();
    } else {
        field->deselect();
        field->setCursorPosition(static_cast<int>(field->text().size()));
    }
}

bool CIPAddressCtrl::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int index = IndexOf(watched);
        if (index >= 0) {
            return HandleKey(index, static_cast<QKeyEvent*>(event)->key());
        }
    }
    return QFrame::eventFilter(watched, event);
}

// True when the key was used to move between fields (or is a period, which is never text).
bool CIPAddressCtrl::HandleKey(int index, int key) {
    QLineEdit* field = Field(index);
    const bool atStart = field->cursorPosition() == 0 && !field->hasSelectedText();
    const bool atEnd = field->cursorPosition() == field->text().size() && !field->hasSelectedText();
    switch (key) {
        case Qt::Key_Period:
            // Not from an empty or wholly selected field: after a full field moved on by
            // itself, the period the operator types next belongs to that full field.
            if (index + 1 < kFields && !field->text().isEmpty() &&
                field->selectedText() != field->text()) {
                EnterField(index + 1, true);
            }
            return true;
        case Qt::Key_Backspace:
            if (field->text().isEmpty() && index > 0) {
                EnterField(index - 1, false);
                return true;
            }
            return false;
        case Qt::Key_Left:
            if (atStart && index > 0) {
                EnterField(index - 1, false);
                return true;
            }
            return false;
        case Qt::Key_Right:
            if (atEnd && index + 1 < kFields) {
                EnterField(index + 1, false);
                Field(index + 1)->setCursorPosition(0);
                return true;
            }
            return false;
        default:
            return false;
    }
}
