#pragma once
// The scene pages under test: the main window against the device model in memory, with every
// request frame the link sends recorded, and helpers that read the routing list and press the
// pages' buttons.

#include <QAbstractButton>
#include <QTabBar>
#include <QTableWidget>
#include <algorithm>
#include <memory>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

#include "app/maindlgfixture.h"
#include "appearance/skintabctrl.h"
#include "link/frame.h"
#include "link/stateimage.h"
#include "link/transport.h"
#include "pages/pageviewdlg.h"

namespace vantel::test {

// Every request (command and payload) that went out through any transport it wrapped; written
// from the GUI thread and the status monitor alike.
class RequestLog {
public:
    struct Request {
        std::uint8_t cmd;
        std::vector<std::uint8_t> payload;
        bool operator==(const Request&) const = default;
    };

    // Logs the requests in data; returns the refusals the device gives to those it refuses.
    std::vector<std::uint8_t> Feed(const std::uint8_t* data, std::size_t size) {
        std::lock_guard lock(m_mutex);
        std::vector<std::uint8_t> refusals;
        m_decoder.Feed(data, size);
        while (std::optional<Frame> frame = m_decoder.Next()) {
            m_requests.push_back({frame->cmd, frame->payload});
            if (m_refused.count(frame->cmd) != 0) {
                AppendFrame(refusals, frame->seq, frame->cmd, kStatusOutOfRange, nullptr, 0);
            }
        }
        return refusals;
    }
    // From now on the device refuses every request of this command.
    void Refuse(std::uint8_t cmd) {
        std::lock_guard lock(m_mutex);
        m_refused.insert(cmd);
    }
    // From now on the device takes requests of this command again.
    void Allow(std::uint8_t cmd) {
        std::lock_guard lock(m_mutex);
        m_refused.erase(cmd);
    }
    // The requests of one command, oldest first.
    std::vector<Request> Of(std::uint8_t cmd) {
        std::lock_guard lock(m_mutex);
        std::vector<Request> found;
        for (const Request& r : m_requests) {
            if (r.cmd == cmd) {
                found.push_back(r);
            }
        }
        return found;
    }
    void Clear() {
        std::lock_guard lock(m_mutex);
        m_requests.clear();
    }

private:
    std::mutex m_mutex;
    FrameDecoder m_decoder;
    std::vector<Request> m_requests;
    std::set<std::uint8_t> m_refused;
};

// A transport that hands everything to another one and copies what is written to a log.
class RecordingTransport : public ITransport {
public:
    RecordingTransport(std::unique_ptr<ITransport> inner, RequestLog& log)
        : m_inner(std::move(inner)), m_log(log) {}

    bool IsOpen() const override { return m_inner->IsOpen(); }
    IoStatus Write(const std::uint8_t* data, std::size_t size,
                   Clock::time_point deadline) override {
        std::vector<std::uint8_t> refusals = m_log.Feed(data, size);
        if (!refusals.empty()) {
            std::lock_guard lock(m_mutex);
            m_refusals.insert(m_refusals.end(), refusals.begin(), refusals.end());
            return IoStatus::kOk;  // a refused request never reaches the device
        }
        return m_inner->Write(data, size, deadline);
    }
    IoStatus Read(std::uint8_t* data, std::size_t capacity, std::size_t& received,
                  Clock::time_point deadline) override {
        {
            std::lock_guard lock(m_mutex);
            if (!m_refusals.empty()) {
                received = std::min(capacity, m_refusals.size());
                std::copy_n(m_refusals.begin(), received, data);
                m_refusals.erase(m_refusals.begin(), m_refusals.begin() + received);
                return IoStatus::kOk;
            }
        }
        return m_inner->Read(data, capacity, received, deadline);
    }
    bool Reopen(Clock::time_point deadline) override { return m_inner->Reopen(deadline); }
    void Close() override { m_inner->Close(); }
    void Cancel() override { m_inner->Cancel(); }
    void ClearCancel() override { m_inner->ClearCancel(); }

private:
    std::unique_ptr<ITransport> m_inner;
    RequestLog& m_log;
    std::mutex m_mutex;
    std::vector<std::uint8_t> m_refusals;
};

class PageViewTest : public MainDlgTest {
protected:
    static constexpr int kTabLoad = 0;
    static constexpr int kTabSaveView = 2;
    // Generous bound for one 2-second poll period of the status monitor.
    static constexpr int kPollMs = 8000;

    // The main window on the device model, every request logged.
    CVantelDlg& StartRecorded(const char* ini = "[setup]\nmode=1\nip=127.0.0.1\n") {
        WriteIni(ini);
        return ShowMainWindow(
            [inner = sim.Factory(), this](const std::string& port) -> std::unique_ptr<ITransport> {
                std::unique_ptr<ITransport> t = inner(port);
                if (t == nullptr) {
                    return nullptr;
                }
                return std::make_unique<RecordingTransport>(std::move(t), log);
            });
    }

    void ShowTab(int index) {
        QTabBar* bar = dlg->m_tab->TabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }

    // Shows the page's tab and clicks scene n (0 = "Scene").
    void ClickScene(CPageViewDlg& page, int n) {
        ShowTab(&page == &dlg->m_pageLoad ? kTabLoad : kTabSaveView);
        auto* button = page.Item<QAbstractButton>(CPageViewDlg::IDC_SCENE_FIRST + n);
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
    }

    void ClickAction(CPageViewDlg& page) {
        ShowTab(&page == &dlg->m_pageLoad ? kTabLoad : kTabSaveView);
        QTest::mouseClick(ActionButton(page), Qt::LeftButton);
    }

    static QAbstractButton* ActionButton(CPageViewDlg& page) {
        return page.Item<QAbstractButton>(CPageViewDlg::IDC_ACTION);
    }

    // Sends a switch command straight through the link: input port `input` to the outputs.
    void Switch(int input, std::initializer_list<int> outputs) {
        std::vector<unsigned char> buf(4096);
        std::size_t len = 0;
        buf[len++] = static_cast<unsigned char>(input);
        const int inputs = sim.LiveImage()[5];
        for (int j : outputs) {
            buf[len++] = static_cast<unsigned char>(inputs + j);
        }
        ASSERT_EQ(
            dlg->m_link.Command(12, buf.data(), buf.size(), static_cast<unsigned char>(len), 500),
            kVexaOk);
    }

    RequestLog log;
};

// The rows of a page's routing list as (IN, OUT) texts; the "*" column must be empty.
inline std::vector<CStateImage::ListRow> ListedRows(const CPageViewDlg& page) {
    std::vector<CStateImage::ListRow> rows;
    const QTableWidget* list = page.m_list;
    if (list == nullptr) {
        return rows;
    }
    for (int r = 0; r < list->rowCount(); ++r) {
        const auto text = [&](int c) {
            const QTableWidgetItem* item = list->item(r, c);
            return item != nullptr ? item->text().toStdString() : std::string();
        };
        EXPECT_EQ(text(0), "") << "row " << r;
        rows.push_back({text(1), text(2)});
    }
    return rows;
}

// The routing list that an image of the device gives.
inline std::vector<CStateImage::ListRow> RowsOf(const CSwitcher::Image& image) {
    return CStateImage(image).RoutingList();
}

}  // namespace vantel::test
