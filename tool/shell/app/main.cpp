// KRAVin3: the engineering tool.
#include "command_line.h"
#include "font_faces.h"
#include "shell_application.h"

#include <QApplication>
#include <QFont>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication::setApplicationName(QStringLiteral("KRAVin3"));
    QApplication::setApplicationVersion(QStringLiteral(KRAVIN_PRODUCT_VERSION));
    QApplication::setOrganizationName(QStringLiteral("KRAVin"));

    // --help and --version answer without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const kravin::shell::CommandLine line = kravin::shell::parseCommandLine(arguments);
    if (!line.error.isEmpty()) {
        std::fprintf(stderr, "%s\n\n%s", qPrintable(line.error), qPrintable(line.helpText));
        return 2;
    }
    if (line.help) {
        std::printf("%s", qPrintable(line.helpText));
        return 0;
    }
    if (line.version) {
        std::printf("KRAVin3 %s\n", KRAVIN_PRODUCT_VERSION);
        return 0;
    }

    QApplication app(argc, argv);
    // Menus, dialogs and bars in the tool's own faces, whatever the desktop's default.
    QFont font = QApplication::font();
    font.setFamilies(kravin::res::fontFamilies());
    QApplication::setFont(font);
    kravin::shell::ShellOptions options;
    options.folders = kravin::shell::ShellFolders::besideProgram(QApplication::applicationDirPath().toStdString());
    kravin::shell::ShellApplication shell(std::move(options));
    if (!kravin::shell::runStartup(shell, line.projectPath)) return 1;
    const int result = app.exec();
    kravin::shell::runShutdown(shell);
    return result;
}
