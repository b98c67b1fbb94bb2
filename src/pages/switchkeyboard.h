#pragma once
// CSwitchKeyboard: routing from the keyboard on the switch page. Keys typed anywhere on the page
// build a route (routing/keyroute.h); a line above the input grid shows what was typed and what
// it reads as. While the route reads whole, the page shows it as clicks would: the input
// selected, its outputs ticked. Enter presses the page's "OK"; a route Enter refuses stays in
// view and the next key starts a new one (Backspace corrects it instead). Escape puts back
// what typing changed (the selection and ticks that still show the typed route) and forgets
// the typed text; Backspace takes back one character. A click on the page ends the typing.
//
// Keys reach it from the page, its controls and, while the page is shown, its window (keys the
// tab bar or other controls outside the page leave unused). Only keys no focused control
// needs are taken: letters, digits and signs always (no control
// of the page uses them), Space, Enter, Escape and Backspace only while something is typed, so
// a focused button still clicks on Space and Enter and Escape act as before when nothing is
// typed; keys with Ctrl, Alt or Meta are left alone. Also sets the page's Tab order: inputs,
// outputs, then the bottom row from left to right.

#include <QObject>
#include <QRect>
#include <QString>
#include <vector>

#include "routing/keyroute.h"

class CPageSwitchDlg;
class QKeyEvent;
class QLabel;

class CSwitchKeyboard : public QObject {
    Q_OBJECT
public:
    // The object name of the line that shows the typed route.
    static constexpr const char* kLineName = "keyRouteLine";

    // Watches the keys of the page and of every control on it, which must exist already.
    explicit CSwitchKeyboard(CPageSwitchDlg& page);
    ~CSwitchKeyboard() override;

    // Places the line across the strip above the input grid of a page of this rectangle.
    void Place(const QRect& page);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetTabOrder();
    bool OnKey(const QKeyEvent& key);
    bool TypeText(const QString& text);
    void Erase();
    void Take();
    void Cancel();
    vantel::KeyRouteParse Parse() const;
    QString Typed() const;
    // Reads the typed text, shows what it reads as and, when it reads whole, shows it as
    // clicks would.
    void Follow();
    vantel::KeyRouteTargets Targets(bool folded) const;
    void Apply(const vantel::KeyRouteParse& parse);
    void Show(const QString& text);
    // Forgets the typed route and clears the line; what it showed stays.
    void EndTyping();
    // Keeps what the page shows after a typed route was shown, for Escape.
    void NoteApplied();
    std::vector<bool> Ticks() const;
    void Remember();
    void Restore();

    CPageSwitchDlg& m_page;
    QLabel* m_line = nullptr;
    // The page's window, whose keys count while the page is shown.
    QWidget* m_window = nullptr;
    vantel::CKeyRoute m_route;
    // What the page showed before the first key of the pending route, for Escape.
    int m_nSelBefore = 0;
    QString m_strSelNameBefore;
    std::vector<bool> m_ticksBefore;
    // What the page showed after the last typed route that read whole; m_bApplied tells
    // whether there was one since the first key.
    bool m_bApplied = false;
    int m_nSelApplied = 0;
    std::vector<bool> m_ticksApplied;
    // A route was refused by Enter: the next typed key starts a new one.
    bool m_bReplaceTyped = false;
};
