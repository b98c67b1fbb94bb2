#pragma once
// CPageSetupDlg: the "SET" page (template 133). Two groups:
//   SET      the device's own settings (its 40-byte setup block): input and output counts,
//            IP address, subnet mask, gateway and buzzer. "load" reads the block (command 5)
//            and shows it, and shows as many label buttons on the switch page as the device
//            has; "save" checks the fields and writes the edited block back (command 6), every
//            byte it does not interpret as it was read.
//   CONNECT  how the application reaches the device: "NET" with an address or "COM" with a
//            port. "save" stores the choice in setup.ini and opens the link anew at once.
// The two addresses are independent: saving one never changes the other. Everything runs on
// the GUI thread; a command blocks it for at most its time-out.

#include "appearance/resizabledlg.h"
#include "link/setupblock.h"

class CIPAddressCtrl;
class IPageOwner;
class QComboBox;
class QLineEdit;
class QRadioButton;

class CPageSetupDlg : public CResizableDlg {
    Q_OBJECT
public:
    // Template ids of the page's controls.
    static constexpr int IDC_SAVE = 1018;
    static constexpr int IDC_LOAD = 1019;
    static constexpr int IDC_SAVE_CONNECT = 1020;
    static constexpr int IDC_IP_CONNECT = 1068;
    static constexpr int IDC_IP_MASK = 1069;
    static constexpr int IDC_RADIO_NET = 1070;
    static constexpr int IDC_IP_GATEWAY = 1072;
    static constexpr int IDC_GROUP_SET = 1073;
    static constexpr int IDC_COMBO_PORT = 1074;
    static constexpr int IDC_RADIO_COM = 1076;
    static constexpr int IDC_IP_ADDRESS = 1135;
    static constexpr int IDC_EDIT_INPUT = 1137;
    static constexpr int IDC_EDIT_OUTPUT = 1138;
    static constexpr int IDC_EDIT_BUZZER = 1163;
    static constexpr int IDC_GROUP_CONNECT = 1166;

    explicit CPageSetupDlg(QWidget* parent = nullptr);
    ~CPageSetupDlg() override;

    // "load" (1019): hides every label button of the switch page, reads the setup block and,
    // when it carries the mark, shows it.
    void OnBnClickedLoad();
    // "save" (1018): checks the counts and the buzzer and sends the edited block.
    void OnBnClickedSave();
    // "save" of CONNECT (1020): stores mode, address and port, then reconnects.
    void OnBnClickedSaveConnect();

    // The page's copy of the setup block: without the mark until a "load" brings a valid one.
    CSetupBlock m_setupBlock;
    // The page's owner, set before the page is created.
    IPageOwner* m_pMainDlg = nullptr;
    // Controls, bound when the page is created.
    QLineEdit* m_editBuzzer = nullptr;
    CIPAddressCtrl* m_ipConnect = nullptr;
    QComboBox* m_comboPort = nullptr;
    QRadioButton* m_radioCom = nullptr;
    QRadioButton* m_radioNet = nullptr;
    QLineEdit* m_editOutput = nullptr;
    QLineEdit* m_editInput = nullptr;
    CIPAddressCtrl* m_ipGateway = nullptr;
    CIPAddressCtrl* m_ipMask = nullptr;
    CIPAddressCtrl* m_ipAddress = nullptr;

protected:
    bool OnInitDialog() override;
    QWidget* CreateCustomControl(const CtlTemplate& ctl, QWidget* parent) override;
    // Binds the controls of the template to the members above.
    void DoDataExchange();

private:
    void InitResize();
    void InitConnectGroup();
    void ShowBlock();
    // Hides all label buttons of the switch page, through the owner.
    void HideLabelButtons();
    // Focus and whole-text selection on the field, then the message.
    void RejectField(QLineEdit* edit, const char* message);
    // The owner when its link can carry a command now; else nullptr, and the operator is
    // told that nothing was sent.
    IPageOwner* OpenLink();
};
