#include "command_line.h"

#include <QCommandLineParser>

namespace kravin::shell {

CommandLine parseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("KRAVin3 engineering tool for QV process controllers"));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("project"), QStringLiteral("Project file (.KRA) to open."),
                                 QStringLiteral("[project]"));
    CommandLine result;
    result.helpText = parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("KRAVin3"));
    if (!parser.parse(arguments)) {
        result.error = parser.errorText();
        return result;
    }
    result.help = parser.isSet(help);
    result.version = parser.isSet(version);
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1) {
        result.error = QStringLiteral("Only one project file can be opened.");
        return result;
    }
    if (!positional.isEmpty() && !positional.first().isEmpty()) result.projectPath = positional.first().toStdString();
    return result;
}

}  // namespace kravin::shell
