// Text helpers shared by the configuration and trend CSV exports, and the fixed
// Japanese texts of the exports in their CP932 bytes.
#pragma once

#include <string>

namespace qvcfg {

// A field as it stands in a CSV line: quoted (with doubled quotes) only when it holds a
// comma, a quote or a line break, so ordinary texts stay as they are.
std::string CsvField(const std::string& text);

// "\n" line ends as CR LF, the form the files are written in.
std::string ToCrLf(const std::string& text);

// CP932 bytes of the Japanese texts of the exports.
namespace jp {
inline constexpr const char* kSettingMenu = "\x90\xdd\x92\xe8\x83\x81\x83\x6a\x83\x85\x81\x5b";  // 設定メニュー
inline constexpr const char* kProgramming =
    "\x83\x76\x83\x8d\x83\x4f\x83\x89\x83\x7e\x83\x93\x83\x4f";  // プログラミング
inline constexpr const char* kTuning = "\x83\x60\x83\x85\x81\x5b\x83\x6a\x83\x93\x83\x4f";  // チューニング
inline constexpr const char* kPulseView = "\x83\x70\x83\x8b\x83\x58\x89\x89\x8e\x5a\x95\x5c\x8e\xa6";  // パルス演算表示
inline constexpr const char* kMixView =
    "\x8d\xac\x8d\x87\x92\xb2\x90\xdf\x8b\x40\x94\x5c\x95\x5c\x8e\xa6";  // 混合調節機能表示
inline constexpr const char* kTotalView = "\x90\xcf\x8e\x5a\x8b\x40\x94\x5c\x95\x5c\x8e\xa6";  // 積算機能表示
inline constexpr const char* kInstant = "\x8f\x75\x8e\x9e\x92\x6c";  // 瞬時値
inline constexpr const char* kTotal = "\x90\xcf\x8e\x5a\x92\x6c";    // 積算値
inline constexpr const char* kPreBatch = "\x83\x76\x83\x8a\x83\x6f\x83\x62\x83\x60\x93\x9e\x92\x42";  // プリバッチ到達
inline constexpr const char* kBatchEnd =
    "\x83\x6f\x83\x62\x83\x60\x83\x47\x83\x93\x83\x68\x93\x9e\x92\x42";  // バッチエンド到達
inline constexpr const char* kBatchEndValue = "\x83\x6f\x83\x62\x83\x60\x83\x47\x83\x93\x83\x68\x92\x6c";  // バッチエンド値
inline constexpr const char* kTotalReset = "\x90\xcf\x8e\x5a\x83\x8a\x83\x5a\x83\x62\x83\x67";  // 積算リセット
inline constexpr const char* kRelease = "\x89\xf0\x8f\x9c";                                     // 解除
inline constexpr const char* kStatus = "\x83\x58\x83\x65\x81\x5b\x83\x5e\x83\x58";              // ステータス
inline constexpr const char* kSwitch1 = "\x93\xe0\x95\x94\x83\x58\x83\x43\x83\x62\x83\x60\x82\x50";  // 内部スイッチ１
inline constexpr const char* kSwitch2 = "\x93\xe0\x95\x94\x83\x58\x83\x43\x83\x62\x83\x60\x82\x51";  // 内部スイッチ２
inline constexpr const char* kSwitch3 = "\x93\xe0\x95\x94\x83\x58\x83\x43\x83\x62\x83\x60\x82\x52";  // 内部スイッチ３
inline constexpr const char* kTotalDeviation = "\x90\xcf\x8e\x5a\x95\xce\x8d\xb7";  // 積算偏差
inline constexpr const char* kRatio = "\x94\xe4\x97\xa6";                           // 比率
inline constexpr const char* kInstantSelect = "\x8f\x75\x8e\x9e\x92\x6c\x91\x49\x91\xf0";  // 瞬時値選択
inline constexpr const char* kTotalSelect = "\x90\xcf\x8e\x5a\x92\x6c\x91\x49\x91\xf0";    // 積算値選択
inline constexpr const char* kMeasuredFlow = "\x91\xaa\x92\xe8\x97\xac\x97\xca";           // 測定流量
inline constexpr const char* kSetFlow = "\x90\xdd\x92\xe8\x97\xac\x97\xca";                // 設定流量
inline constexpr const char* kSum = "\x90\xcf\x8e\x5a";                                    // 積算
inline constexpr const char* kGrandTotal = "\x83\x67\x81\x5b\x83\x5e\x83\x8b";             // トータル
inline constexpr const char* kMvShow = "\x4d\x56\x92\x6c\x95\x5c\x8e\xa6";                 // MV値表示
inline constexpr const char* kShow = "\x95\x5c\x8e\xa6";                                   // 表示
inline constexpr const char* kHide = "\x94\xf1\x95\x5c\x8e\xa6";                           // 非表示
inline constexpr const char* kPulseColours =
    "\x83\x70\x83\x8b\x83\x58\x89\x89\x8e\x5a\x95\x5c\x8e\xa6\x95\x5c\x8e\xa6\x90\x46";  // パルス演算表示表示色
inline constexpr const char* kBatchScreen =
    "\x83\x6f\x83\x62\x83\x60\x8b\x40\x94\x5c\x95\x5c\x8e\xa6\x89\xe6\x96\xca";  // バッチ機能表示画面
inline constexpr const char* kMixColours =
    "\x8d\xac\x8d\x87\x92\xb2\x90\xdf\x8b\x40\x94\x5c\x95\x5c\x8e\xa6\x89\xe6\x96\xca\x95\x5c\x8e\xa6\x90\x46";  // 混合調節機能表示画面表示色
inline constexpr const char* kMixScreen =
    "\x8d\xac\x8d\x87\x92\xb2\x90\xdf\x8b\x40\x94\x5c\x95\x5c\x8e\xa6\x89\xe6\x96\xca";  // 混合調節機能表示画面
inline constexpr const char* kTotalColours =
    "\x90\xcf\x8e\x5a\x8b\x40\x94\x5c\x95\x5c\x8e\xa6\x89\xe6\x96\xca\x95\x5c\x8e\xa6\x90\x46";  // 積算機能表示画面表示色
inline constexpr const char* kTotalScreen =
    "\x90\xcf\x8e\x5a\x8b\x40\x94\x5c\x95\x5c\x8e\xa6\x89\xe6\x96\xca";  // 積算機能表示画面
}  // namespace jp

}  // namespace qvcfg
