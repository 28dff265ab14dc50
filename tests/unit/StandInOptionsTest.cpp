// Every option of every command view's list and every example of its help text, as the view
// builds the command line, in the Windows spellings: what the stand-in makes of it.

#include "netcmd/Translate.h"
#include "platform/Process.h"

#include <gtest/gtest.h>

#include <linux/rtnetlink.h>
#include <sys/socket.h>

namespace {

using tg::netcmd::NetState;

NetState twoInterfaces() {
    NetState net;
    net.links = {{1, "lo", 772, "", true, true, true, "", "loopback"},
                 {2, "eth0", 1, "\x02\xfc\0\0\0\x01", true, true},
                 {3, "wlan0", 1, "\x02\xfc\0\0\0\x02", true, true}};
    net.addresses = {
        {AF_INET, 1, "127.0.0.1", 8}, {AF_INET, 2, "192.168.1.5", 24}, {AF_INET, 3, "10.0.0.7", 8}};
    return net;
}

struct Row {
    const char* word;
    const char* arguments; // the view's argument text
    const char* meaning;
};

const std::string kMissing = "refuse ping: 宛先 (IP アドレスかホスト名) を指定してください。";

const Row kRows[] = {
    // ipconfig: list なし,/all,/release,/renew; examples /all, /release 0, /renew 0
    {"ipconfig", "", "native ipconfig"},
    {"ipconfig", "/all", "native ipconfig all"},
    {"ipconfig", "/release", "tool dhclient -r"},
    {"ipconfig", "/renew", "tool dhclient"},
    {"ipconfig", "/release 0", "tool dhclient -r eth0"},
    {"ipconfig", "/renew 0", "tool dhclient eth0"},
    {"ipconfig", "-ALL", "native ipconfig all"},
    {"ipconfig", "/renew6 wl*", "tool dhclient -6 wlan0"},
    {"ipconfig", "/release 2", "refuse アダプター 2 が見つかりません。"},
    {"ipconfig", "/flushdns", "tool resolvectl flush-caches | flushdns"},
    {"ipconfig", "/displaydns",
     "refuse オプション /displaydns はこのコンピューター (Linux) では使えません。"},
    {"ipconfig", "/al", "refuse オプション /al は正しくありません。"},
    // arp: list -a,-s,-d with an empty second box; the examples
    {"arp", "-a ", "native arp"},
    {"arp", "-s ", "refuse -s には IP アドレスと物理アドレスが必要です。"},
    {"arp", "-d ", "refuse -d には IP アドレスが必要です。"},
    {"arp", "-s 192.168.1.10 00-E0-4C-C3-DD-D9",
     "tool ip neigh replace 192.168.1.10 lladdr 00:e0:4c:c3:dd:d9 nud permanent dev eth0"},
    {"arp", "-d 192.168.1.10", "tool ip neigh del 192.168.1.10 dev eth0"},
    {"arp", "/A 10.0.0.1 -N 10.0.0.7", "native arp address=10.0.0.1 interface=10.0.0.7"},
    {"arp", "-g -V", "native arp verbose"},
    {"arp", "-s 10.9.9.9 00-11-22-33-44-55 192.168.1.5",
     "tool ip neigh replace 10.9.9.9 lladdr 00:11:22:33:44:55 nud permanent dev eth0"},
    {"arp", "-s 172.16.0.1 00-11-22-33-44-55",
     "refuse 172.16.0.1 を届けるインターフェイスが見つかりません。"},
    {"arp", "-s 192.168.1.10 00-11-22", "refuse 物理アドレス 00-11-22 は正しくありません。"},
    {"arp", "-d *", "tool ip -4 neigh flush all"},
    {"arp", "-an", "refuse オプション -an は正しくありません。"},
    // route: list print,delete,change; the examples
    {"route", "print ", "native route"},
    {"route", "delete ", "refuse route delete には宛先が必要です。"},
    {"route", "change ", "refuse route change には宛先が必要です。"},
    {"route", "PRINT -4", "native route ipv4"},
    {"route", "print 127.*", "native route destination=127.*"},
    {"route", "add 192.168.1.10 mask 255.255.255.0 192.168.1.239 metric 1 if 0x1000003",
     "refuse 指定されたマスク パラメーターが無効です。(宛先 & マスク) != 宛先。"},
    {"route", "add 192.168.1.0 MASK 255.255.255.0 192.168.1.239 METRIC 1 IF 0x2",
     "tool ip -4 route add 192.168.1.0/24 via 192.168.1.239 metric 1 dev eth0 | ok"},
    {"route", "add 10.1.0.0 mask 255.255.0.0 192.168.1.1 if 9",
     "refuse インターフェイス 9 が見つかりません。"},
    {"route", "delete 192.168.1.10", "tool ip -4 route del 192.168.1.10/32 | ok"},
    {"route", "change fd00:1::/64 fe80::1", "tool ip -6 route change fd00:1::/64 via fe80::1 | ok"},
    {"route", "-p add 10.1.0.0 mask 255.255.0.0 192.168.1.1",
     "refuse オプション -p はこのコンピューター (Linux) では使えません。"},
    {"route", "/f print", "refuse オプション /f はこのコンピューター (Linux) では使えません。"},
    // ping: list なし,-a,-n,-l,-i,-w before the target; the examples
    {"ping", " 127.0.0.1", "tool ping -n -O -c 4 -s 32 -W 4 127.0.0.1 | ping"},
    {"ping", "-a 127.0.0.1", "tool ping -n -O -c 4 -s 32 -W 4 127.0.0.1 | ping names"},
    {"ping", "-n 127.0.0.1",
     "refuse オプション -n の値 127.0.0.1 が正しくありません。有効な範囲は 1 から 4294967295 "
     "です。"},
    {"ping", "-l 127.0.0.1",
     "refuse オプション -l の値 127.0.0.1 が正しくありません。有効な範囲は 0 から 65500 です。"},
    {"ping", "-i 127.0.0.1",
     "refuse オプション -i の値 127.0.0.1 が正しくありません。有効な範囲は 1 から 255 です。"},
    {"ping", "-w 127.0.0.1",
     "refuse オプション -w の値 127.0.0.1 が正しくありません。有効な範囲は 0 から 4294967295 "
     "です。"},
    {"ping", "-n 5 192.168.1.10", "tool ping -n -O -c 5 -s 32 -W 4 192.168.1.10 | ping"},
    {"ping", "-l 64 192.168.1.10", "tool ping -n -O -c 4 -s 64 -W 4 192.168.1.10 | ping"},
    {"ping", "-i 255 192.168.1.10", "tool ping -n -O -c 4 -s 32 -t 255 -W 4 192.168.1.10 | ping"},
    {"ping", "-w 2000 192.168.1.10", "tool ping -n -O -c 4 -s 32 -W 2 192.168.1.10 | ping"},
    {"ping", "/t /l 1000 -w 500 ::1", "tool ping -n -O -s 1000 -W 0.5 ::1 | ping"},
    {"ping", "-f -i 3 -v 16 -S 127.0.0.2 -4 127.0.0.1",
     "tool ping -n -O -c 4 -s 32 -t 3 -Q 16 -W 4 -M do -4 -I 127.0.0.2 127.0.0.1 | ping"},
    {"ping", "-c 3 127.0.0.1", "tool ping -n -O -c 4 -s 32 -W 4 -c 3 127.0.0.1 | ping"},
    {"ping", "-r 3 -6 127.0.0.1", "tool ping -n -O -c 4 -s 32 -W 4 -R -6 127.0.0.1 | ping"},
    {"ping", "/r 10 127.0.0.1",
     "refuse オプション /r の値 10 が正しくありません。有効な範囲は 1 から 9 です。"},
    {"ping", "-s 3 127.0.0.1",
     "refuse オプション -s はこのコンピューター (Linux) では使えません。"},
    {"ping", "-N 5 127.0.0.1", "refuse オプション -N は正しくありません。"},
    {"ping", "/c 3 127.0.0.1", "refuse オプション /c は正しくありません。"},
    {"ping", "-an 127.0.0.1", "refuse オプション -an は正しくありません。"},
    {"ping", "-n", "refuse オプション -n には値が必要です。"},
    {"ping", " ", kMissing.c_str()},
    {"ping", "127.0.0.1 ::1", "refuse パラメーター 127.0.0.1 は正しくありません。"},
    // tracert: list なし,-d,-h,-j,-w before the target; the examples
    {"tracert", " 127.0.0.1", "tool traceroute 127.0.0.1 | tracert"},
    {"tracert", "-d 127.0.0.1", "tool traceroute -n 127.0.0.1 | tracert"},
    {"tracert", "-h 127.0.0.1",
     "refuse オプション -h の値 127.0.0.1 が正しくありません。有効な範囲は 1 から 255 です。"},
    {"tracert", "-j 127.0.0.1",
     "refuse tracert: 宛先 (IP アドレスかホスト名) を指定してください。"},
    {"tracert", "-w 127.0.0.1",
     "refuse オプション -w の値 127.0.0.1 が正しくありません。有効な範囲は 1 から 4294967295 "
     "です。"},
    {"tracert", "-h 255 www.example.com", "tool traceroute -m 255 www.example.com | tracert"},
    {"tracert", "-w 2000 www.example.com", "tool traceroute -w 2 www.example.com | tracert"},
    {"tracert", "/d -j 10.0.0.1 10.0.0.2 127.0.0.1",
     "tool traceroute -n -g 10.0.0.1 -g 10.0.0.2 127.0.0.1 | tracert"},
    {"tracert", "-S 127.0.0.2 -6 -I ::1", "tool traceroute -s 127.0.0.2 -6 -I ::1 | tracert"},
    {"tracert", "-R 127.0.0.1",
     "refuse オプション -R はこのコンピューター (Linux) では使えません。"},
    {"tracert", "-D 127.0.0.1", "refuse オプション -D は正しくありません。"},
    // netstat: list なし,-a,-n,-e,-s,-p with an empty second box; the examples
    {"netstat", " ", "native netstat"},
    {"netstat", "-a ", "native netstat all"},
    {"netstat", "-n ", "native netstat numeric"},
    {"netstat", "-e ", "native netstat ethernet"},
    {"netstat", "-s ", "native netstat statistics"},
    {"netstat", "-p ", "refuse オプション -p には値が必要です。"},
    {"netstat", "-an ", "native netstat all numeric"},
    {"netstat", "-sp TCP", "native netstat statistics proto=TCP"},
    {"netstat", "/AN", "native netstat all numeric"},
    {"netstat", "-r", "native netstat routes"},
    {"netstat", "-an 5", "native netstat all numeric interval=5"},
    {"netstat", "-an -c", "native netstat all numeric interval=1"},
    {"netstat", "-p udpv6", "native netstat proto=UDPV6"},
    {"netstat", "-p icmp", "refuse オプション -p のプロトコル icmp は正しくありません。"},
    {"netstat", "-s -p icmp", "native netstat statistics proto=ICMP"},
    {"netstat", "-ano", "native netstat all numeric pids"},
    {"netstat", "/b /F -o 2", "native netstat programs fqdn pids interval=2"},
    {"netstat", "-x", "refuse オプション -x はこのコンピューター (Linux) では使えません。"},
    {"netstat", "-anl", "refuse オプション -l は正しくありません。"},
    {"netstat", "-pa TCP", "refuse オプション -p には値が必要です。"},
    // nslookup: the target box only
    {"nslookup", " localhost 127.0.0.1", "native nslookup name=localhost server=127.0.0.1"},
    {"nslookup", " -port=5353 -Q=mx -timeout=1 -retry=3 -vc example.test",
     "native nslookup name=example.test type=15 port=5353 timeout=1 retry=3 vc"},
    {"nslookup", " -querytype=TXT -vc -novc 198.51.100.5",
     "native nslookup name=198.51.100.5 type=16"},
    {"nslookup", " -type=HINFO x.test",
     "refuse オプション -type=HINFO の種類 HINFO は正しくありません。"},
    {"nslookup", " -port=0 x.test",
     "refuse オプション -port の値 0 が正しくありません。有効な範囲は 1 から 65535 です。"},
    {"nslookup", " -debug x.test",
     "refuse オプション -debug はこのコンピューター (Linux) では使えません。"},
    {"nslookup", " -bogus x.test", "refuse オプション -bogus は正しくありません。"},
    {"nslookup", " ",
     "refuse nslookup: 対話モードは使えません (標準入力がありません)。調べる名前か IP "
     "アドレスを指定してください。"},
    {"nslookup", "/?", "native usage nslookup"},
    {"nslookup", " a.test 127.0.0.1 extra", "refuse パラメーター extra は正しくありません。"},
    // net: list view,help,helpmsg,send,statistics,name,share,localgroup,user,print; examples
    {"net", "view ", "tool smbtree -N"},
    {"net", "help ", "native net-help"},
    {"net", "helpmsg ", "refuse NET HELPMSG にはメッセージ番号が必要です。"},
    {"net", "send ", "refuse NET send はこのコンピューター (Linux) では使えません。"},
    {"net", "statistics ", "native net-statistics"},
    {"net", "name ", "refuse NET name はこのコンピューター (Linux) では使えません。"},
    {"net", "share ", "tool smbclient -N -L 127.0.0.1"},
    {"net", "localgroup ", "native net-localgroup"},
    {"net", "user ", "native net-user"},
    {"net", "print ", "refuse NET print はこのコンピューター (Linux) では使えません。"},
    {"net", "view /domain", "tool smbtree -N -D"},
    {"net", "view /domain:WORK",
     "refuse オプション /domain:WORK はこのコンピューター (Linux) では使えません。"},
    {"net", "help user", "native net-help user"},
    {"net", "helpmsg 3777",
     "refuse Windows のメッセージ 3777 の説明はこのコンピューター (Linux) にはありません。"},
    {"net", "statistics workstation", "native net-statistics workstation"},
    {"net", "STATISTICS Server", "native net-statistics server"},
    {"net", "name /add TIDEPC01", "refuse NET name はこのコンピューター (Linux) では使えません。"},
    {"net", "user root", "native net-user root"},
    {"net", "user bob /add",
     "refuse オプション /add はこのコンピューター (Linux) では使えません。"},
    {"net", "session", "tool smbstatus -b"},
    {"net", "bogus", "refuse NET bogus というコマンドはありません。"},
    // nbtstat: list -a,-A,-c,-r,-s,-S before an empty target; the examples
    {"nbtstat", "-a ", "refuse オプション -a には値が必要です。"},
    {"nbtstat", "-A ", "refuse オプション -A には値が必要です。"},
    {"nbtstat", "-c ", "refuse オプション -c はこのコンピューター (Linux) では使えません。"},
    {"nbtstat", "-r ", "refuse オプション -r はこのコンピューター (Linux) では使えません。"},
    {"nbtstat", "-s ", "tool smbstatus -b"},
    {"nbtstat", "-S ", "tool smbstatus -b"},
    {"nbtstat", "-a TIDEPC01", "native nbtstat name=TIDEPC01"},
    {"nbtstat", "-A 10.0.0.99", "native nbtstat address=10.0.0.99"},
    {"nbtstat", "/A 127.0.0.1", "native nbtstat address=127.0.0.1"},
    {"nbtstat", "-RR", "refuse オプション -RR はこのコンピューター (Linux) では使えません。"},
    {"nbtstat", "-A 127.0.0.1 5",
     "refuse オプション 5 (間隔) はこのコンピューター (Linux) では使えません。"},
    // Asking for help never runs anything.
    {"ping", "/?", "native usage ping"},
    {"nbtstat", " ", "native usage nbtstat"},
};

TEST(StandInOptions, EveryOptionHasItsWindowsMeaning) {
    NetState net = twoInterfaces();
    for (const Row& row : kRows) {
        SCOPED_TRACE(std::string(row.word) + " " + row.arguments);
        auto args = tg::platform::splitCommandLine(row.arguments);
        EXPECT_EQ(tg::netcmd::translate(row.word, args, net).describe(), row.meaning);
    }
}

} // namespace
