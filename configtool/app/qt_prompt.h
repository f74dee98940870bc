// The prompt interface over QMessageBox and QFileDialog.
#pragma once

#include "prompt.h"

class QWidget;

namespace qvcfg {

class QtPrompt : public Prompt {
public:
    void SetParent(QWidget* parent) { parent_ = parent; }
    void ShowError(const QString& text) override;
    void ShowInfo(const QString& text) override;
    bool AskYesNo(const QString& text) override;
    QString OpenFileName(const QString& filter, const QString& initial) override;
    QString SaveFileName(const QString& filter, const QString& initial) override;

private:
    QWidget* parent_ = nullptr;
};

}  // namespace qvcfg
