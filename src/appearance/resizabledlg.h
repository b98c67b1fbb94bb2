#pragma once
// CResizableDlg: the base of every window of the application. It builds its controls from a
// dialog template, converts dialog units to pixels from the dialog font (the Windows rule:
// x * avgCharWidth / 4, y * charHeight / 8, the width averaged over the Latin letters), and moves
// and stretches registered controls by their anchors when the window is resized. An anchor is a
// pair of fractions of the window's growth since its initial size, one for the top-left and one for
// the bottom-right corner.

#include <QDialog>
#include <QFont>
#include <QHash>
#include <QPointF>
#include <QPointer>
#include <QRect>
#include <vector>

#include "res/dlgtemplate.h"

class CResizableDlg : public QDialog {
    Q_OBJECT
public:
    explicit CResizableDlg(int templateId, QWidget* parent = nullptr);
    // A window of a template that is not among the application's own (tools, tests). The
    // template must outlive the window.
    explicit CResizableDlg(const DlgTemplate& dlgTemplate, QWidget* parent = nullptr);
    ~CResizableDlg() override;

    // Builds the window from its template as a child of parent (pages) or as a top-level
    // window (parent null, popup templates), then calls OnInitDialog. Returns false when the
    // template does not exist.
    bool Create(QWidget* parent = nullptr);
    // Builds the window if not yet built and runs it modally; returns QDialog::Accepted or
    // QDialog::Rejected.
    int DoModal();

    // The control with the given template id, or nullptr.
    QWidget* GetDlgItem(int id) const;
    template <class W>
    W* Item(int id) const {
        return qobject_cast<W*>(GetDlgItem(id));
    }

    // Registers the anchors of control id; applied on every resize from the current size.
    void AddAnchor(int id, QPointF topLeft, QPointF bottomRight);

    // Dialog units of this window's template font to pixels.
    int DluX(int x) const;
    int DluY(int y) const;
    QRect DluRect(int x, int y, int cx, int cy) const;

    int TemplateId() const { return m_nTemplateId; }
    // The template of this window, or nullptr when the id names none.
    const DlgTemplate* Template() const { return m_pTemplate; }
    // The font of the template, which every control of the window uses.
    const QFont& DialogFont() const { return m_font; }
    bool IsCreated() const { return m_bCreated; }

    // Child pages (embedded templates) are not ended by Escape or a stray reject: only
    // popup windows end.
    void reject() override;
    void accept() override;

protected:
    // Called once after the controls exist. Return true.
    virtual bool OnInitDialog();
    // Lets a subclass create its own widget for a control of the template (lamps, address
    // controls, label buttons); nullptr means the builder's standard widget.
    virtual QWidget* CreateCustomControl(const CtlTemplate& ctl, QWidget* parent);

    void resizeEvent(QResizeEvent* event) override;

private:
    struct Anchor {
        int id;
        QPointF topLeft, bottomRight;
        QRect initial;
        QPointer<QWidget> widget;
        QSize base;  // the window's size when the anchor was registered
    };
    void InitFont();
    void BuildControls();
    QWidget* BuildControl(const CtlTemplate& ctl);
    void ApplyAnchors();
    void SetUpWindow(QWidget* parent);
    bool IsChildTemplate() const;

    int m_nTemplateId;
    const DlgTemplate* m_pTemplate;
    QFont m_font;
    QSize m_baseUnits;
    bool m_bCreated = false;
    QSize m_initialSize;
    std::vector<Anchor> m_anchors;
    QHash<int, QPointer<QWidget>> m_items;
};
