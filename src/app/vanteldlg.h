#pragma once
// CVantelDlg: the main window "Control software". Owns everything else for the whole run: the
// device link, the settings file, the five pages, the tab control, the port text, the four
// lamps of the status row and, through its thread manager base, the status monitor's worker.
//
// Threads: the worker runs PollThreadProc and touches no widget. It changes the lamps only
// through their thread-safe setters and hands every changed state image to the GUI thread as
// a whole copy (queued), where the SAVE / VIEW and switch pages receive it. However the
// dialog ends (close command, Escape or Enter, destruction), the worker is stopped first.
//
// Only the page in view is built with the window; the others are built right after its first
// paint, so that the window shows as soon as it can; the routing kept from the last run reaches
// them as they are built. Whatever needs a page earlier (a live image for the pages, a change
// of tab, the SET page's use of the switch page) builds it then.
//
// Every changed live image is also kept beside setup.ini. A start finds it there and shows it
// on the pages, with the status row's "last known" text, until the device answers; the text
// comes back whenever a poll after a live one finds no device.

#include <QIcon>
#include <QPixmap>
#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/easythreadmgr.h"
#include "appearance/resizabledlg.h"
#include "controls/led.h"
#include "link/stateimage.h"
#include "link/vexalib.h"
#include "pages/pageowner.h"
#include "pages/pagesalvodlg.h"
#include "pages/pagesetupdlg.h"
#include "pages/pageswitchdlg.h"
#include "pages/pageviewdlg.h"
#include "settings/inifile.h"

class QLabel;
class CSkinTabCtrl;

// Size of the device's state image, mark included.
inline constexpr std::size_t kStateImageSize = 508;
using StateImageCopy = std::array<unsigned char, kStateImageSize>;

// The last state image the status monitor accepted. Zero-filled at start, never reset; read
// and written by the worker alone.
extern StateImageCopy g_LastImage;

class CVantelDlg : public CResizableDlg, public CEasyThreadMgr<CVantelDlg>, public IPageOwner {
    Q_OBJECT
public:
    // Template ids of the controls of the main window.
    static constexpr int IDC_TAB = 1003;
    static constexpr int IDC_PORT = 1074;
    // "last known routing, not live": shown while the pages show a routing no device confirmed.
    static constexpr int IDC_LAST_KNOWN = 1081;
    static constexpr int IDC_LED_CONNECT = 1075;
    static constexpr int IDC_LED_COMMAND = 1077;
    static constexpr int IDC_LED_RESPOND = 1067;
    static constexpr int IDC_LED_STATUS = 1068;

    explicit CVantelDlg(QWidget* pParent = nullptr);

    // Builds every page not built yet (see above). GUI thread.
    void CreateRemainingPages();
    ~CVantelDlg() override;

    // Opens the device link by the connection settings of setup.ini; reports a port that
    // cannot be opened. GUI thread.
    void Connect() override;
    // The status monitor: the worker's body, until the closing flag is set.
    void PollThreadProc();

    // Thread manager hooks: serve the GUI thread's events while waiting for the worker, and
    // wake the worker's pending command at a forced stop.
    void PumpMessages();
    void CancelThreadWaits();

    // The settings file this run uses (beside the program, or the user's fallback).
    const QString& SettingsPath() const override { return m_strSettingsPath; }
    CVexaLib& Link() override { return m_link; }
    CIniFile* Settings() override { return m_pIniFile.get(); }
    // The switch page's label buttons, for the setup page.
    void HideLabelButtons() override;
    void ShowLabelButtons(int inputs, int outputs) override;
    void UseCounts(int inputs, int outputs) override;

    // Members in the order of construction; pages reach them through m_pMainDlg.
    std::vector<QPixmap> m_imageList;
    CVexaLib m_link;
    CPageSetupDlg m_pageSetup;
    std::unique_ptr<CIniFile> m_pIniFile;
    CPageSwitchDlg m_pageSwitch;
    CPageViewDlg m_pageView;
    CPageViewDlg m_pageLoad;
    CPageSalvoDlg m_pageSalvo;
    CLedRect m_ledStatus;
    QLabel* m_stcPort = nullptr;
    QLabel* m_stcLastKnown = nullptr;
    CLedRect m_ledRespond;
    CLedRect m_ledCommand;
    CLedRect m_ledConnect;
    CSkinTabCtrl* m_tab = nullptr;
    QIcon m_hIcon;

signals:
    // An image was handed to the pages (GUI thread).
    void imageHandedOver();

protected:
    bool OnInitDialog() override;
    QWidget* CreateCustomControl(const CtlTemplate& ctl, QWidget* parent) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

public slots:
    void done(int result) override;

private:
    void InitResize();
    void AddAboutEntry();
    void InitTabs();
    void CreatePages();
    // Builds the page once, on the tab control's page area; shown when its tab is selected.
    void CreatePage(CResizableDlg& page);
    // The page of tab index, or null.
    CResizableDlg* PageOfTab(int index);
    void InitUndo();
    void InitLamps();
    void OnTcnSelchangeTab(int index);
    void OnAboutBox();
    // Shows the port text, then opens it; the open state afterwards.
    int OpenPort(char* port);
    // Moves every page onto the tab control's page area.
    void PlacePages();
    // The smallest size at which every page still has the room of its template, so no
    // control of a page is cut or covered by another.
    void SetMinimumFromPages();
    // Shrinks the window into its screen's available area, never below its minimum size.
    void FitToScreen();
    // The pages in the order they are hidden and moved.
    std::array<CResizableDlg*, 5> AllPages();
    // Stops the worker within nTimeout ms; false while a stop is already under way.
    bool StopWorkers(unsigned nTimeout);

    // Worker side of the monitor.
    void PollImage(unsigned char* buf, std::size_t capacity);
    void UpdateLamps(int& nLastSend, int& nLastRecv);
    void FollowCount(int (CVexaLib::*count)() const, int& nLast, CLedRect& led);
    // A poll found no device: the pages' routing is no longer live.
    void NoAnswer();
    // GUI side: gives the pages their copies of a live image.
    void HandOverImage(const StateImageCopy& image);
    void GiveImageToPages(const unsigned char* image);
    // Shows the routing kept from the last run, marked as not live, when there is one.
    void ShowLastKnownImage();
    void MarkLastKnown(bool shown);

    QString m_strSettingsPath;
    // Where the last live image is kept (beside the settings file); written by the worker.
    std::string m_strLastKnownPath;
    // Worker only: the last poll brought a live image (the pages show the device's routing).
    bool m_bAnswered = false;
    bool m_bStopping = false;
    bool m_bFitted = false;
    // The first paint has asked for the remaining pages.
    bool m_bRestRequested = false;
    // The routing kept from the last run, until the pages that show it are built.
    std::optional<CStateImage> m_knownAtStart;
};
