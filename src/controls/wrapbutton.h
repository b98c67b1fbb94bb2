#pragma once
// CWrapButton: a push button whose text breaks into as many lines as the button has room for,
// at word boundaries where it can (within a word where a word alone is too wide). A push
// button of the platform draws its text on one line and cuts it at both ends; names on the
// switch page ("Camera left studio" in a small cell) must stay readable. Text that does not
// fit even then ends its last line with an ellipsis.

#include <QPushButton>
#include <QStringList>

class CWrapButton : public QPushButton {
    Q_OBJECT
public:
    explicit CWrapButton(QWidget* parent = nullptr);
    ~CWrapButton() override;

    // The lines drawn for the current text, font and size.
    QStringList ShownLines() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
