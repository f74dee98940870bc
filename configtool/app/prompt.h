// Message boxes and file dialogs of QVCFG, behind one interface so that tests can script them.
#pragma once

#include <QString>

namespace qvcfg {

class Prompt {
public:
    virtual ~Prompt() = default;
    virtual void ShowError(const QString& text) = 0;
    virtual void ShowInfo(const QString& text) = 0;
    // True for Yes.
    virtual bool AskYesNo(const QString& text) = 0;
    // The chosen path, or an empty text when the user cancelled. `filter` is in Qt's form.
    virtual QString OpenFileName(const QString& filter, const QString& initial) = 0;
    virtual QString SaveFileName(const QString& filter, const QString& initial) = 0;
};

// Qt's filter form of a "Description|pattern|...||" filter text.
QString QtFilter(const QString& filter);

}  // namespace qvcfg
