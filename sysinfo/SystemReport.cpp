#include "sysinfo/SystemReport.h"

#include "sysinfo/WmiValue.h"
#include "text/Codec.h"

#include <string>

namespace tg {

namespace {

using platform::WmiObject;
using platform::WmiSource;
using platform::WmiValue;

// The report's fixed texts in code page 932, converted once.
struct Labels {
    // Fixed section, by line number (index 0 unused).
    std::array<Text, 16> line{
        Text{},
        utf8ToCp932("OS名:\t\t\t"),
        utf8ToCp932("OSバージョン：\t\t"),
        utf8ToCp932("OS 製造元：\t\t"),
        utf8ToCp932("システム名：\t\t"),
        utf8ToCp932("システム製造元：\t"),
        utf8ToCp932("システムモデル：\t"),
        utf8ToCp932("システムの種類：\t"),
        utf8ToCp932("プロセッサ：\t\t"),
        utf8ToCp932("BIOSのバージョン：\t"),
        utf8ToCp932("Windowsフォルダ：\t"),
        utf8ToCp932("物理メモリの全容量：\t"),
        utf8ToCp932("物理メモリの空き容量：\t"),
        utf8ToCp932("仮想メモリの全容量：\t"),
        utf8ToCp932("仮想メモリの空き容量：\t"),
        utf8ToCp932("ページファイルの容量：\t"),
    };
    Text name = utf8ToCp932("名前：\t\t\t");
    Text adapterType = utf8ToCp932("アダプタの種類：\t");
    Text serviceName = utf8ToCp932("サービス名：\t\t");
    Text ipAddress = utf8ToCp932("IPアドレス：\t\t");
    Text ipSubnet = utf8ToCp932("IPサブネット：\t\t");
    Text gateway = utf8ToCp932("ﾃﾞﾌｫﾙﾄIPｹﾞｰﾄｳｪｲ：\t");
    Text dhcp = utf8ToCp932("DHCP有効：\t\t");
    Text mac = utf8ToCp932("MACアドレス：\t\t");
    Text noInfo = utf8ToCp932("情報なし");
    Text errorText =
        utf8ToCp932("システム情報が取得できませんでした。\r\n"
                    "システム情報を巣得するにはWMIがインストールされている必要があります。"
                    "\r\n詳しくはreadme.txtを参照してください。");
    Text errorCaption = utf8ToCp932("エラー");
};

const Labels& labels() {
    static const Labels l;
    return l;
}

const Text kDashLine(33, '-');

// One of the nine progress points.
void stepProgress(RunContext& run) {
    if (!run.terminationRequested())
        run.stepProgress();
}

// Closes the source however the report ends. Declared before the enumerators and objects, it
// runs after they are gone.
class ClosingSource {
public:
    explicit ClosingSource(WmiSource& source) : source_(source) {}
    ~ClosingSource() { source_.closeWmiConnection(); }
    ClosingSource(const ClosingSource&) = delete;
    ClosingSource& operator=(const ClosingSource&) = delete;

private:
    WmiSource& source_;
};

void appendLine(RunContext& run, const Text& line) {
    if (!run.terminationRequested())
        run.appendReportLine(line);
}

// One of the address properties: a line per element, or the label with "情報なし" when there is
// nothing to list, so that every block shows every label.
void appendElementLines(RunContext& run, const Text& label, const std::optional<WmiValue>& value) {
    auto elements = valueElements(value);
    if (!elements || elements->empty()) {
        appendLine(run, label + labels().noInfo);
        return;
    }
    for (const Text& element : *elements)
        appendLine(run, label + element);
}

// The names the adapter loop reads, in its order; the first three and the seventh belong to the
// adapter, the others to its configuration.
enum AdapterRead { Caption, AdapterType, ServiceName, IPAddress, IPSubnet, Gateway, Mac, Dhcp };
constexpr std::array<const char*, 8> kAdapterReads{
    "Caption",  "AdapterType",      "ServiceName", "IPAddress",
    "IPSubnet", "DefaultIPGateway", "MACAddress",  "DHCPEnabled",
};

} // namespace

const Text& wmiErrorText() {
    return labels().errorText;
}

const Text& wmiErrorCaption() {
    return labels().errorCaption;
}

Text kilobytesText(std::uint64_t bytes) {
    return std::to_string(bytes / 1024) + "kb";
}

Text cutToLimit(TextView line, std::size_t limit) {
    std::size_t end = 0;
    while (end < line.size()) {
        std::size_t width =
            isCp932LeadByte(static_cast<unsigned char>(line[end])) && end + 1 < line.size() ? 2 : 1;
        if (end + width > limit)
            break;
        end += width;
    }
    return Text(line.substr(0, end));
}

void buildSystemReport(RunContext& run, WmiSource& source, const LocalSystemValues& values) {
    const Labels& l = labels();
    std::array<Text, 16> lines;
    for (int n = 1; n <= 15; ++n) {
        if (n != 4 && n != 10)
            lines[n] = l.line[n];
    }
    if (values.computerName) {
        lines[4] = l.line[4];
        lines[4] += *values.computerName;
    }
    if (values.windowsFolder) {
        lines[10] = l.line[10];
        lines[10] += *values.windowsFolder;
    }
    const MemoryFigures& m = values.memory;
    lines[11] += kilobytesText(m.totalPhys);
    lines[12] += kilobytesText(m.availPhys);
    lines[13] += kilobytesText(m.totalVirtual);
    lines[14] += kilobytesText(m.availVirtual);
    lines[15] += kilobytesText(m.totalPageFile);
    stepProgress(run);

    // Returning from here on is the early end.
    const ClosingSource closing(source);
    switch (source.openWmiConnection()) {
    case WmiSource::OpenResult::Opened:
        break;
    case WmiSource::OpenResult::InitFailed:
        run.messageBox(true, l.errorText, l.errorCaption, 0);
        return;
    case WmiSource::OpenResult::LocatorFailed:
        run.messageBox(false, l.errorText, l.errorCaption, 0);
        return;
    }
    stepProgress(run);

    bool connected = source.connectWmiNamespace();
    stepProgress(run);
    if (!connected || run.terminationRequested())
        return;

    // A single-instance query: only its first object is read, and a set without one leaves the
    // lines as their labels.
    auto readFirst = [&](const char* wql, auto&& readProperties) {
        auto objects = source.runWqlQuery(wql);
        stepProgress(run);
        if (!objects || run.terminationRequested())
            return false;
        if (auto object = objects->nextWmiObject())
            readProperties(*object);
        return true;
    };
    auto appendProperty = [](Text& line, WmiObject& object, const char* name) {
        line += valueText(object.readWmiProperty(name));
    };

    if (!readFirst(kQueryBios, [&](WmiObject& o) { appendProperty(lines[9], o, "Version"); }))
        return;
    if (!readFirst(kQueryProcessor,
                   [&](WmiObject& o) { appendProperty(lines[8], o, "Description"); }))
        return;
    if (!readFirst(kQueryComputerSystem, [&](WmiObject& o) {
            appendProperty(lines[7], o, "SystemType");
            appendProperty(lines[6], o, "Model");
            appendProperty(lines[5], o, "Manufacturer");
        }))
        return;
    if (!readFirst(kQueryOperatingSystem, [&](WmiObject& o) {
            appendProperty(lines[1], o, "Caption");
            appendProperty(lines[2], o, "Version");
            lines[2] += ' ';
            appendProperty(lines[2], o, "CSDVersion");
            appendProperty(lines[3], o, "Manufacturer");
        }))
        return;

    for (int n = 1; n <= 15; ++n)
        appendLine(run, cutToLimit(lines[n]));

    auto adapters = source.runWqlQuery(kQueryNetworkAdapter);
    stepProgress(run);
    if (!adapters || run.terminationRequested())
        return;
    auto configurations = source.runWqlQuery(kQueryAdapterConfiguration);
    stepProgress(run);
    if (!configurations || run.terminationRequested())
        return;

    // The n-th adapter goes with the n-th configuration; no key is compared.
    for (;;) {
        auto adapter = adapters->nextWmiObject();
        if (!adapter)
            break;
        auto configuration = configurations->nextWmiObject();
        if (!configuration)
            break;

        std::array<std::optional<WmiValue>, kAdapterReads.size()> v;
        for (std::size_t i = 0; i < kAdapterReads.size(); ++i) {
            bool ofAdapter = i <= ServiceName || i == Mac;
            v[i] = (ofAdapter ? *adapter : *configuration).readWmiProperty(kAdapterReads[i]);
            if (!v[i] || run.terminationRequested())
                return;
        }

        appendLine(run, kDashLine);
        appendLine(run, l.name + valueText(v[Caption]));
        appendLine(run, l.adapterType + valueTextOrNone(v[AdapterType]));
        appendLine(run, l.serviceName + valueTextOrNone(v[ServiceName]));
        appendElementLines(run, l.ipAddress, v[IPAddress]);
        appendElementLines(run, l.ipSubnet, v[IPSubnet]);
        appendElementLines(run, l.gateway, v[Gateway]);
        appendLine(run, l.dhcp + enabledText(v[Dhcp]));
        appendLine(run, l.mac + valueTextOrNone(v[Mac]));
    }

    appendLine(run, kDashLine);
    run.resetProgress();
}

} // namespace tg
