// Answers the next Model Selection dialog with a model and version line.
#pragma once

#include "modal_script.h"
#include "shared_dialogs.h"

#include <QListWidget>

#include <gtest/gtest.h>

#include <string>

namespace kravin::test {

// Picks a model and version line in the Model Selection dialog.
inline void chooseModel(const std::string& model, const std::string& version)
{
    answerNextDialog([model, version](QDialog* d) {
        auto* dialog = qobject_cast<editors::ModelSelectDialog*>(d);
        ASSERT_NE(dialog, nullptr);
        const auto models = dialog->modelList()->findItems(QString::fromStdString(model), Qt::MatchStartsWith);
        ASSERT_FALSE(models.isEmpty());
        dialog->modelList()->setCurrentItem(models.front());
        const auto versions = dialog->versionList()->findItems(QString::fromStdString(version), Qt::MatchExactly);
        ASSERT_FALSE(versions.isEmpty());
        dialog->versionList()->setCurrentItem(versions.front());
        dialog->accept();
    });
}

}  // namespace kravin::test
