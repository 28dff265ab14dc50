#pragma once

#include "monitor/RouteMonitor.h"
#include "platform/Prober.h"
#include "text/Text.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QWidget>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QSystemTrayIcon;
class QTableView;
class QTimer;

namespace tg {

class HopTableModel;
class TimelineChart;
namespace monitor {
class MonitorRun;
}

// What a route monitor window takes from the program; the platform's own ways where empty.
struct RouteMonitorEnvironment {
    std::function<platform::OpenedProber(const platform::HostAddress&, std::size_t,
                                         std::chrono::milliseconds)>
        openProber;
    std::function<std::vector<platform::HostAddress>(const std::string&, std::string&)> resolve;
    std::function<std::string(const std::string&)> nameOf;
    std::filesystem::path logFolder;
    std::vector<Text> suggestions;                  // the main window's targets, cp932
    std::function<void(const Text&)> addToDocument; // cp932 lines, each ending in CR LF
    std::function<void(const std::filesystem::path&)> openFile;
    // A desktop notification; none: the tray's, where the desktop has a tray.
    std::function<void(const QString& title, const QString& text)> notify;
};

// A window of its own that watches every hop of the route to one target, round after round,
// until it is stopped or closed. Several may be open at once; they share nothing.
class TRouteMonitor : public QWidget {
    Q_OBJECT
public:
    explicit TRouteMonitor(RouteMonitorEnvironment environment, QWidget* parent = nullptr);
    ~TRouteMonitor() override;

    void Button_monitorStartClick();
    bool isRunning() const { return run_ != nullptr; }
    // The table as text: a line with the target, the start and the rounds, then the table.
    QString tableText() const;
    void copyTable();
    void addToDocument();
    void openLog();
    void savePicture();
    void saveTable();
    std::int64_t rounds() const { return rounds_; }
    std::int64_t routeChanges() const { return routeChanges_; }
    bool alertRaised() const { return alertRaised_; }
    const std::filesystem::path& logPath() const { return logPath_; }
    // Reads the run's figures now rather than at the next tick.
    void refresh();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void stopRun();
    void addEvent(const QString& text);
    void updateTitle();
    void updateStatus();
    void setInputsEnabled(bool enabled);
    monitor::AlertRule alertRule() const;
    void alertSettingsChanged();
    void lookUpNames(const std::vector<monitor::Hop>& hops);

    RouteMonitorEnvironment environment_;
    std::unique_ptr<monitor::MonitorRun> run_;
    std::uint64_t shownVersion_ = 0;
    QString target_;  // as typed
    QString address_; // the address probed
    QDateTime startedAt_;
    QElapsedTimer elapsed_;
    qint64 elapsedBefore_ = 0; // of a run that has stopped
    std::int64_t rounds_ = 0;
    std::int64_t routeChanges_ = 0;
    bool alertRaised_ = false;
    int selectedHop_ = -1; // -1: the target's hop
    std::filesystem::path logPath_;
    std::map<std::string, std::string> names_;
    std::map<std::string, std::future<std::string>> lookups_;

    QLineEdit* Edit_monitorTarget = nullptr;
    QPushButton* Button_monitorStart = nullptr;
    QDoubleSpinBox* Spin_interval = nullptr;
    QSpinBox* Spin_maxHops = nullptr;
    QSpinBox* Spin_timeout = nullptr;
    QSpinBox* Spin_size = nullptr;
    QCheckBox* Check_resolve = nullptr;
    QCheckBox* Check_alert = nullptr;
    QSpinBox* Spin_alertLoss = nullptr;
    QSpinBox* Spin_alertLatency = nullptr;
    QSpinBox* Spin_alertRounds = nullptr;
    QSpinBox* Spin_alertClear = nullptr;
    QTableView* Grid_hops = nullptr;
    HopTableModel* model_ = nullptr;
    TimelineChart* Chart_timeline = nullptr;
    QListWidget* List_events = nullptr;
    QLabel* Label_status = nullptr;
    QTimer* refreshTimer_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
};

} // namespace tg
