// The switch page's anchors: when the page is resized, its command row keeps its size and its
// distance to the bottom-right corner, and the selected-input button its distance to the
// bottom-left corner.

#include "switchpagefixture.h"

namespace vantel::test {
namespace {

TEST_F(SwitchPageTest, ResizedPageKeepsTheCommandRowAtItsCorners) {
    struct Anchored {
        int id;
        bool followsRight;  // else it keeps its distance to the left edge
    };
    const Anchored anchored[] = {
        {CPageSwitchDlg::IDC_OK, true},         {CPageSwitchDlg::IDC_ALL, true},
        {CPageSwitchDlg::IDC_CLEAR, true},      {CPageSwitchDlg::IDC_SLIDER_LINE, true},
        {CPageSwitchDlg::IDC_SLIDER_ROW, true}, {CPageSwitchDlg::IDC_SEL_NAME, false},
    };
    CPageSwitchDlg& page = StartOffline();
    const QSize start = page.size();
    std::vector<QRect> before;
    for (const Anchored& a : anchored) {
        ASSERT_NE(page.GetDlgItem(a.id), nullptr) << a.id;
        before.push_back(page.GetDlgItem(a.id)->geometry());
    }

    // Growth in both directions, and shrinking below the start size.
    for (const QSize growth : {QSize(150, 90), QSize(-40, -30), QSize(0, 0)}) {
        page.resize(start + growth);
        ASSERT_EQ(page.size(), start + growth);
        for (std::size_t i = 0; i < std::size(anchored); ++i) {
            const Anchored& a = anchored[i];
            const QPoint shift(a.followsRight ? growth.width() : 0, growth.height());
            EXPECT_EQ(page.GetDlgItem(a.id)->geometry(), before[i].translated(shift))
                << "control " << a.id << " after growing by " << growth.width() << ","
                << growth.height();
        }
    }
}

}  // namespace
}  // namespace vantel::test
