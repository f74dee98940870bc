// The two exports: each runs its dialog modally, over the caller's widget in a Qt
// program, else under an application object of the library's own.
#include "KRAVinB.h"

#include "dialogs.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

#include <cstring>
#include <memory>

namespace {

std::string text(const char* s, std::size_t width)
{
    if (!s) return {};
    return std::string(s, ::strnlen(s, width));
}

// Copies at most width bytes into a buffer of size bytes, the rest zero.
void copyOut(char* out, std::size_t size, const std::string& value, std::size_t width)
{
    std::memset(out, 0, size);
    std::memcpy(out, value.data(), std::min({value.size(), width, size - 1}));
}

// The application object for one dialog run: the caller's, or one made on the calling
// thread when the caller has none, removed again when the run ends. The parent handed
// in is a widget only when the application is the caller's.
class RunApplication {
public:
    RunApplication()
    {
        if (!QCoreApplication::instance()) own_ = std::make_unique<QApplication>(argc_, argv_);
    }
    bool usable() const { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }
    QWidget* parent(void* given) const { return own_ ? nullptr : static_cast<QWidget*>(given); }

private:
    static inline int argc_ = 1;
    static inline char name_[] = "KRAVinB";
    static inline char* argv_[] = {name_, nullptr};
    std::unique_ptr<QApplication> own_;
};

}  // namespace

extern "C" KRAVINB_API int KRAVinB_CD_Backup(const char* projectName, int /*reserved*/, int station, int card,
                                             const char* cardName, const char* version, const char* unitText,
                                             void* parent, const char* workFolder)
{
    if (!workFolder || station < 0 || station > 63 || card < -1 || card > 15) return 0;
    try {
        const RunApplication app;
        if (!app.usable()) return 0;
        kravinb::g_runState = kravinb::Idle;
        kravinb::ReadLanguage();
        kravinb::BackupArgs args;
        args.project = text(projectName, 32);
        args.cardName = text(cardName, 8);
        args.version = text(version, 4);
        args.unitText = text(unitText, 8);
        args.station = station;
        args.card = card;
        args.workFolder = workFolder;
        kravinb::CardBackupDialog dlg(app.parent(parent), std::move(args));
        const int result = dlg.exec() == QDialog::Accepted ? 1 : 0;
        kravinb::g_runState = kravinb::Idle;
        return result;
    } catch (...) {
        kravinb::g_runState = kravinb::Idle;
        return 0;
    }
}

extern "C" KRAVINB_API int KRAVinB_CD_Restore(const char* projectName, int reserved, int station, int card,
                                              char* outCardName, char* outVersion, char* outUnitText, void* parent,
                                              const char* workFolder, const char* keepFolder)
{
    return KRAVinB_CD_RestoreChecked(projectName, reserved, station, card, outCardName, outVersion, outUnitText,
                                     parent, workFolder, keepFolder, nullptr, nullptr);
}

extern "C" KRAVINB_API int KRAVinB_CD_RestoreChecked(const char* projectName, int /*reserved*/, int station,
                                                     int card, char* outCardName, char* outVersion,
                                                     char* outUnitText, void* parent, const char* workFolder,
                                                     const char* keepFolder, KRAVinB_AcceptFn accept,
                                                     void* acceptContext)
{
    if (!workFolder || !keepFolder || station < 0 || station > 63 || card < -1 || card > 15) return 0;
    try {
        const RunApplication app;
        if (!app.usable()) return 0;
        kravinb::g_runState = kravinb::Idle;
        kravinb::ReadLanguage();
        kravinb::RestoreArgs args;
        args.project = text(projectName, 32);
        args.station = station;
        args.card = card;
        args.workFolder = workFolder;
        args.keepFolder = keepFolder;
        if (accept) {
            args.accept = [accept, acceptContext](const kravinb::BkcHeader& h) {
                char model[9] = {}, version[5] = {};
                std::memcpy(model, h.cardName.data(), std::min<std::size_t>(h.cardName.size(), 8));
                std::memcpy(version, h.version.data(), std::min<std::size_t>(h.version.size(), 4));
                return accept(acceptContext, model, version) == 1;
            };
        }
        kravinb::CardRestoreDialog dlg(app.parent(parent), std::move(args));
        const bool ok = dlg.exec() == QDialog::Accepted;
        kravinb::g_runState = kravinb::Idle;
        if (!ok) return 0;
        const kravinb::BkcHeader& h = dlg.restored();
        if (outCardName) copyOut(outCardName, 9, h.cardName, 8);
        if (outVersion) copyOut(outVersion, 5, h.version, 4);
        if (outUnitText) copyOut(outUnitText, 6, h.unitText, 5);
        return 1;
    } catch (...) {
        kravinb::g_runState = kravinb::Idle;
        return 0;
    }
}
