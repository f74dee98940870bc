#include "new_project_dialog.h"

#include "text_codec.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kravin::shell {

namespace {

QString label(const char* english, const char* japanese, res::Language language)
{
    return QString::fromUtf8(language == res::Language::Japanese ? japanese : english);
}

}  // namespace

NewProjectDialog::NewProjectDialog(model::ProjectDialogData& data, model::Prompt& prompt, res::Language language,
                                   QWidget* parent)
    : QDialog(parent), data_(data), prompt_(prompt), language_(language)
{
    setWindowTitle(data.propertiesMode ? res::qmessage(6008, language)
                                       : label("Create a New Project File", "新規プロジェクトファイルの作成", language));
    auto* grid = new QGridLayout(this);
    name_ = new QLineEdit(model::cp932ToQString(data.name), this);
    name_->setObjectName(QStringLiteral("name"));
    comment_ = new QLineEdit(model::cp932ToQString(data.comment), this);
    comment_->setObjectName(QStringLiteral("comment"));
    location_ = new QLineEdit(QString::fromStdString(data.location), this);
    location_->setObjectName(QStringLiteral("location"));
    browse_ = new QPushButton(QStringLiteral("..."), this);
    browse_->setObjectName(QStringLiteral("browse"));
    grid->addWidget(new QLabel(label("Project Name", "プロジェクト名", language), this), 0, 0);
    grid->addWidget(name_, 0, 1, 1, 2);
    grid->addWidget(new QLabel(label("Comment", "コメント", language), this), 1, 0);
    grid->addWidget(comment_, 1, 1, 1, 2);
    grid->addWidget(new QLabel(label("Location", "保存場所", language), this), 2, 0);
    grid->addWidget(location_, 2, 1);
    grid->addWidget(browse_, 2, 2);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    grid->addWidget(buttons, 3, 0, 1, 3);
    connect(buttons, &QDialogButtonBox::accepted, this, &NewProjectDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &NewProjectDialog::reject);
    connect(browse_, &QPushButton::clicked, this, &NewProjectDialog::browse);
    name_->setMinimumWidth(320);
    if (data.propertiesMode) {
        location_->setEnabled(false);
        browse_->setEnabled(false);
    }
}

void NewProjectDialog::browse()
{
    model::FileChoice choice;
    choice.mode = model::FileMode::Open;
    choice.filter = "KRAV File (*.KRA)|*.KRA||";
    choice.defaultExtension = "KRA";
    choice.defaultName = res::message(61449, language_) + ".KRA";
    choice.overwritePrompt = true;
    const std::optional<std::string> chosen = prompt_.chooseFile(choice);
    if (!chosen) return;
    location_->setText(QString::fromStdString(*chosen));
    data_.fileTitle = QFileInfo(QString::fromStdString(*chosen)).fileName().toStdString();
}

void NewProjectDialog::accept()
{
    if (name_->text().isEmpty() || location_->text().isEmpty()) {
        prompt_.message(7014, {}, model::Buttons::Ok, model::Icon::Warning);
        return;
    }
    data_.name = model::qstringToCp932(name_->text());
    data_.comment = model::qstringToCp932(comment_->text());
    data_.location = location_->text().toStdString();
    QDialog::accept();
}

}  // namespace kravin::shell
