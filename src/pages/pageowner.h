#pragma once
// IPageOwner: what a page needs of the window that owns it, so that pages depend on this
// small interface instead of on the main window: the device link and the settings file of
// this run. The main dialog implements it; tests give a page an owner of their own.

#include <QString>

class CVexaLib;

class IPageOwner {
public:
    virtual ~IPageOwner() = default;

    // The device link; open or not.
    virtual CVexaLib& Link() = 0;
    // The path of the settings file (setup.ini) this run uses. The salvo folder and the
    // action journal live beside it.
    virtual const QString& SettingsPath() const = 0;
};
