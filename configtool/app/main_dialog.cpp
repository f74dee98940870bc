#include "main_dialog.h"

#include "busy.h"
#include "config_db.h"
#include "config_io.h"
#include "messages.h"
#include "port_dialog.h"
#include "port_list.h"
#include "prompt.h"
#include "qv_com.h"
#include "trend.h"

#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

namespace qvcfg {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString T(int id) { return Q(Text(id)); }

constexpr const char* kCsvFilter = "*.csv|*.csv||";

}  // namespace

QString ForceExtension(const QString& path, const QString& extension)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot > slash) return path.left(dot) + extension;
    return path + extension;
}

CQVCFGDlg::CQVCFGDlg(Prompt& prompt, QSettings& settings, std::unique_ptr<QVCom> com, QWidget* parent)
    : QDialog(parent), prompt_(prompt), settings_(settings), db_(std::make_unique<ConfigDB>()),
      com_(com ? std::move(com) : std::make_unique<QVCom>()),
      reader_(std::make_unique<ConfigReader>(db_.get(), com_.get())),
      writer_(std::make_unique<ConfigWriter>(db_.get(), com_.get())),
      trendReader_(std::make_unique<TrendReader>(com_.get())), trendWriter_(std::make_unique<TrendWriter>())
{
    com_->SetPort(settings_.value(QLatin1String(kPortSetting), QLatin1String(kDefaultPort)).toString().toStdString());
    runPortDialog = [this](QVCom& c) { return CComDlg(&c, settings_, this).exec() == QDialog::Accepted; };

    setWindowTitle(QStringLiteral("QVCFG [Ver. %1]").arg(QLatin1String(kVersionText)));
    auto* layout = new QVBoxLayout(this);

    auto* config = new QGroupBox(QStringLiteral("Configuration"), this);
    auto* configLayout = new QVBoxLayout(config);
    state_ = new QLineEdit(config);
    state_->setObjectName(QStringLiteral("state"));
    state_->setReadOnly(true);
    state_->setAlignment(Qt::AlignCenter);
    state_->setFocusPolicy(Qt::NoFocus);
    model_ = new QLabel(config);
    model_->setObjectName(QStringLiteral("model"));
    lcd_ = new QLabel(config);
    lcd_->setObjectName(QStringLiteral("lcdVersion"));
    configLayout->addWidget(state_);
    configLayout->addWidget(model_);
    configLayout->addWidget(lcd_);
    auto* upload = AddButton("upload", "Upload from device", &CQVCFGDlg::OnUpload);
    configLayout->addWidget(upload);
    configLayout->addWidget(AddButton("readFile", "Read CFG file", &CQVCFGDlg::OnReadFile));
    configLayout->addWidget(download_ = AddButton("download", "Download to device", &CQVCFGDlg::OnDownload));
    configLayout->addWidget(writeFile_ = AddButton("writeFile", "Write to CFG file", &CQVCFGDlg::OnWriteFile));
    configLayout->addWidget(exportCsv_ = AddButton("exportCsv", "Export to CSV", &CQVCFGDlg::OnExportCsv));
    layout->addWidget(config);

    auto* trend = new QGroupBox(QStringLiteral("Short trend data"), this);
    auto* trendLayout = new QVBoxLayout(trend);
    trendLayout->addWidget(AddButton("trendUpload", "Upload and export to CSV", &CQVCFGDlg::OnTrendUpload));
    layout->addWidget(trend);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(AddButton("portSetting", "Port setting", &CQVCFGDlg::OnPortSetting));
    bottom->addStretch();
    bottom->addWidget(AddButton("finish", "Finish", &CQVCFGDlg::OnFinish));
    layout->addLayout(bottom);

    upload->setDefault(true);
    upload->setFocus();
    setMinimumWidth(300);
    UpdateDataState();
}

CQVCFGDlg::~CQVCFGDlg()
{
    trendWriter_.reset();
    trendReader_.reset();
    writer_.reset();
    reader_.reset();
    com_.reset();
    db_.reset();
}

QPushButton* CQVCFGDlg::AddButton(const char* name, const char* text, void (CQVCFGDlg::*handler)())
{
    auto* b = new QPushButton(QString::fromLatin1(text), this);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, handler);
    return b;
}

void CQVCFGDlg::UpdateDataState()
{
    const int state = db_->GetState();
    const bool loaded = state != ConfigDB::kNoData;
    model_->setEnabled(loaded);
    lcd_->setEnabled(loaded);
    download_->setEnabled(loaded);
    writeFile_->setEnabled(loaded);
    exportCsv_->setEnabled(loaded);
    state_->setToolTip(QString());
    if (!loaded) {
        model_->setText(T(150));
        lcd_->setText(T(151));
        state_->setText(T(130));
        return;
    }
    int major = 0, minor = 0;
    db_->GetLcdVersion(major, minor);
    model_->setText(T(150) + QString::fromLatin1(ModelName(db_->GetModel())));
    lcd_->setText(QStringLiteral("%1%2.%3x").arg(T(151)).arg(major).arg(minor));
    if (state == ConfigDB::kFromFile) {
        const QString path = Q(db_->GetPath());
        state_->setText(QFileInfo(path).fileName());
        state_->setToolTip(path);
    } else {
        state_->setText(T(131));
    }
}

void CQVCFGDlg::Failure(int firstLine, const std::string& cause)
{
    prompt_.ShowError(T(firstLine) + QLatin1Char('\n') + Q(cause));
}

void CQVCFGDlg::Success(int id) { prompt_.ShowInfo(T(id)); }

int CQVCFGDlg::Busy(const std::function<int()>& operation)
{
    return RunBusy(this, QStringLiteral("Communicating with the controller on %1 ...").arg(Q(com_->Port())),
                   operation);
}

void CQVCFGDlg::OnUpload()
{
    const int rc = Busy([this] { return reader_->Upload(); });
    if (rc < 0)
        Failure(133, GetReadErrorText(rc));
    else
        Success(146);
    UpdateDataState();
}

void CQVCFGDlg::OnReadFile()
{
    const QString path = prompt_.OpenFileName(QtFilter(T(129)), QStringLiteral("*.cfg"));
    if (path.isEmpty()) return;
    const int rc = reader_->ReadFile(path.toStdString());
    if (rc < 0)
        Failure(133, GetReadErrorText(rc));
    else
        Success(146);
    UpdateDataState();
}

void CQVCFGDlg::OnDownload()
{
    int deviceError = 0;
    const int rc = Busy([this, &deviceError] { return writer_->Download(&deviceError); });
    if (rc < 0)
        Failure(134, GetWriteErrorText(rc, deviceError));
    else
        Success(147);
}

void CQVCFGDlg::OnWriteFile()
{
    const QString path = AskSavePath(Q(DefaultCfgName(db_->GetModel())), QtFilter(T(129)), QStringLiteral(".cfg"));
    if (path.isEmpty()) return;
    const int rc = writer_->WriteFile(path.toStdString());
    if (rc < 0)
        Failure(134, GetWriteErrorText(rc, 0));
    else
        Success(147);
}

void CQVCFGDlg::OnExportCsv()
{
    const QString path =
        AskSavePath(Q(DefaultCsvName(db_->GetModel())), QtFilter(QLatin1String(kCsvFilter)), QStringLiteral(".csv"));
    if (path.isEmpty()) return;
    const int rc = writer_->ExportCsv(path.toStdString());
    if (rc < 0)
        Failure(134, GetWriteErrorText(rc, 0));
    else
        Success(147);
}

void CQVCFGDlg::OnTrendUpload()
{
    Bytes image;
    int model = 0;
    std::string name;
    const int rc = Busy([&] { return trendReader_->Read(image, model, name); });
    if (rc < 0) {
        Failure(133, TrendReadErrorText(rc));
        return;
    }
    const QString path =
        AskSavePath(Q(name) + QStringLiteral(".csv"), QtFilter(QLatin1String(kCsvFilter)), QStringLiteral(".csv"));
    if (path.isEmpty()) return;
    const int wc = trendWriter_->Write(image, path.toStdString(), model);
    if (wc < 0)
        Failure(134, TrendWriteErrorText(wc));
    else
        Success(147);
}

void CQVCFGDlg::OnPortSetting()
{
    if (!runPortDialog(*com_)) return;
    settings_.setValue(QLatin1String(kPortSetting), Q(com_->Port()));
    settings_.sync();
}

void CQVCFGDlg::OnFinish() { done(1008); }

QString CQVCFGDlg::AskSavePath(const QString& defaultName, const QString& filter, const QString& extension)
{
    QString name = defaultName;
    for (;;) {
        const QString chosen = prompt_.SaveFileName(filter, name);
        if (chosen.isEmpty()) return {};
        name = ForceExtension(chosen, extension);
        if (!QFileInfo::exists(name) || prompt_.AskYesNo(T(148))) return name;
    }
}

}  // namespace qvcfg
