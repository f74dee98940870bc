#include "shell_texts.h"

#include "command_ids.h"

namespace kravin::shell {

namespace {

struct Text {
    int id;
    const char* english;
    const char* japanese;
};

const Text kCommands[] = {
    {cmd::FileNew, "&New", "新規作成(&N)"},
    {cmd::FileOpen, "&Open...", "開く(&O)..."},
    {cmd::FileSave, "&Save", "上書き保存(&S)"},
    {cmd::FileSaveAs, "Save &As...", "名前を付けて保存(&A)..."},
    {cmd::FilePrint, "&Print...", "印刷(&P)..."},
    {cmd::ToolPrint, "Print", "印刷"},
    {cmd::ToolPreview, "Print Preview", "印刷プレビュー"},
    {cmd::FileBulkPrint, "&Bulk Print...", "一括印刷(&B)..."},
    {cmd::FileProperties, "P&roperties...", "プロパティ(&R)..."},
    {cmd::FileExit, "E&xit", "終了(&X)"},
    {cmd::EditUndo, "&Undo", "元に戻す(&U)"},
    {cmd::EditRedo, "&Redo", "やり直し(&R)"},
    {cmd::EditCut, "Cu&t", "切り取り(&T)"},
    {cmd::EditCopy, "&Copy", "コピー(&C)"},
    {cmd::EditPaste, "&Paste", "貼り付け(&P)"},
    {cmd::EditDelete, "&Delete", "削除(&D)"},
    {cmd::EditSelectAll, "Select &All", "すべて選択(&A)"},
    {cmd::EditComment, "Co&mment", "コメント(&M)"},
    {cmd::AlignLeft, "Align Left", "左揃え"},
    {cmd::AlignCenter, "Align Center", "中央揃え"},
    {cmd::AlignRight, "Align Right", "右揃え"},
    {cmd::ViewSystem, "&System Configuration", "システム構成(&S)"},
    {cmd::ViewDenTan, "&Communication Terminal Connection", "通信端子結線(&C)"},
    {cmd::ViewBlkList, "&Function Block List", "機能ブロック一覧(&F)"},
    {cmd::ViewAnaTan, "&Analog Terminal Connection", "アナログ端子結線(&A)"},
    {cmd::ViewSeqBlk, "Se&quential Control Block Setting", "シーケンス制御ブロック設定(&Q)"},
    {cmd::ViewLadder, "&Ladder Setting", "ラダー設定(&L)"},
    {cmd::ViewRegMonitor, "&Registry Monitor", "レジストリモニタ(&R)"},
    {cmd::OnlineMonitor, "&Online Monitor", "オンラインモニタ(&O)"},
    {cmd::Ht9Simulation, "&HT-9 Simulation", "HT-9シミュレーション(&H)"},
    {cmd::Option, "O&ption...", "オプション(&P)..."},
    {cmd::PortSettingDelete, "Port Setting &Delete", "ポート設定削除(&D)"},
    {cmd::WindowTileVertical, "Align &Vertical", "左右に並べて表示(&V)"},
    {cmd::WindowTileHorizontal, "Align &Horizontal", "上下に並べて表示(&H)"},
    {cmd::WindowCascade, "&Cascade View", "重ねて表示(&C)"},
    {cmd::HelpBlockList, "&Function Block List", "機能ブロック一覧(&F)"},
    {cmd::HelpAbout, "&Version Information", "バージョン情報(&V)"},
    {cmd::HelpLadderKeys, "&Ladder Setting Shortcut Keys", "ラダー設定ショートカットキー(&L)"},
    {cmd::ToolHelp, "Help", "ヘルプ"},
    {cmd::ZoomBox, "Zoom", "表示倍率"},
};

const Text kMenus[] = {
    {0, "&File", "ファイル(&F)"},  {1, "&Edit", "編集(&E)"},   {2, "&View", "表示(&V)"},
    {3, "&Operation", "操作(&O)"}, {4, "&Window", "ウィンドウ(&W)"}, {5, "&Help", "ヘルプ(&H)"},
};

QString pick(const Text& t, UiLanguage language)
{
    return QString::fromUtf8(language == UiLanguage::Japanese ? t.japanese : t.english);
}

}  // namespace

QString commandText(int id, UiLanguage language)
{
    for (const Text& t : kCommands)
        if (t.id == id) return pick(t, language);
    return {};
}

QString menuTitle(int index, UiLanguage language)
{
    for (const Text& t : kMenus)
        if (t.id == index) return pick(t, language);
    return {};
}

QString viewTitle(ViewKind kind, UiLanguage language)
{
    static const Text kViews[] = {
        {int(ViewKind::System), "System Configuration", "システム構成"},
        {int(ViewKind::AnaTan), "Analog Terminal Connection", "アナログ端子結線"},
        {int(ViewKind::DenTan), "Communication Terminal Connection", "通信端子結線"},
        {int(ViewKind::SeqBlk), "Sequential Control Block Setting", "シーケンス制御ブロック設定"},
        {int(ViewKind::Ladder), "Ladder Setting", "ラダー設定"},
        {int(ViewKind::Ht9), "HT-9 Simulation", "HT-9シミュレーション"},
        {int(ViewKind::BlkList), "Function Block List", "機能ブロック一覧"},
        {int(ViewKind::Print), "Print", "印刷"},
    };
    for (const Text& t : kViews)
        if (t.id == int(kind)) return pick(t, language);
    return {};
}

}  // namespace kravin::shell
