#pragma once
// CLastKnownNote: "last known routing, not live", shown on a page over the routing it displays
// while that routing is the one kept from the last run or last seen before the device stopped
// answering, so that an operator looking at the page cannot take it for the live routing. It
// sits in a corner of its host (a list's visible area, or a strip of the page) and follows the
// host's size. Hidden until Show(true).

#include <QLabel>

class CLastKnownNote : public QLabel {
    Q_OBJECT
public:
    enum class Corner { kTopRight, kBottomRight };

    static constexpr const char* kObjectName = "lastKnownNote";

    CLastKnownNote(QWidget* host, Corner corner);

    // Shows or hides the note; shown, it is placed and kept on top of its host's content.
    void Show(bool shown);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Place();

    QWidget* m_host;
    Corner m_corner;
};
