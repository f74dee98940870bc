// Message texts by id. Keep the rows sorted by id; both languages under every id.
#include "string_table_data.h"

namespace kravin::res {

const StringEntry kStringTable[] = {
    // View names and project file
    {6000, "Communication Terminal Connection ", "通信端子結線 "},
    {6001, "Analog Terminal Connection ", "アナログ端子結線 "},
    {6002, "Ladder Setting ", "ラダー設定 "},
    {6004, "System Configuration ", "システム構成 "},
    {6005, "HT-9 Simulation ", "HT-9シミュレーション "},
    {6006, "Network HT-9 Simulation ", "ネットワークHT-9シミュレーション "},
    {6008, "Project file properties", "プロジェクトファイルのプロパティ"},
    // System configuration view menus
    {6500, "Change the number of virtual cards", "仮想カード数の変更"},
    {6502, "Analog Connection", "アナログ接続"},
    {6503, "Sequential Control Setting", "シーケンス制御設定"},
    {7000, "Data is in edit mode.(%s)\n\n Do you want to discard data?",
     "データは編集中です。(%s)\n\n データを破棄しますか？"},
    {7001, "Do you want to save changes of the current project?", "現在のプロジェクトの変更を保存しますか？"},
    {7002, "Data editing is not completed. （%s）", "データの編集が完了していません。（%s）"},
    {7003, "Project file is saved.", "プロジェクトファイルを保存しました。"},
    {7004,
     "The specified project file is of old format. Do you want to convert it to \nKRAV3 format? \n"
     " (Old format file cannot be edited.)",
     "指定されたプロジェクトファイルは旧形式です。KRAV3形式に変換しますか？\n"
     "（旧形式のファイルは編集できません。）"},
    {7005, "The project file was created by a newer version of the product.",
     "このプロジェクトファイルは新しいバージョンの製品で作成されています。"},
    {7010, "The specified project file does not exist.", "指定されたプロジェクトファイルは存在しません。"},
    {7011, "Cannot open a project file in edit mode.", "編集中のプロジェクトファイルは開けません。"},
    {7012, "Failed to open project file. (%d)", "プロジェクトファイルを開けませんでした。(%d)"},
    {7013, "Failed to save project file. (%d)", "プロジェクトファイルを保存できませんでした。(%d)"},
    {7014, "Enter project name and location.", "プロジェクト名と保存場所を入力してください。"},
    {7018, "Cannot access project file.", "プロジェクトファイルにアクセスできません。"},
    {7030,
     "%d station or card records name a kind or version that is not in the master tables.\n"
     "They are shown as empty slots and saved unchanged.",
     "マスタテーブルにない機種またはバージョンのステーション・カードが %d 件あります。\n"
     "空きスロットとして表示し、内容は変更せずに保存します。"},
    {7031,
     "The project file was created by a newer version of the product.\n"
     "Saving it with this version may lose data. Save anyway?",
     "このプロジェクトファイルは新しいバージョンの製品で作成されています。\n"
     "このバージョンで保存するとデータが失われる可能性があります。保存しますか？"},
    {7032, "The project file holds an entry that would be written outside the project folder:\n%s",
     "プロジェクトファイルに、プロジェクトフォルダの外へ書き込まれるエントリがあります：\n%s"},
    // Card count dialog
    {7104, "Number of virtual cards that can be set is from %d to %d.", "設定できる仮想カード数は %d から %d です。"},
    {7105, "Number of cards that can be set is from %d to %d.", "設定できるカード数は %d から %d です。"},
    // System configuration commands
    {8100, "A part of the data may not be passed on. \nAre you sure?", "一部のデータが引き継がれない可能性があります。\nよろしいですか？"},
    {8101, "Are you sure to delete card information?", "カード情報を削除してもよろしいですか？"},
    // Ladder
    {8104, "Are you sure to discard updated data?", "更新したデータを破棄してもよろしいですか？"},
    // System configuration commands
    {8110, "Cannot apply.", "適用できません。"},
    // Diagram layers
    {8111, "Cannot register any more comments.", "これ以上コメントを登録できません。"},
    // Transfers
    {8112, "Error in analog connection. Do you want to continue? (Gr%02d It%02d Dt=%s)",
     "アナログ接続にエラーがあります。続行しますか？ (Gr%02d It%02d Dt=%s)"},
    {8113, "Error in sequence connection. Do you want to continue? (Gr%02d It%02d Dt=%s)",
     "シーケンス接続にエラーがあります。続行しますか？ (Gr%02d It%02d Dt=%s)"},
    {8114, "Card type mismatch. Do you want to continue?", "カード種別が一致しません。続行しますか？"},
    {8115, "Number of registered cards exceeds 8. \nReduce cards.", "登録カード数が8を超えています。\nカードを減らしてください。"},
    // Shared input dialogs
    {8116, "Incorrect jump destination.", "ジャンプ先が正しくありません。"},
    // Item input
    {8117, "Incorrect input data length. ( It%02d )", "入力データの長さが正しくありません。( It%02d )"},
    {8118, "Input data is out of range. ( It%02d )", "入力データが範囲外です。( It%02d )"},
    {8119, "Incorrect input data. ( It%02d )", "入力データが正しくありません。( It%02d )"},
    {8120, "Incorrect input data length. ( It%02d maximum %d characters)",
     "入力データの長さが正しくありません。( It%02d 最大 %d 文字)"},
    {8130, "Cannot register any more junction points.", "これ以上接続点を登録できません。"},
    {8140, "ID NOT FOUND", "ID NOT FOUND"},
    {8141, "The data of the unit could not be written. The project files may be incomplete.",
     "ユニットのデータを書き込めませんでした。プロジェクトファイルが不完全な可能性があります。"},
    {8226, "Please enter a number between 00 to 19.", "00から19の数値を入力してください。"},
    // Online commands and the Option dialog
    {8300, "Communication error", "通信エラー"},
    {8301, "Configure port layout.", "ポート配置を設定してください。"},
    {8302, "No valid serial ports.", "有効なシリアルポートがありません。"},
    {8307, "Item does not exist.", "項目が存在しません。"},
    {8308, "The parameter Timeout value must be specified between 1 and 99.",
     "タイムアウト値は1から99の範囲で指定してください。"},
    // Compare and group download
    {8500, "Start", "開始"},
    {8501, "[Compare process completed]", "[比較処理終了]"},
    {8502, "Stop", "停止"},
    {8503, "[Processing Compare]", "[比較処理中]"},
    {8504, "Compare Item Data", "項目データ比較"},
    {8505, "Network Compare Item Data", "ネットワーク項目データ比較"},
    {8600, "Start", "開始"},
    {8601, "Stop", "停止"},
    // Card count dialog
    {9000, "Specify virtual card", "仮想カードの指定"},
    {9001, "Number of virtual cards", "仮想カード数"},
    {9002, "Number of cards registration", "カード数の登録"},
    {9003, "Number of cards", "カード数"},
    // Online monitor
    {9100, "Edit mode", "編集モード"},
    {9101, "Monitoring", "モニタ中"},
    {9102, "Stop Monitor", "モニタ停止"},
    {9103, "Start Monitor", "モニタ開始"},
    {9104, "Out of range", "範囲外"},
    {9105, "No destination", "接続先なし"},
    {9202, "Cannot run at once with network PU. Exit network PU window.",
     "ネットワークPUと同時に実行できません。ネットワークPUウィンドウを終了してください。"},
    {9203, "Select a device to start PU online monitoring.", "PUオンラインモニタを開始する機器を選択してください。"},
    {9204, "Configure port allocation to start PU online monitoring.",
     "PUオンラインモニタを開始するにはポート割り当てを設定してください。"},
    {9205, "Error occurred in PU mode communication.", "PUモード通信でエラーが発生しました。"},
    {9290, "The communication port or bus is in use by another function.", "通信ポートまたはバスは他の機能が使用中です。"},
    {9291, "Cannot open the communication port %s.", "通信ポート %s を開けません。"},
    {9292, "The field bus is not ready.", "フィールドバスの準備ができていません。"},
    {9293, "The date and time are not valid.", "日付と時刻が正しくありません。"},
    {9294, "The number of cards of the station is not valid.", "ステーションのカード数が正しくありません。"},
    // Connected devices (product names: the same in both languages)
    {9300, "TQN(JOV-UM)", "TQN(JOV-UM)"},
    {9302, "Duplication of connected devices.", "接続機器が重複しています。"},
    {9303, "QVxxx(JOV-IRDA)", "QVxxx(JOV-IRDA)"},
    {9304, "QVxxx(JOV-US)", "QVxxx(JOV-US)"},
    {9305, "TJK5(JOV-IRU)", "TJK5(JOV-IRU)"},
    {9306, "V8RTU(JOV-US)", "V8RTU(JOV-US)"},
    {9307, "Are you sure to delete port setting?", "ポート設定を削除してもよろしいですか？"},
    {9308, "TQN", "TQN"},
    {9309, "TJW(JOV-US)", "TJW(JOV-US)"},
    {9400, "Enter 4-digit integer.", "4桁の整数を入力してください。"},
    {9401, "TJK5(JOV-US)", "TJK5(JOV-US)"},
    {9402, "Enter a number of up to 4 digits.", "4桁以内の数値を入力してください。"},
    // Download
    {9600, "Start", "開始"},
    {9601, "Stop", "停止"},
    // Print dialog
    {9701, "Enter an integer between 10 and 100.", "10から100の整数を入力してください。"},
    // Communication connections
    {9800, "Unknown connection pattern", "不明な接続パターンです"},
    {9801, "Cannot connect within single card.", "同一カード内では接続できません。"},
    {9802, "Cannot connect RNH6 from TQRN or TQRQ.", "TQRNまたはTQRQからRNH6へは接続できません。"},
    {9803, "Re-transmission is not possible from the Terminal that has not received.",
     "受信していない端子からは再送信できません。"},
    {9804, "Specified address is already set.", "指定されたアドレスは既に設定されています。"},
    {9805, "Unable to duplicate output to RNH6.", "RNH6への出力は重複できません。"},
    {9806, "Cannot connect within single card.", "同一カード内では接続できません。"},
    {9807, "Cannot input from the same output within single card.", "同一カード内で同じ出力から入力することはできません。"},
    {9900, "N.O. Contact input", "a接点入力"},
    {9901, "N.C. Contact input", "b接点入力"},
    {9902, "OT Coil input", "OTコイル入力"},
    {9903, "NO Coil input", "NOコイル入力"},
    {9904, "ON Coil input", "ONコイル入力"},
    {9905, "OF Coil input", "OFコイル入力"},
    {9906, "SH Coil input", "SHコイル入力"},
    {9907, "Input jump destination", "ジャンプ先入力"},
    // Online monitor command
    {32812, "Online Monitor", "オンラインモニタ"},
    {32813, "Offline", "オフライン"},
    // System configuration commands
    {40400, "Change device", "機器の変更"},
    {40401, "Function Block List", "機能ブロック一覧"},
    {40402, "Restore card", "カードのリストア"},
    {40403, "Bulk paste V8RTU", "V8RTU一括貼り付け"},
    {40404, "Upload", "アップロード"},
    {40405, "Download", "ダウンロード"},
    {40406, "Network Upload", "ネットワークアップロード"},
    {40407, "Network Download", "ネットワークダウンロード"},
    {40408, "Date setting", "日時設定"},
    {40409, "Change the number of cards", "カード数の変更"},
    {40410, "Bulk copy V8RTU", "V8RTU一括コピー"},
    {40411, "Remove device", "機器の削除"},
    {40412, "Card backup", "カードのバックアップ"},
    {40413, "Paste", "貼り付け"},
    {40416, "Move", "移動"},
    {40417, "Copy", "コピー"},
    {40418, "Print all cards", "全カード印刷"},
    {40419, "Network HT-9", "ネットワークHT-9"},
    {40471, "Compare", "比較"},
    {40472, "Network compare", "ネットワーク比較"},
    {40477, "Change ID_No.", "ID番号の変更"},
    {40478, "Select version", "バージョンの選択"},
    {40479, "Synchronize version", "バージョンの同期"},
    // Framework
    {57344, "KRAVin3", "KRAVin3"},
    {61449, "Untitled", "無題"},
};

const std::size_t kStringTableSize = sizeof kStringTable / sizeof kStringTable[0];

}  // namespace kravin::res
