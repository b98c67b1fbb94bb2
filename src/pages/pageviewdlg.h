#pragma once
// CPageViewDlg: the scene page, template 130. One instance lists the live routing and stores
// it as a scene (SAVE / VIEW), the other previews and recalls stored scenes (LOAD).
//
// The routing list has one row per input plus a first row "00" for the unrouted outputs. The
// SAVE / VIEW page's list follows the live image that the status monitor hands over on the
// GUI thread; the LOAD page's list shows the scene previewed by the last scene click. Every
// press of the action button with a scene selected holds the button disabled for
// kActionHoldMs, whether a command went out or not.

#include <QTimer>
#include <array>
#include <cstddef>

#include "appearance/resizabledlg.h"

class CLastKnownNote;
class IPageOwner;
class QTableWidget;

class CPageViewDlg : public CResizableDlg {
    Q_OBJECT
public:
    static constexpr std::size_t kImageSize = 508;
    // Control ids of template 130.
    static constexpr int IDC_LIST = 1005;
    static constexpr int IDC_SCENE_FIRST = 1006;  // "Scene" (scene 0)
    static constexpr int IDC_SCENE_LAST = 1017;   // "Scene11"
    static constexpr int IDC_ACTION = 1018;       // "LOAD" or "SAVE"
    // How long the action button stays disabled after a press.
    static constexpr int kActionHoldMs = 3000;

    explicit CPageViewDlg(QWidget* parent = nullptr);
    ~CPageViewDlg() override;

    // Takes a whole copy of the 508 image bytes (mark first) and rebuilds the routing list
    // from it. GUI thread only.
    void ShowImage(const unsigned char* image);
    // Marks the list as the routing last known, not the live one (or takes the mark away);
    // kept for a page not created yet.
    void ShowLastKnown(bool shown);

    // The selected scene number (0 to 11), -1 until the first scene click.
    int m_nScene = -1;
    // The page's copy of the image it shows.
    std::array<unsigned char, kImageSize> m_image{};
    // Set by the main dialog before the page is created: 1 for LOAD, 0 for SAVE / VIEW.
    int m_bLoadMode = 0;
    // The page's owner, set before the page is created.
    IPageOwner* m_pMainDlg = nullptr;
    // The routing list, control 1005; null until the page is created.
    QTableWidget* m_list = nullptr;

protected:
    bool OnInitDialog() override;

private:
    // Timer roles: 0 starts the hold of the action button, 1 ends it.
    enum : int { kTimerHoldStart = 0, kTimerHoldEnd = 1 };

    void InitList();
    void BindButtons();
    void OnSelectScene();
    // The scene number of the button a click selects, or -1 when no button qualifies.
    int SelectedSceneButton() const;
    void OnBnClickedAction();
    void OnTimer(int nIDEvent);
    // Asks the device for the image of m_nScene and shows it; a failed read or a reply
    // without the mark shows no routing.
    void PreviewScene();
    // Shows that no routing is known: the single row "00" with no output.
    void ShowNoRouting();
    // Sends a scene command with a two-byte payload; reports a failure. Nothing when the link
    // is not open. The command's result (a VexaResult).
    unsigned SendSceneCommand(unsigned char cmd, unsigned char first, unsigned char second);
    bool LinkOpen() const;
    // Loads scene (m_nScene), journaled: the line is written before the command goes out and
    // closed with its answer. When the line cannot be written, nothing is sent (reported).
    void LoadJournaled(unsigned char scene);

    bool m_bLastKnown = false;
    CLastKnownNote* m_pLastKnown = nullptr;
    QTimer m_timerHoldStart;
    QTimer m_timerHoldEnd;
};
