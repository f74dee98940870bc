#include "dialogs.h"

#include "drive_kind.h"
#include "text_codec.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QStorageInfo>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <optional>

namespace kravinb {

std::atomic<int> g_runState{Idle};

namespace {

QString fromCp932(const std::string& bytes) { return kravin::model::cp932ToQString(bytes); }

// Fixed-width fields shown as the Parts show them: at most width bytes.
QString field(const std::string& bytes, std::size_t width)
{
    return fromCp932(kravin::model::trimDbcs(bytes, width));
}

std::string utf8(const QString& s) { return s.toStdString(); }

QSettings& profile()
{
    static QSettings settings(QStringLiteral("KRAVin"), QStringLiteral("KRAVinB"));
    return settings;
}

QPushButton* button(QWidget* parent, int textId, const char* name)
{
    auto* b = new QPushButton(Text(textId), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

// Names the dialog, sets its caption and gives it its column layout.
QVBoxLayout* frame(QDialog* dialog, const char* name, int titleId)
{
    dialog->setObjectName(QString::fromLatin1(name));
    dialog->setWindowTitle(Text(titleId));
    return new QVBoxLayout(dialog);
}

// A folder or file edit with its "Browse" button beside it.
NotifyEdit* pathRow(QDialog* dialog, QVBoxLayout* layout, const QString& text, const char* name,
                    QPushButton** browse)
{
    auto* row = new QHBoxLayout;
    auto* edit = new NotifyEdit(text, dialog);
    edit->setObjectName(QString::fromLatin1(name));
    row->addWidget(edit, 1);
    *browse = button(dialog, 8606, "browseButton");
    row->addWidget(*browse);
    layout->addLayout(row);
    return edit;
}

// The closing row: the dialog's own button, then "Cancel", at the right; returns "Cancel".
QPushButton* closingRow(QDialog* dialog, QVBoxLayout* layout, QPushButton* first)
{
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    QPushButton* cancel = button(dialog, 8608, "cancelButton");
    buttons->addWidget(first);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    return cancel;
}

// "Start" and "Cancel" of a backup or restore dialog, wired with its "Browse".
template <class D>
void startRow(D* dialog, QVBoxLayout* layout, QPushButton* browse)
{
    QPushButton* start = button(dialog, 8607, "startButton");
    QPushButton* cancel = closingRow(dialog, layout, start);
    QObject::connect(browse, &QPushButton::clicked, dialog, &D::browse);
    QObject::connect(start, &QPushButton::clicked, dialog, &D::start);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &D::reject);
}

QPushButton* okButton(QWidget* parent)
{
    auto* ok = new QPushButton(QStringLiteral("OK"), parent);
    ok->setObjectName(QStringLiteral("okButton"));
    return ok;
}

// Closing a dialog while its run goes asks the run to stop instead; true when it may close.
bool mayClose()
{
    if (g_runState.load() == Idle) return true;
    g_runState = CancelRequested;
    return false;
}

}  // namespace

namespace {

// The language of one export call, read from the settings when it starts.
std::optional<Language> g_language;

}  // namespace

void ReadLanguage() { g_language.reset(); }

Language CurrentLanguage()
{
    if (g_language) return *g_language;
    QString setting = profile().value(QStringLiteral("KRAVin/LANGUAGE")).toString();
    if (setting.isEmpty()) {
        QSettings tool(QStringLiteral("KRAVin"), QStringLiteral("KRAVin3"));
        setting = tool.value(QStringLiteral("KRAVin/LANGUAGE")).toString();
    }
    if (setting == QLatin1String("ja"))
        g_language = Language::Japanese;
    else if (setting == QLatin1String("en"))
        g_language = Language::English;
    else
        g_language = QLocale::system().name().startsWith(QLatin1String("ja")) ? Language::Japanese : Language::English;
    return *g_language;
}

QString Text(int id, const TextArgs& args) { return QString::fromStdString(FormatText(id, CurrentLanguage(), args)); }

Reply ShowMessage(QWidget* parent, const QString& text, Style style)
{
    QMessageBox box(parent);
    box.setWindowTitle(Text(8610));
    box.setText(text);
    box.setObjectName(QStringLiteral("kravinbMessage"));
    switch (style) {
    case Style::Error:
        box.setIcon(QMessageBox::Critical);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Style::Ask:
    case Style::Ask2:
        box.setIcon(QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(style == Style::Ask2 ? QMessageBox::Cancel : QMessageBox::Ok);
        break;
    case Style::Retry:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
        break;
    case Style::YesNo:
        box.setIcon(QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok: return Reply::Ok;
    case QMessageBox::Retry: return Reply::Retry;
    case QMessageBox::Yes: return Reply::Yes;
    case QMessageBox::No: return Reply::No;
    default: return Reply::Cancel;
    }
}

QString GetBackupDirProfile()
{
    const QString dir = profile().value(QStringLiteral("KRAVin/CD_BACKUP_DIR")).toString();
    return dir.isEmpty() ? QDir::homePath() : dir;
}

void SetBackupDirProfile(const QString& folder)
{
    profile().setValue(QStringLiteral("KRAVin/CD_BACKUP_DIR"), folder);
    profile().sync();
}

void NotifyEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (!isModified()) {
            Q_EMIT confirmed();
        } else {
            setModified(false);
            Q_EMIT refreshRequested();
        }
        return;
    }
    QLineEdit::keyPressEvent(event);
}

// ---- Progress and done ----

ProgressDialog::ProgressDialog(QWidget* parent, bool restore, const QString& project, const QString& location,
                               int total)
    : QDialog(parent), restore_(restore), total_(total)
{
    auto* layout = frame(this, "backupProgress", restore ? 8404 : 8402);
    auto* title = new QLabel(Text(restore ? 8403 : 8401), this);
    layout->addWidget(title);
    layout->addWidget(new QLabel(Text(8405, {utf8(project)}), this));
    file_ = new QLabel(this);
    layout->addWidget(file_);
    layout->addWidget(new QLabel(Text(restore ? 8407 : 8406, {utf8(location)}), this));
    count_ = new QLabel(Text(8400, {std::int64_t{0}, std::int64_t{total}}), this);
    layout->addWidget(count_);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, total);
    bar_->setValue(0);
    layout->addWidget(bar_);
    QPushButton* cancel = button(this, 8608, "progressCancel");
    layout->addWidget(cancel, 0, Qt::AlignRight);
    connect(cancel, &QPushButton::clicked, this, [] {
        int running = Running;
        g_runState.compare_exchange_strong(running, CancelRequested);
    });
}

void ProgressDialog::showMember(const QString& text)
{
    file_->setText(Text(restore_ ? 8409 : 8408, {utf8(text)}));
    ++processed_;
    count_->setText(Text(8410, {std::int64_t{processed_}, std::int64_t{total_}}));
}

void ProgressDialog::step() { bar_->setValue(bar_->value() + 1); }

void ShowDone(QWidget* parent, const QString& text)
{
    QDialog done(parent);
    auto* layout = frame(&done, "backupDone", 8605);
    auto* row = new QHBoxLayout;
    auto* icon = new QLabel(&done);
    icon->setPixmap(done.style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    row->addWidget(icon);
    auto* label = new QLabel(text, &done);
    label->setObjectName(QStringLiteral("doneText"));
    row->addWidget(label, 1);
    layout->addLayout(row);
    QPushButton* end = button(&done, 8609, "endButton");
    end->setDefault(true);
    QObject::connect(end, &QPushButton::clicked, &done, &QDialog::accept);
    layout->addWidget(end, 0, Qt::AlignRight);
    done.exec();
}

// ---- Backup ----

CardBackupDialog::CardBackupDialog(QWidget* parent, BackupArgs args) : QDialog(parent), args_(std::move(args))
{
    auto* layout = frame(this, "cardBackupDialog", 8600);
    const QString name = field(args_.cardName, 8), version = field(args_.version, 4);
    auto* prompt = new QLabel(Text(7100, {utf8(field(args_.project, 32)), std::int64_t{args_.station},
                                          std::int64_t{args_.card}, utf8(name), utf8(version)}),
                              this);
    prompt->setWordWrap(true);
    layout->addWidget(prompt);

    // The default place: the project-named folder under the last backup folder.
    QString folder = GetBackupDirProfile();
    const QString project = QString::fromStdString(kravin::model::cp932ToUtf8(args_.project)).replace(QLatin1Char('/'), QLatin1Char('_'));
    if (!project.isEmpty() && QFileInfo(folder).fileName() != project) folder = QDir(folder).filePath(project);
    const QString file = QString::fromStdString(DefaultBackupStem(args_.station, args_.card)) + QStringLiteral(".BKC");
    QPushButton* browseButton = nullptr;
    path_ = pathRow(this, layout, QDir(folder).filePath(file), "backupPath", &browseButton);

    files_ = GetCardFileInfo(args_.workFolder, args_.station, args_.card);
    auto* note = new QLabel(Text(files_.count < 2 ? 7102 : 7101, {utf8(name), utf8(version)}), this);
    note->setObjectName(QStringLiteral("analogNote"));
    layout->addWidget(note);

    startRow(this, layout, browseButton);
    connect(path_, &NotifyEdit::confirmed, this, &CardBackupDialog::start);
    resize(520, sizeHint().height());
}

QString CardBackupDialog::path() const { return path_->text(); }

void CardBackupDialog::browse()
{
    const QFileInfo info(path_->text());
    const QString chosen = QFileDialog::getSaveFileName(
        this, Text(7001), QDir(info.path()).filePath(info.completeBaseName() + QStringLiteral(".BKC")),
        Text(7000) + QStringLiteral(" (*.BKC *.bkc)"), nullptr, QFileDialog::DontConfirmOverwrite);
    if (chosen.isEmpty()) return;
    const QFileInfo c(chosen);
    path_->setText(QDir(c.path()).filePath(c.completeBaseName() + QStringLiteral(".BKC")));
    SetBackupDirProfile(c.path());
}

void CardBackupDialog::start()
{
    if (g_runState.load() != Idle) return;
    const QString typed = path_->text().trimmed();
    QString folder, stem;
    if (typed.isEmpty() || typed.endsWith(QLatin1Char('/'))) {
        folder = typed.isEmpty() ? GetBackupDirProfile() : typed;
    } else {
        const QFileInfo info(typed);
        folder = info.path();
        stem = info.completeBaseName();  // a typed extension is dropped
    }
    if (stem.isEmpty()) {
        stem = QString::fromStdString(DefaultBackupStem(args_.station, args_.card));
        if (ShowMessage(this, Text(7103, {utf8(stem)}), Style::Ask) != Reply::Ok) return;
    }
    folder = QDir::cleanPath(QDir(folder).absolutePath());
    const QString output = QDir(folder).filePath(stem + QStringLiteral(".BKC"));
    path_->setText(output);
    SetBackupDirProfile(folder);

    const fs::path out = output.toStdString();
    std::error_code ec;
    if (fs::exists(out, ec)) {
        // The old file stays until the new one is complete.
        if (ShowMessage(this, Text(7104, {utf8(output), utf8(output)}), Style::Ask2) != Reply::Ok) return;
    }
    fs::create_directories(out.parent_path(), ec);
    const std::uint64_t free = FreeBytes(out.parent_path());
    if (free < kHeaderSize) {
        ShowMessage(this,
                    Text(7107) + QLatin1Char('\n') +
                        Text(7108, {static_cast<std::int64_t>(free), static_cast<std::int64_t>(kHeaderSize)}),
                    Style::Error);
        return;
    }
    if (run(out)) {
        ShowDone(this, Text(7115, {utf8(field(args_.cardName, 8)), utf8(field(args_.version, 4))}));
        accept();
    }
}

bool CardBackupDialog::run(const fs::path& output)
{
    const QString name = field(args_.cardName, 8), version = field(args_.version, 4);
    files_ = GetCardFileInfo(args_.workFolder, args_.station, args_.card);
    ProgressDialog progress(this, false, field(args_.project, 32), QString::fromStdString(output.string()),
                            std::max(files_.count, 1));
    progress.show();
    if (files_.count == 0) {
        ShowMessage(this, Text(7109, {utf8(name), utf8(version)}), Style::Error);
        g_runState = Idle;
        return false;
    }
    BkcWriter writer(output);
    BkcHeader header;
    header.project = args_.project;
    header.cardName = args_.cardName;
    header.version = args_.version;
    header.unitText = args_.unitText;
    header.station = args_.station;
    header.card = args_.card;
    header.time = static_cast<std::int32_t>(QDateTime::currentSecsSinceEpoch());
    // A removable disk may be changed and tried again; any other ends the run.
    while (writer.Create(header) != WriteStatus::Ok) {
        if (GetDriveKind(output.parent_path()) != DriveKind::Removable) {
            ShowMessage(this, Text(7111, {utf8(name), utf8(version)}), Style::Error);
            g_runState = Idle;
            return false;
        }
        if (ShowMessage(this, Text(7110, {utf8(name), utf8(version)}), Style::Retry) != Reply::Retry) {
            g_runState = Idle;
            return false;
        }
    }
    g_runState = Running;
    for (int k = 0; k < files_.count; ++k) {
        QCoreApplication::processEvents();
        if (g_runState.load() == CancelRequested) break;
        const QString member = QString::fromStdString(files_.member[k].string());
        progress.showMember(member);
        const WriteStatus s = writer.AddMember(k, files_.member[k]);
        if (s == WriteStatus::CannotRead) {
            // Yes keeps the members written so far.
            if (ShowMessage(this, Text(7112, {utf8(member)}), Style::YesNo) != Reply::Yes)
                g_runState = CancelRequested;
            break;
        }
        if (s == WriteStatus::DiskFull || s == WriteStatus::WriteError) {
            writer.Abort();
            ShowMessage(this, s == WriteStatus::DiskFull ? Text(7113) : Text(7114, {utf8(member)}), Style::Error);
            g_runState = CancelRequested;
            break;
        }
        progress.step();
    }
    if (g_runState.load() != CancelRequested) {
        const WriteStatus s = writer.Finish();
        if (s != WriteStatus::Ok) {
            // No member could be read: the unit's data is not there to back up.
            const QString text = s == WriteStatus::Empty      ? Text(7109, {utf8(name), utf8(version)})
                                 : s == WriteStatus::DiskFull ? Text(7113)
                                                              : Text(7114, {utf8(QString::fromStdString(output.string()))});
            ShowMessage(this, text, Style::Error);
            g_runState = CancelRequested;
        }
    } else {
        writer.Abort();
    }
    progress.hide();
    const bool done = g_runState.load() != CancelRequested;
    g_runState = Idle;
    return done;
}

void CardBackupDialog::reject()
{
    if (mayClose()) QDialog::reject();
}

// ---- Restore ----

QStringList BackupRowTexts(const BkcHeader& h, const fs::path& path)
{
    QStringList row;
    row << field(h.project, 32) << QString::asprintf("%02d", h.station)
        << (h.card < 0 ? QStringLiteral("Y-Bus") : QString::asprintf("%02d", h.card)) << field(h.cardName, 8)
        << field(h.version, 4);
    const QDateTime t = QDateTime::fromSecsSinceEpoch(h.time).toLocalTime();
    const QDate d = t.date();
    row << QString::asprintf("%4d/%02d/%02d %02d:%02d", d.year(), d.month(), d.day(), t.time().hour(),
                             t.time().minute()) +
               QStringLiteral("（") + Text(8300 + d.dayOfWeek() % 7) + QStringLiteral("）");
    row << QString::fromStdString(path.filename().string());
    return row;
}

CardRestoreDialog::CardRestoreDialog(QWidget* parent, RestoreArgs args) : QDialog(parent), args_(std::move(args))
{
    auto* layout = frame(this, "cardRestoreDialog", 8601);
    auto* prompt = new QLabel(Text(8200), this);
    layout->addWidget(prompt);
    QPushButton* browseButton = nullptr;
    source_ = pathRow(this, layout, GetBackupDirProfile(), "sourceFolder", &browseButton);

    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("backupList"));
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    list_->setTextElideMode(Qt::ElideRight);
    QStringList headers;
    for (int id = 8000; id <= 8006; ++id) headers << Text(id);
    list_->setHeaderLabels(headers);
    const int widths[] = {200, 40, 40, 75, 80, 190, 100};
    for (int c = 0; c < 7; ++c) list_->setColumnWidth(c, widths[c]);
    layout->addWidget(list_, 1);

    startRow(this, layout, browseButton);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { start(); });
    connect(list_, &QWidget::customContextMenuRequested, this, &CardRestoreDialog::contextMenu);
    connect(source_, &NotifyEdit::refreshRequested, this, [this] {
        refresh();
        SetBackupDirProfile(source_->text());
    });
    connect(source_, &NotifyEdit::confirmed, this, &CardRestoreDialog::start);
    resize(780, 360);
    refresh();
}

void CardRestoreDialog::setSourceFolder(const QString& folder)
{
    source_->setText(folder);
    refresh();
}

void CardRestoreDialog::refresh()
{
    list_->clear();
    entries_ = ListBackups(source_->text().toStdString(), args_.card < 0);
    for (const BackupEntry& e : entries_) {
        QStringList texts = BackupRowTexts(e.header, e.path);
        if (e.damaged) texts[5] = Text(8412);
        auto* item = new QTreeWidgetItem(list_, texts);
        if (e.damaged) item->setForeground(0, list_->palette().brush(QPalette::Disabled, QPalette::Text));
    }
}

void CardRestoreDialog::browse()
{
    SelectDirDialog dlg(this, source_->text());
    if (dlg.exec() != QDialog::Accepted) return;
    source_->setText(dlg.path());
    refresh();
    SetBackupDirProfile(dlg.path());
}

const BackupEntry* CardRestoreDialog::selectedEntry() const
{
    const QTreeWidgetItem* item = list_->currentItem();
    if (!item || !item->isSelected()) return nullptr;
    const int row = list_->indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(item));
    return row >= 0 && row < static_cast<int>(entries_.size()) ? &entries_[static_cast<std::size_t>(row)] : nullptr;
}

void CardRestoreDialog::start()
{
    if (g_runState.load() != Idle) return;
    const BackupEntry* entry = selectedEntry();
    if (!entry) return;
    const fs::path path = entry->path;
    const QString shown = QString::fromStdString(path.string());
    BkcHeader header;
    while (CheckBackupHeader(path, &header) != HeaderCheck::Ok) {
        if (ShowMessage(this, Text(8201, {utf8(shown)}), Style::Retry) != Reply::Retry) return;
    }
    std::error_code ec;
    if (!fs::is_directory(args_.workFolder, ec)) {
        ShowMessage(this, Text(8202, {utf8(field(args_.project, 32))}), Style::Error);
        return;
    }
    const fs::path folder = StationFolder(args_.workFolder, args_.station);
    if (FindNoCase(folder, MemberFileName(args_.card, 0))) {
        const std::string project = utf8(field(args_.project, 32));
        const std::string name = utf8(field(header.cardName, 8)), version = utf8(field(header.version, 4));
        const QString ask = args_.card < 0
                                ? Text(8204, {project, std::int64_t{args_.station}, name, version})
                                : Text(8203, {project, std::int64_t{args_.station}, std::int64_t{args_.card}, name, version});
        if (ShowMessage(this, ask, Style::Ask2) != Reply::Ok) return;
    }
    SetBackupDirProfile(source_->text());

    // The run (command 1037).
    ProgressDialog progress(this, true, field(args_.project, 32), QString::fromStdString(folder.string()),
                            header.memberCount());
    progress.show();
    g_runState = Running;
    RestoreHooks hooks;
    hooks.accept = args_.accept;
    hooks.step = [&](int k, const BkcHeader& h) {
        QCoreApplication::processEvents();
        if (g_runState.load() == CancelRequested) return false;
        if (k > 0) progress.step();
        progress.showMember(k == 0 ? field(h.cardName, 8) + QStringLiteral(" Ver ") + field(h.version, 4) : Text(8100));
        return true;
    };
    fs::path failed;
    const RestoreStatus s = RestoreBackup(path, {args_.workFolder, args_.station, args_.card, args_.keepFolder},
                                          hooks, &header, &failed);
    progress.hide();
    g_runState = Idle;
    const QString failedText = QString::fromStdString(failed.string());
    switch (s) {
    case RestoreStatus::Ok:
        restored_ = header;
        ShowDone(this, Text(8208, {utf8(field(args_.project, 32)), std::int64_t{args_.station}, std::int64_t{args_.card},
                                   utf8(field(header.cardName, 8)), utf8(field(header.version, 4))}));
        accept();
        return;
    case RestoreStatus::Cancelled:
    case RestoreStatus::Refused: return;
    case RestoreStatus::Damaged: ShowMessage(this, Text(8201, {utf8(shown)}), Style::Error); return;
    case RestoreStatus::NoSpace: {
        const std::string where = args_.workFolder.string();
        ShowMessage(this, Text(8205, {where, where}), Style::Error);
        return;
    }
    case RestoreStatus::NoFolder: ShowMessage(this, Text(8206, {utf8(failedText)}), Style::Error); return;
    case RestoreStatus::WriteError: ShowMessage(this, Text(8209, {utf8(failedText)}), Style::Error); return;
    }
}

void CardRestoreDialog::reject()
{
    if (mayClose()) QDialog::reject();
}

void CardRestoreDialog::contextMenu(const QPoint& pos)
{
    const BackupEntry* entry = selectedEntry();
    if (!entry) return;
    const QTreeWidgetItem* item = list_->currentItem();
    const QString what = item->text(0) + QLatin1Char(' ') + item->text(3) + QStringLiteral(" Ver ") + item->text(4);
    QMenu menu(this);
    QAction* del = menu.addAction(Text(8411, {utf8(what)}));
    del->setObjectName(QStringLiteral("deleteBackup"));
    connect(del, &QAction::triggered, this, &CardRestoreDialog::deleteSelected, Qt::QueuedConnection);
    menu.exec(list_->viewport()->mapToGlobal(pos));
}

void CardRestoreDialog::deleteSelected()
{
    const BackupEntry* entry = selectedEntry();
    if (!entry) return;
    DeleteBackupDialog dlg(this, *entry);
    if (dlg.exec() != QDialog::Accepted) return;
    delete list_->takeTopLevelItem(list_->indexOfTopLevelItem(list_->currentItem()));
    entries_.erase(entries_.begin() + (entry - entries_.data()));
}

DeleteBackupDialog::DeleteBackupDialog(QWidget* parent, const BackupEntry& entry)
    : QDialog(parent), path_(entry.path)
{
    auto* layout = frame(this, "deleteBackupDialog", 8604);
    const QStringList row = BackupRowTexts(entry.header, entry.path);
    const QString what = row[0] + QStringLiteral("の") + row[3] + QStringLiteral(" Ver ") + row[4];
    layout->addWidget(new QLabel(Text(8207, {utf8(what)}), this));
    const std::pair<int, QString> lines[] = {
        {8005, row[5]}, {8006, QString::fromStdString(entry.path.string())}, {8003, row[3]}, {8004, row[4]}};
    for (const auto& [id, value] : lines) layout->addWidget(new QLabel(Text(id) + QStringLiteral(" : ") + value, this));
    auto* ok = okButton(this);
    QPushButton* cancel = closingRow(this, layout, ok);
    connect(ok, &QPushButton::clicked, this, &DeleteBackupDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void DeleteBackupDialog::accept()
{
    std::error_code ec;
    if (!fs::remove(path_, ec) || ec) {
        ShowMessage(this, Text(8500, {path_.string()}), Style::Error);
        return;
    }
    QDialog::accept();
}

// ---- Folder choice ----

SelectDirDialog::SelectDirDialog(QWidget* parent, const QString& path) : QDialog(parent)
{
    auto* layout = frame(this, "selectDirDialog", 8602);
    layout->addWidget(new QLabel(Text(8603), this));
    edit_ = new NotifyEdit(this);
    edit_->setObjectName(QStringLiteral("dirPath"));
    layout->addWidget(edit_);
    drives_ = new QComboBox(this);
    drives_->setObjectName(QStringLiteral("drives"));
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        if (!v.isValid() || !v.isReady()) continue;
        QString entry = v.rootPath();
        if (!v.name().isEmpty()) entry += QStringLiteral("  ") + v.name();
        drives_->addItem(entry, v.rootPath());
    }
    layout->addWidget(drives_);
    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    model_->setRootPath(QDir::rootPath());
    tree_ = new QTreeView(this);
    tree_->setObjectName(QStringLiteral("folderTree"));
    tree_->setModel(model_);
    for (int c = 1; c < model_->columnCount(); ++c) tree_->hideColumn(c);
    tree_->header()->hide();
    layout->addWidget(tree_, 1);
    auto* ok = okButton(this);
    QPushButton* cancel = closingRow(this, layout, ok);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(edit_, &NotifyEdit::confirmed, this, &QDialog::accept);
    connect(edit_, &NotifyEdit::refreshRequested, this, [this] { setPath(edit_->text()); });
    connect(drives_, &QComboBox::activated, this, [this](int index) { setPath(drives_->itemData(index).toString()); });
    connect(tree_, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) { setPath(model_->filePath(index)); });
    resize(420, 420);
    setPath(path);
}

QString SelectDirDialog::path() const { return edit_->text(); }

void SelectDirDialog::setPath(const QString& path)
{
    const QString clean = QDir::cleanPath(path);
    edit_->setText(clean);
    edit_->setModified(false);
    // The volume that holds the folder: the longest root that starts the path.
    int best = -1, bestLength = -1;
    for (int i = 0; i < drives_->count(); ++i) {
        const QString root = drives_->itemData(i).toString();
        if ((clean == root || clean.startsWith(root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/'))) &&
            root.size() > bestLength) {
            best = i;
            bestLength = static_cast<int>(root.size());
        }
    }
    if (best >= 0) drives_->setCurrentIndex(best);
    const QModelIndex index = model_->index(clean);
    if (index.isValid()) {
        tree_->setCurrentIndex(index);
        tree_->expand(index);
        tree_->scrollTo(index);
    }
}

}  // namespace kravinb
