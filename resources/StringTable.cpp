#include "resources/StringTable.h"

#include "text/Codec.h"

#include <map>

namespace tg {

namespace {

// Kept in UTF-8 so that it reads as it shows; line breaks are CR CR LF as the panes expect, and
// \u3000 marks the ideographic spaces that stand where an ASCII blank would misalign a column.
const std::map<int, const char*> kUtf8Strings{
    {1, "<主なオプション>\r\r\n  なし        ：簡易情報の表示\r\r\n* /all        "
        "：詳細情報の表示\r\r\n  /release    ：DHCPサーバからIPアドレスの開放\r\r\n  /renew      "
        "：DHCPサーバからIPアドレスの更新\r\r\n\r\r\n<例>\r\r\n  >ipconfig /all\r\r\n  >ipconfig "
        "/release 0\r\r\n  >ipconfig /renew 0"},
    {2, "<主なオプション>\r\r\n* -a          ：ARPテーブルの表示\r\r\n  -s          "
        "：ARPテーブルの追加\r\r\n  -d          ：ARPテーブルの削除\r\r\n\r\r\n<例>\r\r\n  >arp "
        "-a\r\r\n  >arp -s 192.168.1.10 00-E0-4C-C3-DD-D9\r\r\n  >arp -d 192.168.1.10"},
    {3,
     "<主なオプション>\r\r\n* print      ：ルーティングテーブルの表示\r\r\n  "
     "add\u3000\u3000\u3000\u3000：経路の追加\r\r\n  delete \u3000\u3000：経路の削除\r\r\n  change "
     "\u3000\u3000：経路の変更\r\r\n\r\r\n<例>\r\r\n  >route print\r\r\n  >route add 192.168.1.10 "
     "mask 255.255.255.0 192.168.1.239 metric 1 if 0x1000003\r\r\n  >route delete 192.168.1.10"},
    {4, "<主なオプション>\r\r\n* なし      ：通常\r\r\n  -a        ：DNS参照する\r\r\n  -n        "
        "：パケット送受信の回数指定（デフォルト値：４回）\r\r\n  -l        "
        "：パケットのデータ部サイズ指定（デフォルト値：32Byte）\r\r\n  -i        "
        "：パケットのTTL（ホップ数）を指定\r\r\n  -w        "
        "：タイムアウト時間の指定（単位：ms）\r\r\n\r\r\n<例>\r\r\n  >ping 192.168.1.10\r\r\n  "
        ">ping -a 192.168.1.10\r\r\n  >ping -n 5 192.168.1.10\r\r\n  >ping -l 64 "
        "192.168.1.10\r\r\n  >ping -i 255 192.168.1.10\r\r\n  >ping -w 2000 192.168.1.10"},
    {5, "<主なオプション>\r\r\n* なし      ：通常\r\r\n  -d        ：DNS参照しない\r\r\n  -h       "
        " ：パケットのTTL（ホップ数）を指定\r\r\n  -j        ：経由ルータの指定（最大9まで）\r\r\n "
        " -w        ：タイムアウト時間指定（単位：ms）\r\r\n\r\r\n<例>\r\r\n  >tracert "
        "www.example.com\r\r\n  >tracert -d www.example.com\r\r\n  >tracert -h 255 "
        "www.example.com\r\r\n  >tracert -w 2000 www.example.com"},
    {6, "<主なオプション>\r\r\n  なし      ：有効な接続状況のみ表示\r\r\n* -a        "
        "：全ての接続状況を表示\r\r\n* -n        ：IPアドレスのみ表示\r\r\n  -e        "
        "：イーサーネットの統計情報の表示\r\r\n\u3000-s        "
        "：プロトコルレベルの統計情報の表示\r\r\n  -p        "
        "：指定したプロトコルのみ表示\r\r\n\r\r\n<例>\r\r\n  >netstat -an\r\r\n  >netstat\r\r\n  "
        ">netstat -e\r\r\n  >netstat -sp TCP"},
    {8,
     "<主なオプション>\r\r\nview        ：ドメインの一覧、コンピュータの一覧の表示\r\r\n  <例> "
     "view \r\r\n       view /domain\r\r\n       view /domain:[ ネットワーク名 ]\r\r\n\r\r\nhelp   "
     "     ：net コマンドのヘルプ、使用例を表示\r\r\n  <例> help [ コマンド名 ]\r\r\n\r\r\nhelpmsg "
     "    ：Windowsエラー メッセージに関するヘルプを表示\r\r\n  <例> helpmsg 3777\r\r\n       "
     "helpmsg 2150\r\r\n\r\r\nsend        ：ネットワーク上のコンピュータにメッセージを送信\r\r\n  "
     "<例> send [ コンピュータ名  メッセージ ]\r\r\n\r\r\nstatistics  "
     "：ローカルのWorkstationとServerの統計情報を表示\r\r\n  <例> statistics workstation\r\r\n     "
     "  statistics server\r\r\n\r\r\nname        ：コンピュータ名の一覧の表示、追加と削除\r\r\n  "
     "<例> name /add [ コンピュータ名 ]\r\r\n       name /delete [ コンピュータ名 "
     "]\r\r\n\r\r\nshare       ：共有リソースの表示、作成と削除\r\r\nlocalgroup  "
     "：ローカルグループの表示、追加と修正\r\r\nuser        ：ユーザーアカウントの表示、追加と修正 "
     "\r\r\nprint       ：印刷ジョブとプ印刷キューの表示、制御\r\r\n"},
    {9,
     "<主なオプション>\r\r\n* -a      "
     "：NetBIOS名で指定したコンピュータのNetBIOS名テーブルの表示\r\r\n  -A      "
     "：IPアドレスで指定したコンピュータのNetBIOS名テーブルの表示\r\r\n  -c      "
     "：キャッシュ内のNetBIOS名とIPアドレスを表示\r\r\n  -r      "
     "：NetBIOSの名前解決統計情報を表示\r\r\n  -s      ：現在のセッションをNetBIOS名で表示\r\r\n  "
     "-S      ：現在のセッションをIPアドレスで表示\r\r\n\r\r\n<例>\r\r\n  >nbtstat -a "
     "TIDEPC01\r\r\n  >nbtstat -A 10.0.0.99\r\r\n  >nbtstat -c\r\r\n"},
    {10, "<概要>"
         "\r\r\nコンピュータシステム基本情報を表示します。\r\r\nOS名、OSバージョン（詳細）、ネット"
         "ワークアダプタなどの情報"},
    {11, "<概要>"
         "\r\r\nネットワーク基本設定情報の表示・設定します。\r\r\nIPアドレス、ホスト名、MACアドレス"
         "、DHCPサーバ、DNSサーバなど\r\r\n\r\r\n"},
    {12, "<概要>"
         "\r\r\nARPテーブルの表示・設定します。\r\r\nIPアドレスとMACアドレスの対応表\r\r\n\r\r\n"},
    {13, "<概要>"
         "\r\r\nルーティングテーブルの表示と設定します。\r\r\nルーティング情報の表示（ブロードキャ"
         "ストやマルチキャストも含む）\r\r\n\r\r\n"},
    {14, "<概要>"
         "\r\r\nネットワークの相手方ホストとの通信可否を確認します。\r\r\n通信可否以外に簡易な通信"
         "統計情報など\r\r\n\r\r\n"},
    {15, "<概要>"
         "\r\r\nネットワークの相手方ホストまでのネットワーク経路を表示します。\r\r\n相手方ホストま"
         "での経路上のルーティング情報や統計情報など\r\r\n\r\r\n"},
    {16, "<概要>"
         "\r\r\n接続状態やインターフェースごとのネットワーク統計を表示します。\r\r\nホストが現在実"
         "行している接続一覧、各パケット統計やエラー状態など\r\r\n\r\r\n"},
    {17, "<概要>"
         "\r\r\nDNSクライアントの名前解決をコマンドレベルで行います。\r\r\nIPアドレス→ホスト名、ホ"
         "スト名→IPアドレスなど"},
    {18, "<概要>"
         "\r\r\nWindowsネットワークに関する情報を表示、設定を変更をします。\r\r\nコンピュータ一覧、"
         "共有リソースなど\r\r\n\r\r\n"},
    {19, "<概要>"
         "\r\r\nコンピュータのNetBIOS名テーブル、NetBIOS名キャッシュを表示します。\r\r\nワークグル"
         "ープ、コンピュータ名など\r\r\n\r\r\n"},
    {101, "なし,/all,/release,/renew"},
    {102, "-a,-s,-d"},
    {103, "print,delete,change"},
    {104, "なし,-a,-n,-l,-i,-w"},
    {105, "なし,-d,-h,-j,-w"},
    {106, "なし,-a,-n,-e,-s,-p"},
    {108, "view,help,helpmsg,send,statistics,name,share,localgroup,user,print"},
    {109, "-a,-A,-c,-r,-s,-S"},
};

std::map<int, Text> convertAll() {
    std::map<int, Text> table;
    for (const auto& [id, utf8] : kUtf8Strings)
        table.emplace(id, utf8ToCp932(utf8));
    return table;
}

} // namespace

const Text& loadString(int id) {
    static const std::map<int, Text> table = convertAll();
    static const Text empty;
    auto it = table.find(id);
    return it == table.end() ? empty : it->second;
}

} // namespace tg
