#pragma once
// A page's owner for tests of a page without the main window: a link of the test's choosing,
// a settings file, and a record of what the page asked of its owner (reconnects, the switch
// page's label buttons and counts). Given a switch page, the label-button calls go to it as
// they would in the main window.

#include <gtest/gtest.h>

#include <QString>
#include <QWidget>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

#include "link/vexalib.h"
#include "pages/pageowner.h"
#include "pages/pageswitchdlg.h"
#include "routing/faultydevice.h"
#include "settings/inifile.h"
#include "support/errorboxrecorder.h"
#include "support/tempdir.h"

namespace vantel::test {

class TestPageOwner : public IPageOwner {
public:
    TestPageOwner(CVexaLib& link, QString settings)
        : m_link(link),
          m_settings(std::move(settings)),
          m_ini(std::make_unique<CIniFile>(m_settings.toStdString())) {}

    CVexaLib& Link() override { return m_link; }
    const QString& SettingsPath() const override { return m_settings; }
    CIniFile* Settings() override { return m_ini.get(); }
    void Connect() override { ++connects; }
    void HideLabelButtons() override {
        if (switchPage != nullptr) {
            switchPage->HideLabelButtons();
        }
    }
    void ShowLabelButtons(int inputs, int outputs) override {
        if (switchPage != nullptr) {
            switchPage->ShowLabelButtons(inputs, outputs);
        }
    }
    void UseCounts(int inputs, int outputs) override {
        counts.emplace_back(inputs, outputs);
        if (switchPage != nullptr) {
            switchPage->UseCounts(inputs, outputs);
        }
    }

    // The switch page whose label buttons the calls above reach; none: they are only counted.
    CPageSwitchDlg* switchPage = nullptr;
    int connects = 0;
    // Every UseCounts call, oldest first.
    std::vector<std::pair<int, int>> counts;

private:
    CVexaLib& m_link;
    QString m_settings;
    std::unique_ptr<CIniFile> m_ini;
};

// What a test of a page on its own stands on: a settings file in a fresh folder, the device
// model behind a real link, an owner on both, the error boxes shown, and a window to hold the
// page.
class OwnedPageTest : public ::testing::Test {
protected:
    TempDir dir;
    std::filesystem::path settings = dir.Path() / "setup.ini";
    FaultyDevice d;
    TestPageOwner owner{d.lib, QString::fromStdString(settings.string())};
    ErrorBoxRecorder errors;
    QWidget host;
};

}  // namespace vantel::test
