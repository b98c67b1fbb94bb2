#pragma once
// CIPAddressCtrl: an IPv4 address control of four number fields separated by dots, as operators
// know it from Windows dialogs.
//
// Each field takes up to three digits. A value above 255 is clamped to 255 as it is typed. A
// third digit, or a period typed after digits, moves on to the next field with its text
// selected (so "192.168.1.80" typed in full fills four fields, not seven); Backspace in an
// empty field moves back to the end of the previous one; Left at the start and Right at the
// end of a field cross into the neighbour. An empty field reads as 0. The control is one stop
// of the tab order: Tab enters its first field and leaves from whichever field has the focus.

#include <QFrame>
#include <QString>
#include <array>
#include <cstdint>

class QLineEdit;

class CIPAddressCtrl : public QFrame {
    Q_OBJECT
public:
    static constexpr int kFields = 4;
    static constexpr int kMaxValue = 255;
    // The four numbers in dotted order: {192, 168, 1, 80}.
    using Address = std::array<std::uint8_t, kFields>;

    explicit CIPAddressCtrl(QWidget* parent = nullptr);
    ~CIPAddressCtrl() override;

    // The four numbers, first number first; an empty field gives 0.
    Address GetAddress() const;
    void SetAddress(const Address& address);
    // Empties every field.
    void ClearAddress();
    // True when no field holds any text.
    bool IsBlank() const;

    // The accessible name of the control; its fields are named after it ("IP, field 2 of 4").
    void SetName(const QString& name);

    // Field index (0 to 3), for callers that place the cursor themselves.
    QLineEdit* Field(int index) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int IndexOf(const QObject* field) const;
    void OnFieldEdited(int index);
    // Gives field index the focus with its whole text selected, or the cursor at its end.
    void EnterField(int index, bool selectAll);
    bool HandleKey(int index, int key);

    std::array<QLineEdit*, kFields> m_fields{};
};
