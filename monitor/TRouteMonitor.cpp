#include "monitor/TRouteMonitor.h"

#include "monitor/HopTableModel.h"
#include "monitor/MonitorRun.h"
#include "monitor/TimelineChart.h"
#include "platform/Files.h"
#include "text/Codec.h"
#include "text/Error.h"
#include "text/FileName.h"
#include "ui/Dialogs.h"
#include "ui/QtText.h"
#include "ui/Suggestions.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QSystemTrayIcon>
#include <QTableView>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace tg {

namespace {

// The table and the status line are read from the run at most this often: a busy route at ten
// rounds a second repaints no more than the eye follows.
constexpr int kRefreshMillis = 200;

const QString kAlertMark = QStringLiteral("[警告] ");

template <typename Spin>
Spin* spin(QWidget* parent, const char* name, double low, double high, double value) {
    auto* box = new Spin(parent);
    box->setObjectName(QLatin1String(name));
    box->setRange(low, high);
    box->setValue(value);
    return box;
}

QString numeric(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

TRouteMonitor::TRouteMonitor(RouteMonitorEnvironment environment, QWidget* parent)
    : QWidget(parent, Qt::Window), environment_(std::move(environment)) {
    setObjectName(QStringLiteral("TRouteMonitor"));
    if (!environment_.openProber)
        environment_.openProber = platform::openProber;
    if (!environment_.resolve)
        environment_.resolve = platform::resolveHost;
    if (!environment_.nameOf)
        environment_.nameOf = platform::hostNameOf;
    if (!environment_.openFile) {
        environment_.openFile = [](const std::filesystem::path& path) {
            QDesktopServices::openUrl(
                QUrl::fromLocalFile(QString::fromStdU16String(path.generic_u16string())));
        };
    }
    buildControls();
    Edit_monitorTarget->setFocus();
    updateTitle();
    updateStatus();
    resize(760, 560);
}

TRouteMonitor::~TRouteMonitor() {
    stopRun();
}

void TRouteMonitor::buildControls() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);

    auto* inputs = new QHBoxLayout;
    inputs->addWidget(new QLabel(QStringLiteral("ホスト"), this));
    Edit_monitorTarget = new QLineEdit(this);
    Edit_monitorTarget->setObjectName(QStringLiteral("Edit_monitorTarget"));
    Edit_monitorTarget->setMinimumWidth(180);
    auto* suggestions = new Suggestions(Edit_monitorTarget, true);
    suggestions->setValues(environment_.suggestions);
    inputs->addWidget(Edit_monitorTarget, 1);
    Button_monitorStart = new QPushButton(QStringLiteral("開始(&S)"), this);
    Button_monitorStart->setObjectName(QStringLiteral("Button_monitorStart"));
    inputs->addWidget(Button_monitorStart);
    inputs->addWidget(new QLabel(QStringLiteral("間隔(秒)"), this));
    Spin_interval = spin<QDoubleSpinBox>(this, "Spin_interval", 0.1, 60, 1.0);
    Spin_interval->setDecimals(1);
    Spin_interval->setSingleStep(0.1);
    inputs->addWidget(Spin_interval);
    inputs->addWidget(new QLabel(QStringLiteral("最大ホップ"), this));
    Spin_maxHops = spin<QSpinBox>(this, "Spin_maxHops", 1, 64, 30);
    inputs->addWidget(Spin_maxHops);
    inputs->addWidget(new QLabel(QStringLiteral("タイムアウト(ms)"), this));
    Spin_timeout = spin<QSpinBox>(this, "Spin_timeout", 10, 60000, 1000);
    inputs->addWidget(Spin_timeout);
    inputs->addWidget(new QLabel(QStringLiteral("サイズ"), this));
    Spin_size = spin<QSpinBox>(this, "Spin_size", 0, 1400, 32);
    inputs->addWidget(Spin_size);
    Check_resolve = new QCheckBox(QStringLiteral("名前解決(&R)"), this);
    Check_resolve->setObjectName(QStringLiteral("Check_resolve"));
    inputs->addWidget(Check_resolve);
    layout->addLayout(inputs);

    auto* alerts = new QHBoxLayout;
    Check_alert = new QCheckBox(QStringLiteral("警告(&A)"), this);
    Check_alert->setObjectName(QStringLiteral("Check_alert"));
    alerts->addWidget(Check_alert);
    alerts->addWidget(new QLabel(QStringLiteral("損失率(%) ≧"), this));
    Spin_alertLoss = spin<QSpinBox>(this, "Spin_alertLoss", 0, 100, 20);
    Spin_alertLoss->setToolTip(QStringLiteral("0 で損失率を見ない"));
    alerts->addWidget(Spin_alertLoss);
    alerts->addWidget(new QLabel(QStringLiteral("平均(ms) >"), this));
    Spin_alertLatency = spin<QSpinBox>(this, "Spin_alertLatency", 0, 60000, 0);
    Spin_alertLatency->setToolTip(QStringLiteral("0 で応答時間を見ない"));
    alerts->addWidget(Spin_alertLatency);
    alerts->addWidget(new QLabel(QStringLiteral("直近ラウンド"), this));
    Spin_alertRounds = spin<QSpinBox>(this, "Spin_alertRounds", 1, 3600, 10);
    alerts->addWidget(Spin_alertRounds);
    alerts->addWidget(new QLabel(QStringLiteral("解除まで"), this));
    Spin_alertClear = spin<QSpinBox>(this, "Spin_alertClear", 1, 3600, 10);
    alerts->addWidget(Spin_alertClear);
    alerts->addStretch(1);
    layout->addLayout(alerts);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    Grid_hops = new QTableView(splitter);
    Grid_hops->setObjectName(QStringLiteral("Grid_hops"));
    model_ = new HopTableModel(this);
    Grid_hops->setModel(model_);
    Grid_hops->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid_hops->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid_hops->verticalHeader()->hide();
    Grid_hops->verticalHeader()->setDefaultSectionSize(Grid_hops->fontMetrics().height() + 4);
    // The figures take the room their texts need; the host has the rest.
    Grid_hops->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    Grid_hops->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    Grid_hops->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Chart_timeline = new TimelineChart(splitter);
    Chart_timeline->setObjectName(QStringLiteral("Chart_timeline"));
    List_events = new QListWidget(splitter);
    List_events->setObjectName(QStringLiteral("List_events"));
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    splitter->setStretchFactor(2, 1);
    layout->addWidget(splitter, 1);

    auto* buttons = new QHBoxLayout;
    auto button = [&](const char* name, const QString& caption, void (TRouteMonitor::*slot)()) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
    };
    button("Button_copy", QStringLiteral("コピー"), &TRouteMonitor::copyTable);
    button("Button_addToDocument", QStringLiteral("ドキュメントに追加"),
           &TRouteMonitor::addToDocument);
    button("Button_openLog", QStringLiteral("ログを開く"), &TRouteMonitor::openLog);
    button("Button_savePicture", QStringLiteral("グラフを PNG で保存..."),
           &TRouteMonitor::savePicture);
    button("Button_saveTable", QStringLiteral("表を CSV で保存..."), &TRouteMonitor::saveTable);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    Label_status = new QLabel(this);
    Label_status->setObjectName(QStringLiteral("Label_status"));
    layout->addWidget(Label_status);

    refreshTimer_ = new QTimer(this);
    refreshTimer_->setInterval(kRefreshMillis);
    connect(refreshTimer_, &QTimer::timeout, this, &TRouteMonitor::refresh);
    connect(Button_monitorStart, &QPushButton::clicked, this,
            &TRouteMonitor::Button_monitorStartClick);
    connect(Edit_monitorTarget, &QLineEdit::returnPressed, this, [this] {
        if (!isRunning())
            Button_monitorStartClick();
    });
    connect(Grid_hops->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                const auto& rows = model_->rows();
                selectedHop_ = current.isValid() && current.row() < int(rows.size())
                                   ? rows[std::size_t(current.row())].hopIndex
                                   : -1;
                shownVersion_ = 0;
                refresh();
            });
    for (QWidget* box :
         {static_cast<QWidget*>(Spin_alertLoss), static_cast<QWidget*>(Spin_alertLatency),
          static_cast<QWidget*>(Spin_alertRounds), static_cast<QWidget*>(Spin_alertClear)})
        connect(static_cast<QSpinBox*>(box), &QSpinBox::valueChanged, this,
                &TRouteMonitor::alertSettingsChanged);
    connect(Check_alert, &QCheckBox::toggled, this, &TRouteMonitor::alertSettingsChanged);
}

monitor::AlertRule TRouteMonitor::alertRule() const {
    monitor::AlertRule rule;
    rule.onLoss = Spin_alertLoss->value() > 0;
    rule.lossPercent = Spin_alertLoss->value();
    rule.onLatency = Spin_alertLatency->value() > 0;
    rule.latencyMs = Spin_alertLatency->value();
    rule.rounds = Spin_alertRounds->value();
    rule.clearRounds = Spin_alertClear->value();
    return rule;
}

void TRouteMonitor::alertSettingsChanged() {
    if (run_)
        run_->setAlertRule(alertRule(), Check_alert->isChecked());
}

void TRouteMonitor::Button_monitorStartClick() {
    if (run_) {
        stopRun();
        return;
    }
    const QString typed = Edit_monitorTarget->text().trimmed();
    if (typed.isEmpty()) {
        addEvent(QStringLiteral("ホスト名または IP アドレスを入力してください。"));
        return;
    }
    if (Spin_interval->value() < 0.1) {
        addEvent(QStringLiteral("間隔は 0.1 秒以上にしてください。"));
        return;
    }
    std::string problem;
    const std::vector<platform::HostAddress> addresses =
        environment_.resolve(typed.toStdString(), problem);
    if (addresses.empty()) {
        addEvent(QString::fromStdString(problem));
        return;
    }
    if (addresses.size() > 1) {
        addEvent(QStringLiteral("%1 には %2 個のアドレスがあります。最初の %3 を使います。")
                     .arg(typed)
                     .arg(addresses.size())
                     .arg(numeric(addresses[0].text)));
    }
    const auto timeout = std::chrono::milliseconds(Spin_timeout->value());
    platform::OpenedProber opened =
        environment_.openProber(addresses[0], std::size_t(Spin_size->value()), timeout);
    if (!opened.prober) {
        addEvent(QString::fromStdString(opened.problem));
        return;
    }

    monitor::RunOptions options;
    options.settings.maxHops = Spin_maxHops->value();
    options.settings.timeoutMicros = std::int64_t(Spin_timeout->value()) * 1000;
    options.intervalMicros = std::int64_t(Spin_interval->value() * 1'000'000 + 0.5);
    options.alertRule = alertRule();
    options.alerts = Check_alert->isChecked();
    startedAt_ = QDateTime::currentDateTime();
    if (!environment_.logFolder.empty()) {
        options.logPath = monitor::newLogPath(environment_.logFolder, typed.toStdString(),
                                              startedAt_.toMSecsSinceEpoch());
    }
    target_ = typed;
    address_ = numeric(addresses[0].text);
    names_.clear();
    lookups_.clear();
    selectedHop_ = -1;
    shownVersion_ = 0;
    alertRaised_ = false;
    run_ = std::make_unique<monitor::MonitorRun>(std::move(opened.prober), options);
    logPath_ = run_->logOpen() ? run_->logPath() : std::filesystem::path();
    if (!options.logPath.empty() && !run_->logOpen())
        addEvent(QStringLiteral("ログ ファイルを作れません: %1")
                     .arg(QString::fromStdU16String(options.logPath.u16string())));
    elapsed_.start();
    elapsedBefore_ = 0;
    addEvent(QStringLiteral("開始: %1 (%2)").arg(target_, address_));
    Button_monitorStart->setText(QStringLiteral("停止(&S)"));
    setInputsEnabled(false);
    updateTitle();
    refreshTimer_->start();
}

void TRouteMonitor::stopRun() {
    if (!run_)
        return;
    run_->stop();
    refresh();
    run_.reset();
    refreshTimer_->stop();
    elapsedBefore_ = elapsed_.elapsed();
    elapsed_.invalidate();
    addEvent(QStringLiteral("停止: %1").arg(target_));
    Button_monitorStart->setText(QStringLiteral("開始(&S)"));
    setInputsEnabled(true);
    updateStatus();
}

void TRouteMonitor::setInputsEnabled(bool enabled) {
    for (QWidget* w : std::initializer_list<QWidget*>{Edit_monitorTarget, Spin_interval,
                                                      Spin_maxHops, Spin_timeout, Spin_size})
        w->setEnabled(enabled);
}

void TRouteMonitor::refresh() {
    if (!run_)
        return;
    const std::uint64_t version = run_->version();
    if (version != shownVersion_) {
        shownVersion_ = version;
        std::vector<monitor::AlertEvent> events;
        std::vector<monitor::Hop> hopsForNames;
        run_->read([&](monitor::RouteMonitor& m) {
            model_->update(m.hops(), names_);
            rounds_ = m.rounds();
            routeChanges_ = m.routeChanges();
            events = m.takeAlertChanges();
            const int last = int(m.hops().size()) - 1;
            const int shown = selectedHop_ >= 0 && selectedHop_ <= last ? selectedHop_ : last;
            if (shown >= 0) {
                const monitor::Hop& hop = m.hops()[std::size_t(shown)];
                Chart_timeline->setHistory(
                    QStringLiteral("ホップ %1  %2").arg(hop.ttl).arg(numeric(hop.current)),
                    hop.history);
            }
            if (Check_resolve->isChecked())
                hopsForNames = m.hops();
        });
        for (const monitor::AlertEvent& event : events) {
            const bool raised = event.change == monitor::AlertWatch::Change::Raised;
            if (raised == alertRaised_)
                continue;
            alertRaised_ = raised;
            const QString text = raised ? QStringLiteral("警告: %1 の損失率 %2%、平均 %3 ms")
                                              .arg(target_)
                                              .arg(event.loss, 0, 'f', 1)
                                              .arg(event.averageMs, 0, 'f', 1)
                                        : QStringLiteral("警告解除: %1").arg(target_);
            addEvent(text);
            updateTitle();
            if (environment_.notify) {
                environment_.notify(windowTitle(), text);
            } else if (QSystemTrayIcon::isSystemTrayAvailable()) {
                if (!tray_) {
                    tray_ = new QSystemTrayIcon(QApplication::windowIcon(), this);
                    tray_->show();
                }
                tray_->showMessage(QStringLiteral("経路モニター"), text,
                                   raised ? QSystemTrayIcon::Warning
                                          : QSystemTrayIcon::Information);
            }
        }
        if (!hopsForNames.empty())
            lookUpNames(hopsForNames);
    }
    updateStatus();
}

void TRouteMonitor::lookUpNames(const std::vector<monitor::Hop>& hops) {
    // Reverse lookups can take seconds: each runs beside the window, and its name shows once
    // it is there.
    bool found = false;
    for (auto it = lookups_.begin(); it != lookups_.end(); ++it) {
        if (it->second.valid() &&
            it->second.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
            names_[it->first] = it->second.get();
            found = true;
        }
    }
    for (const monitor::Hop& hop : hops) {
        for (const monitor::HopAddress& a : hop.addresses) {
            if (!lookups_.count(a.address))
                lookups_.emplace(a.address,
                                 std::async(std::launch::async, environment_.nameOf, a.address));
        }
    }
    if (found)
        shownVersion_ = 0;
}

void TRouteMonitor::addEvent(const QString& text) {
    List_events->addItem(QDateTime::currentDateTime().toString(Qt::ISODate) + QStringLiteral("  ") +
                         text);
    List_events->scrollToBottom();
}

void TRouteMonitor::updateTitle() {
    QString title = QStringLiteral("経路モニター");
    if (!target_.isEmpty())
        title += QStringLiteral(" - ") + target_;
    setWindowTitle(alertRaised_ ? kAlertMark + title : title);
}

void TRouteMonitor::updateStatus() {
    const qint64 millis = elapsed_.isValid() ? elapsed_.elapsed() : elapsedBefore_;
    const qint64 seconds = millis / 1000;
    Label_status->setText(QStringLiteral("経過 %1:%2:%3  ラウンド %4  経路変更 %5%6")
                              .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
                              .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                              .arg(seconds % 60, 2, 10, QLatin1Char('0'))
                              .arg(rounds_)
                              .arg(routeChanges_)
                              .arg(run_ ? QString() : QStringLiteral("  (停止中)")));
}

QString TRouteMonitor::tableText() const {
    QString text =
        QStringLiteral("経路モニター: %1 (%2)  開始 %3  ラウンド %4\r\n")
            .arg(target_, address_, startedAt_.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")))
            .arg(rounds_);
    // Columns padded by their width in a fixed-pitch font, where a Japanese character takes two.
    const QStringList headers = HopTableModel::headers();
    const int rows = model_->rowCount();
    auto width = [](const QString& s) { return int(fromQString(s).size()); };
    std::vector<int> widths(std::size_t(headers.size()), 0);
    for (int c = 0; c < headers.size(); ++c) {
        widths[std::size_t(c)] = width(headers[c]);
        for (int r = 0; r < rows; ++r)
            widths[std::size_t(c)] = std::max(widths[std::size_t(c)], width(model_->cell(r, c)));
    }
    auto line = [&](const std::function<QString(int)>& at) {
        QString out;
        for (int c = 0; c < headers.size(); ++c) {
            const QString cell = at(c);
            const QString pad(widths[std::size_t(c)] - width(cell), QLatin1Char(' '));
            out += c == 1 ? cell + pad : pad + cell;
            out += c + 1 < headers.size() ? QStringLiteral("  ") : QString();
        }
        while (out.endsWith(QLatin1Char(' ')))
            out.chop(1);
        return out + QStringLiteral("\r\n");
    };
    text += line([&](int c) { return headers[c]; });
    for (int r = 0; r < rows; ++r)
        text += line([&](int c) { return model_->cell(r, c); });
    return text;
}

void TRouteMonitor::copyTable() {
    QGuiApplication::clipboard()->setText(tableText());
}

void TRouteMonitor::addToDocument() {
    if (environment_.addToDocument)
        environment_.addToDocument(fromQString(tableText()));
}

void TRouteMonitor::openLog() {
    if (logPath_.empty()) {
        addEvent(QStringLiteral("ログはまだありません。"));
        return;
    }
    environment_.openFile(logPath_);
}

void TRouteMonitor::savePicture() {
    const Dialogs::FileDialogSpec spec{
        utf8ToCp932("PNG 画像(*.png)|*.png|すべてのファイル(*.*)|*.*"), "*.png", {}};
    const std::optional<std::filesystem::path> name = dialogs().getSaveFileName(this, spec);
    if (!name)
        return;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    Chart_timeline->picture().save(&buffer, "PNG");
    try {
        platform::replaceFile(*name, TextView(bytes.constData(), std::size_t(bytes.size())));
    } catch (const Error& error) {
        dialogs().showError(error.text());
    }
}

void TRouteMonitor::saveTable() {
    const Dialogs::FileDialogSpec spec{
        utf8ToCp932("CSV ファイル(*.csv)|*.csv|すべてのファイル(*.*)|*.*"), "*.csv", {}};
    const std::optional<std::filesystem::path> name = dialogs().getSaveFileName(this, spec);
    if (!name)
        return;
    QStringList headers = HopTableModel::headers();
    headers << QStringLiteral("ジッター");
    QString csv = headers.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    for (int r = 0; r < model_->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model_->columnCount(); ++c) {
            QString cell = model_->cell(r, c);
            if (cell.contains(QLatin1Char(',')) || cell.contains(QLatin1Char('"')))
                cell = QLatin1Char('"') +
                       cell.replace(QStringLiteral("\""), QStringLiteral("\"\"")) +
                       QLatin1Char('"');
            cells << cell;
        }
        const HopTableModel::Row& row = model_->rows()[std::size_t(r)];
        cells << (row.ttl && row.stats.received
                      ? QString::number(row.stats.jitter() / 1000.0, 'f', 1)
                      : QString());
        csv += cells.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    try {
        platform::replaceFile(*name, fromQString(csv));
    } catch (const Error& error) {
        dialogs().showError(error.text());
    }
}

void TRouteMonitor::closeEvent(QCloseEvent* event) {
    // The probes end with the window, not when it is at last destroyed.
    stopRun();
    QWidget::closeEvent(event);
}

} // namespace tg
