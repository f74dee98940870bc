// The main dialog of QVCFG: what the store holds, and the eight buttons.
#pragma once

#include "qv_com.h"

#include <QDialog>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QSettings;

namespace qvcfg {

class ConfigDB;
class ConfigReader;
class ConfigWriter;
class Prompt;
class TrendReader;
class TrendWriter;

class CQVCFGDlg : public QDialog {
    Q_OBJECT
public:
    // `com` replaces the command object (tests); the port is read from the settings.
    CQVCFGDlg(Prompt& prompt, QSettings& settings, std::unique_ptr<QVCom> com = nullptr, QWidget* parent = nullptr);
    ~CQVCFGDlg() override;

    QVCom& Com() { return *com_; }
    ConfigDB& Store() { return *db_; }
    // Runs the port dialog; tests replace it.
    std::function<bool(QVCom&)> runPortDialog;

    void OnUpload();
    void OnReadFile();
    void OnDownload();
    void OnWriteFile();
    void OnExportCsv();
    void OnTrendUpload();
    void OnPortSetting();
    void OnFinish();

    void UpdateDataState();

private:
    // Asks for a path until the user confirms one; empty when cancelled.
    QString AskSavePath(const QString& defaultName, const QString& filter, const QString& extension);
    void Failure(int firstLine, const std::string& cause);
    void Success(int id);
    int Busy(const std::function<int()>& operation);
    QPushButton* AddButton(const char* name, const char* text, void (CQVCFGDlg::*handler)());

    Prompt& prompt_;
    QSettings& settings_;
    std::unique_ptr<ConfigDB> db_;
    std::unique_ptr<QVCom> com_;
    std::unique_ptr<ConfigReader> reader_;
    std::unique_ptr<ConfigWriter> writer_;
    std::unique_ptr<TrendReader> trendReader_;
    std::unique_ptr<TrendWriter> trendWriter_;

    QLineEdit* state_ = nullptr;
    QLabel* model_ = nullptr;
    QLabel* lcd_ = nullptr;
    QPushButton* download_ = nullptr;
    QPushButton* writeFile_ = nullptr;
    QPushButton* exportCsv_ = nullptr;
};

// The save path with its extension forced: the text from the last "." of the file-name
// part is replaced, or the extension appended when the file name has no ".".
QString ForceExtension(const QString& path, const QString& extension);

}  // namespace qvcfg
