// The dialogs of KRAVinB: backup, progress, done, restore with its backup list
// and delete confirmation, and the folder choice with its notifying edit.
#pragma once

#include "backup_job.h"
#include "texts.h"

#include <QDialog>
#include <QLineEdit>
#include <QString>

#include <atomic>
#include <functional>

class QLabel;
class QProgressBar;
class QTreeWidget;
class QComboBox;
class QTreeView;
class QFileSystemModel;

namespace kravinb {

// 0 idle, 1 running, 2 cancel requested (one job at a time).
enum RunState { Idle = 0, Running = 1, CancelRequested = 2 };
extern std::atomic<int> g_runState;

// The language of the texts: "LANGUAGE" of section "KRAVin" in KRAVinB's settings,
// else in KRAVin3's, else the locale's; read once per export call (ReadLanguage).
Language CurrentLanguage();
void ReadLanguage();
QString Text(int id, const TextArgs& args = {});

// Message box styles of the library (caption "KRAVin").
enum class Style { Error, Ask, Ask2, Retry, YesNo };
enum class Reply { Ok, Cancel, Retry, Yes, No };
Reply ShowMessage(QWidget* parent, const QString& text, Style style);

// The folder last used for a backup or a restore source ("CD_BACKUP_DIR").
QString GetBackupDirProfile();
void SetBackupDirProfile(const QString& folder);

// Enter in it: unchanged text confirms (the parent's accept), a changed one asks for a refresh.
class NotifyEdit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;
Q_SIGNALS:
    void confirmed();
    void refreshRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

class ProgressDialog : public QDialog {
    Q_OBJECT
public:
    ProgressDialog(QWidget* parent, bool restore, const QString& project, const QString& location, int total);
    void showMember(const QString& text);
    void step();

private:
    bool restore_;
    int total_, processed_ = 0;
    QLabel *file_, *count_;
    QProgressBar* bar_;
};

// The closing "Success" box with its one button "End".
void ShowDone(QWidget* parent, const QString& text);

struct BackupArgs {
    std::string project, cardName, version, unitText;  // CP932 bytes
    int station = 0, card = -1;
    fs::path workFolder;
};

class CardBackupDialog : public QDialog {
    Q_OBJECT
public:
    CardBackupDialog(QWidget* parent, BackupArgs args);
    QString path() const;

public Q_SLOTS:
    void browse();
    void start();
    void reject() override;

private:
    // The run of command 1037: true when the backup was written.
    bool run(const fs::path& output);

    BackupArgs args_;
    CardFiles files_;
    NotifyEdit* path_;
};

struct RestoreArgs {
    std::string project;
    int station = 0, card = -1;
    fs::path workFolder, keepFolder;
    std::function<bool(const BkcHeader&)> accept;
};

class CardRestoreDialog : public QDialog {
    Q_OBJECT
public:
    CardRestoreDialog(QWidget* parent, RestoreArgs args);
    const BkcHeader& restored() const { return restored_; }
    void setSourceFolder(const QString& folder);
    QTreeWidget* list() const { return list_; }

public Q_SLOTS:
    void browse();
    void refresh();
    void start();
    void deleteSelected();
    void reject() override;

private:
    void contextMenu(const QPoint& pos);
    const BackupEntry* selectedEntry() const;

    RestoreArgs args_;
    NotifyEdit* source_;
    QTreeWidget* list_;
    std::vector<BackupEntry> entries_;
    BkcHeader restored_;
};

// Confirmation of a delete; OK removes the file (an error keeps the dialog open).
class DeleteBackupDialog : public QDialog {
    Q_OBJECT
public:
    DeleteBackupDialog(QWidget* parent, const BackupEntry& entry);
public Q_SLOTS:
    void accept() override;

private:
    fs::path path_;
};

// Picks a folder: mounted volumes, the folder tree below the chosen one and a typed path.
class SelectDirDialog : public QDialog {
    Q_OBJECT
public:
    SelectDirDialog(QWidget* parent, const QString& path);
    QString path() const;
    void setPath(const QString& path);

private:
    QComboBox* drives_;
    QTreeView* tree_;
    QFileSystemModel* model_;
    NotifyEdit* edit_;
};

// Row texts of a backup: project, station, card ("Y-Bus" for the station), name,
// version, local backup time with the weekday, file name.
QStringList BackupRowTexts(const BkcHeader& header, const fs::path& path);

}  // namespace kravinb
