// QVCFG: reads and writes a QV controller's configuration over a serial port.
#include "main_dialog.h"
#include "messages.h"
#include "qt_prompt.h"

#include <QApplication>
#include <QSettings>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("QVCFG %s\n", qvcfg::kVersionText);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0) {
            std::printf(
                "Usage: QVCFG\n"
                "Reads and writes a QV controller's configuration over a serial port, keeps it\n"
                "as a .cfg file and exports it and the short trend as CSV.\n"
                "Extra serial devices (e.g. the pseudo-terminal of qvcfgsim) are listed in the\n"
                "port dialog from QVCFG_EXTRA_PORTS (\";\"-separated) or the EXTRA_PORTS setting.\n");
            return 0;
        }
    }
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("ORVANTEK"));
    QApplication::setApplicationName(QStringLiteral("QVCFG"));
    QSettings settings;
    qvcfg::QtPrompt prompt;
    qvcfg::CQVCFGDlg dialog(prompt, settings);
    prompt.SetParent(&dialog);
    dialog.exec();
    return 0;
}
