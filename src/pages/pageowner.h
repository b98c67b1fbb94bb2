#pragma once
// IPageOwner: what a page needs of the window that owns it, so that pages depend on this
// small interface instead of on the main window: the device link, the settings file of this
// run, reconnecting, and the switch page's label buttons for the SET page. The main dialog
// implements it; tests give a page an owner of their own.

#include <QString>

class CIniFile;
class CVexaLib;

class IPageOwner {
public:
    virtual ~IPageOwner() = default;

    // The device link; open or not.
    virtual CVexaLib& Link() = 0;
    // The path of the settings file (setup.ini) this run uses. The salvo folder and the
    // action journal live beside it.
    virtual const QString& SettingsPath() const = 0;
    // The settings object on that file; null while there is none.
    virtual CIniFile* Settings() = 0;
    // Opens the link anew by the connection settings of the settings file; reports a port
    // that cannot be opened.
    virtual void Connect() = 0;

    // The switch page's label buttons: every one hidden (a "load" of the setup block under
    // way or failed) ...
    virtual void HideLabelButtons() = 0;
    // ... or the first `inputs` input and `outputs` output buttons shown again.
    virtual void ShowLabelButtons(int inputs, int outputs) = 0;
    // The device now has these counts (its setup block was just saved): the switch page
    // offers no port beyond them from now on.
    virtual void UseCounts(int inputs, int outputs) = 0;
};
