#pragma once
// The built-in skin's colours and the shapes CSkinStyle draws with them: rounded boxes with a
// border ring, tabs rounded at the top only, and the colours of a push button in each state.

#include <QColor>
#include <QPainterPath>
#include <QRectF>

class QPainter;
class QStyleOptionButton;

namespace vantel::skin {

// Surfaces and text.
inline const QColor kText{0x1e, 0x23, 0x29};
inline const QColor kWindow{0xee, 0xf0, 0xf2};
inline const QColor kBase{0xff, 0xff, 0xff};
inline const QColor kAlternateBase{0xf5, 0xf7, 0xf9};
inline const QColor kDisabledText{0x8d, 0x94, 0x9b};
inline const QColor kToolTip{0xfd, 0xfd, 0xfd};
inline const QColor kToolTipBorder{0x8a, 0x93, 0x9c};
// The accent: selection, checked buttons, the selected tab, focus.
inline const QColor kAccent{0x2f, 0x6e, 0xa5};
inline const QColor kAccentDark{0x1b, 0x46, 0x70};
inline const QColor kHoverBorder{0x5d, 0x85, 0xab};
// Buttons and fields.
inline const QColor kButton{0xf8, 0xf9, 0xfa};
inline const QColor kBorder{0x9a, 0xa3, 0xad};
inline const QColor kHover{0xe4, 0xec, 0xf4};
inline const QColor kPressed{0xc9, 0xd7, 0xe5};
inline const QColor kCheckedHover{0x3a, 0x7c, 0xb6};
inline const QColor kDisabledButton{0xe6, 0xe8, 0xea};
inline const QColor kDisabledBorder{0xc3, 0xc8, 0xcd};
inline const QColor kCheckedDisabled{0x8e, 0xa6, 0xbc};
// Lists, groups, tabs, radio marks, trackbars.
inline const QColor kGrid{0xd3, 0xd8, 0xdd};
inline const QColor kHeader{0xe1, 0xe5, 0xe9};
inline const QColor kGroupBorder{0xb4, 0xbb, 0xc2};
inline const QColor kGroupTitle{0x2b, 0x4a, 0x68};
inline const QColor kRadioBorder{0x5d, 0x6b, 0x79};
inline const QColor kTab{0xdd, 0xe1, 0xe5};
inline const QColor kTabHover{0xe9, 0xee, 0xf3};
inline const QColor kTabText{0x3b, 0x44, 0x4d};

struct BoxLook {
    QColor fill;
    QColor border;
    QColor text;
    qreal borderWidth = 1;
};

// A push button's colours for its state: hover, pressed, checked, default, focus, disabled.
BoxLook PushButtonLook(const QStyleOptionButton& option);

// A box of radius r inside rect: a border ring of the given width, then the fill inside it
// (a transparent fill leaves the ring only).
void DrawBox(QPainter* painter, const QRectF& rect, const BoxLook& look, qreal radius);

// A rectangle whose top corners are rounded by radius; the bottom edge is open in DrawTab.
QPainterPath TopRoundedRect(const QRectF& rect, qreal radius);

// A tab: the border on the top and the sides, none at the bottom.
void DrawTab(QPainter* painter, const QRectF& rect, const BoxLook& look, qreal radius);

}  // namespace vantel::skin
