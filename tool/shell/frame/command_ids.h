// Command ids of the main frame's menus, toolbar and accelerators.
#pragma once

namespace kravin::shell::cmd {

// File
constexpr int FileNew = 32888;
constexpr int FileOpen = 32889;
constexpr int FileSave = 32890;
constexpr int FileSaveAs = 32870;
constexpr int FilePrint = 32886;
constexpr int ToolPrint = 32891;
constexpr int ToolPreview = 32892;
constexpr int FileBulkPrint = 32782;
constexpr int FileProperties = 32914;
constexpr int FileExit = 57665;
constexpr int FilePrintDirect = 57608;
constexpr int FilePrintPreview = 57609;

// Edit
constexpr int EditUndo = 32896;
constexpr int EditRedo = 32897;
constexpr int EditCut = 32893;
constexpr int EditCopy = 32894;
constexpr int EditPaste = 32895;
constexpr int EditDelete = 32872;
constexpr int EditSelectAll = 32874;
constexpr int EditComment = 32910;
constexpr int AlignLeft = 32906;
constexpr int AlignCenter = 32907;
constexpr int AlignRight = 32908;

// View
constexpr int ViewSystem = 32898;
constexpr int ViewDenTan = 32899;
constexpr int ViewBlkList = 32900;
constexpr int ViewAnaTan = 32901;
constexpr int ViewSeqBlk = 32877;
constexpr int ViewLadder = 32902;
constexpr int ViewRegMonitor = 32905;

// Operation
constexpr int OnlineMonitor = 32903;
constexpr int Ht9Simulation = 32904;
constexpr int Option = 32909;
constexpr int PortSettingDelete = 32924;

// Window
constexpr int WindowTileVertical = 57651;
constexpr int WindowTileHorizontal = 57652;
constexpr int WindowCascade = 57650;

// Help
constexpr int HelpBlockList = 32880;
constexpr int HelpAbout = 32881;
constexpr int HelpLadderKeys = 32882;
constexpr int ToolHelp = 32912;

// Toolbar zoom box
constexpr int ZoomBox = 32911;

// Private commands to frames
constexpr int SystemRedraw = 40600;
constexpr int OnlineStop = 40605;
constexpr int LadderRedraw = 40606;
constexpr int PrintAllCards = 40418;

}  // namespace kravin::shell::cmd
