#include "texts.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace kravinb {

namespace {

struct Entry {
    int id;
    const char* en;
    const char* ja;
};

// Sorted by id.
constexpr Entry kTexts[] = {
    {7000, "Card backup (*.BKC)", "カードバックアップ (*.BKC)"},
    {7001, "Destination to save Card backup file", "カードバックアップファイルの保存先"},
    {7100,
     "Backup of Project [%s] Station %d Card number %d [%s %s] will be executed. Please specify backup location and "
     "Press Start button.",
     "プロジェクト[%s] ステーション%d カード番号%d [%s %s]のバックアップを実行します。バックアップ先を指定して"
     "開始ボタンを押してください。"},
    {7101, "%s Ver %s contains Analog wiring information.", "%s Ver %s はアナログ結線情報を含みます。"},
    {7102, "%s Ver %s does not contain Analog wiring information.", "%s Ver %s はアナログ結線情報を含みません。"},
    {7103, "Backup filename is abbreviated. Are you sure to Start backup with \"%s.BKC\" as filename?",
     "バックアップファイル名が省略されています。\"%s.BKC\"をファイル名としてバックアップを開始しますか？"},
    {7104, "Backup file=%s already exists. Are you sure to Overwrite it? If you select OK, %s will be deleted.",
     "バックアップファイル=%s は既に存在します。上書きしますか？ OKを選択すると %s は削除されます。"},
    {7105, "%s cannot be deleted. Check the Disk space and retry backup process.",
     "%s を削除できません。ディスクを確認してバックアップをやり直してください。"},
    {7106, "Cannot allocate the necessary memory for backup. ", "バックアップに必要なメモリを確保できません。"},
    {7107,
     "Insufficient free space to write control unit in backup location. Change backup location or Replace the Disk "
     "with sufficient free space. ",
     "バックアップ先の空き容量が不足しています。バックアップ先を変更するか、十分な空き容量のあるディスクに交換して"
     "ください。"},
    {7108, "Backup location has %d bytes of free space and currently %d bytes is required.",
     "バックアップ先の空き容量は %d バイトで、%d バイト必要です。"},
    {7109, "[%s Ver %s] Data is not available.", "[%s Ver %s] のデータがありません。"},
    {7110, "Cannot create [%s Ver %s] backup file. Change the Disk and try again or Cancel the process.",
     "[%s Ver %s] のバックアップファイルを作成できません。ディスクを交換して再試行するか、中止してください。"},
    {7111, "Cannot create [%s Ver %s] backup file. Check the Disk and try to backup again.",
     "[%s Ver %s] のバックアップファイルを作成できません。ディスクを確認してバックアップをやり直してください。"},
    {7112, "Cannot read [%s]. Do you want to continue the backup process?",
     "[%s] を読み込めません。バックアップを続けますか？"},
    {7113, "Disk is full. Secure sufficient free space on the Disk and retry backup process.",
     "ディスクがいっぱいです。十分な空き容量を確保してバックアップをやり直してください。"},
    {7114, "Write error in [%s]. Check the disk and retry backup process.",
     "[%s] の書き込みエラーです。ディスクを確認してバックアップをやり直してください。"},
    {7115, "Backup of [%s %s] Card is successfully completed.", "[%s %s] カードのバックアップが完了しました。"},
    {8000, "Project Name", "プロジェクト名"},
    {8001, "ST#", "ST#"},
    {8002, "CD#", "CD#"},
    {8003, "Card Name", "カード名"},
    {8004, "Version", "バージョン"},
    {8005, "Backup Date", "バックアップ日時"},
    {8006, "Filename", "ファイル名"},
    {8100, "Analog Wiring Information", "アナログ結線情報"},
    {8200, "Select Card backup information to be restored and Press Start button.",
     "リストアするカードバックアップ情報を選択して開始ボタンを押してください。"},
    {8201,
     "Failed to read %s Card backup information. Check the disk and try again or Press Cancel to stop restore "
     "process.",
     "%s のカードバックアップ情報を読み込めませんでした。ディスクを確認して再試行するか、キャンセルを押して"
     "リストアを中止してください。"},
    {8202, "%s directory does not exist. Restore process is stopped.",
     "%s ディレクトリが存在しません。リストアを中止します。"},
    {8203,
     "Project Name: [%s], Station: %d, Card:%d information will be overwritten with %s Ver %s. Press OK to continue.",
     "プロジェクト名: [%s]、ステーション: %d、カード:%d の情報を %s Ver %s で上書きします。続ける場合はOKを"
     "押してください。"},
    {8204,
     "Project Name: [%s], Station:%d, Y-Bus information will be overwritten with %s Ver %s. Press OK to continue.",
     "プロジェクト名: [%s]、ステーション:%d、Y-Busの情報を %s Ver %s で上書きします。続ける場合はOKを押して"
     "ください。"},
    {8205,
     "Insufficient free space in %s to restore Card information. Please retry restore process after securing "
     "sufficient free space in %s.",
     "%s の空き容量が不足しているためカード情報をリストアできません。%s に十分な空き容量を確保してから"
     "リストアをやり直してください。"},
    {8206, "Failed to create %s directory for Station. Check the disk and retry restore process.",
     "ステーションの %s ディレクトリを作成できませんでした。ディスクを確認してリストアをやり直してください。"},
    {8207, "Are you sure you want to delete %s backup information?", "%s のバックアップ情報を削除しますか？"},
    {8208, "At Project Name: [%s], Station: %d, Card: %d\n\n Card  %s Ver %s is restored. ",
     "プロジェクト名: [%s]、ステーション: %d、カード: %d\n\n カード %s Ver %s をリストアしました。"},
    {8209, "Cannot write %s. The card information is left as it was.",
     "%s を書き込めません。カード情報は元のままです。"},
    {8300, "Sun", "日"},
    {8301, "Mon", "月"},
    {8302, "Tue", "火"},
    {8303, "Wed", "水"},
    {8304, "Thu", "木"},
    {8305, "Fri", "金"},
    {8306, "Sat", "土"},
    {8400, "Number of processed files  %4d/%4d", "処理済みファイル数  %4d/%4d"},
    {8401, "Processing Card backup", "カードバックアップ処理中"},
    {8402, "Processing Card information backup", "カード情報バックアップ処理中"},
    {8403, "Restoring Card", "カードリストア中"},
    {8404, "Restoring Card information", "カード情報リストア中"},
    {8405, "Project Name : %s", "プロジェクト名 : %s"},
    {8406, "Backup Location : %s ", "バックアップ先 : %s "},
    {8407, "Restore Location : %s", "リストア先 : %s"},
    {8408, "File : %s", "ファイル : %s"},
    {8409, "Card : %s", "カード : %s"},
    {8410, "Number of processed files : %4d/%4d", "処理済みファイル数 : %4d/%4d"},
    {8411, "Delete \"%s\" backup File", "\"%s\" のバックアップファイルを削除"},
    {8412, "(damaged)", "（破損）"},
    {8500, "Cannot delete %s. Check the disk.", "%s を削除できません。ディスクを確認してください。"},
    {8600, "Backup Card Information", "カード情報のバックアップ"},
    {8601, "Restore Card Information", "カード情報のリストア"},
    {8602, "Select Directory", "ディレクトリの選択"},
    {8603, "Select directory which contains the file to be restored. ",
     "リストアするファイルのあるディレクトリを選択してください。"},
    {8604, "Delete Backup Information", "バックアップ情報の削除"},
    {8605, "Success", "完了"},
    {8606, "Browse...", "参照..."},
    {8607, "Start", "開始"},
    {8608, "Cancel", "キャンセル"},
    {8609, "End", "終了"},
    {8610, "KRAVin", "KRAVin"},
};

const Entry* find(int id)
{
    const auto it = std::lower_bound(std::begin(kTexts), std::end(kTexts), id,
                                     [](const Entry& e, int v) { return e.id < v; });
    return it != std::end(kTexts) && it->id == id ? it : nullptr;
}

// Fills the conversions of text; false when they do not match the arguments.
bool fill(const char* text, const TextArgs& args, std::string& out)
{
    std::size_t next = 0;
    for (const char* p = text; *p; ++p) {
        if (*p != '%') {
            out += *p;
            continue;
        }
        if (p[1] == '%') {
            out += '%';
            ++p;
            continue;
        }
        if (next >= args.size()) return false;
        const TextArg& a = args[next++];
        if (p[1] == 's') {
            if (!std::holds_alternative<std::string>(a)) return false;
            out += std::get<std::string>(a);
            ++p;
            continue;
        }
        const char* spec = nullptr;
        int skip = 0;
        if (p[1] == 'd') spec = "%lld", skip = 1;
        else if (p[1] == '4' && p[2] == 'd') spec = "%4lld", skip = 2;
        else if (p[1] == '0' && p[2] == '2' && p[3] == 'd') spec = "%02lld", skip = 3;
        if (!spec || !std::holds_alternative<std::int64_t>(a)) return false;
        char number[32];
        std::snprintf(number, sizeof number, spec, static_cast<long long>(std::get<std::int64_t>(a)));
        out += number;
        p += skip;
    }
    return next == args.size();
}

}  // namespace

const char* LookupText(int id, Language language)
{
    const Entry* e = find(id);
    if (!e) return nullptr;
    return language == Language::Japanese ? e->ja : e->en;
}

std::string FormatText(int id, Language language, const TextArgs& args)
{
    const char* text = LookupText(id, language);
    if (!text) return "#" + std::to_string(id);
    std::string out;
    if (!fill(text, args, out)) return text;
    return out;
}

std::vector<int> AllTextIds()
{
    std::vector<int> ids;
    for (const Entry& e : kTexts) ids.push_back(e.id);
    return ids;
}

}  // namespace kravinb
